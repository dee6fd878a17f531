#pragma once
// The subcommands of tesqv-cli, their options as parsed from the command line, and what they
// share. Each returns the exit status: 0 done, 1 the system reported a failure (its message
// is on stderr).

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/MessageSink.h"
#include "trace/stats/Spectrum.h"

struct InfoOptions {
    std::string path;
    std::vector<std::string> curves;  // --curves: names or 0-based column numbers
    bool withSamples = false;
};

struct ConvertOptions {
    std::string in, out;
    std::vector<std::string> curves;
    bool select = false;
    int selStart = 0, selEnd = 0;
    std::vector<std::string> commands;  // run in order
    bool columns = false;               // bare numeric columns instead of a save
};

// A trace and a range of it (the whole trace without --select).
struct RangeOptions {
    std::string path;
    std::vector<std::string> curves;
    bool select = false;
    int selStart = 0, selEnd = 0;
};

struct StatsOptions : RangeOptions {};

struct SpectrumCliOptions : RangeOptions {
    SpectrumOptions spectrum;
    bool db = false, json = false;
};

struct RenderOptions {
    std::string in, out;
    std::vector<std::string> curves;
    int width = 1280, height = 720;
    int zoomOuts = 0;
    // (option, value) in the order given: --goto, --scroll, --select, --hide, --command,
    // --typed, --fit, --zoom-selection; values already checked.
    std::vector<std::pair<std::string, std::string>> steps;
};

int RunInfo(const InfoOptions& options);
int RunConvert(const ConvertOptions& options);
int RunRender(const RenderOptions& options);
int RunStats(const StatsOptions& options);
int RunSpectrum(const SpectrumCliOptions& options);

// For the lifetime of the object, every message the system shows goes to stderr as one line
// and is counted: any message means the command failed.
class CStderrMessages {
public:
    int m_nShown = 0;
    // What the messages are about while it is set (a command being run), said before them.
    std::string m_context;

private:
    CScopedMessageSink m_sink{[this](std::string_view text) {
        ++m_nShown;
        if (!m_context.empty()) std::fprintf(stderr, "tesqv-cli: %s: ", m_context.c_str());
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }};
};

class CtesqDoc;
// Opens the trace as File Open does; false after a message (on stderr) when it was refused,
// said anything, or is a capture that changed while it was read. display: build the display
// columns too (to draw).
bool OpenTrace(CtesqDoc& doc, const std::string& path, const CStderrMessages& messages,
               bool display = false);
// A capture's samples are read as a command uses them, after the open: true, after saying
// "PATH changed while it was read" and what came of it (outcome), when its file changed.
bool ChangedWhileRead(const CtesqDoc& doc, const std::string& path,
                      const std::string& outcome = {});

// Opens the trace as stats and spectrum do and gives the range they work on; false after a
// message on stderr.
bool OpenRange(CtesqDoc& doc, const RangeOptions& options, const CStderrMessages& messages,
               int& start, int& end);

// Whether the path's extension names a format that reads (or, with `writable`, saves); says
// on stderr which extensions do when not.
bool KnownTraceFile(const std::string& path, bool writable);

// The whole text as a decimal int (no sign but '-', nothing after it).
bool ParseWholeInt(std::string_view text, int& value);
// Whether a --select range lies within the trace; says on stderr why not.
bool SelectionFits(int start, int end, int sampleCount);
// "A<separator>B" as two whole decimal ints.
bool ParsePair(std::string_view text, char separator, int& a, int& b);
