#pragma once
// The cells of a CSV record and the values they hold: quoting, blank records, numbers with
// the place of their last printed digit, and the steps of a time column. Shared by the layout
// detector and the reader.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace csv_layout {

// The cell without spaces, tabs and carriage returns at either end.
std::string_view Trim(std::string_view s);
// The cell's text without the quotes around it, if any ('...' or "...").
std::string StripQuotes(std::string_view s);
// The text as a cell to write: in double quotes, its own doubled, where it holds a separator
// (comma, semicolon, tab), a quote or a line end.
std::string QuotedCell(const std::string& text);

// The cells of one record: separators and line ends inside double quotes belong to the cell,
// doubled quotes are one, the quotes themselves go; cells are trimmed of spaces.
void SplitCells(std::string_view record, char separator, std::vector<std::string>& cells);

// A record of nothing but white space and separators, which holds no row: skipped.
bool BlankRecord(std::string_view record);

// A cell as a number in full precision, and half a unit of its last printed digit (how far
// off the true value it may be); false when the cell holds no number.
bool ParseNumber(std::string_view cell, bool decimalComma, double& value, double& halfUnit);

// The steps of a time column as its values come, in constant memory. Evenly spaced is told at
// the end: increasing, and every step within 1e-4 of the mean step ((last - first) / (n - 1))
// plus what the printed digits may be off (half a unit of the last digit of both values, never
// more than a quarter of the step, which coarse digits would allow).
class CTimeTrack {
public:
    void Add(double value, double halfUnit);
    std::int64_t Count() const { return m_nCount; }
    bool Even() const;
    // (last - first) / (n - 1), without what subtracting two large times in binary adds:
    // 1000.000 to 1000.002 in two steps is 1 ms, not 0.999999999976 ms.
    double MeanStep() const;
    double First() const { return m_first; }
    double FirstHalfUnit() const { return m_firstHalf; }
    double LeastStep() const { return m_least; }
    double MostStep() const { return m_most; }
    // Some value was no number (or a time that could not be read).
    bool HasGaps() const { return m_bGaps; }
    // The finest half unit any value was printed to: what binary noise is rounded away to.
    double FinestHalfUnit() const { return m_finest; }

private:
    std::int64_t m_nCount = 0;
    double m_first = 0, m_last = 0;
    double m_least = 0, m_most = 0;
    double m_half = 0, m_finest = 0;
    double m_firstHalf = 0, m_lastHalf = 0;
    bool m_bGaps = false;
};

}  // namespace csv_layout
