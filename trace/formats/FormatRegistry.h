#pragma once
// The trace formats: for each its name, its extensions, its reader and writer and what a
// save in it cannot keep. Open, Save, Save As, reload, drops and every tesqv-cli subcommand
// find the format here by the file name's extension (ASCII letters in any case, never the
// locale). A new format is a file of its own (its reader and writer, declared at the end of
// this header) and one line in the table of FormatRegistry.cpp.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CFile;
struct CTraceData;

// What a format keeps beside the trace: the encoding a capture was read in, which the
// capture writer uses again (reads of other formats leave it as it was).
struct CFormatState {
    int nCaptureEncoding = 0;
    // The columns to read as curves, when a file holds more than 8 or the user named them:
    // names, or 0-based column (channel) numbers. Empty: the first 8.
    std::vector<std::string> curves;
    // Told of samples looked at by a loss check (n more); it may throw to stop the check.
    std::function<void(std::uint64_t)> progress;
};

enum class TraceFormatId { text, capture, csv, tsv, wav };

struct CTraceFormat {
    TraceFormatId id;
    std::string_view name;        // for messages: "text trace", "capture", ...
    std::string_view filterName;  // in the save dialog: "TEXT Files"
    // Without the dot, lower case; the first is the one a save appends. Unused ones empty.
    std::array<std::string_view, 2> extensions;
    int readPasses;  // how often the reader goes through the file (for progress)
    // Fills a fresh trace; false after a message when the file was refused or could not be
    // read. What it guessed or dropped goes to AfxNotice. Throws CReadCancelled when the
    // file's read hook does.
    bool (*read)(CFile& file, CTraceData& trace, CFormatState& state);
    // The whole trace; file errors throw CFileException. Null: the format is only read.
    void (*write)(CFile& file, const CTraceData& trace, const CFormatState& state);
    // What a save would lose, said before it (the window asks kSaveAnyway after it); empty
    // when nothing. Null: it keeps everything.
    std::string (*loss)(const CTraceData& trace, const CFormatState& state);
    // The columns a file offers as curves, for the choice of 8 when it has more. Null: the
    // format holds 8 at most.
    std::vector<std::string> (*columns)(CFile& file);
};

// The question after a format's loss, before a save goes on.
inline constexpr std::string_view kSaveAnyway = " Save anyway?";

// For formats whose time starts at 0: what a trace whose first sample has another time loses,
// followed by `other` (what else it loses); empty when nothing.
std::string WithOriginLoss(const CTraceData& trace, std::string other);

// The format the path's file name names by its extension; null when none does.
const CTraceFormat* TraceFormatOf(std::string_view path);
const CTraceFormat& TraceFormat(TraceFormatId id);

// The format a trace read from `path` is saved in first: its own when it can be written,
// else the default (the capture).
TraceFormatId SaveFormatFor(std::string_view path);
// The save dialog's filter, `first` first ("OSC Files (*.osc)|*.osc|...||"), and the
// extension a name without one gets.
std::string SaveFilter(TraceFormatId first = SaveFormatFor({}));
std::string_view DefaultSaveExtension(TraceFormatId first = SaveFormatFor({}));
// Every extension that opens, as file dialog patterns: "*.txt *.osc *.csv *.tsv".
std::string OpenPatterns();
// The extensions that open (or, with `writable`, that save), for messages: ".txt, .osc, ...".
std::string TraceExtensionList(bool writable);

// The formats' own readers and writers.
namespace text_format {
// The file-type line, the keyword header and data rows of up to 8 numbers; read in two
// passes (count, then store), the data rows on two threads.
bool Read(CFile& file, CTraceData& trace, CFormatState& state);
// The whole trace: the file-type line, the header (items, Curve lines, Step), then one
// "\r\n" row per sample with each number in the fewest digits (6 or more) that read back to
// the same float. Opened again it gives the same trace.
void Write(CFile& file, const CTraceData& trace, const CFormatState& state);
// The bare columns: one "\r\n" line per sample, "%g " per curve that has samples.
void WriteColumns(CFile& file, const CTraceData& trace);
// Names and units that hold the format's separators, which the writer writes with '_' in
// their place (OneToken), so that they read back as one token each.
std::string Loss(const CTraceData& trace, const CFormatState& state);
std::string OneToken(std::string text);
}  // namespace text_format

namespace capture_format {
// One curve, byte-coded, with an optional magic number that selects the encoding.
bool Read(CFile& file, CTraceData& trace, CFormatState& state);
void Write(CFile& file, const CTraceData& trace, const CFormatState& state);
// Curves past the first and samples outside the encoding's whole numbers.
std::string Loss(const CTraceData& trace, const CFormatState& state);
}  // namespace capture_format

namespace csv_format {
// The labels of the columns that would be curves ("CH1 [V]", "column 4").
std::vector<std::string> Columns(CFile& file);
// Cells separated by commas, semicolons or tabs; a notice for dropped columns and for cells
// read as NaN.
bool Read(CFile& file, CTraceData& trace, CFormatState& state);
// Header items and display ranges as preamble lines, a header row ("time [unit]", then
// "name [unit]" per curve with samples), then one row per sample with the time and every
// sample in the fewest digits that read back to the same float.
void Write(CFile& file, const CTraceData& trace, const CFormatState& state);
// Curves without samples, which have no column to go to.
std::string Loss(const CTraceData& trace, const CFormatState& state);
}  // namespace csv_format

namespace wav_format {
// PCM (8 to 32 bits) and float WAV through libsndfile, up to 8 of its channels.
bool Read(CFile& file, CTraceData& trace, CFormatState& state);
// "channel 1", "channel 2", ...
std::vector<std::string> Columns(CFile& file);
}  // namespace wav_format
