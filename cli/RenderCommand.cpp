// tesqv-cli render: the real view laid out on an exact client area, painted into a PNG. Runs
// without a display.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <charconv>
#include <cstdio>
#include <memory>

#include "CliCommands.h"
#include "Format.h"
#include "tesqDoc.h"
#include "tesqView.h"

namespace {

struct Step {
    std::string option;
    std::string value;
};

}  // namespace

int RunRender(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    std::vector<Step> steps;  // applied in the order given
    int width = 1280, height = 720, zoomOuts = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            paths.push_back(a);
            continue;
        }
        if (i + 1 == args.size()) return UsageError("render: " + a + " needs a value");
        const std::string& value = args[++i];
        int n = 0, m = 0;
        if (a == "--size") {
            if (!ParsePair(value, 'x', width, height) || width < 1 || height < 1 || width > 16384 ||
                height > 16384)
                return UsageError("render: --size takes WxH, 1 to 16384 each");
        } else if (a == "--zoom-out") {
            if (!ParseWholeInt(value, zoomOuts) || zoomOuts < 0)
                return UsageError("render: --zoom-out takes a count");
        } else if (a == "--goto" || a == "--scroll" || a == "--hide") {
            if (!ParseWholeInt(value, n) || (a == "--hide" && (n < 0 || n > 7)))
                return UsageError("render: " + a + " takes a number" +
                                  (a == "--hide" ? " from 0 to 7" : ""));
            steps.push_back({a, value});
        } else if (a == "--select") {
            if (!ParsePair(value, ':', n, m) || n < 0 || m < n)
                return UsageError("render: --select takes A:B with 0 <= A <= B");
            steps.push_back({a, value});
        } else if (a == "--command" || a == "--typed") {
            steps.push_back({a, value});
        } else {
            return UsageError("render: unknown option '" + a + "'");
        }
    }
    if (paths.size() != 2) return UsageError("render: needs IN and OUT.png");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // stderr carries the system's messages only; Qt's own remarks (no runtime folder and the
    // like) would read as failures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    });
    int argc = 1;
    char name[] = "tesqv-cli";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    CtesqDoc doc;
    doc.OnNewDocument();
    CtesqView view;
    view.AttachOffscreen(&doc, width, height);

    CStderrMessages messages;
    if (!doc.OnOpenDocument(paths[0]) || messages.m_nShown > 0) return 1;
    view.OnInitialUpdate();
    for (int k = 0; k < zoomOuts; ++k) {
        CCmdUI state(ID_ZOOM_OUT);
        doc.OnUpdateZoomOut(&state);
        if (!state.m_bEnabled) break;  // stays disabled: the rest would do nothing
        const int decimation = doc.m_nDecimation, position = view.GetScrollPosition();
        view.OnZoomOut();
        // Once a press changes nothing, every further press changes nothing either.
        if (doc.m_nDecimation == decimation && view.GetScrollPosition() == position) break;
    }
    for (const Step& step : steps) {
        int n = 0, m = 0;
        if (step.option == "--goto") {
            ParseWholeInt(step.value, n);
            doc.UpdateAllViews(nullptr, HINT_GOTO, &n);
        } else if (step.option == "--scroll") {
            ParseWholeInt(step.value, n);
            view.SetScrollPos(n);
        } else if (step.option == "--hide") {
            ParseWholeInt(step.value, n);
            doc.m_bCurveHidden[n] = 1;
        } else if (step.option == "--select") {
            ParsePair(step.value, ':', n, m);
            doc.m_nSelStart = n;
            doc.m_nSelEnd = m;
        } else if (step.option == "--typed") {
            view.m_strCommand = step.value;
        } else if (doc.ExecuteCommand(step.value)) {  // --command, as Enter in the view
            doc.BuildDisplayCopies();
        }
    }
    if (messages.m_nShown > 0) return 1;

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        view.PaintTo(painter);
    }
    if (!image.save(QString::fromStdString(paths[1]), "PNG")) {
        std::fprintf(stderr, "%s\n", Format("Cannot write %s.", paths[1]).c_str());
        return 1;
    }
    return 0;
}
