// Image export in three formats, and reloading the current file by hand and as it grows.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/BackgroundOpen.h"
#include "app/LongWorkRunner.h"
#include "app/MainFrame.h"
#include "app/tesqApp.h"
#include "framework/core/File.h"
#include "framework/core/Prompts.h"
#include "framework/gui/QtText.h"
#include "ids/CommandIds.h"
#include "tests/gui/Pictures.h"
#include "tests/gui/WaitFor.h"
#include "tests/support/CliRun.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "view/ViewExport.h"
#include "view/tesqView.h"

namespace {

std::string Rows(int from, int to) {
    std::string text;
    for (int j = from; j < to; ++j)
        text += std::to_string(j % 97) + " " + std::to_string(j % 13) + "\n";
    return text;
}

const std::string kHeader = "FileType QDL-RV\nCurve a V 0 100\nCurve b A 0 20\n\n";

// A 640 x 360 view of a 3000-row trace read from a file in a folder of its own.
struct ExportScene {
    explicit ExportScene(const char* tag) : temp(tag), trace(temp.Path("t.txt")) {
        Put(trace, kHeader + Rows(0, 3000));
        EXPECT_TRUE(doc.OnOpenDocument(trace));
        view.AttachOffscreen(&doc, 640, 360);
        view.OnInitialUpdate();
    }
    CTempDir temp;
    std::string trace;
    CtesqDoc doc;
    CtesqView view;
};

}  // namespace

TEST(ExportImage, PngSvgAndPdfOfTheViewAndPngAsRenderWritesIt) {
    ExportScene s("tesqv-export");
    s.view.SetScrollPos(500);
    for (const char* name : {"v.png", "v.svg", "v.pdf"})
        ASSERT_TRUE(ExportViewImage(s.view, s.temp.Path(name))) << name;

    const QImage png(ToQString(s.temp.Path("v.png")));
    EXPECT_EQ(png.size(), QSize(640, 360));
    QSvgRenderer svg(ToQString(s.temp.Path("v.svg")));
    EXPECT_TRUE(svg.isValid());
    EXPECT_NE(Slurp(s.temp.Path("v.svg")).find("<text"), std::string::npos);  // text stays text
    const std::string pdf = Slurp(s.temp.Path("v.pdf"));
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("/Count 1"), std::string::npos);  // one page
    // As large as the window at 96 pixels to the inch: 640 x 360 pixels are 480 x 270 points.
    EXPECT_NE(pdf.find("/MediaBox [0 0 480"), std::string::npos);

    const CliRun r =
        Cli("render " + s.trace + " " + s.temp.Path("r.png") + " --size 640x360 --scroll 500");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(QImage(ToQString(s.temp.Path("r.png"))), png);
    EXPECT_EQ(Cli("render " + s.trace + " " + s.temp.Path("r.svg")).status, 0);
    EXPECT_TRUE(QSvgRenderer(ToQString(s.temp.Path("r.svg"))).isValid());
}

TEST(ExportImage, AnSvgShowsWhatThePngShowsAtTheWindowsSize) {
    ExportScene s("tesqv-export-svg");
    s.doc.Select(100, 400);
    for (const char* name : {"v.png", "v.svg"})
        ASSERT_TRUE(ExportViewImage(s.view, s.temp.Path(name))) << name;
    // Declared as wide as the window at 96 pixels to the inch.
    const std::string svg = Slurp(s.temp.Path("v.svg"));
    const auto at = svg.find("width=\"") + 7;
    EXPECT_NEAR(std::stod(svg.substr(at, svg.find("mm", at) - at)) / 25.4 * 96, 640, 0.5);
    // Drawn back to pixels it is the PNG but for the edges of lines and letters.
    const QImage png(ToQString(s.temp.Path("v.png")));
    QImage drawn(png.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        QSvgRenderer(ToQString(s.temp.Path("v.svg"))).render(&painter);
    }
    EXPECT_LT(DifferingShare(drawn, png, 96), 0.01);
    // The selection band is solid, also when a viewer zooms: no seams between its columns.
    QImage zoomed(png.size() * 3 / 2, QImage::Format_RGB32);
    zoomed.fill(Qt::white);
    {
        QPainter painter(&zoomed);
        painter.setRenderHint(QPainter::Antialiasing);
        QSvgRenderer(ToQString(s.temp.Path("v.svg"))).render(&painter);
    }
    const QColor band = png.pixelColor(150, 200);
    int seams = 0;
    for (int x = 101; x < 399; ++x) {
        const bool clear = png.pixelColor(x - 1, 200) == band && png.pixelColor(x, 200) == band &&
                           png.pixelColor(x + 1, 200) == band;  // no curve or grid near
        seams += clear && std::abs(zoomed.pixelColor(x * 3 / 2, 300).red() - band.red()) > 2;
    }
    EXPECT_EQ(seams, 0);
}

TEST(Reload, KeepsZoomPositionSelectionAndHiddenCurves) {
    const CTempDir temp("tesqv-reload");
    const std::string trace = temp.Path("grow.txt");
    Put(trace, kHeader + Rows(0, 20000));
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", trace}));
    CtesqDoc& doc = app.GetDocument();
    CtesqView* view = app.GetMainWnd()->GetActiveView();
    view->OnZoomOut();
    doc.Select(100, 200);
    doc.SetCurveHidden(1, true);
    view->SetScrollPos(300);
    Put(trace, kHeader + Rows(0, 30000));
    app.OnFileReload();
    app.Opener().Wait();
    EXPECT_EQ(doc.Trace().m_nSampleCount, 30000);
    EXPECT_EQ(doc.Decimation(), 2);
    EXPECT_EQ(doc.SelEnd(), 200);
    EXPECT_EQ(doc.IsCurveHidden(1), 1);
    EXPECT_EQ(view->GetScrollPosition(), 300);

    // Unsaved changes are asked about first (saving would write over the new rows): No keeps
    // them, Yes lets them go.
    doc.SetModifiedFlag(true);
    bool discard = false;
    std::string asked;
    SetYesNoQuestion([&](const std::string& text) {
        asked = text;
        return discard;
    });
    Put(trace, kHeader + Rows(0, 10));
    app.OnFileReload();
    app.Opener().Wait();
    EXPECT_EQ(doc.Trace().m_nSampleCount, 30000);
    EXPECT_EQ(asked, "Discard the changes to grow.txt and read it again from disk?");
    discard = true;
    app.OnFileReload();
    app.Opener().Wait();
    SetYesNoQuestion({});
    EXPECT_EQ(doc.Trace().m_nSampleCount, 10);
    EXPECT_FALSE(doc.IsModified());
}

TEST(Reload, AWatchedFileIsFollowedAsItGrows) {
    const CTempDir temp("tesqv-follow");
    const std::string trace = temp.Path("rec.txt");
    Put(trace, kHeader + Rows(0, 5000));
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", trace}));
    app.SetAutoReload(true);
    CtesqView* view = app.GetMainWnd()->GetActiveView();
    view->SetScrollPos(1 << 30);  // at the end
    {
        std::ofstream more(trace, std::ios::app);
        more << Rows(5000, 9000);
    }
    // Waits only as long as the change takes to arrive (the bound is for a machine that is
    // very busy, never a pause the test depends on).
    ASSERT_TRUE(WaitFor([&] { return app.GetDocument().Trace().m_nSampleCount == 9000; }));
    EXPECT_EQ(view->GetScrollPosition(), view->horizontalScrollBar()->maximum());

    // Gone for a while and written anew: still followed, and nothing asked meanwhile.
    CMessageRecorder messages;
    // The removal and the new file arrive in that order, however late they are handled.
    std::filesystem::remove(trace);
    Put(trace, kHeader + Rows(0, 12000));
    EXPECT_TRUE(WaitFor([&] { return app.GetDocument().Trace().m_nSampleCount == 12000; }));
    EXPECT_TRUE(messages.m_messages.empty());
    app.SetAutoReload(false);
}

TEST(Reload, AFollowedFileEmptiedOrRemovedKeepsTheLastTraceShown) {
    const CTempDir temp("tesqv-follow-gone");
    const std::string trace = temp.Path("rec.txt");
    Put(trace, kHeader + Rows(0, 5000));
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", trace}));
    app.SetAutoReload(true);
    CtesqDoc& doc = app.GetDocument();
    app.GetMainWnd()->GetActiveView()->OnZoomIn();
    doc.Select(10, 20);
    const int decimation = doc.Decimation();
    QStatusBar* bar = app.GetMainWnd()->statusBar();
    const auto said = [bar](const char* text) {
        return WaitFor([&] { return bar->currentMessage().contains(QLatin1String(text)); });
    };
    CMessageRecorder messages;
    for (int round = 0; round < 2; ++round) {  // the second time too, after samples came back
        Put(trace, "");
        EXPECT_TRUE(said("rec.txt holds no samples now; the last trace read stays shown."));
        bar->clearMessage();
        std::filesystem::remove(trace);
        EXPECT_TRUE(said("rec.txt is gone; the last trace read stays shown."));
        EXPECT_EQ(doc.Trace().m_nSampleCount, 5000 + round);
        EXPECT_EQ(doc.Decimation(), decimation);
        EXPECT_EQ(doc.SelEnd(), 20);
        Put(trace, kHeader + Rows(0, 5001 + round));
        EXPECT_TRUE(WaitFor([&] { return doc.Trace().m_nSampleCount == 5001 + round; }));
        EXPECT_EQ(doc.SelEnd(), 20);
        // Back: what was said of it is no longer so.
        EXPECT_FALSE(bar->currentMessage().contains(QLatin1String("gone"))) << round;
    }
    // What a read said is cleared by the next read that works.
    Put(trace, "");
    EXPECT_TRUE(said("rec.txt holds no samples now"));
    Put(trace, kHeader + Rows(0, 5003));
    EXPECT_TRUE(WaitFor([&] { return doc.Trace().m_nSampleCount == 5003; }));
    EXPECT_FALSE(bar->currentMessage().contains(QLatin1String("no samples")));
    EXPECT_TRUE(messages.m_messages.empty());
    app.SetAutoReload(false);
}

namespace {

// A 20 MB text trace.
std::string LargeTrace(const CTempDir& temp) {
    const std::string path = temp.Path("large.txt");
    std::ofstream out(path, std::ios::binary);
    out << kHeader;
    for (int block = 0; block < 80; ++block) out << Rows(block * 10000, block * 10000 + 10000);
    return path;
}

struct OpenApp {
    explicit OpenApp(const CTempDir& temp) {
        small = temp.Path("small.txt");
        Put(small, kHeader + "1 2\n3 4\n");
        EXPECT_TRUE(app.InitInstance({"tesqv", small}));
    }
    void ExpectTheSmallTraceIsStillThere() {
        CtesqDoc& doc = app.GetDocument();
        EXPECT_FALSE(doc.IsBusy());
        EXPECT_EQ(doc.Trace().m_nSampleCount, 2);
        EXPECT_EQ(doc.Trace().m_pSamples[1][1], 4.0f);
        EXPECT_EQ(doc.GetPathName(), small);
        EXPECT_EQ(app.GetMainWnd()->windowTitle(), QStringLiteral("osc - small.txt"));
    }
    std::string small;
    CtesqApp app;
};

}  // namespace

TEST(BackgroundOpen, ACancelMidwayKeepsTheOpenTrace) {
    const CTempDir temp("tesqv-bg");
    OpenApp o(temp);
    const std::string large = LargeTrace(temp);
    std::size_t seen = 0;
    o.app.OpenInBackground(large, {}, [&](std::size_t n) {
        if ((seen += n) > 4'000'000) o.app.Opener().Cancel();
    });
    EXPECT_TRUE(o.app.GetDocument().IsBusy());
    EXPECT_FALSE(o.app.GetMainWnd()->Router().IsEnabled(ID_FILE_OPEN));  // closed meanwhile
    EXPECT_FALSE(o.app.GetDocument().ExecuteCommand("kxb 0 2 0"));
    o.app.Opener().Wait();
    EXPECT_LT(seen, 6'000'000u);  // stopped within a block or two
    o.ExpectTheSmallTraceIsStillThere();
    EXPECT_TRUE(o.app.GetMainWnd()->Router().IsEnabled(ID_FILE_OPEN));
}

TEST(BackgroundOpen, AReadErrorMidwayIsShownAndKeepsTheOpenTrace) {
    const CTempDir temp("tesqv-bg");
    OpenApp o(temp);
    const std::string large = LargeTrace(temp);
    CMessageRecorder messages;
    std::size_t seen = 0;
    o.app.OpenInBackground(large, {}, [&](std::size_t n) {
        if ((seen += n) > 3'000'000)
            throw CFileException(CFileException::genericException, 5, large);
    });
    o.app.Opener().Wait();
    EXPECT_EQ(
        messages.m_messages,
        std::vector<std::string>{"An unexpected error occurred while accessing " + large + "."});
    o.ExpectTheSmallTraceIsStillThere();
}

TEST(BackgroundOpen, TheWindowKeepsRunningWhileAFileIsRead) {
    const CTempDir temp("tesqv-bg");
    OpenApp o(temp);
    const std::string large = LargeTrace(temp);
    std::atomic<int> ticks{0};
    bool done = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    // The read holds its first block until the window's timer has ticked three times: a
    // window that waited for the read would never tick, and the read would give up waiting.
    bool held = false;
    o.app.OpenInBackground(
        large, [&] { done = true; },
        [&ticks, &held](std::size_t) {
            if (held) return;
            held = true;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (ticks < 3 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    ASSERT_TRUE(WaitFor([&] { return done; }));
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(o.app.GetDocument().Trace().m_nSampleCount, 800000);
    EXPECT_EQ(o.app.GetMainWnd()->windowTitle(), QStringLiteral("osc - large.txt"));
    // The display copies built on the reading thread came along and show what copies built
    // here show.
    CtesqDoc here;
    ASSERT_TRUE(here.ReadTraceFile(large));
    for (CtesqDoc* doc : {&o.app.GetDocument(), &here}) doc->SetDecimation(37);
    const auto entries = [](const CtesqDoc& doc, int curve) {
        std::vector<float> v(static_cast<std::size_t>(doc.DisplayLength()));
        doc.Display(curve).Entries(0, doc.DisplayLength() / 4, v.data());
        return v;
    };
    for (int curve = 0; curve < 2; ++curve)
        EXPECT_EQ(entries(o.app.GetDocument(), curve), entries(here, curve));
}

namespace {

// Lowers the length from which a trace shows before its columns are built, while it lives.
struct ShowFirstFrom {
    explicit ShowFirstFrom(std::int64_t samples) { CBackgroundOpen::s_nShowFirstFrom = samples; }
    ~ShowFirstFrom() { CBackgroundOpen::s_nShowFirstFrom = m_before; }
    std::int64_t m_before = CBackgroundOpen::s_nShowFirstFrom;
};

// A capture of three chunks of the columns' build, sample j being j * 7 % 251.
std::string LongCapture(const std::string& path) {
    std::string bytes(std::size_t{3} << 20, '\0');
    for (std::size_t j = 0; j < bytes.size(); ++j) bytes[j] = static_cast<char>(j * 7 % 251);
    Put(path, bytes);
    return bytes;
}

// Holds the build of a trace shown first at its first step until released.
struct HeldBuild {
    explicit HeldBuild(CBackgroundOpen& open) : m_open(open) {
        open.m_onBuildStep = [this] {
            reached = true;
            while (!release) std::this_thread::yield();
        };
    }
    ~HeldBuild() {
        release = true;  // also when a test stopped early
        m_open.Wait();
        m_open.m_onBuildStep = {};
    }
    CBackgroundOpen& m_open;
    std::atomic<bool> release{false}, reached{false};
};

}  // namespace

// A long capture shows at one sample a column as soon as its file is checked, while its
// columns are built. A cancel meanwhile goes back to the trace before, and so does a change
// of the file, said. Once built, it shows what a capture opened at once shows.
TEST(BackgroundOpen, ALongCaptureShowsWhileItsColumnsAreBuilt) {
    const CTempDir temp("tesqv-bg");
    OpenApp o(temp);
    const ShowFirstFrom lowered(1000);
    const std::string capture = temp.Path("long.osc");
    const std::string bytes = LongCapture(capture);
    CBackgroundOpen& open = o.app.Opener();
    CtesqDoc& doc = o.app.GetDocument();
    // Cancelled before the window had a turn to show it: never shown at all.
    {
        HeldBuild held(open);
        bool shown = false;
        o.app.OpenInBackground(capture, [&] { shown = true; });
        while (!held.reached) std::this_thread::yield();
        open.Cancel();
        held.release = true;
        open.Wait();
        EXPECT_FALSE(shown);
        o.ExpectTheSmallTraceIsStillThere();
    }
    for (const bool cancel : {true, false}) {
        HeldBuild held(open);
        o.app.OpenInBackground(capture);
        ASSERT_TRUE(WaitFor([&] { return doc.GetPathName() == capture; }));
        EXPECT_TRUE(doc.IsBusy());
        EXPECT_EQ(doc.Trace().m_nSampleCount, 3 << 20);
        EXPECT_EQ(doc.Display(0)[4 * 1000], 1000.0f * 7 - 251 * 27);
        EXPECT_EQ(o.app.GetMainWnd()->windowTitle(), QStringLiteral("osc - long.osc"));
        EXPECT_FALSE(o.app.GetMainWnd()->Router().IsEnabled(ID_ZOOM_OUT));
        CMessageRecorder messages;
        if (cancel)
            open.Cancel();
        else
            Put(capture, bytes + "x");
        held.release = true;
        open.Wait();
        o.ExpectTheSmallTraceIsStillThere();
        EXPECT_EQ(messages.m_messages,
                  cancel ? std::vector<std::string>{}
                         : std::vector<std::string>{
                               capture + " changed while it was read; it was not opened."});
        Put(capture, bytes);
    }
    // Back where the view was in the trace before, and with its click anchor.
    const std::string wide = temp.Path("wide.txt");
    Put(wide, kHeader + Rows(0, 5000));
    ASSERT_TRUE(o.app.OpenDocumentFile(wide));
    CtesqView& view = *o.app.GetMainWnd()->GetActiveView();
    view.SetScrollPos(1000);
    CtesqView::s_nSelAnchor = 77;
    {
        HeldBuild held(open);
        o.app.OpenInBackground(capture);
        ASSERT_TRUE(WaitFor([&] { return doc.GetPathName() == capture; }));
        EXPECT_EQ(view.GetScrollPosition(), 0);
        open.Cancel();
    }
    EXPECT_EQ(doc.GetPathName(), wide);
    EXPECT_EQ(view.GetScrollPosition(), 1000);
    EXPECT_EQ(CtesqView::s_nSelAnchor, 77);
    o.app.OpenInBackground(capture);
    open.Wait();
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_FALSE(doc.Display(0).Pending());
    EXPECT_EQ(doc.GetPathName(), capture);
    EXPECT_GT(open.Progress(), 0.99);  // the build fills what the quick read left of the bar
    CtesqDoc here;
    ASSERT_TRUE(here.OnOpenDocument(capture));
    for (CtesqDoc* d : {&doc, &here}) d->SetDecimation(4096);
    std::vector<float> shown(static_cast<std::size_t>(doc.DisplayLength())),
        direct(static_cast<std::size_t>(here.DisplayLength()));
    doc.Display(0).Entries(0, doc.DisplayLength() / 4, shown.data());
    here.Display(0).Entries(0, here.DisplayLength() / 4, direct.data());
    EXPECT_EQ(shown, direct);
    // A reload keeps its zoom, which needs the columns: it shows once they are built.
    {
        HeldBuild held(open);
        o.app.OnFileReload();
        ASSERT_TRUE(WaitFor([&] { return !doc.IsBusy(); }));
    }
    EXPECT_EQ(doc.Decimation(), 4096);
    EXPECT_FALSE(doc.Display(0).Pending());
}

// Named on the command line, a long capture shows likewise; a cancel meanwhile leaves a new
// trace, as if no file had been named.
TEST(BackgroundOpen, ALongCaptureNamedAtStartShowsWhileItsColumnsAreBuilt) {
    const CTempDir temp("tesqv-bg");
    OpenApp o(temp);
    const ShowFirstFrom lowered(1000);
    const std::string capture = temp.Path("long.osc");
    LongCapture(capture);
    CBackgroundOpen& open = o.app.Opener();
    CtesqDoc& doc = o.app.GetDocument();
    {
        HeldBuild held(open);
        ASSERT_TRUE(o.app.OpenDocumentFile(capture));
        EXPECT_TRUE(doc.IsBusy());
        EXPECT_TRUE(doc.Display(0).Pending());
        EXPECT_EQ(o.app.GetMainWnd()->windowTitle(), QStringLiteral("osc - long.osc"));
        open.Cancel();
        held.release = true;
        open.Wait();
    }
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_EQ(doc.Trace().m_nSampleCount, 0);
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_EQ(o.app.GetMainWnd()->windowTitle(), QStringLiteral("osc - noname"));
    ASSERT_TRUE(o.app.OpenDocumentFile(capture));
    open.Wait();
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_FALSE(doc.Display(0).Pending());
    EXPECT_EQ(doc.Trace().m_nSampleCount, 3 << 20);
}

// The show-first length counts: a capture of exactly that many samples shows first, one
// sample shorter does not; a trace read whole never does.
TEST(BackgroundOpen, ACaptureOfExactlyTheShowFirstLengthShowsFirst) {
    struct Level : CSampleSource {
        explicit Level(std::int64_t n) : count(n) {}
        std::int64_t Count() const override { return count; }
        void Read(std::int64_t, std::int64_t n, float* out) const override {
            std::fill(out, out + n, 1.0f);
        }
        std::int64_t count;
    };
    const std::int64_t from = CBackgroundOpen::s_nShowFirstFrom;
    for (const std::int64_t n : {from, from - 1}) {
        CTraceData trace;
        trace.m_nCurveCount = 1;
        trace.m_nSampleCount = static_cast<int>(n);
        trace.m_pSamples[0] = CCurveSamples(std::make_shared<Level>(n));
        EXPECT_EQ(CBackgroundOpen::ShowsFirst(trace), n == from) << n;
    }
    EXPECT_FALSE(CBackgroundOpen::ShowsFirst(TraceWithSamples({std::vector<float>(8, 1.0f)})));
}

// A trace shown whole is at its end: followed, it keeps to the end once it grows past the
// window, a CSV as a text trace.
TEST(Reload, AFollowedTraceShownWholeKeepsToItsEnd) {
    const CTempDir temp("tesqv-follow-whole");
    for (const char* name : {"rec.csv", "rec.txt"}) {
        const bool csv = std::string(name).ends_with(".csv");
        const auto rows = [](int from, int to) {
            std::string text;
            for (int r = from; r < to; ++r) text += std::to_string(r % 10) + "\n";
            return text;
        };
        const std::string trace = temp.Path(name);
        const std::string head = csv ? "a\n" : kHeader;
        Put(trace, head + rows(0, 50));
        CtesqApp app;
        ASSERT_TRUE(app.InitInstance({"tesqv", trace}));
        app.SetAutoReload(true);
        CtesqView* view = app.GetMainWnd()->GetActiveView();
        ASSERT_EQ(view->horizontalScrollBar()->maximum(), 0) << name;  // shown whole
        {
            std::ofstream more(trace, std::ios::app);
            more << rows(50, 20000);
        }
        ASSERT_TRUE(WaitFor([&] { return app.GetDocument().Trace().m_nSampleCount == 20000; }))
            << name;
        EXPECT_GT(view->GetScrollPosition(), 0) << name;
        EXPECT_EQ(view->GetScrollPosition(), view->horizontalScrollBar()->maximum()) << name;
        app.SetAutoReload(false);
    }
}

// A reload of a file as it was read keeps what it has, columns and index included; a changed
// file is read again.
TEST(Reload, AnUnchangedFileIsNotReadAgain) {
    const CTempDir temp("tesqv-reload-same");
    const std::string trace = temp.Path("same.txt");
    Put(trace, kHeader + Rows(0, 3000));
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", trace}));
    CtesqDoc& doc = app.GetDocument();
    const void* samples = doc.Trace().m_pSamples[0].Identity();
    app.OnFileReload();
    EXPECT_FALSE(app.Opener().Busy());
    EXPECT_EQ(doc.Trace().m_pSamples[0].Identity(), samples);
    EXPECT_TRUE(app.GetMainWnd()->statusBar()->currentMessage().contains(
        QStringLiteral("is as it was read")));
    Put(trace, kHeader + Rows(0, 3001));
    app.OnFileReload();
    app.Opener().Wait();
    EXPECT_EQ(doc.Trace().m_nSampleCount, 3001);
}

// A save runs on a worker: the window's timer ticks while it writes, nothing touches the
// document meanwhile, and Cancel leaves the file that was there as it was.
TEST(BackgroundSave, TheWindowGoesOnWhileASaveRunsAndCancelKeepsTheOldFile) {
    const CTempDir temp("tesqv-bg-save");
    const std::string trace = LargeTrace(temp), out = temp.Path("out.csv");
    OpenApp o(temp);
    o.app.OpenInBackground(trace);
    o.app.Opener().Wait();
    ASSERT_EQ(o.app.GetDocument().Trace().m_nSampleCount, 800000);
    std::atomic<int> ticks{0};
    bool zoomClosed = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        zoomClosed = zoomClosed || !o.app.GetMainWnd()->Router().IsEnabled(ID_ZOOM_IN);
    });
    timer.start(5);
    // The worker holds at its first step until the window has ticked three times: a window
    // that waited for the save would never tick.
    bool held = false;
    o.app.Worker().m_onStep = [&] {
        if (std::exchange(held, true)) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ticks < 3 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    EXPECT_TRUE(o.app.GetDocument().OnSaveDocument(out));
    EXPECT_GE(ticks, 3);
    EXPECT_TRUE(zoomClosed);
    EXPECT_GT(std::filesystem::file_size(out), 800000u);

    // Cancelled from the window while it writes: the file saved before stays, whole.
    const std::string before = Slurp(out);
    held = false;
    o.app.Worker().m_onStep = [&] {
        if (std::exchange(held, true)) return;
        QMetaObject::invokeMethod(o.app.GetMainWnd(), [&o] { o.app.Worker().Cancel(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    CMessageRecorder messages;
    EXPECT_FALSE(o.app.GetDocument().OnSaveDocument(out));
    o.app.Worker().m_onStep = {};
    EXPECT_TRUE(Slurp(out) == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()),
                            std::filesystem::directory_iterator()),
              3);  // the two traces and the saved file; no temporary file
    EXPECT_TRUE(messages.m_messages.empty());
}

// Saving a long trace in a format that keeps less (a capture) first looks through every
// sample for what will not be kept: that look, as the writing, happens off the window's
// thread.
TEST(BackgroundSave, ALongTraceIsReadOnlyOnTheWorkerWhenItIsSaved) {
    static const std::thread::id windowThread = std::this_thread::get_id();
    struct Ramp : CSampleSource {
        std::int64_t Count() const override { return 3'000'000; }
        void Read(std::int64_t first, std::int64_t n, float* out) const override {
            if (n >= 65536 && std::this_thread::get_id() == windowThread) bulkOnWindow = true;
            for (std::int64_t j = 0; j < n; ++j) out[j] = static_cast<float>((first + j) % 200);
            read += n;
        }
        mutable std::atomic<bool> bulkOnWindow{false};
        mutable std::atomic<std::int64_t> read{0};
    };
    const CTempDir temp("tesqv-bg-loss");
    OpenApp o(temp);
    auto ramp = std::make_shared<Ramp>();
    CTraceData trace;
    trace.m_nCurveCount = 1;
    trace.m_nSampleCount = 3'000'000;
    trace.m_pSamples[0] = CCurveSamples(ramp);
    o.app.GetDocument().TakeTrace(std::move(trace));
    EXPECT_TRUE(o.app.GetDocument().OnSaveDocument(temp.Path("ramp.osc")));
    EXPECT_EQ(std::filesystem::file_size(temp.Path("ramp.osc")), 3'000'000u);
    EXPECT_FALSE(ramp->bulkOnWindow);
    // Cancelled as the look begins: it stops there, and nothing is written.
    ramp->read = 0;
    o.app.Worker().m_onStep = [&o] { o.app.Worker().Cancel(); };
    EXPECT_FALSE(o.app.GetDocument().OnSaveDocument(temp.Path("cancelled.osc")));
    o.app.Worker().m_onStep = {};
    EXPECT_LT(ramp->read, 1'000'000);
    EXPECT_FALSE(std::filesystem::exists(temp.Path("cancelled.osc")));
}
