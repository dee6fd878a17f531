#include "trace/formats/FormatRegistry.h"

#include <iterator>

#include "framework/core/AsciiText.h"
#include "framework/core/FileNames.h"
#include "trace/model/TimeBase.h"
#include "trace/model/TraceData.h"

namespace {

// In the order the open dialog lists them; the save dialog puts the default format first.
// One line a format: id, name, filter name, extensions, read passes, reader, writer, loss,
// columns.
// clang-format off
constexpr CTraceFormat kFormats[] = {
    {TraceFormatId::text, "text trace", "TEXT Files", {"txt"}, 2, text_format::Read, text_format::Write, text_format::Loss, nullptr},
    {TraceFormatId::capture, "capture", "OSC Files", {"osc"}, 1, capture_format::Read, capture_format::Write, capture_format::Loss, nullptr},
    {TraceFormatId::csv, "CSV", "CSV Files", {"csv"}, 2, csv_format::Read, csv_format::Write, csv_format::Loss, csv_format::Columns},
    {TraceFormatId::tsv, "TSV", "TSV Files", {"tsv"}, 2, csv_format::Read, nullptr, nullptr, csv_format::Columns},
    {TraceFormatId::wav, "WAV", "WAV Files", {"wav", "wave"}, 1, wav_format::Read, nullptr, nullptr, wav_format::Columns},
};
// clang-format on

constexpr TraceFormatId kDefaultSave = TraceFormatId::capture;

}  // namespace

std::string WithOriginLoss(const CTraceData& trace, std::string other) {
    if (trace.m_dblOrigin == 0 || trace.m_nSampleCount == 0) return other;
    const std::string origin =
        "The time of the first sample, " + timebase::ReadableText(trace.m_dblOrigin) + " " +
        trace.m_strStepUnit + ", will not be kept: the saved trace starts at 0.";
    return other.empty() ? origin : origin + " " + other;
}

const CTraceFormat* TraceFormatOf(std::string_view path) {
    const auto ext = ExtensionOf(path);
    if (!ext) return nullptr;
    for (const CTraceFormat& format : kFormats)
        for (const std::string_view own : format.extensions)
            if (!own.empty() && EqualsIgnoringAsciiCase(*ext, own)) return &format;
    return nullptr;
}

const CTraceFormat& TraceFormat(TraceFormatId id) {
    for (const CTraceFormat& format : kFormats)
        if (format.id == id) return format;
    return kFormats[0];  // every id has its line in the table
}

TraceFormatId SaveFormatFor(std::string_view path) {
    const CTraceFormat* own = TraceFormatOf(path);
    return own != nullptr && own->write != nullptr ? own->id : kDefaultSave;
}

std::string SaveFilter(TraceFormatId first) {
    std::string filter;
    const auto add = [&filter](const CTraceFormat& format) {
        const std::string pattern = "*." + std::string(format.extensions[0]);
        filter += std::string(format.filterName) + " (" + pattern + ")|" + pattern + "|";
    };
    add(TraceFormat(first));
    for (const CTraceFormat& format : kFormats)
        if (format.write != nullptr && format.id != first) add(format);
    return filter + "|";
}

std::string_view DefaultSaveExtension(TraceFormatId first) {
    return TraceFormat(first).extensions[0];
}

std::string TraceExtensionList(bool writable) {
    std::string list;
    for (const CTraceFormat& format : kFormats)
        for (const std::string_view ext : format.extensions)
            if (!ext.empty() && (writable ? format.write != nullptr : format.read != nullptr))
                list += (list.empty() ? "." : ", .") + std::string(ext);
    return list;
}

std::string OpenPatterns() {
    std::string patterns;
    for (const CTraceFormat& format : kFormats)
        for (const std::string_view ext : format.extensions)
            if (!ext.empty() && format.read != nullptr)
                patterns += (patterns.empty() ? "*." : " *.") + std::string(ext);
    return patterns;
}
