#include "trace/document/TraceProperties.h"

#include <fmt/format.h>

#include <filesystem>
#include <system_error>

#include "trace/document/Document.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/model/HeaderItems.h"
#include "trace/model/TimeBase.h"

std::string SizeText(std::uint64_t bytes) {
    if (bytes < 1024) return fmt::format("{} bytes", bytes);
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double scaled = static_cast<double>(bytes);
    int unit = -1;
    while (scaled >= 1024 && unit < 3) scaled /= 1024, ++unit;
    return fmt::format("{} bytes ({:.1f} {})", bytes, scaled, kUnits[unit]);
}

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

std::vector<TraceProperty> TracePropertiesOf(const CtesqDoc& doc) {
    const CTraceData& t = doc.Trace();
    const std::string& path = doc.GetPathName();
    std::vector<TraceProperty> list;
    const auto add = [&list](std::string name, std::string value) {
        list.push_back({std::move(name), std::move(value)});
    };
    add("File", path.empty() ? std::string("(not saved)") : path);
    if (const CTraceFormat* format = TraceFormatOf(path)) add("Format", std::string(format->name));
    if (const auto size = FileSizeOf(path); size && !path.empty()) add("Size", SizeText(*size));
    std::string curves = std::to_string(t.m_nCurveCount);
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        curves += i == 0 ? ": " : ", ";
        curves += t.m_strCurveUnit[i].empty()
                      ? t.m_strCurveName[i]
                      : t.m_strCurveName[i] + " [" + t.m_strCurveUnit[i] + "]";
    }
    add("Curves", curves);
    add("Samples", std::to_string(t.m_nSampleCount));
    const auto time = [&t](double v) { return timebase::ReadableText(v) + " " + t.m_strStepUnit; };
    add("Step", time(t.m_dblStep));
    if (!t.m_strStepSource.empty()) add("Step from", t.m_strStepSource);
    add("First sample at", time(t.m_dblOrigin));
    add("Duration", time(t.Span(t.m_nSampleCount)));
    for (const auto& [key, value] : header_items::Split(t.m_strHeaderText))
        add("Header: " + key, value);
    for (const std::string& notice : t.m_readNotices) add("Notice", notice);
    return list;
}
