#pragma once
// How a CSV or TSV file is laid out, made out from its head (the first 64 KiB) the way
// instruments, loggers and sensor apps write them: the separator and decimal mark, the
// encoding and line ends, preamble lines (and preamble in the first columns beside the data),
// the header and units rows, which columns are time, time stamps, indexes or curves, and the
// step when the file states it. Every guess is kept in plain words for the notice after the
// open. Pure: text in, layout out.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace csv_layout {

// Bytes of the file's head that the layout is made out from.
constexpr std::size_t kHeadBytes = 64 * 1024;

enum class Role {
    curve,      // samples
    time,       // evenly spaced times: the step, not a curve
    timestamp,  // date and time of day: the step when even, else left out
    index,      // 0, 1, 2, ...: not a curve
    ignored,    // preamble beside the data, Start/Increment cells, columns not chosen
};

struct Column {
    Role role = Role::curve;
    std::string name;  // as the header gave it, quotes and unit taken off; may be empty
    std::string unit;
    std::string label;        // how messages and the column chooser name it: "CH1 [V]", "column 4"
    bool timeByName = false;  // a time column by its name, not only by its values
};

struct Layout {
    char separator = ',';
    bool decimalComma = false;  // a ',' inside a cell is its decimal point
    bool latin1 = false;        // not UTF-8: the bytes are Latin-1
    bool crOnly = false;        // lines end in a carriage return alone
    // Records (lines, with quoted line ends joined, blank ones not counted) before the first
    // data row.
    std::int64_t dataRecord = 0;
    std::vector<std::pair<std::string, std::string>> preamble;  // key and value, in order
    int preambleLines = 0;        // of them, the lines above the table (the rest stand beside it)
    int preambleColumns = 0;      // leading columns that hold preamble beside the data
    std::vector<Column> columns;  // every column of the table, by its place in the file
    // The step the file states (preamble, Start/Increment cells), in seconds; 0 when none.
    double statedStep = 0;
    std::string statedStepSource;      // where it came from, for the notice
    std::vector<std::string> guesses;  // what was made out, in plain words
    std::string refusal;               // the layout could not be made out: why
};

// The layout of a file whose first bytes are `head`; `whole` when that is the whole file.
Layout Detect(std::string_view head, bool whole);

// The cells of one record: separators and line ends inside double quotes belong to the cell,
// doubled quotes are one, the quotes themselves go; cells are trimmed of spaces.
void SplitCells(std::string_view record, char separator, std::vector<std::string>& cells);

// A record of nothing but white space and separators, which holds no row: skipped.
bool BlankRecord(std::string_view record);

// Whether a record (the lines read so far) leaves a double quote open.
bool QuoteOpen(std::string_view record);

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
