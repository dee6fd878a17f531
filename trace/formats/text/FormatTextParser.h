#pragma once
// The text trace parser: lines in, trace out. The reader runs it twice over the file, once
// counting data rows and once storing them into arrays of the counted size.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trace/formats/io/ChunkedRead.h"
#include "trace/model/TraceData.h"

class CFile;

class CTextTraceParser {
public:
    explicit CTextTraceParser(CTraceData& trace) : m_trace(trace) {}

    // Hands every line of the file, from its current position, to ParseLine.
    void ReadTraceLines(CFile& file, bool bStore, int nCapacity);
    // One line without its line feed; its text ends at the first CR or NUL byte. readable:
    // how many bytes after the line may be read (never interpreted) in passing. Returns the
    // parse state after the line.
    int ParseLine(std::string_view line, bool bStore, int nCapacity, std::size_t readable);
    // The same two passes with the data rows on two threads, each a part of the file; the
    // row numbers of the storing pass come from the counts of the counting pass.
    // The lines up to the first data row, from the file's start: the offset the data rows
    // start at, or nothing when the file ends first.
    std::optional<std::uint64_t> ReadHeader(CFile& file);
    // Counting pass over the data parts: the rows of each.
    std::vector<std::int64_t> CountRows(CFile& file, const std::vector<CFileChunk>& chunks);
    // Storing pass over the same parts, into arrays of nCapacity rows. false when the file
    // no longer holds what was counted (nothing is then to be kept).
    bool StoreRows(CFile& file, const std::vector<CFileChunk>& chunks,
                   const std::vector<std::int64_t>& counted, int nCapacity);
    // Degenerate display ranges (not wider than 0.0001) taken from the data.
    // checkpoint() between pieces of a long curve; it may throw (a cancel).
    void CompleteRanges(const std::function<void()>& checkpoint = {});

    // A pass met more rows than the sample count can count.
    bool TooManyRows() const { return m_bTooManyRows; }
    // Lines handed to the parser in this pass (up to INT_MAX).
    int LineNo() const { return m_nLineNo; }
    // 0 looking for the file-type line, 1 in the header, 2 in the data rows.
    int ParseState() const { return m_nParseState; }

private:
    void AddLines(std::int64_t n);
    void ParseHeaderLine(std::string_view bytes);
    void ParseDataRow(std::string_view line, bool bStore, int nCapacity, std::size_t readable);

    CTraceData& m_trace;
    int m_nLineNo = 0;
    int m_nParseState = 0;
    bool m_bTooManyRows = false;
    std::string m_work;  // working copy of the line being cut into tokens
};
