// tesqv-cli render: the real view laid out on an exact client area, painted into a PNG. Runs
// without a display.

#include <fmt/format.h>
#include <sys/stat.h>

#include <QApplication>
#include <cstdio>
#include <memory>

#include "cli/CliCommands.h"
#include "framework/gui/QtText.h"
#include "ids/CommandIds.h"
#include "trace/document/Document.h"
#include "view/ViewExport.h"
#include "view/tesqView.h"

namespace {

// The same file, whatever the names and links that lead to it.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

int RunRender(const RenderOptions& options) {
    if (!KnownTraceFile(options.in, false)) return 1;
    if (SameFile(options.in, options.out)) {
        std::fprintf(
            stderr, "%s\n",
            fmt::format("{} is the input; render does not write over it.", options.out).c_str());
        return 1;
    }
    const int width = options.width, height = options.height;
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
    doc.m_curvesToRead = options.curves;
    // The columns wait for the picture's zoom: one sample a column needs none built, and the
    // statistics index is never needed here.
    if (!OpenTrace(doc, options.in, messages, false)) return 1;
    doc.PrepareDisplayColumns();
    view.OnInitialUpdate();
    for (int k = 0; k < options.zoomOuts; ++k) {
        CCmdUI state(ID_ZOOM_OUT);
        view.OnUpdateZoomOut(&state);
        if (!state.m_bEnabled) break;  // stays disabled: the rest would do nothing
        const int decimation = doc.Decimation(), position = view.GetScrollPosition();
        view.OnZoomOut();
        // Once a press changes nothing, every further press changes nothing either.
        if (doc.Decimation() == decimation && view.GetScrollPosition() == position) break;
    }
    for (const auto& [option, value] : options.steps) {
        int n = 0, m = 0;
        ParseWholeInt(value, n);  // the number of --goto, --scroll and --hide
        if (option == "--goto") {
            doc.UpdateAllViews(nullptr, HINT_GOTO, &n);
        } else if (option == "--scroll") {
            view.SetScrollPos(n);
        } else if (option == "--hide") {
            doc.SetCurveHidden(n, true);
        } else if (option == "--select") {
            ParsePair(value, ':', n, m);
            doc.Select(n, m);
        } else if (option == "--typed") {
            view.m_strCommand = value;
        } else if (option == "--fit") {
            view.OnZoomToFit();
        } else if (option == "--zoom-selection") {
            view.OnZoomToSelection();
        } else {  // --command, as Enter in the view
            messages.m_context = "\"" + value + "\"";
            if (doc.ExecuteCommand(value)) doc.BuildDisplayCopies();
            messages.m_context.clear();
        }
    }
    if (messages.m_nShown > 0) return 1;
    if (doc.Decimation() > 1) doc.BuildPendingColumns();

    // The picture by OUT's extension, written as the window's Export image writes it.
    const bool written = ExportViewImage(view, options.out);
    if (written &&
        ChangedWhileRead(doc, options.in, options.out + " shows gaps for what was not read"))
        return 1;
    return written && messages.m_nShown == 0 ? 0 : 1;
}
