// tesqv: the trace viewer's window.

#include <QApplication>
#include <QMessageBox>

#include "MainFrame.h"
#include "MessageSink.h"
#include "tesqApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tesqv"));
    CtesqApp app;
    // The system's messages as modal boxes with one OK button, captioned with the program's name.
    SetMessageSink([&app](std::string_view text) {
        QMessageBox::warning(app.GetMainWnd(), QStringLiteral("tesqv"),
                             QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                             QMessageBox::Ok);
    });
    if (!app.InitInstance(QApplication::arguments())) return 1;
    return QApplication::exec();
}
