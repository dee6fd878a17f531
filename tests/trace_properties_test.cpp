// Everything the file said about the trace is readable after the open: a scope export's long
// preamble item by item, the step and where it came from, the time of the first sample, the
// file's format and size, and the notices of the read.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/CliRun.h"
#include "tests/support/TestFiles.h"
#include "trace/document/Document.h"
#include "trace/document/TraceProperties.h"

namespace {

// Fifteen preamble items above the table, as a scope writes them.
const std::string kScopeExport =
    "Model,DSO-X 1234\nFirmware,2.01\nRecord Length,4\nSample Interval,2.0e-06\n"
    "Trigger Point,2\nTrigger Time,0\nSource,CH1\nVertical Units,V\nVertical Scale,0.5\n"
    "Vertical Offset,0\nHorizontal Units,s\nHorizontal Scale,1e-05\nPt Fmt,Y\nYzero,0\n"
    "Serial Number,C01234\nTIME,Waveform Data\n-4e-06,0.1\n-2e-06,0.2\n0,0.4\n2e-06,0.3\n";

std::string ValueOf(const std::vector<TraceProperty>& list, const std::string& name) {
    for (const TraceProperty& p : list)
        if (p.name == name) return p.value;
    return "(none)";
}

}  // namespace

TEST(TraceProperties, EveryHeaderItemTheStepItsSourceAndTheNoticesAreListed) {
    CTempDir temp;
    const std::string path = temp.Path("scope.csv");
    Put(path, kScopeExport);
    CtesqDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.SetPathName(path);  // as the application does after an open
    const std::vector<TraceProperty> list = TracePropertiesOf(doc);
    EXPECT_EQ(ValueOf(list, "File"), path);
    EXPECT_EQ(ValueOf(list, "Format"), "CSV");
    EXPECT_EQ(ValueOf(list, "Size"), std::to_string(kScopeExport.size()) + " bytes");
    EXPECT_EQ(ValueOf(list, "Curves"), "1: CH1 [V]");
    EXPECT_EQ(ValueOf(list, "Step"), "2 us");
    EXPECT_EQ(ValueOf(list, "Step from"), "the preamble's \"Sample Interval\"");
    EXPECT_EQ(ValueOf(list, "First sample at"), "-4 us");
    EXPECT_EQ(ValueOf(list, "Header: Model"), "DSO-X 1234");
    EXPECT_EQ(ValueOf(list, "Header: Serial Number"), "C01234");
    EXPECT_EQ(ValueOf(list, "Header: Record Length"), "4");
    int items = 0;
    for (const TraceProperty& p : list) items += p.name.rfind("Header: ", 0) == 0;
    EXPECT_EQ(items, 15);
    EXPECT_NE(ValueOf(list, "Notice").find("15 lines above the table became header items"),
              std::string::npos);
    EXPECT_EQ(SizeText(1536), "1536 bytes (1.5 KiB)");
    EXPECT_EQ(SizeText(3ULL << 30), "3221225472 bytes (3.0 GiB)");
}

TEST(TraceProperties, InfoPrintsTheSameFacts) {
    const std::string path = WriteTemp("scope-info.csv", kScopeExport);
    const CliRun run = Cli("info " + path);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    ASSERT_EQ(j["headerItems"].size(), 15u);
    EXPECT_EQ(j["headerItems"][14]["key"], "Serial Number");
    EXPECT_EQ(j["headerItems"][14]["value"], "C01234");
    EXPECT_EQ(j["stepSource"], "the preamble's \"Sample Interval\"");
    EXPECT_EQ(j["timeOrigin"], -4);
    EXPECT_EQ(j["format"], "CSV");
    EXPECT_EQ(j["fileSize"], kScopeExport.size());
    std::filesystem::remove(path);
}
