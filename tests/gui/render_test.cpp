// tesqv-cli render: the picture it writes and its messages.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>

#include "framework/gui/QtText.h"
#include "tests/support/CliRun.h"
#include "view/ViewExport.h"

TEST(Render, WritesAPictureOfTheTrace) {
    const CTempDir temp("tesqv-render");
    const std::string png = temp.Path("demo.PNG");  // the extension in any case
    const CliRun r = Cli(std::string("render ") + TESQV_EXAMPLES "/demo.txt " + png +
                         " --size 640x360 --typed go");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    QImage image(ToQString(png));
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
    const CliRun gif = Cli("render a.txt b.gif");
    EXPECT_EQ(gif.status, 2);
    EXPECT_NE(gif.err.find("OUT must end in .png, .svg or .pdf"), std::string::npos) << gif.err;
    EXPECT_EQ(PictureFilter(),
              "PNG image (*.png)|*.png|SVG image (*.svg)|*.svg|PDF document (*.pdf)|*.pdf||");
}

TEST(Render, NeverWritesOverItsInputOrAsAnythingButAPng) {
    const CTempDir temp("tesqv-render");
    const std::string in = temp.Path("t.txt"), link = temp.Path("t.png");
    Put(in, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    std::filesystem::create_symlink(in, link);
    const CliRun same = Cli("render " + in + " " + link);
    EXPECT_EQ(same.status, 1);
    EXPECT_EQ(same.err, link + " is the input; render does not write over it.\n");
    EXPECT_EQ(Cli("render " + in + " " + in).status, 2);
    EXPECT_EQ(Cli("render " + in + " " + temp.Path("x.jpg")).status, 2);
    EXPECT_EQ(Slurp(in), "FileType QDL-RV\nCurve a\n\n1\n2\n");
    EXPECT_FALSE(std::filesystem::exists(temp.Path("x.jpg")));

    // A disk that fills up leaves the previous picture whole, and no temporary file.
    const std::string png = temp.Path("view.png");
    Put(png, "previous");
    const CliRun full = CliAfter("trap '' XFSZ; ulimit -f 2", "render " + in + " " + png);
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(Slurp(png), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()),
                            std::filesystem::directory_iterator{}),
              3);
}

TEST(Render, MissingSamplesLeaveTheirColumnsEmpty) {
    const CTempDir temp("tesqv-render-gaps");
    std::string csv = "a\n0\n10\n";  // the range 0 .. 10
    for (int r = 0; r < 1200; ++r) csv += r >= 600 && r < 800 ? "\n\"\"\n" : "5\n";
    const std::string in = temp.Path("gaps.csv"), png = temp.Path("gaps.png");
    Put(in, csv);
    const CliRun r = Cli("render " + in + " " + png + " --size 1280x720");
    ASSERT_EQ(r.status, 0) << r.err;
    QImage image(ToQString(png));
    int inGap = 0, drawn = 0;
    for (int y = 100; y < 672; ++y) {
        for (int x = 660; x < 740; ++x) inGap += image.pixelColor(x, y) == QColor(255, 0, 0);
        for (int x = 300; x < 380; ++x) drawn += image.pixelColor(x, y) == QColor(255, 0, 0);
    }
    EXPECT_GT(drawn, 100);
    EXPECT_EQ(inGap, 0);
}

// --fit shows the whole trace across the picture (its last grid labels near its end), and
// --zoom-selection the selection; the grid's labels tell which samples are shown.
TEST(Render, FitAndZoomToSelectionShowWhatTheWindowsCommandsShow) {
    const CTempDir temp("tesqv-render-fit");
    const std::string svg = temp.Path("fit.svg");
    const std::string demo = TESQV_EXAMPLES "/demo.txt";  // 10,000 samples of 20 us
    ASSERT_EQ(Cli("render " + demo + " " + svg + " --fit").status, 0);
    EXPECT_NE(Slurp(svg).find("192.00ms"), std::string::npos);
    ASSERT_EQ(Cli("render " + demo + " " + svg).status, 0);
    EXPECT_EQ(Slurp(svg).find("192.00ms"), std::string::npos);  // one sample a column
    ASSERT_EQ(Cli("render " + demo + " " + svg + " --select 100:300 --zoom-selection").status, 0);
    const std::string zoomed = Slurp(svg);
    EXPECT_NE(zoomed.find("2.00ms"), std::string::npos);
    EXPECT_EQ(zoomed.find("16.00ms"), std::string::npos);
}
