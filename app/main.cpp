// tesqv: the trace viewer's window.

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/ColumnChooser.h"
#include "app/MainFrame.h"
#include "app/SaveDialog.h"
#include "app/tesqApp.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/SafeFile.h"
#include "framework/gui/QtText.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    RemoveSaveTempFileOnSignals();
    QApplication::setApplicationName(QStringLiteral("tesqv"));
    CtesqApp app;
    // The system's messages as modal boxes with one OK button, captioned with the program's name.
    SetMessageSink([&app](std::string_view text) {
        QMessageBox::warning(app.GetMainWnd(), QStringLiteral("tesqv"), ToQString(text),
                             QMessageBox::Ok);
    });
    SetSaveAsPrompt(
        [&app](const std::string& filter, const std::string& defaultExt, const std::string& title) {
            return RunSaveDialog(app.GetMainWnd(), filter, defaultExt, app.StartFolder(), title);
        });
    SetSaveChangesQuestion([&app](const std::string& title) {
        const auto answer =
            QMessageBox::question(app.GetMainWnd(), QStringLiteral("tesqv"),
                                  QStringLiteral("Save changes to %1?").arg(PathToQString(title)),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return answer == QMessageBox::Yes ? IDYES : answer == QMessageBox::No ? IDNO : IDCANCEL;
    });
    SetColumnChoice([&app](const std::string& file, const std::vector<std::string>& columns) {
        return ChooseColumns(app.GetMainWnd(), file, columns, CtesqDoc::MAX_CURVES);
    });
    SetYesNoQuestion([&app](const std::string& text) {
        return QMessageBox::question(app.GetMainWnd(), QStringLiteral("tesqv"), ToQString(text),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    // The arguments' own bytes: Qt's text for a path that is not UTF-8 would not find it.
    if (!app.InitInstance(std::vector<std::string>(argv, argv + argc))) return 1;
    return QApplication::exec();
}
