// The real view, in-process on the offscreen platform: scroll sizes, hints and zoom.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <filesystem>
#include <random>

#include "CliRun.h"
#include "CommandActions.h"
#include "QtDC.h"
#include "TraceFixtures.h"
#include "tesqView.h"

namespace {

// A view of `samples` samples at decimation D, with a client area W x 300.
struct ViewFixture {
    ViewFixture(int samples, int decimation, int width) {
        doc = DocWithSamples({std::vector<float>(static_cast<std::size_t>(samples), 1.0f)});
        doc->m_nDecimation = decimation;
        doc->BuildDisplayCopies();
        view.AttachOffscreen(doc.get(), width, 300);
        view.OnInitialUpdate();
    }
    std::unique_ptr<CtesqDoc> doc;
    CtesqView view;
};

}  // namespace

TEST(View, ScrollSizesFollowTheWindow) {
    ViewFixture f(8000, 1, 900);
    QScrollBar* bar = f.view.horizontalScrollBar();
    EXPECT_EQ(bar->pageStep(), 600);
    EXPECT_EQ(bar->singleStep(), 90);
    EXPECT_EQ(bar->maximum(), 8000 - 900);
    EXPECT_EQ(f.view.GetScrollRangeEnd(), 7999);
    EXPECT_EQ(f.view.m_toolTip.GetText(), "HELLO");
}

TEST(View, LeavesItsDocumentWhenDestroyed) {
    auto doc = DocWithSamples({{1, 2}});
    {
        CtesqView view;
        view.AttachOffscreen(doc.get(), 100, 300);
        EXPECT_EQ(doc->GetViews().size(), 1u);
    }
    EXPECT_TRUE(doc->GetViews().empty());
    int index = 1;
    doc->UpdateAllViews(nullptr, HINT_GOTO, &index);  // reaches no dead view
}

TEST(View, HintsMoveTheViewAndOthersDoNothing) {
    ViewFixture f(4000, 4, 200);  // 1000 columns
    f.doc->m_nSelStart = 10;
    f.doc->m_nSelEnd = 20;
    f.view.SetScrollPos(300);
    f.doc->UpdateAllViews(nullptr, HINT_SHOW_SELECTION);
    EXPECT_EQ(f.view.GetScrollPosition(), 0);  // negative centring clamps to 0
    int index = 2000;
    f.doc->UpdateAllViews(nullptr, HINT_GOTO, &index);
    EXPECT_EQ(f.view.GetScrollPosition(), 499);
    index = 9000;
    f.doc->UpdateAllViews(nullptr, HINT_GOTO, &index);
    EXPECT_EQ(f.view.GetScrollPosition(), 800);  // the last position
    f.doc->UpdateAllViews(nullptr, 2);
    EXPECT_EQ(f.view.GetScrollPosition(), 800);
    f.doc->UpdateAllViews(nullptr, HINT_RESET);
    EXPECT_EQ(f.view.GetScrollPosition(), 0);
}

TEST(View, ZoomStepsAndTheCentreColumn) {
    ViewFixture f(4000, 4, 200);
    f.view.SetScrollPos(400);
    f.view.OnZoomIn();
    EXPECT_EQ(f.doc->m_nDecimation, 2);
    EXPECT_EQ(f.doc->m_nDisplayLength, 8000);
    EXPECT_EQ(f.view.GetScrollPosition(), 901);

    ViewFixture one(6, 1, 200);
    one.view.OnZoomIn();
    EXPECT_EQ(one.doc->m_nDecimation, 1);
    ViewFixture six(6, 4, 200);
    six.view.OnZoomOut();
    EXPECT_EQ(six.doc->m_nDecimation, 4);
    ViewFixture eight(8, 4, 200);
    eight.view.OnZoomOut();
    EXPECT_EQ(eight.doc->m_nDecimation, 8);
}

TEST(View, PaintsCurvesGridAndLabelsInTheirColours) {
    ViewFixture f(1000, 1, 400);
    for (int j = 0; j < 1000; ++j) f.doc->m_pSamples[0][static_cast<std::size_t>(j)] = 5.0f;
    f.doc->m_fCurveBottom[0] = 0;
    f.doc->m_fCurveTop[0] = 10;
    f.doc->BuildDisplayCopies();
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        f.view.PaintTo(painter);
    }
    // Plot band 100 .. 250: the value 5 lies at y = 250 - 75, the red 2-pixel pen.
    EXPECT_EQ(image.pixelColor(200, 175), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(100, 120), QColor(221, 221, 221));  // time grid at column 100
    bool labelInk = false;  // time label colour above the plot at column 100
    for (int x = 100; x < 140; ++x)
        for (int y = 83; y < 98; ++y)
            labelInk = labelInk || image.pixelColor(x, y) == QColor(136, 136, 187);
    EXPECT_TRUE(labelInk);
}

TEST(View, PrintsTheFirstColumnsThroughOnDraw) {
    ViewFixture f(8000, 1, 400);
    f.view.SetScrollPos(3000);
    const std::string pdf = (std::filesystem::temp_directory_path() /
                             ("tesqv-print-" + std::to_string(getpid()) + ".pdf"))
                                .string();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    f.view.PrintTo(printer);
    EXPECT_EQ(Slurp(pdf).substr(0, 4), "%PDF");
    EXPECT_EQ(f.view.GetScrollPosition(), 3000);  // printing leaves the view as it was
    std::filesystem::remove(pdf);
}

TEST(CommandActions, StatesFollowTheRulesAndDisabledActionsNeverRun) {
    CCmdTarget view, frame;
    CCommandRouter router;
    router.SetChain({&view, nullptr, &frame, nullptr});
    bool zoomable = false, shown = false;
    int zooms = 0;
    view.AddCommand(ID_ZOOM_IN, [&zooms] { ++zooms; });
    view.AddUpdate(ID_ZOOM_IN, [&zoomable](CCmdUI* ui) { ui->Enable(zoomable); });
    frame.AddCommand(ID_VIEW_CMDBAR, [&shown] { shown = !shown; });
    frame.AddUpdate(ID_VIEW_CMDBAR, [&shown](CCmdUI* ui) { ui->SetCheck(shown); });
    CCommandActions actions(router);
    QAction* zoom = actions.Add(ID_ZOOM_IN, QStringLiteral("Zoom in"));
    QAction* bar = actions.Add(ID_VIEW_CMDBAR, QStringLiteral("Contol bar(&C)"), {}, true);
    QAction* undo = actions.Add(57643, QStringLiteral("Undo(&U)"));

    // Going idle refreshes every state.
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(zoom->isEnabled());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(bar->isChecked());
    zoom->trigger();  // disabled: nothing runs, whatever triggered it
    EXPECT_EQ(zooms, 0);

    zoomable = true;
    actions.Refresh();
    zoom->trigger();
    EXPECT_EQ(zooms, 1);
    zoomable = false;  // the action still looks enabled until the next refresh
    zoom->trigger();
    EXPECT_EQ(zooms, 1);
    EXPECT_FALSE(zoom->isEnabled());
    bar->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(bar->isChecked());
    bar->trigger();
    EXPECT_FALSE(bar->isChecked());
}

TEST(QtDC, ColumnPolylinesCoverExactlyTheirColumnBars) {
    std::mt19937 rng(12);
    for (int round = 0; round < 200; ++round) {
        std::vector<CPoint> points;
        int x = static_cast<int>(rng() % 20);
        for (int i = 0, n = 2 + static_cast<int>(rng() % 400); i < n; ++i) {
            if (i > 0 && rng() % 5 < 2) ++x;
            points.push_back({x, static_cast<int>(rng() % 500) - 100});
        }
        QImage drawn(300, 300, QImage::Format_RGB32), expected(300, 300, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        expected.fill(Qt::white);
        {
            QPainter painter(&drawn);
            CQtDC dc(painter, {0, 0});
            dc.SelectPen({PS_SOLID, 2, RGB(255, 0, 0)});
            dc.Polyline(points.data(), static_cast<int>(points.size()));
        }
        {
            // Each column: its vertical segments and half of each step to a neighbour.
            QPainter painter(&expected);
            int top = points[0].y, bottom = points[0].y;
            const auto bar = [&](int column) {
                painter.fillRect(column, top, 2, bottom - top + 1, Qt::red);
            };
            for (std::size_t i = 1; i < points.size(); ++i) {
                const CPoint a = points[i - 1], b = points[i];
                if (a.x == b.x) {
                    top = std::min(top, b.y);
                    bottom = std::max(bottom, b.y);
                    continue;
                }
                const int mid = a.y + (b.y - a.y) / 2;
                top = std::min(top, mid);
                bottom = std::max(bottom, mid);
                bar(a.x);
                top = std::min(mid, b.y);
                bottom = std::max(mid, b.y);
            }
            bar(points.back().x);
        }
        ASSERT_EQ(drawn, expected) << "round " << round;
    }
}

TEST(Render, WritesAPictureOfTheTrace) {
    const std::string png = (std::filesystem::temp_directory_path() /
                             ("tesqv-render-" + std::to_string(getpid()) + ".png"))
                                .string();
    const CliRun r = Cli(std::string("render ") + TESQV_EXAMPLES "/demo.txt " + png +
                         " --size 640x360 --typed go");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    QImage image(QString::fromStdString(png));
    std::filesystem::remove(png);
    ASSERT_EQ(image.size(), QSize(640, 360));
    const auto count = [&image](QColor colour, QRect area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == colour;
        return n;
    };
    const QRect plot(0, 100, 640, 210);
    EXPECT_GT(count(QColor(255, 0, 0), plot), 100);                      // curve 0
    EXPECT_GT(count(QColor(0, 255, 0), plot), 100);                      // curve 1
    EXPECT_GT(count(QColor(0, 0, 255), plot), 100);                      // curve 2
    EXPECT_GT(count(QColor(221, 221, 221), plot), 500);                  // grid
    EXPECT_GT(count(QColor(136, 136, 187), QRect(0, 83, 640, 15)), 20);  // time labels above
    EXPECT_GT(count(QColor(80, 0, 0), QRect(0, 340, 640, 20)), 5);       // curve 3's legend entry
    int dark = 0;  // the "go_" echo, black text (anti-aliased) at (5, 5)
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 40; ++x) dark += QColor(image.pixel(x, y)).lightness() < 80;
    EXPECT_GT(dark, 5);
}

TEST(Render, MessagesAndUsage) {
    const CliRun missing = Cli("render /nonexistent.txt /tmp/x.png");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "/nonexistent.txt was not found.\n");
    EXPECT_EQ(Cli("render a.txt").status, 2);
    EXPECT_EQ(Cli("render a.txt b.png --size 0x5").status, 2);
}

int main(int argc, char** argv) {
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Settings go to a test location, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
