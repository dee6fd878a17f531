#pragma once
// The cells of a CSV record and the values they hold: quoting, blank records, numbers with
// the place of their last printed digit, date-and-time stamps, and whether two times are one
// step apart as far as their digits tell. Shared by the layout detector and the reader.

#include <string>
#include <string_view>
#include <vector>

namespace csv_layout {

// The cell without spaces, tabs and carriage returns at either end.
std::string_view Trim(std::string_view s);
// The cell's text without the quotes around it, if any ('...' or "...").
std::string StripQuotes(std::string_view s);

// The cells of one record: separators and line ends inside double quotes belong to the cell,
// doubled quotes are one, the quotes themselves go; cells are trimmed of spaces.
void SplitCells(std::string_view record, char separator, std::vector<std::string>& cells);

// A record of nothing but white space and separators, which holds no row: skipped.
bool BlankRecord(std::string_view record);

// A cell as a number in full precision, and half a unit of its last printed digit (how far
// off the true value it may be); false when the cell holds no number.
bool ParseNumber(std::string_view cell, bool decimalComma, double& value, double& halfUnit);

// Whether the step from a to b is the median step, as far as the printed digits can tell:
// increasing, and within half a unit of the last printed digit of each value (halfA, halfB)
// of the median, but never a quarter of a step off, which coarse digits would allow.
bool EvenStep(double a, double b, double median, double halfA, double halfB);

// A date and time of day ("2020-10-28 20:17:45", with 'T', with fractions of a second) as
// seconds since 1970-01-01, and half a unit of its last printed digit.
bool ParseTimestamp(std::string_view cell, double& seconds, double& halfUnit);

}  // namespace csv_layout
