// tesqv-cli convert, driven as a user runs it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/CliRun.h"

namespace fs = std::filesystem;

TEST(CliConvert, TextToCaptureAndBackWithExactBytes) {
    const CTempDir temp("tesqv-convert");
    const fs::path& dir = temp.Path();
    const std::string in = temp.Path("in.txt");
    Put(in, "FileType QDL-RV\nCurve a V 0 0\nCurve b V 0 0\n\n1 5\n2.9 6\n300 7\n-1 8\n");
    // No extension: Save As makes it a capture.
    CliRun r =
        Cli("convert " + in + " " + (dir / "out").string() + " --select 1:3 --command 'kxb 0 2 1'");
    ASSERT_EQ(r.status, 0) << r.err;
    // What the capture cannot keep is a warning, not a question nobody answers; the save goes
    // on.
    EXPECT_EQ(r.err, "tesqv-cli: " + (dir / "out").string() +
                         ": In the capture format only curve 0 is kept, as whole numbers from 0 "
                         "to 255; 1 other curve and 2 samples out of range will not be kept. "
                         "1 sample with a fraction will be cut to its whole part.\n");
    EXPECT_EQ(Slurp((dir / "out.osc").string()), std::string("\x01\x06\x59\xFF", 4));
    r = Cli("convert " + (dir / "out.osc").string() + " " + (dir / "back.txt").string() +
            " --columns");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp((dir / "back.txt").string()), "1 \r\n6 \r\n89 \r\n255 \r\n");

    // A failing command: its message with the command, status 1, and the output file as it
    // was.
    r = Cli("convert " + in + " " + (dir / "back.txt").string() + " --command 'kxb 5 1 1'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tesqv-cli: \"kxb 5 1 1\": out of range\n");
    EXPECT_EQ(Slurp((dir / "back.txt").string()), "1 \r\n6 \r\n89 \r\n255 \r\n");
    EXPECT_EQ(Cli("convert " + in).status, 2);
    EXPECT_EQ(Cli("convert " + in + " x.txt --select 3:1").status, 2);
    EXPECT_EQ(Cli("convert " + in + " x.osc --columns").status, 2);
}

TEST(CliConvert, EveryCommandFindsTheFormatWhateverTheExtensionsCase) {
    const CTempDir temp("tesqv-convert-case");
    const std::string in = temp.Path("in.txt"), capture = temp.Path("out.OSC");
    Put(in, "FileType QDL-RV\nCurve a V 0 0\n\n1\n2\n");
    ASSERT_EQ(Cli("convert " + in + " " + capture).status, 0);
    const CliRun info = Cli("info " + capture);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\"sampleCount\":2,"), std::string::npos) << info.out;
    EXPECT_EQ(Cli("stats " + capture).status, 0);
    const CliRun columns = Cli("convert " + capture + " " + temp.Path("cols.Txt") + " --columns");
    ASSERT_EQ(columns.status, 0) << columns.err;
    EXPECT_EQ(Slurp(temp.Path("cols.Txt")), "1 \r\n2 \r\n");
}

TEST(CliConvert, OutMustNameAFile) {
    const CTempDir temp("tesqv-convert-out");
    const std::string in = temp.Path("in.txt");
    Put(in, "FileType QDL-RV\nCurve a\n\n1\n");
    for (const std::string& out : {temp.Path("") + "/", std::string("''"), temp.Path("")}) {
        const CliRun r = Cli("convert " + in + " " + out);
        EXPECT_EQ(r.status, 2) << out;
        EXPECT_NE(r.err.find("OUT must name a file"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp.Path(".osc")));
}

TEST(CliConvert, MessagesSayWhatTheyAreAbout) {
    const CTempDir temp("tesqv-convert-say");
    const std::string in = temp.Path("in.txt");
    Put(in, "FileType QDL-RV\nCurve a\n\n1\n");
    // The file and what would have worked; a format that is only read is no choice for OUT.
    for (const char* out : {"out.xyz", "out.tsv"}) {
        const CliRun r = Cli("convert " + in + " " + temp.Path(out));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err,
                  "tesqv-cli: " + temp.Path(out) + ": unknow file type. (.txt, .osc, .csv)\n");
    }
    const CliRun missing = Cli("convert " + in + " " + temp.Path("o.txt") + " --command goto");
    EXPECT_EQ(missing.err, "tesqv-cli: \"goto\": Missing parameters\n");
    // A folder that exists but takes no new file is not a missing one.
    EXPECT_EQ(Cli("convert " + in + " /proc/o.txt").err,
              "The folder of /proc/o.txt cannot be written.\n");
    EXPECT_EQ(Cli("convert " + in + " " + temp.Path("gone/o.txt")).err,
              "The folder of " + temp.Path("gone/o.txt") + " does not exist.\n");
    const CliRun bogus = Cli("bogus " + in);
    EXPECT_EQ(bogus.status, 2);
    EXPECT_NE(bogus.err.find("unknown subcommand \"bogus\" (there are info, convert, stats"),
              std::string::npos)
        << bogus.err;
    const CliRun past = Cli("stats " + in + " --select 0:2147483648");
    EXPECT_EQ(past.status, 2);
    EXPECT_NE(past.err.find("B <= 2147483647"), std::string::npos) << past.err;
}

TEST(CliConvert, ColumnsOfACaptureWrittenToWhileReadAreNotWritten) {
    const CTempDir temp("tesqv-convert-changed");
    const std::string in = temp.Path("in.osc"), outDir = temp.Path("out");
    const std::string out = outDir + "/o.txt";
    fs::create_directory(outDir);
    // Samples are read from the capture as the columns are written: a watcher appends to it
    // once the output's temporary file shows, between the open and the end of the write
    // (about half a second here). It stops when the output is there: it came too late.
    const std::string watcher = "(i=0; while [ $i -lt 200000 ] && [ ! -e " + out +
                                " ]; do i=$((i+1)); for f in " + outDir +
                                "/.tesqv-*; do [ -e \"$f\" ] && { printf x >> " + in +
                                "; exit; }; done; done) >/dev/null 2>&1 & :";
    CliRun r{};
    // A machine too busy to run the watcher in time gets another try.
    for (int attempt = 0; attempt < 3 && r.status != 1; ++attempt) {
        Put(in, std::string(std::size_t{512} << 10, '\x05'));
        fs::remove(out);
        r = CliAfter(watcher, "convert " + in + " " + out + " --columns");
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, in + " changed while it was read; nothing was written.\n");
    EXPECT_TRUE(fs::is_empty(outDir));
}

// Refusals say what stood in the way: OUT that is IN under another name, a link loop, gaps a
// capture cannot keep.
TEST(CliConvert, RefusalsNameWhatStoodInTheWay) {
    const CTempDir temp("tesqv-convert-refusals");
    const std::string in = temp.Path("in.osc");
    Put(in, std::string(4000, '\x05'));
    fs::create_hard_link(in, temp.Path("same.txt"));
    const CliRun same = Cli("convert " + in + " " + temp.Path("same.txt"));
    EXPECT_EQ(same.status, 1);
    EXPECT_EQ(same.err,
              "tesqv-cli: OUT is the same file as IN (" + in + "); nothing was written.\n");
    EXPECT_EQ(Slurp(in), std::string(4000, '\x05'));

    fs::create_symlink(temp.Path("b.txt"), temp.Path("a.txt"));
    fs::create_symlink(temp.Path("a.txt"), temp.Path("b.txt"));
    const CliRun loop = Cli("convert " + in + " " + temp.Path("a.txt"));
    EXPECT_EQ(loop.status, 1);
    EXPECT_EQ(loop.err, temp.Path("a.txt") + " contains an invalid path.\n");

    // A gap is said as a gap, not as a sample out of range.
    Put(temp.Path("gaps.txt"), "FileType QDL-RV\nCurve a\n\n1\nnan\n300\n");
    const CliRun gaps = Cli("convert " + temp.Path("gaps.txt") + " " + temp.Path("g.osc"));
    EXPECT_NE(gaps.err.find("0 other curves, 1 gap (missing sample) and 1 sample out of range"),
              std::string::npos)
        << gaps.err;
}
