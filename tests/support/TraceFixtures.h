#pragma once
// Builds documents from inline text for the tests.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "trace/document/Document.h"

// Reads `bytes` as a text trace file through the real two-pass reader.
std::unique_ptr<CtesqDoc> ReadTrace(const std::string& bytes);

// Both passes of the text reader line by line from the file's start, on this thread, as
// the reader ran before it used two: the reference the reader's threads are held to.
CTraceData ReadTextOnOneThread(CFile& file);

// The samples of curve i, or an empty vector when it has no array.
std::vector<float> Samples(const CtesqDoc& doc, int i);
// A curve that holds these samples as one float array.
CCurveSamples CurveOf(const std::vector<float>& samples);

// A trace holding the given curves as samples, not read from any file.
CTraceData TraceWithSamples(const std::vector<std::vector<float>>& curves);
// A document that took such a trace, after `edit` (names, units, step, ...) changed it, as a
// reader would have made it.
std::unique_ptr<CtesqDoc> DocWithSamples(const std::vector<std::vector<float>>& curves,
                                         const std::function<void(CTraceData&)>& edit = {});
// A document that took `trace`.
std::unique_ptr<CtesqDoc> DocWithTrace(CTraceData&& trace);

// Values that test every rule at once: NaN runs long enough to fill whole blocks, zeros of
// both signs, infinities, ties.
std::vector<float> AwkwardSamples(std::size_t n, unsigned seed);

// Display entries (first, max, min, first of each bucket of d samples), the rule written the
// plain way, one sample at a time.
std::vector<float> PlainDisplayEntries(const std::vector<float>& s, std::size_t d);
