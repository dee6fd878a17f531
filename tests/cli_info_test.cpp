// tesqv-cli info, driven as a user runs it.

#include <gtest/gtest.h>

#include <filesystem>

#include "generated/Version.h"
#include "tests/support/CliRun.h"

TEST(CliInfo, PrintsTheTraceAsJson) {
    const std::string text =
        "FileType QDL-RV\nTitle \"q\"\\\nCurve U1 V 0 0\nStep 20 us\n\n1.5 1e39\n-0.1 nan\n";
    const std::string path = WriteTemp("t.txt", text);
    const CliRun ok = Cli("info " + path + " --samples");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(
        ok.out,
        "{\"curveCount\":2,\"sampleCount\":2,\"step\":20,\"stepUnit\":\"us\",\"oscFormat\":0,"
        "\"headerText\":\"Title:\\\"q\\\"\\\\        \","
        "\"headerItems\":[{\"key\":\"Title\",\"value\":\"\\\"q\\\"\\\\\"}],"
        "\"stepSource\":\"its Step line\",\"format\":\"text trace\",\"fileSize\":" +
            std::to_string(text.size()) +
            ",\"curves\":["
            "{\"name\":\"U1\",\"unit\":\"V\",\"bottom\":-0.1,\"top\":1.5,\"hasSamples\":true,"
            "\"min\":-0.1,\"max\":1.5,\"samples\":[1.5,-0.1]},"
            "{\"name\":\"\",\"unit\":\"\",\"bottom\":\"inf\",\"top\":\"inf\",\"hasSamples\":true,"
            "\"min\":\"inf\",\"max\":\"inf\",\"samples\":[\"inf\",\"nan\"]}]}\n");
    std::filesystem::remove(path);
}

TEST(CliInfo, FailuresGoToStderrWithStatusOne) {
    const CliRun missing = Cli("info /nonexistent/x.txt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "/nonexistent/x.txt was not found.\n");
    EXPECT_EQ(missing.out, "");
    const std::string other = WriteTemp("trace.dat", "FileType QDL-RV\n");
    const CliRun type = Cli("info " + other);
    EXPECT_EQ(type.status, 1);
    EXPECT_EQ(type.err, "tesqv-cli: " + other +
                            ": unknow file type. (.txt, .osc, .csv, .tsv, .wav, .wave)\n");
    std::filesystem::remove(other);
}

TEST(CliInfo, UsageErrorsAndHelp) {
    EXPECT_EQ(Cli("").status, 2);
    EXPECT_EQ(Cli("info").status, 2);
    EXPECT_EQ(Cli("info a.txt b.txt").status, 2);
    EXPECT_EQ(Cli("frobnicate").status, 2);
    const CliRun help = Cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("info"), std::string::npos);
    const CliRun infoHelp = Cli("info --help");
    EXPECT_EQ(infoHelp.status, 0);
    EXPECT_NE(infoHelp.out.find("--samples"), std::string::npos);
    EXPECT_EQ(Cli("--version").out, std::string("tesqv-cli ") + TESQV_VERSION + "\n");
}

TEST(CliInfo, AnOutputThatCannotBeWrittenIsAFailure) {
    const std::string trace = WriteTemp("full.txt", "FileType QDL-RV\nCurve a\n\n1\n");
    const CliRun full = Cli("info " + trace + " > /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "tesqv-cli: cannot write the output: No space left on device\n");
    std::filesystem::remove(trace);
}

TEST(CliInfo, OptionsEndAtDoubleDashAndUnknownOnesAreNamed) {
    const CTempDir temp("tesqv-dash");
    Put(temp.Path("-x.txt"), "FileType QDL-RV\nCurve a\n\n1\n");
    const CliRun r = CliAfter("cd " + temp.Path().string(), "info -- -x.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    const CliRun bogus = Cli("convert a.txt b.txt --bogus");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_NE(bogus.err.find("--bogus"), std::string::npos);
    EXPECT_EQ(bogus.err.find("needs a value"), std::string::npos);
}

TEST(CliInfo, WhatTheReaderGuessedIsAFieldAndGoesToStderr) {
    const std::string path =
        WriteTemp("scope.csv", "Model,DSO\nTime,CH1,CH2\n0,1,2\n1,3,4\n2,5,6\n");
    const CliRun r = Cli("info " + path + " --curves CH2");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string note =
        "-scope.csv: 1 line above the table became header items; the time column \\\"Time\\\" was "
        "taken to count seconds, as it names no unit; the step of 1 s comes from the time column "
        "\\\"Time\\\"; the curves chosen leave out \\\"CH1\\\".";
    EXPECT_NE(r.out.find(note + "\"]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"notes\":["), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"curveCount\":1"), std::string::npos);
    EXPECT_NE(r.err.find("the curves chosen leave out"), std::string::npos) << r.err;
    EXPECT_EQ(Cli("info " + path + " --curves 7").status, 1);  // no such column
    std::filesystem::remove(path);
}
