#include <fmt/format.h>

#include <charconv>
#include <cstdio>

#include "cli/CliCommands.h"
#include "trace/document/Document.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/formats/capture/CaptureSource.h"

bool ParseWholeInt(std::string_view text, int& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool SelectionFits(int start, int end, int sampleCount) {
    if (end <= sampleCount) return true;
    std::fprintf(stderr, "%s\n",
                 fmt::format("The selection {}:{} reaches past the trace's {} samples.", start, end,
                             sampleCount)
                     .c_str());
    return false;
}

bool ParsePair(std::string_view text, char separator, int& a, int& b) {
    const auto at = text.find(separator);
    return at != std::string_view::npos && ParseWholeInt(text.substr(0, at), a) &&
           ParseWholeInt(text.substr(at + 1), b);
}

bool KnownTraceFile(const std::string& path, bool writable) {
    const CTraceFormat* format = TraceFormatOf(path);
    if (format != nullptr && (writable ? format->write != nullptr : format->read != nullptr))
        return true;
    // The document's own words, with what it is about.
    std::fprintf(
        stderr, "%s\n",
        fmt::format("tesqv-cli: {}: unknow file type. ({})", path, TraceExtensionList(writable))
            .c_str());
    return false;
}

bool OpenRange(CtesqDoc& doc, const RangeOptions& options, const CStderrMessages& messages,
               int& start, int& end) {
    if (!KnownTraceFile(options.path, false)) return false;
    doc.OnNewDocument();
    doc.m_curvesToRead = options.curves;
    if (!OpenTrace(doc, options.path, messages)) return false;
    start = 0;
    end = doc.Trace().m_nSampleCount;
    if (options.select) {
        if (!SelectionFits(options.selStart, options.selEnd, end)) return false;
        start = options.selStart;
        end = options.selEnd;
    }
    return true;
}

bool OpenTrace(CtesqDoc& doc, const std::string& path, const CStderrMessages& messages,
               bool display) {
    doc.m_bDisplayOnOpen = display;
    if (!doc.OnOpenDocument(path) || messages.m_nShown > 0) return false;
    // A capture's samples are read as its display columns are built, after the open.
    return !ChangedWhileRead(doc, path, "it was not opened");
}

bool ChangedWhileRead(const CtesqDoc& doc, const std::string& path, const std::string& outcome) {
    if (!SamplesChangedOnDisk(doc.Trace())) return false;
    std::fprintf(stderr, "%s changed while it was read%s.\n", path.c_str(),
                 outcome.empty() ? "" : ("; " + outcome).c_str());
    return true;
}
