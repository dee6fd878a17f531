#pragma once
// The records of a CSV file from its start: lines with quoted line ends joined, blank ones
// skipped; lines that end in a carriage return alone are lines too when the layout says so.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/core/File.h"
#include "trace/formats/csv/CsvCells.h"
#include "trace/formats/io/LineReader.h"

namespace csv_layout {

// onRecord(record, readable, quoted): `readable` bytes past the record's end may be read
// (0 for a record joined from several lines); `quoted` when it holds a double quote.
template <typename OnRecord>
void ForEachRecord(CFile& file, bool crOnly, OnRecord&& onRecord) {
    file.SeekToBegin();
    std::string pending;
    const auto read = [&](char* buf, std::size_t n) {
        const std::size_t got = file.Read(buf, n);
        if (crOnly) std::replace(buf, buf + got, '\r', '\n');
        return got;
    };
    ForEachLineOf(read, true, true, [&](std::string_view line, std::size_t readable) {
        if (!pending.empty()) {
            pending += '\n';
            pending += line;
            // An open quote may not gather the file into one record.
            if (pending.size() > line_reader::kLongestLine) throw CLineTooLong();
            if (QuoteOpen(pending)) return;
            if (!BlankRecord(pending)) onRecord(std::string_view(pending), std::size_t{0}, true);
            pending.clear();
            return;
        }
        const bool quoted = std::memchr(line.data(), '"', line.size()) != nullptr;
        if (quoted && QuoteOpen(line)) {
            pending = std::string(line);
            return;
        }
        if (!BlankRecord(line)) onRecord(line, readable, quoted);
    });
    if (!pending.empty() && !BlankRecord(pending))
        onRecord(std::string_view(pending), std::size_t{0}, true);
}

}  // namespace csv_layout
