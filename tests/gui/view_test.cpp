// The real view, in-process on the offscreen platform: scroll sizes, hints and zoom.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <filesystem>

#include "framework/gui/QtText.h"
#include "tests/gui/Pictures.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "view/tesqView.h"

namespace {

// A view of `samples` samples at decimation D, with a client area W x 300.
struct ViewFixture {
    ViewFixture(int samples, int decimation, int width) {
        doc = DocWithSamples({std::vector<float>(static_cast<std::size_t>(samples), 1.0f)});
        doc->SetDecimation(decimation);
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
    // A window that changes width (laid out, a dock opened) takes its steps and range along.
    f.view.SetScrollPos(2000);
    f.view.resize(300, 300);
    EXPECT_EQ(bar->pageStep(), 200);
    EXPECT_EQ(bar->singleStep(), 30);
    EXPECT_EQ(bar->maximum(), 8000 - 300);
    EXPECT_EQ(f.view.GetScrollPosition(), 2000);
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
    f.doc->Select(10, 20);
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
    EXPECT_EQ(f.doc->Decimation(), 2);
    EXPECT_EQ(f.doc->DisplayLength(), 8000);
    EXPECT_EQ(f.view.GetScrollPosition(), 901);

    ViewFixture one(6, 1, 200);
    one.view.OnZoomIn();
    EXPECT_EQ(one.doc->Decimation(), 1);
    ViewFixture six(6, 4, 200);
    six.view.OnZoomOut();
    EXPECT_EQ(six.doc->Decimation(), 4);
    ViewFixture eight(8, 4, 200);
    eight.view.OnZoomOut();
    EXPECT_EQ(eight.doc->Decimation(), 8);
}

TEST(View, PaintsCurvesGridAndLabelsInTheirColours) {
    ViewFixture f(1000, 1, 400);
    f.doc->Select(0, 1000);
    ASSERT_TRUE(f.doc->ExecuteCommand("kxb 0 0 5"));
    f.doc->Select(0, 0);
    f.doc->SetCurveRange(0, 0, 10);
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

TEST(View, AnEmptyTraceDrawsNoDotsWhereTheValueGridWouldBe) {
    CtesqDoc doc;
    doc.OnNewDocument();
    CtesqView view;
    view.AttachOffscreen(&doc, 400, 300);
    view.OnInitialUpdate();
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        view.PaintTo(painter);
    }
    for (int y = 100; y < 250; ++y) EXPECT_EQ(image.pixelColor(0, y), QColor(Qt::white)) << y;
}

TEST(View, APageShowsWhatTheWindowShowsScaledWithItsProportions) {
    std::vector<float> saw(8000);
    for (std::size_t j = 0; j < saw.size(); ++j) saw[j] = static_cast<float>(j % 300);
    auto doc = DocWithSamples({saw});
    doc->SetCurveRange(0, doc->Trace().m_fCurveBottom[0], 300);
    doc->BuildDisplayCopies();
    CtesqView view;
    view.AttachOffscreen(doc.get(), 640, 360);
    view.OnInitialUpdate();
    view.SetScrollPos(3000);
    doc->Select(3100, 3300);
    QImage screen(640, 360, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        view.PaintTo(painter);
    }
    // A page twice as wide, three times as tall, at a printer's 600 dots to the inch.
    QImage page(1280, 1080, QImage::Format_RGB32);
    page.setDotsPerMeterX(23622);
    page.setDotsPerMeterY(23622);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        view.PaintScaledTo(painter, page.size());
    }
    QImage below(1280, 360, QImage::Format_RGB32);  // the rest of the page stays blank
    below.fill(Qt::white);
    EXPECT_EQ(DifferingShare(page.copy(0, 720, 1280, 360), below, 0), 0);
    const QImage shrunk = page.copy(0, 0, 1280, 720)
                              .scaled(640, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(DifferingShare(shrunk, screen, 96), 0.01);
}

TEST(View, PrintsAndLeavesTheViewAsItWas) {
    ViewFixture f(8000, 1, 400);
    f.view.SetScrollPos(3000);
    const CTempDir temp("tesqv-print");
    const std::string pdf = temp.Path("view.pdf");
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ToQString(pdf));
    f.view.PrintTo(printer);
    EXPECT_EQ(Slurp(pdf).substr(0, 4), "%PDF");
    EXPECT_EQ(f.view.GetScrollPosition(), 3000);  // printing leaves the view as it was
}
