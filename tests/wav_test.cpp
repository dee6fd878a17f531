// WAV files of every sample format, read through the document against libsndfile's own
// reading of the same file.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/CliRun.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/document/Document.h"

namespace {

constexpr int kChannels = 10, kFrames = 3000, kRate = 48000;

// A file of `channels` channels of noise in `format`.
void WriteWav(const std::string& path, int format, int channels = kChannels,
              int major = SF_FORMAT_WAV) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = channels;
    info.format = major | format;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    std::mt19937 rng(static_cast<unsigned>(format));
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> frames(static_cast<std::size_t>(kFrames * channels));
    for (double& x : frames) x = noise(rng);
    ASSERT_EQ(sf_writef_double(sf, frames.data(), kFrames), kFrames);
    sf_close(sf);
}

// Channel c as libsndfile reads it.
std::vector<float> Channel(const std::string& path, int c) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(sf, frames.data(), info.frames);
    sf_close(sf);
    std::vector<float> out;
    for (sf_count_t f = 0; f < info.frames; ++f)
        out.push_back(frames[static_cast<std::size_t>(f * info.channels + c)]);
    return out;
}

}  // namespace

// Every PCM width and float is read in place, a channel from the file as it is shown, sample
// for sample as libsndfile reads it, at any channel count.
TEST(Wav, EveryFormatReadsAsLibsndfileReadsIt) {
    const CTempDir temp("tesqv-wav");
    // RF64, the WAV of more than 4 GB, as well.
    for (const auto& [channels, major] : {std::pair{1, SF_FORMAT_WAV},
                                          {3, SF_FORMAT_WAV},
                                          {8, SF_FORMAT_WAV},
                                          {2, SF_FORMAT_RF64}}) {
        const std::string path = temp.Path("c.wav");
        for (const int format : {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24,
                                 SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE}) {
            WriteWav(path, format, channels, major);
            CtesqDoc doc;
            CMessageRecorder messages;
            ASSERT_TRUE(doc.OnOpenDocument(path)) << format;
            ASSERT_EQ(doc.Trace().m_nSampleCount, kFrames);
            EXPECT_TRUE(messages.m_messages.empty()) << messages.m_messages[0];
            ASSERT_EQ(doc.Trace().m_nCurveCount, channels);
            for (int c = 0; c < channels; ++c) {
                EXPECT_NE(doc.Trace().m_pSamples[c].Source(), nullptr);  // not read whole
                EXPECT_EQ(Samples(doc, c), Channel(path, c)) << format << " " << c;
            }
        }
    }
    for (const int format : {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                             SF_FORMAT_FLOAT}) {
        const std::string path = temp.Path("noise.WAV");
        WriteWav(path, format);
        CtesqDoc doc;
        CMessageRecorder messages;
        ASSERT_TRUE(doc.OnOpenDocument(path)) << format;
        ASSERT_EQ(doc.Trace().m_nCurveCount, 8);
        ASSERT_EQ(doc.Trace().m_nSampleCount, kFrames);
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(Samples(doc, c), Channel(path, c)) << format << " " << c;
        EXPECT_EQ(doc.Trace().m_strCurveName[7], "channel 8");
        EXPECT_EQ(doc.Trace().m_fCurveBottom[0], -1.0f);
        EXPECT_EQ(doc.Trace().m_fCurveTop[0], 1.0f);
        EXPECT_EQ(doc.Trace().m_strStepUnit, "us");
        EXPECT_NEAR(doc.Trace().m_dblStep, 1e6 / kRate, 1e-9);
        EXPECT_EQ(
            messages.m_messages,
            std::vector<std::string>{
                "noise.WAV: a trace holds 8 curves at most: channels 9 to 10 were left out."});
    }
}

TEST(Wav, ChannelsAreChosenByNameOrNumberAndOtherFilesAreRefused) {
    const CTempDir temp("tesqv-wav-choice");
    const std::string path = temp.Path("noise.wav");
    WriteWav(path, SF_FORMAT_PCM_16);
    CtesqDoc doc;
    doc.m_curvesToRead = {"channel 10", "2"};
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_EQ(doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(Samples(doc, 0), Channel(path, 9));
    EXPECT_EQ(Samples(doc, 1), Channel(path, 2));

    Put(temp.Path("text.wav"), "FileType QDL-RV\nCurve a\n\n1\n");
    CtesqDoc other;
    CMessageRecorder messages;
    EXPECT_FALSE(other.OnOpenDocument(temp.Path("text.wav")));
    ASSERT_EQ(messages.m_messages.size(), 1u);
    EXPECT_EQ(messages.m_messages[0].rfind("text.wav could not be read as a WAV file: ", 0), 0u);
}

// A header that claims far more frames than the file holds costs the memory of what it holds,
// in a compressed stream too (whose frames are not counted by bytes).
TEST(Wav, MemoryFollowsTheFramesTheFileHoldsNotItsClaim) {
    const CTempDir temp("tesqv-wav-claim");
    const std::string flac = temp.Path("claims.wav");
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(flac.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    std::vector<float> silence(2 * 400, 0.0f);
    ASSERT_EQ(sf_writef_float(sf, silence.data(), 400), 400);
    sf_close(sf);
    // The stream's header says how many frames it holds: 2^31 - 10, it now claims.
    std::string bytes = Slurp(flac);
    const std::size_t info_at = bytes.find("fLaC") + 8;  // STREAMINFO's body
    ASSERT_LT(info_at + 18, bytes.size());
    const std::uint64_t claim = (std::uint64_t{1} << 31) - 10;
    bytes[info_at + 13] = static_cast<char>((bytes[info_at + 13] & 0xF0) | ((claim >> 32) & 0x0F));
    for (int k = 0; k < 4; ++k)
        bytes[info_at + 14 + k] = static_cast<char>((claim >> (24 - 8 * k)) & 0xFF);
    Put(flac, bytes);
    const CliRun r = Cli("info " + flac);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"sampleCount\":400"), std::string::npos) << r.out;
    const long peak = CliPeakKb("info " + flac);
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 150 * 1024) << "kB at most in tesqv-cli";
}

// An RF64 file past 4 GB: the data chunk's size is the 64-bit one its ds64 chunk gives. The
// file is sparse, its frames past the first written ones zeros.
TEST(Wav, AnRf64PastFourGigabytesHoldsTheFramesItsDs64ChunkGives) {
    const CTempDir temp("tesqv-wav-rf64");
    const std::string path = temp.Path("long.wav");
    WriteWav(path, SF_FORMAT_PCM_24, 2, SF_FORMAT_RF64);
    const std::vector<float> written = Channel(path, 1);
    std::string bytes = Slurp(path);
    const std::size_t ds64 = bytes.find("ds64"), data = bytes.find("data");
    ASSERT_NE(ds64, std::string::npos);
    ASSERT_NE(data, std::string::npos);
    const std::uint64_t size = (std::uint64_t{1} << 32) + 6 * kFrames;
    for (int k = 0; k < 8; ++k) bytes[ds64 + 16 + k] = static_cast<char>(size >> (8 * k) & 0xFF);
    bytes.resize(data + 8 + 6 * kFrames);
    Put(path, bytes);
    std::filesystem::resize_file(path, data + 8 + size);
    CtesqDoc doc;
    doc.m_bDisplayOnOpen = false;
    CMessageRecorder messages;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(messages.m_messages.empty()) << messages.m_messages[0];
    ASSERT_EQ(doc.Trace().m_nSampleCount, static_cast<int>(size / 6));
    const CCurveSamples& right = doc.Trace().m_pSamples[1];
    for (const int i : {0, 1, kFrames - 1}) EXPECT_EQ(right[i], written[i]) << i;
    EXPECT_EQ(right[static_cast<std::size_t>(size / 6 - 1)], 0.0f);
}
