#pragma once
// The records of a CSV file: lines, with the line ends inside a quoted cell joined, blank
// ones skipped. A quote still open after kQuotedLines lines, or at the file's end, opens no
// quoted cell: its line is read as a row of its own with the quote taken out, and the lines
// after it as they are. Each line is looked at a bounded number of times, so a stray quote
// costs time in proportion to the file, not to its square.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/File.h"
#include "trace/formats/csv/CsvCells.h"
#include "trace/formats/io/LineReader.h"

namespace csv_layout {

class CRecordJoiner {
public:
    static constexpr std::size_t kQuotedLines = 64;

    // onRecord(record, readable, quoted): `readable` bytes past the record's end may be read
    // (0 for a record joined from several lines or mended); `quoted` when it holds a quote.
    template <typename OnRecord>
    void Line(std::string_view line, std::size_t readable, OnRecord&& onRecord) {
        ++m_nLines;
        Take(line, readable, m_nLines, onRecord);
    }
    // The file ended: a quote still open is no quote.
    template <typename OnRecord>
    void End(OnRecord&& onRecord) {
        while (!m_held.empty()) GiveUp(onRecord);
    }
    // Quotes that nothing closed, read as no quotes, and the line of the first one (1-based).
    long long StrayQuotes() const { return m_nStray; }
    long long FirstStrayLine() const { return m_nFirstStray; }

private:
    template <typename OnRecord>
    void Take(std::string_view line, std::size_t readable, long long number, OnRecord& onRecord) {
        // Most lines hold no quote: one fast search tells.
        const bool any = std::memchr(line.data(), '"', line.size()) != nullptr;
        const auto quotes = any ? std::count(line.begin(), line.end(), '"') : 0;
        if (m_held.empty()) {
            if (quotes % 2 == 0) {
                if (!BlankRecord(line)) onRecord(line, readable, quotes > 0);
                return;
            }
            m_bytes = 0;
        }
        m_held.emplace_back(std::string(line), number);
        m_bytes += line.size() + 1;
        // An open quote may not gather the file into one record.
        if (m_bytes > line_reader::kLongestLine) throw CLineTooLong();
        m_bOdd = m_held.size() == 1 || (m_bOdd != (quotes % 2 != 0));
        if (!m_bOdd) {
            std::string record = m_held.front().first;
            for (std::size_t k = 1; k < m_held.size(); ++k) record += '\n' + m_held[k].first;
            m_held.clear();
            if (!BlankRecord(record)) onRecord(std::string_view(record), std::size_t{0}, true);
        } else if (m_held.size() > kQuotedLines) {
            GiveUp(onRecord);
        }
    }

    // The first held line's quotes are none: it is a row of its own; the lines after it are
    // taken again as they come.
    template <typename OnRecord>
    void GiveUp(OnRecord& onRecord) {
        std::vector<std::pair<std::string, long long>> lines = std::move(m_held);
        m_held.clear();
        if (m_nStray++ == 0) m_nFirstStray = lines.front().second;
        std::string first = std::move(lines.front().first);
        std::erase(first, '"');
        if (!BlankRecord(first)) onRecord(std::string_view(first), std::size_t{0}, false);
        for (std::size_t k = 1; k < lines.size(); ++k)
            Take(lines[k].first, 0, lines[k].second, onRecord);
    }

    std::vector<std::pair<std::string, long long>> m_held;  // an open record's lines, numbered
    std::size_t m_bytes = 0;
    bool m_bOdd = false;  // the held lines leave a quote open
    long long m_nLines = 0;
    long long m_nStray = 0, m_nFirstStray = 0;
};

// Every record of the file from its start; lines that end in a carriage return alone are
// lines too when the layout says so. Returns the joiner, for what it found.
template <typename OnRecord>
CRecordJoiner ForEachRecord(CFile& file, bool crOnly, OnRecord&& onRecord) {
    file.SeekToBegin();
    const auto read = [&](char* buf, std::size_t n) {
        const std::size_t got = file.Read(buf, n);
        if (crOnly) std::replace(buf, buf + got, '\r', '\n');
        return got;
    };
    CRecordJoiner joiner;
    ForEachLineOf(read, true, true, [&](std::string_view line, std::size_t readable) {
        joiner.Line(line, readable, onRecord);
    });
    joiner.End(onRecord);
    return joiner;
}

}  // namespace csv_layout
