// A capture's samples read from its file a piece at a time: reads equal the whole file decoded
// by the byte rule, changes sit on top and are saved, the pyramid comes from the bytes, and a
// file that changes while open is noticed without ever mixing two versions.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "framework/core/Prompts.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/formats/capture/CaptureSource.h"
#include "trace/model/Extremes.h"
#include "trace/stats/Statistics.h"

namespace fs = std::filesystem;
using V = std::vector<float>;

namespace {

constexpr std::int64_t kPiece = CCurveSamples::kPiece;

// The byte rule of each encoding, written out for the whole file at once.
V PlainDecode(const std::string& file) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(file[i]); };
    int encoding = 0;
    if (file.size() >= 4 && byte(1) == 0xC1 && byte(2) == 0x89 && byte(3) == 0x7A)
        encoding = byte(0) == 0x97 ? 1 : byte(0) == 0x98 ? 2 : 0;
    V out;
    unsigned prefix = 0;
    for (std::size_t i = encoding == 0 ? 0 : 4; i < file.size(); ++i) {
        const std::uint8_t b = byte(i);
        if (encoding == 0) out.push_back(b);
        if (encoding == 2) out.push_back(static_cast<std::int8_t>(b));
        if (encoding == 1 && b >> 6 == 3) prefix = b & 0x3Fu;
        if (encoding == 1 && b >> 6 == 0) {
            const int code = static_cast<int>(prefix << 6 | (b & 0x3Fu));
            out.push_back(static_cast<float>(code >= 2048 ? code - 4096 : code));
        }
    }
    return out;
}

// A capture of `samples` samples: random bytes for encodings 0 and 2; for encoding 1 the
// layouts other writers use too, a prefix shared by several samples and bytes of the ignored
// classes between them.
std::string CaptureFile(int encoding, std::int64_t samples, unsigned seed) {
    std::mt19937 rng(seed);
    std::string bytes;
    if (encoding == 1) bytes = "\x97\xC1\x89\x7A";
    if (encoding == 2) bytes = "\x98\xC1\x89\x7A";
    for (std::int64_t i = 0; i < samples; ++i) {
        if (encoding != 1) {
            bytes.push_back(static_cast<char>(rng()));
            continue;
        }
        if (rng() % 3 == 0) bytes.push_back(static_cast<char>(0xC0 | (rng() & 0x3F)));
        if (rng() % 50 == 0) bytes.push_back(static_cast<char>(0x40 | (rng() & 0x7F)));
        bytes.push_back(static_cast<char>(rng() & 0x3F));
    }
    return bytes;
}

std::unique_ptr<CtesqDoc> OpenDoc(const std::string& path) {
    auto doc = std::make_unique<CtesqDoc>();
    EXPECT_TRUE(doc->OnOpenDocument(path)) << path;
    EXPECT_NE(dynamic_cast<const CCaptureSource*>(doc->Trace().m_pSamples[0].Source()), nullptr);
    return doc;
}

V Entries(const CtesqDoc& doc, std::int64_t first, std::int64_t columns) {
    V out(static_cast<std::size_t>(4 * columns));
    doc.Display(0).Entries(first, columns, out.data());
    return out;
}

bool SameBits(const V& a, const V& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// What the writer keeps of a value: truncated to a whole number, wrapped to the encoding.
float Stored(int encoding, float x) {
    const int v = std::isnan(x) ? 0 : static_cast<int>(x);
    if (encoding == 0) return static_cast<float>(v & 0xFF);
    if (encoding == 2) return static_cast<std::int8_t>(v & 0xFF);
    const int code = v & 0xFFF;
    return static_cast<float>(code >= 2048 ? code - 4096 : code);
}

// Answers Yes to the questions a save asks while it lives.
class CSayYes {
public:
    CSayYes() : m_before(SetYesNoQuestion([](const std::string&) { return true; })) {}
    ~CSayYes() { SetYesNoQuestion(m_before); }

private:
    YesNoQuestion m_before;
};

}  // namespace

// 40 pieces: more than the source keeps, and more than one chunk of the pyramid's build.
TEST(CaptureSource, ReadsEqualTheByteRuleAndThePyramidFromTheBytesThatFromTheFloats) {
    CTempDir dir;
    constexpr std::int64_t n = 40 * kPiece + 77;
    for (const int encoding : {0, 1, 2}) {
        const std::string path = dir.Path("e" + std::to_string(encoding) + ".osc");
        const std::string bytes = CaptureFile(encoding, n, 7 + encoding);
        Put(path, bytes);
        const V plain = PlainDecode(bytes);
        ASSERT_EQ(static_cast<std::int64_t>(plain.size()), n);
        auto doc = OpenDoc(path);
        ASSERT_EQ(doc->Trace().m_nSampleCount, n);
        const CCurveSamples& samples = doc->Trace().m_pSamples[0];
        EXPECT_TRUE(SameBits(Samples(*doc, 0), plain)) << encoding;

        std::mt19937 rng(3);
        for (int k = 0; k < 100; ++k) {
            const auto first = static_cast<std::int64_t>(rng() % static_cast<unsigned>(n));
            const std::int64_t count = std::min<std::int64_t>(n - first, 1 + rng() % (3 * kPiece));
            V got(static_cast<std::size_t>(count));
            samples.Read(first, count, got.data());
            ASSERT_TRUE(SameBits(got, V(plain.begin() + first, plain.begin() + first + count)))
                << encoding << " at " << first;
        }
        // Sample by sample, jumping between pieces, each border from both sides.
        for (const std::int64_t p : {39, 1, 38, 2, 20, 0, 39}) {
            for (const std::int64_t i : {p * kPiece - 1, p * kPiece, p * kPiece + kPiece - 1})
                if (i >= 0 && i < n) {
                    EXPECT_EQ(samples[static_cast<std::size_t>(i)], plain[i]);
                }
        }
        EXPECT_EQ(samples[static_cast<std::size_t>(n - 1)], plain.back());

        auto floats = DocWithSamples({plain});
        for (const std::int64_t d :
             {std::int64_t{1}, std::int64_t{16}, std::int64_t{17}, std::int64_t{255},
              std::int64_t{4096}, kPiece + 3, std::int64_t{1} << 20, 3 * kPiece, n}) {
            doc->SetDecimation(static_cast<int>(d));
            floats->SetDecimation(static_cast<int>(d));
            const std::int64_t columns = doc->DisplayLength() / 4;
            const std::int64_t from = d == 1 ? 1'000'000 : 0;
            const std::int64_t count = std::min<std::int64_t>(columns - from, 300'000);
            EXPECT_TRUE(SameBits(Entries(*doc, from, count), Entries(*floats, from, count)))
                << "encoding " << encoding << " decimation " << d;
        }
    }
}

// The extremes of a byte capture come from its bytes a piece at a time; an edited piece from
// its floats.
TEST(CaptureSource, ACurvesExtremesAreThoseOfItsSamplesWithOrWithoutChanges) {
    CTempDir dir;
    constexpr std::int64_t n = 3 * kPiece + 37;
    for (const int encoding : {0, 2}) {
        // Small positive bytes, one that is negative as a signed byte, the largest last.
        std::string bytes = encoding == 2 ? "\x98\xC1\x89\x7A" : "";
        const std::size_t payload = bytes.size();
        for (std::int64_t i = 0; i < n; ++i) bytes.push_back(static_cast<char>(0x10 + i % 7));
        bytes[payload + kPiece + 20] = '\xF0';
        bytes[payload + n - 1] = '\x40';
        const std::string path = dir.Path("x.osc");
        Put(path, bytes);
        auto doc = OpenDoc(path);
        const auto plainExtremes = [&] {
            const V s = Samples(*doc, 0);
            return std::make_pair(*std::min_element(s.begin(), s.end()),
                                  *std::max_element(s.begin(), s.end()));
        };
        float lo = 0, hi = 0;
        CurveExtremes(doc->Trace().m_pSamples[0], n, lo, hi);
        EXPECT_EQ(std::make_pair(lo, hi), plainExtremes()) << encoding;
        EXPECT_EQ(hi, encoding == 0 ? 240.0f : 64.0f);
        doc->Select(kPiece + 10, kPiece + 30);
        ASSERT_TRUE(doc->ExecuteCommand("kxb 0 0 -7"));
        CurveExtremes(doc->Trace().m_pSamples[0], n, lo, hi);
        EXPECT_EQ(std::make_pair(lo, hi), plainExtremes()) << encoding;
        EXPECT_EQ(lo, -7.0f);
    }
}

TEST(CaptureSource, ChangesOverPartsOfPiecesAreReadCountedAndSavedWithTheRest) {
    CTempDir dir;
    constexpr std::int64_t n = 3 * kPiece + 77;
    const CSayYes yes;
    for (const int encoding : {1, 2}) {
        for (const bool linked : {false, true}) {  // a hard link makes the save go in place
            const std::string path = dir.Path("kxb.osc"), saved = dir.Path("saved.osc");
            Put(path, CaptureFile(encoding, n, 11));
            if (linked) fs::create_hard_link(path, dir.Path("link.osc"));
            V expected = PlainDecode(Slurp(path));
            auto doc = OpenDoc(path);
            doc->SetDecimation(300);
            const struct {
                int first, end;
                const char* command;
                double k, b;
            } edits[] = {{kPiece - 100, 2 * kPiece + 7, "kxb 0 -1 0.5", -1, 0.5},
                         {5, 9, "kxb 0 0 1000", 0, 1000},
                         {3 * kPiece + 70, static_cast<int>(n), "kxb 0 2 0", 2, 0}};
            for (const auto& e : edits) {
                doc->Select(e.first, e.end);
                ASSERT_TRUE(doc->ExecuteCommand(e.command));
                for (int j = e.first; j < e.end; ++j)
                    expected[static_cast<std::size_t>(j)] =
                        static_cast<float>(expected[static_cast<std::size_t>(j)] * e.k + e.b);
            }
            EXPECT_TRUE(SameBits(Samples(*doc, 0), expected));
            EXPECT_EQ(doc->Trace().m_pSamples[0][static_cast<std::size_t>(kPiece - 100)],
                      expected[kPiece - 100]);
            const CurveStats stats = ComputeCurveStats(doc->Trace().m_pSamples[0], 0, n);
            const CurveStats plain = ComputeCurveStats(expected.data(), n);
            EXPECT_EQ(std::make_tuple(stats.min, stats.max, stats.mean, stats.rms),
                      std::make_tuple(plain.min, plain.max, plain.mean, plain.rms));
            auto floats = DocWithSamples({expected});
            floats->SetDecimation(300);
            EXPECT_TRUE(SameBits(Entries(*doc, 0, doc->DisplayLength() / 4),
                                 Entries(*floats, 0, floats->DisplayLength() / 4)));

            V stored = expected;
            for (float& x : stored) x = Stored(encoding, x);
            ASSERT_TRUE(doc->OnSaveDocument(saved));
            EXPECT_TRUE(SameBits(Samples(*OpenDoc(saved), 0), stored));
            // Saved: the trace reads the saved file, the changes as it stores them, and saved
            // again over the file it reads, the same.
            EXPECT_TRUE(SameBits(Samples(*doc, 0), stored));
            ASSERT_TRUE(doc->OnSaveDocument(path));
            EXPECT_FALSE(SamplesChangedOnDisk(doc->Trace()));
            EXPECT_TRUE(SameBits(Samples(*doc, 0), stored));
            auto reopened = OpenDoc(path);
            reopened->SetDecimation(300);
            EXPECT_TRUE(SameBits(Entries(*doc, 0, doc->DisplayLength() / 4),
                                 Entries(*reopened, 0, doc->DisplayLength() / 4)));
            reopened.reset();
            EXPECT_TRUE(SameBits(Samples(*OpenDoc(path), 0), stored));
            if (linked) {
                EXPECT_EQ(Slurp(dir.Path("link.osc")), Slurp(path));
            }
            doc.reset();
            fs::remove(path);
            fs::remove(dir.Path("link.osc"));
        }
    }
}

// Twice on one thread: what a thread keeps of the last piece it read belongs to one file.
TEST(CaptureSource, AFileChangedWhileOpenIsNoticedAndNeverReadAsAMixOfTwoVersions) {
    CTempDir dir;
    constexpr std::int64_t n = 4 * kPiece;
    const std::string path = dir.Path("moving.osc");
    for (int round = 0; round < 2; ++round) {
        // Old samples are below 128, new ones above: any sample of the new file shows.
        std::string old(static_cast<std::size_t>(n), '\0'), fresh(old.size(), '\xF0');
        for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>((i + round) % 128);
        for (const std::string change : {"shrunk", "grown", "replaced", "removed", "rewritten",
                                         "time set back", "chmod", "linked", "read", "relinked"}) {
            Put(path, old);
            auto doc = OpenDoc(path);
            // A piece read before the change.
            EXPECT_EQ(doc->Trace().m_pSamples[0][10], static_cast<float>(10 + round));
            EXPECT_FALSE(SamplesChangedOnDisk(doc->Trace()));
            const auto before = fs::last_write_time(path);
            if (change == "shrunk") fs::resize_file(path, static_cast<std::uintmax_t>(n / 2));
            if (change == "grown") Put(path, old + fresh);
            if (change == "replaced") {
                Put(dir.Path("new.osc"), fresh);
                fs::rename(dir.Path("new.osc"), path);
            }
            if (change == "removed") fs::remove(path);
            if (change == "time set back") {  // as cp -p or rsync -t over it do
                Put(path, fresh);
                fs::last_write_time(path, before);
            }
            // Its status changes, its bytes do not.
            if (change == "chmod")
                fs::permissions(path, fs::perms::others_read, fs::perm_options::remove);
            if (change == "linked") fs::create_hard_link(path, dir.Path("second-name"));
            if (change == "read") {  // touch -a
                const timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_OMIT}};
                ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            }
            if (change == "relinked") {  // unlinked, then rewritten through another name
                fs::create_hard_link(path, dir.Path("second-name"));
                fs::remove(path);
                Put(dir.Path("second-name"), fresh);
                fs::last_write_time(dir.Path("second-name"), before);
            }
            if (change == "rewritten") {  // same size, written within the same tick
                Put(path, fresh);
                fs::last_write_time(path, before + std::chrono::seconds(1));
            }
            // Another file under the name, or none, or the same bytes: the one opened is still
            // read, whole.
            if (change == "replaced" || change == "removed" || change == "chmod" ||
                change == "linked" || change == "read") {
                EXPECT_FALSE(SamplesChangedOnDisk(doc->Trace())) << change;
                EXPECT_EQ(Samples(*doc, 0), PlainDecode(old)) << change;
                fs::remove(dir.Path("second-name"));
                continue;
            }
            EXPECT_TRUE(SamplesChangedOnDisk(doc->Trace())) << change;
            const V now = Samples(*doc, 0);
            ASSERT_EQ(static_cast<std::int64_t>(now.size()), n);
            int mixed = 0;
            for (std::size_t i = 0; i < now.size(); ++i)
                mixed += !std::isnan(now[i]) && now[i] != static_cast<float>((i + round) % 128);
            EXPECT_EQ(mixed, 0) << change << " round " << round;
            EXPECT_TRUE(std::isnan(now.back())) << change;  // never read before the change

            const CSayYes yes;  // the gaps are not kept: saved anyway
            CMessageRecorder messages;
            EXPECT_FALSE(doc->OnSaveDocument(dir.Path("copy.osc")));
            EXPECT_FALSE(fs::exists(dir.Path("copy.osc")));
            EXPECT_EQ(messages.m_messages,
                      std::vector<std::string>{"moving.osc changed on disk since it was opened; "
                                               "nothing was saved. Reload it first."});
            fs::remove(dir.Path("second-name"));
        }
    }
}

// The samples a save writes are read as it writes them: a file written to meanwhile is caught
// by the check after the write, and the old file stays.
TEST(CaptureSource, ACaptureWrittenToDuringItsSaveIsNotSaved) {
    CTempDir dir;
    const std::string path = dir.Path("live.osc"), out = dir.Path("out.osc");
    Put(path, std::string(static_cast<std::size_t>(4 * kPiece), '\x07'));
    Put(out, "old");
    auto doc = OpenDoc(path);
    doc->Select(0, 1);
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 0 1000"));  // out of range: the save asks first
    const YesNoQuestion before = SetYesNoQuestion([&](const std::string&) {
        Put(path, std::string(static_cast<std::size_t>(4 * kPiece), '\x09'));
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(1));
        return true;
    });
    CMessageRecorder messages;
    EXPECT_FALSE(doc->OnSaveDocument(out));
    SetYesNoQuestion(before);
    // The file that changed is named, not the one saved.
    EXPECT_EQ(messages.m_messages,
              std::vector<std::string>{"live.osc changed on disk while it was saved; nothing was "
                                       "saved."});
    EXPECT_EQ(Slurp(out), "old");
}

// Trusting a saved file that is not the capture would show other samples than those saved.
TEST(CaptureSource, ASavedFileThatIsNotTheSameCaptureIsSaidAndNotReadFrom) {
    CTempDir dir;
    const std::string path = dir.Path("c.osc");
    const std::string capture = CaptureFile(2, 1000, 3);
    Put(path, capture);
    auto doc = OpenDoc(path);
    const V shown = Samples(*doc, 0);
    const std::vector<const CCaptureSource*> reading = CapturesReading(doc->Trace(), path);
    ASSERT_EQ(reading.size(), 1u);
    const struct {
        const char* name;
        std::string bytes;
    } others[] = {{"shorter.osc", CaptureFile(2, 999, 3)},
                  {"unsigned.osc", capture.substr(4)},  // the same bytes, another encoding
                  {"text.osc", "FileType QDL-RV\nCurve a\n\n1\n"},
                  {"missing.osc", ""}};
    for (const auto& other : others) {
        const std::string saved = dir.Path(other.name);
        if (!other.bytes.empty()) Put(saved, other.bytes);
        CMessageRecorder messages;
        EXPECT_FALSE(ReadSavedFile(reading, saved)) << other.name;
        ASSERT_FALSE(messages.m_messages.empty());
        EXPECT_EQ(messages.m_messages.back(),
                  saved +
                      " was saved, but its samples cannot be read back from it as they were: "
                      "reload it to see what it holds.");
        EXPECT_TRUE(SameBits(Samples(*doc, 0), shown)) << other.name;
        EXPECT_FALSE(SamplesChangedOnDisk(doc->Trace())) << other.name;
    }
}

// After Save As in the capture format the trace reads the saved file, the title's: a change of
// the old file is none of its business, a change of the new one is told by that name. Saved
// in another format, it still reads the capture, and a change of it names the capture.
TEST(CaptureSource, SaveAsACaptureReadsTheSavedFileFromThenOn) {
    CTempDir dir;
    const std::string old = dir.Path("old.osc"), saved = dir.Path("new.osc");
    Put(old, std::string(static_cast<std::size_t>(3 * kPiece), '\x07'));
    auto doc = OpenDoc(old);
    EXPECT_EQ(doc->Trace().m_pSamples[0][5], 7.0f);
    ASSERT_TRUE(doc->OnSaveDocument(saved));
    std::ofstream(old, std::ios::app) << "x";
    EXPECT_FALSE(SamplesChangedOnDisk(doc->Trace()));
    EXPECT_EQ(Samples(*doc, 0).back(), 7.0f);
    std::ofstream(saved, std::ios::app) << "x";
    EXPECT_EQ(ChangedCaptureName(doc->Trace()), "new.osc");

    Put(old, std::string(static_cast<std::size_t>(kPiece), '\x03'));
    auto other = OpenDoc(old);
    const CSayYes yes;
    ASSERT_TRUE(other->OnSaveDocument(dir.Path("as.txt")));
    std::ofstream(old, std::ios::app) << "x";
    EXPECT_EQ(ChangedCaptureName(other->Trace()), "old.osc");
}

// An unchanged capture saved in its own encoding holds its samples again, the bytes of
// encodings 0 and 2 copied as they are; nothing is asked first.
TEST(CaptureSource, AnUnchangedCaptureSavesAsItsOwnBytes) {
    CTempDir dir;
    for (const int encoding : {0, 1, 2}) {
        const std::string path = dir.Path("in.osc"), saved = dir.Path("out.osc");
        Put(path, CaptureFile(encoding, 3 * kPiece + 77, 5));
        auto doc = OpenDoc(path);
        int asked = 0;
        const YesNoQuestion before = SetYesNoQuestion([&asked](const std::string&) {
            ++asked;
            return true;
        });
        EXPECT_TRUE(doc->OnSaveDocument(saved));
        SetYesNoQuestion(before);
        EXPECT_EQ(asked, 0) << encoding;
        if (encoding == 1)  // written its own way: prefixes where they are needed
            EXPECT_TRUE(SameBits(PlainDecode(Slurp(saved)), PlainDecode(Slurp(path))));
        else
            EXPECT_TRUE(Slurp(saved) == Slurp(path)) << encoding;
    }
}
