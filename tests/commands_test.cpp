// The command language, time labels, the Edit commands and the command-state rules.

#include <gtest/gtest.h>

#include "framework/core/MessageSink.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TraceFixtures.h"

using V = std::vector<float>;

namespace {

struct GotoView : CView {
    std::vector<long> hints;
    std::vector<int> targets;
    void OnUpdate(CView*, long hint, void* object) override {
        hints.push_back(hint);
        if (object) targets.push_back(*static_cast<int*>(object));
    }
};

// Runs a line against a three-curve trace of 30 samples valued 0..29 with samples 10..20
// selected; returns the messages shown.
struct Line {
    explicit Line(const std::string& line, int selStart = 10, int selEnd = 20) {
        V ramp(30);
        for (int i = 0; i < 30; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<float>(i);
        doc = DocWithSamples({ramp, ramp, ramp});
        doc->Select(selStart, selEnd);
        doc->AddView(&view);
        CMessageRecorder recorder;
        result = doc->ExecuteCommand(line);
        messages = recorder.m_messages;
    }
    std::unique_ptr<CtesqDoc> doc;
    GotoView view;
    bool result;
    std::vector<std::string> messages;
};

using Messages = std::vector<std::string>;

}  // namespace

TEST(ExecuteCommand, KxbRescalesTheSelectionOfOneCurve) {
    Line r("  kxb\t0   2  1 ");
    EXPECT_TRUE(r.result);
    EXPECT_TRUE(r.doc->IsModified());
    const V s = Samples(*r.doc, 0);
    ASSERT_EQ(s.size(), 30u);
    EXPECT_EQ(s[9], 9.0f);
    EXPECT_EQ(s[10], 21.0f);
    EXPECT_EQ(s[19], 39.0f);
    EXPECT_EQ(s[20], 20.0f);
    EXPECT_EQ(Samples(*r.doc, 1).at(10), 10.0f);
    EXPECT_TRUE(r.view.hints.empty());

    EXPECT_EQ(Samples(*Line("kxb 1 -1 0").doc, 1).at(15), -15.0f);
    EXPECT_EQ(Samples(*Line("kxb x 2 1").doc, 0).at(10), 21.0f);  // the curve number reads as 0
    EXPECT_EQ(Samples(*Line("kxb 0 a b").doc, 0).at(10), 0.0f);
    EXPECT_TRUE(Line("kxb 0 2 1 junk").result);
    EXPECT_TRUE(Line("kxb 2 1 0").result);
}

TEST(ExecuteCommand, EmptySelectionChangesNothingButMarksModified) {
    Line r("kxb 0 2 1", 5, 5);
    EXPECT_TRUE(r.result);
    EXPECT_TRUE(r.doc->IsModified());
    EXPECT_EQ(Samples(*r.doc, 0).at(5), 5.0f);
}

TEST(ExecuteCommand, SelectionPastTheSamplesTouchesOnlySamples) {
    Line r("kxb 0 1 100", -5, 500);
    EXPECT_TRUE(r.result);
    EXPECT_EQ(Samples(*r.doc, 0).at(0), 100.0f);
    EXPECT_EQ(Samples(*r.doc, 0).at(29), 129.0f);
}

TEST(ExecuteCommand, RejectionsAndTheirOrder) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"KXB 0 2 1", "unknow command"},
        {"Goto 5", "unknow command"},
        {"", "unknow command"},
        {"   ", "unknow command"},
        {"kxb 0 2", "Missing parameters"},
        {"goto", "Missing parameters"},
        {"kxb 9", "Missing parameters"},
        {"kxb 3 1 0", "out of range"},
        {"kxb -1 1 0", "out of range"},
        {"kxb\n0 2 1", "unknow command"},  // only spaces and tabs separate
    };
    for (const auto& c : cases) {
        Line r(c.line);
        EXPECT_FALSE(r.result) << c.line;
        EXPECT_EQ(r.messages, Messages{c.message}) << c.line;
        EXPECT_FALSE(r.doc->IsModified()) << c.line;
    }
}

TEST(ExecuteCommand, KxbOnACurveWithoutSamplesIsOutOfRange) {
    auto doc = DocWithSamples({{1, 2}}, [](CTraceData& t) { t.m_nCurveCount = 2; });
    CMessageRecorder messages;
    EXPECT_FALSE(doc->ExecuteCommand("kxb 1 2 1"));
    EXPECT_EQ(messages.m_messages, Messages{"out of range"});
}

TEST(ExecuteCommand, GotoPassesItsNumberToTheViewsUnchanged) {
    for (const auto& [line, target] :
         std::vector<std::pair<std::string, int>>{{"goto 120", 120},
                                                  {"goto abc", 0},
                                                  {"goto -5", -5},
                                                  {"goto 99999 1 2 3 4 5 6 7 8 9", 99999}}) {
        Line r(line);
        EXPECT_TRUE(r.result) << line;
        EXPECT_EQ(r.view.hints, std::vector<long>{HINT_GOTO}) << line;
        EXPECT_EQ(r.view.targets, std::vector<int>{target}) << line;
        EXPECT_FALSE(r.doc->IsModified());
    }
}

TEST(TimeLabels, MillisecondsForMicrosecondStepsElseClockTime) {
    CtesqDoc doc;
    const auto step = [&doc](double value, const char* unit) {
        CTraceData trace;
        trace.m_dblStep = value;
        trace.m_strStepUnit = unit;
        doc.TakeTrace(std::move(trace));
    };
    step(10, "us");
    EXPECT_EQ(doc.FormatTimeLabel(150), "1.50ms");
    EXPECT_EQ(doc.FormatTimeLabel(0), "0.00ms");
    // 64-bit time: a long trace at a small step does not wrap to negative times.
    EXPECT_EQ(doc.FormatTimeLabel(2000000000), "20000000.00ms");
    for (const char* unit : {"s", "US", "min"}) {
        step(1, unit);
        EXPECT_EQ(doc.FormatTimeLabel(59), "00:59");
        EXPECT_EQ(doc.FormatTimeLabel(61), "01:01");
        EXPECT_EQ(doc.FormatTimeLabel(3599), "59:59");
        EXPECT_EQ(doc.FormatTimeLabel(3600), "1:00:00");
    }
    step(10, "min");
    EXPECT_EQ(doc.FormatTimeLabel(9000), "25:00:00");
}

TEST(EditCommands, CutMarksModifiedAndCentresTheSelectionOnly) {
    Line r("goto 0");
    GotoView view;
    r.doc->AddView(&view);
    r.doc->OnEditCutPaste();
    EXPECT_TRUE(r.doc->IsModified());
    EXPECT_EQ(view.hints, std::vector<long>{HINT_SHOW_SELECTION});
    EXPECT_EQ(r.doc->DisplayLength(), 120);
    EXPECT_EQ(r.doc->SelStart(), 10);
    EXPECT_EQ(Samples(*r.doc, 0).at(10), 10.0f);
}

// Computed in double and narrowed once: 16777214.50000001 rounds up to 16777215, where in
// float 0.50000001 is already 0.5 and the tie goes to the even 16777214.
TEST(ExecuteCommand, KxbComputesInDouble) {
    auto doc = DocWithSamples({{16777214.0f}});
    doc->Select(0, 1);
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 1 0.50000001"));
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 1 -16777214"));
    EXPECT_EQ(Samples(*doc, 0).at(0), 1.0f);
}
