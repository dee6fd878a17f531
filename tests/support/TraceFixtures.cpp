#include "tests/support/TraceFixtures.h"

#include <algorithm>
#include <limits>
#include <random>

#include "tests/support/MemFile.h"
#include "trace/formats/text/FormatTextParser.h"

std::unique_ptr<CtesqDoc> ReadTrace(const std::string& bytes) {
    auto doc = std::make_unique<CtesqDoc>();
    CMemFile file(bytes.data(), bytes.size());
    doc->ReadTextTrace(file);
    return doc;
}

CTraceData ReadTextOnOneThread(CFile& file) {
    CTraceData counted, stored;
    CTextTraceParser counting(counted);
    counting.ReadTraceLines(file, false, 0);
    file.SeekToBegin();
    CTextTraceParser storing(stored);
    storing.ReadTraceLines(file, true, counted.m_nSampleCount);
    storing.CompleteRanges();
    return stored;
}

std::vector<float> Samples(const CtesqDoc& doc, int i) {
    if (!doc.Trace().m_pSamples[i]) return {};
    std::vector<float> samples(static_cast<std::size_t>(doc.Trace().m_nSampleCount));
    if (!samples.empty())
        doc.Trace().m_pSamples[i].Read(0, doc.Trace().m_nSampleCount, samples.data());
    return samples;
}

CTraceData TraceWithSamples(const std::vector<std::vector<float>>& curves) {
    CTraceData trace;
    trace.m_nCurveCount = static_cast<int>(curves.size());
    for (std::size_t i = 0; i < curves.size(); ++i) {
        trace.m_nSampleCount = static_cast<int>(curves[i].size());
        trace.m_pSamples[i] = CFloatArray::Allocate(curves[i].size(), true);
        std::copy(curves[i].begin(), curves[i].end(), trace.m_pSamples[i].Floats().get());
    }
    return trace;
}

std::unique_ptr<CtesqDoc> DocWithSamples(const std::vector<std::vector<float>>& curves,
                                         const std::function<void(CTraceData&)>& edit) {
    CTraceData trace = TraceWithSamples(curves);
    if (edit) edit(trace);
    return DocWithTrace(std::move(trace));
}

std::unique_ptr<CtesqDoc> DocWithTrace(CTraceData&& trace) {
    auto doc = std::make_unique<CtesqDoc>();
    doc->TakeTrace(std::move(trace));
    return doc;
}

CCurveSamples CurveOf(const std::vector<float>& samples) {
    CFloatArray floats = CFloatArray::Allocate(std::max<std::size_t>(samples.size(), 1), true);
    std::copy(samples.begin(), samples.end(), floats.get());
    return CCurveSamples(std::move(floats));
}

std::vector<float> AwkwardSamples(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<float> s(n);
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (std::size_t j = 0; j < n;) {
        const unsigned kind = rng() % 10;
        const std::size_t run = kind < 3 ? 1 + rng() % 600 : 1;
        for (std::size_t r = 0; r < run && j < n; ++r, ++j) {
            const unsigned v = rng() % 40;
            s[j] = kind == 0   ? std::numeric_limits<float>::quiet_NaN()
                   : kind == 1 ? (v % 2 ? 0.0f : -0.0f)
                   : kind == 2 ? static_cast<float>(v % 3)
                   : v == 0    ? kInf
                   : v == 1    ? -kInf
                   : v == 2    ? std::numeric_limits<float>::quiet_NaN()
                               : static_cast<float>(static_cast<int>(rng() % 2001) - 1000) / 8;
        }
    }
    return s;
}

std::vector<float> PlainDisplayEntries(const std::vector<float>& s, std::size_t d) {
    std::vector<float> out;
    for (std::size_t s0 = 0; s0 < s.size(); s0 += d) {
        float mn = s[s0], mx = s[s0];
        for (std::size_t j = s0; j < std::min(s.size(), s0 + d); ++j) {
            if (s[j] < mn) mn = s[j];
            if (s[j] > mx) mx = s[j];
        }
        out.insert(out.end(), {s[s0], mx, mn, s[s0]});
    }
    return out;
}
