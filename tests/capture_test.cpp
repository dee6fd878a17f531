// The capture format: encodings, magic numbers, prefixes, and the writer's saturation.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <utility>

#include "framework/core/File.h"
#include "framework/core/NumberText.h"
#include "tests/support/CliRun.h"
#include "tests/support/MemFile.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/formats/capture/FormatCaptureCodec.h"

using V = std::vector<float>;
using Bytes = std::vector<char>;

namespace {

std::unique_ptr<CtesqDoc> ReadCapture(const Bytes& bytes, int previousFormat = 0) {
    auto doc = std::make_unique<CtesqDoc>();
    doc->m_nOscFormat = previousFormat;
    CMemFile file(bytes);
    EXPECT_TRUE(doc->ReadOscTrace(file));
    return doc;
}

Bytes WriteCapture(CtesqDoc& doc) {
    CMemFile file;
    doc.WriteOscTrace(file);
    return file.Bytes();
}

Bytes Magic(int encoding) {
    return encoding == 1 ? Bytes{'\x97', '\xC1', '\x89', '\x7A'}
                         : Bytes{'\x98', '\xC1', '\x89', '\x7A'};
}

}  // namespace

TEST(Capture, EachEncodingRoundTripsWithItsOwnRange) {
    const V values = {0, 1.9f, -1.9f, 3000, 300, 255.9f, 200, -2048, 2047, 63, 64, -65};
    const struct {
        int encoding;
        V expected;
        std::size_t bytes;
        int step;
        float bottom, top;
    } cases[] = {
        {0, {0, 1, 255, 184, 44, 255, 200, 0, 255, 63, 64, 191}, 12, 2, 0, 255},
        {1, {0, 1, -1, -1096, 300, 255, 200, -2048, 2047, 63, 64, -65}, 4 + 24, 2, -2500, 2500},
        {2, {0, 1, -1, -72, 44, -1, -56, 0, -1, 63, 64, -65}, 4 + 12, 1, -200, 200},
    };
    for (const auto& c : cases) {
        auto doc = DocWithSamples({values, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}});
        doc->m_nOscFormat = c.encoding;
        const Bytes bytes = WriteCapture(*doc);
        ASSERT_EQ(bytes.size(), c.bytes) << c.encoding;
        auto back = ReadCapture(bytes);
        EXPECT_EQ(back->m_nOscFormat, c.encoding);
        EXPECT_EQ(Samples(*back, 0), c.expected) << c.encoding;
        EXPECT_EQ(back->Trace().m_nCurveCount, 1);
        EXPECT_EQ(back->Trace().m_strCurveName[0], "osc");
        EXPECT_EQ(back->Trace().m_strStepUnit, "us");
        EXPECT_EQ(back->Trace().m_dblStep, c.step);
        EXPECT_EQ(back->Trace().m_fCurveBottom[0], c.bottom);
        EXPECT_EQ(back->Trace().m_fCurveTop[0], c.top);
    }
}

TEST(Capture, WriterSaturatesValuesThatAreNoInt) {
    const float inf = std::numeric_limits<float>::infinity();
    auto doc = DocWithSamples({{std::nanf(""), inf, -inf, 3e9f}});
    doc->m_nOscFormat = 0;
    EXPECT_EQ(WriteCapture(*doc), (Bytes{0, '\xFF', 0, '\xFF'}));
}

TEST(Capture, RawBytesAndShortFilesAreEncodingZero) {
    EXPECT_EQ(Samples(*ReadCapture({'\x01', '\xFF', '\x80'}, 2), 0), (V{1, 255, 128}));
    auto empty = ReadCapture({});
    EXPECT_EQ(empty->Trace().m_nSampleCount, 0);
    EXPECT_EQ(empty->Trace().m_nCurveCount, 1);
    EXPECT_EQ(empty->m_nOscFormat, 0);
    // Four bytes that happen to be the magic number make an (empty) encoding-1 capture.
    EXPECT_EQ(ReadCapture(Magic(1))->m_nOscFormat, 1);
}

TEST(Capture, PrefixesCarryOverBlocksAndMayBeShared) {
    Bytes bytes = Magic(1);
    bytes.insert(bytes.end(), 4095, '\x40');  // ignored class 01: the block ends on the prefix
    bytes.push_back('\xFF');                  // prefix 63: codes 4032.. are negative
    bytes.push_back('\x3F');                  // first byte of the next block: -1
    bytes.push_back('\x80');                  // ignored class 10
    for (int i = 0; i < 5000; ++i) bytes.push_back(static_cast<char>(i % 64));  // one shared prefix
    auto doc = ReadCapture(bytes);
    // More samples than (L - 4) / 2: the array grew and kept them all.
    ASSERT_EQ(doc->Trace().m_nSampleCount, 5001);
    EXPECT_EQ(Samples(*doc, 0).at(0), -1.0f);
    EXPECT_EQ(Samples(*doc, 0).at(1), -64.0f);
    EXPECT_EQ(Samples(*doc, 0).at(5000), -64.0f + 7);
}

TEST(Capture, PairDecoderMatchesTheByteRule) {
    std::mt19937 rng(4);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> in(rng() % 300);
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<std::uint8_t>(
                rng() % 8 ? (i % 2 ? rng() & 0x3F : 0xC0 | (rng() & 0x3F)) : rng());
        V expected;
        unsigned prefix = 5;
        for (const std::uint8_t b : in) {
            if (b >> 6 == 3) prefix = b & 0x3F;
            if (b >> 6 == 0) {
                const int code = static_cast<int>(prefix << 6 | (b & 0x3F));
                expected.push_back(static_cast<float>(code >= 2048 ? code - 4096 : code));
            }
        }
        const std::size_t room = rng() % 2 ? in.size() : expected.size() / 2;
        V out(in.size() + 1);
        std::size_t produced = 0;
        unsigned carried = 5;
        const std::size_t used =
            capture::DecodePairs(in.data(), in.size(), carried, out.data(), room, produced);
        ASSERT_EQ(produced, std::min(room, expected.size()));
        ASSERT_EQ(V(out.begin(), out.begin() + static_cast<long>(produced)),
                  V(expected.begin(), expected.begin() + static_cast<long>(produced)));
        if (produced == expected.size()) {
            ASSERT_EQ(used, in.size());
        }
    }
}

TEST(Capture, EncodingSurvivesNewAndTextOpens) {
    auto doc = ReadCapture(Magic(2));
    doc->OnNewDocument();
    CMemFile text(Bytes{'x'});
    doc->ReadTextTrace(text);
    EXPECT_EQ(doc->m_nOscFormat, 2);
}

TEST(Capture, BlockEncoderMatchesTheSampleRule) {
    std::mt19937 rng(8);
    const float specials[] = {std::nanf(""), -std::nanf(""), INFINITY, -INFINITY, 2147483648.0f,
                              2147483520.0f, -2147483648.0f, -3e9f,    0.0f,      -0.0f,
                              -0.9f,         4095.9f,        -4096.5f, 1e-30f};
    std::vector<float> samples;
    for (int i = 0; i < 3000; ++i) {
        std::uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        samples.push_back(i % 3 == 0 ? specials[rng() % std::size(specials)]
                          : i % 3 == 1
                              ? f
                              : static_cast<float>(static_cast<int>(rng() % 20000) - 10000) / 3);
    }
    for (const int encoding : {0, 1, 2}) {
        std::vector<std::uint8_t> block(2 * samples.size()), expected;
        for (const float x : samples) {
            std::uint8_t b[2];
            expected.insert(expected.end(), b,
                            b + capture::EncodeSample(encoding, numtext::ToIntSaturated(x), b));
        }
        block.resize(
            capture::EncodeSamples(encoding, samples.data(), samples.size(), block.data()));
        EXPECT_EQ(block, expected) << "encoding " << encoding;
    }
}

namespace {

std::string RandomCapture(int encoding, std::size_t payload, unsigned seed) {
    std::mt19937 rng(seed);
    std::string bytes;
    if (encoding != 0) {
        const Bytes magic = Magic(encoding);
        bytes.assign(magic.begin(), magic.end());
    }
    for (std::size_t i = 0; i < payload; ++i) bytes.push_back(static_cast<char>(rng()));
    return bytes;
}

}  // namespace

// Encoding 1 is read through once at open, to count its samples and note where its pieces
// start; encodings 0 and 2 are not read at open at all.
TEST(Capture, AFileThatChangesSizeWhileIndexedIsRefusedAndTheTraceStays) {
    CTempDir dir;
    const std::string path = dir.Path("moving.osc");
    for (const bool shrink : {true, false}) {
        Put(path, RandomCapture(1, std::size_t{9} << 20, 3));
        auto doc = DocWithSamples({{1, 2, 3}});
        CFile file(path, CFile::modeRead);
        bool changed = false;
        file.m_onRead = [&](std::size_t) {
            if (changed) return;
            changed = true;
            if (shrink)
                std::filesystem::resize_file(path, 1 << 20);
            else
                Put(path, Slurp(path) + "more");
        };
        CMessageRecorder messages;
        EXPECT_FALSE(doc->ReadOscTrace(file));
        EXPECT_EQ(
            messages.m_messages,
            std::vector<std::string>{path + " changed size while it was read; it was not opened."});
        EXPECT_EQ(Samples(*doc, 0), (V{1, 2, 3}));
    }
}

TEST(Capture, AFileOfOneBlockThatGrowsWhileIndexedIsRefusedAtTheEnd) {
    CTempDir dir;
    const std::string path = dir.Path("small.osc");
    Put(path, RandomCapture(1, 1000, 4));  // far less than a block
    auto doc = DocWithSamples({{1, 2, 3}});
    CFile file(path, CFile::modeRead);
    // Told the block after its check: only the check after the last block can see this.
    file.m_onRead = [&](std::size_t) { Put(path, Slurp(path) + "more"); };
    CMessageRecorder messages;
    EXPECT_FALSE(doc->ReadOscTrace(file));
    EXPECT_EQ(
        messages.m_messages,
        std::vector<std::string>{path + " changed size while it was read; it was not opened."});
}

TEST(Capture, TwoShrinkingFilesOnOneThreadAreBothRefused) {
    CTempDir dir;
    for (int round = 0; round < 2; ++round) {
        const std::string path = dir.Path("shrinking.osc");
        Put(path, RandomCapture(1, std::size_t{9} << 20, 5));
        auto doc = DocWithSamples({{1, 2, 3}});
        CFile file(path, CFile::modeRead);
        bool shrunk = false;
        file.m_onRead = [&](std::size_t) {
            if (!std::exchange(shrunk, true)) std::filesystem::resize_file(path, 1 << 20);
        };
        CMessageRecorder messages;
        EXPECT_FALSE(doc->ReadOscTrace(file)) << round;
        EXPECT_EQ(Samples(*doc, 0), (V{1, 2, 3})) << round;
    }
}

// Bytes an encoding-1 capture skips between two samples take no memory to read past: what
// a read holds follows the samples, not the file.
TEST(Capture, IgnoredBytesBetweenSamplesTakeNoMemory) {
    const CTempDir temp("tesqv-sparse");
    const std::string path = temp.Path("gap.osc");
    {
        std::ofstream out(path, std::ios::binary);
        const std::uint32_t magic = capture::MAGIC_ENCODING_1;
        out.write(reinterpret_cast<const char*>(&magic), 4);
        out.put('\x05');  // a data byte: the first sample
        const std::string ignored(std::size_t{1} << 20, '\x80');
        for (int mb = 0; mb < 256; ++mb) out << ignored;
        out.put('\x07');
    }
    const CliRun r = Cli("info " + path + " --samples");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"samples\":[5,7]"), std::string::npos) << r.out;
    const long peak = CliPeakKb("info " + path + " --samples");
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 150 * 1024) << "kB at most in tesqv-cli";
}
