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

#include "trace/formats/csv/CsvCells.h"
#include "trace/formats/csv/CsvTimeCells.h"

namespace csv_layout {

// Bytes of the file's head that the layout is made out from; a head without rows of numbers
// is read again four times as long, up to kLongestHead.
constexpr std::size_t kHeadBytes = 64 * 1024;
constexpr std::size_t kLongestHead = 4 * 1024 * 1024;

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
    bool sawData = false;                                       // the head holds rows of numbers
    std::vector<std::pair<std::string, std::string>> preamble;  // key and value, in order
    int preambleLines = 0;        // of them, the lines above the table (the rest stand beside it)
    int preambleColumns = 0;      // leading columns that hold preamble beside the data
    std::vector<Column> columns;  // every column of the table, by its place in the file
    // The cells each row's time is made of (a time column, a stamp column, a date column and a
    // time column, calendar fields in columns); the first is the column named time or
    // timestamp, the others are left out. Empty when no column gives a time.
    std::vector<TimeSource> timeSources;
    DateOrder dateOrder = DateOrder::either;
    std::string timeName;  // how notices name the time's columns, quoted
    // The step the file states (preamble, Start/Increment cells), in seconds; 0 when none.
    double statedStep = 0;
    std::string statedStepSource;      // where it came from, for the notice
    std::vector<std::string> guesses;  // what was made out, in plain words
    std::string refusal;               // the layout could not be made out: why
};

// The layout of a file whose first bytes are `head`; `whole` when that is the whole file.
Layout Detect(std::string_view head, bool whole);

}  // namespace csv_layout
