#pragma once
// The window's runner of long work (framework/core/LongWork.h): the work goes to a worker
// thread, the window's own thread goes on, a bar and Cancel show in the status bar once it has
// taken a moment, and the document is busy meanwhile, so that nothing touches it.

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "framework/core/LongWork.h"

class CtesqDoc;
class QLabel;
class QProgressBar;
class QPushButton;
class QShortcut;
class QStatusBar;
class QWidget;

class CLongWorkRunner : public QObject {
public:
    CLongWorkRunner(CtesqDoc& doc, QStatusBar* bar, QWidget* window);

    // Runs `work` on a worker and returns when it is over, the window's events handled
    // meanwhile; false when it was cancelled. Work asked for while other work runs is refused.
    bool Run(const std::string& what, std::uint64_t total, bool cancellable, const LongWork& work);
    bool Busy() const { return m_bRunning; }
    void Cancel() { m_cancel = true; }
    // Told on the worker at each step of the work (for tests).
    std::function<void()> m_onStep;

private:
    CtesqDoc& m_doc;
    QLabel* m_pWhat;
    QProgressBar* m_pProgress;
    QPushButton* m_pCancel;
    QShortcut* m_pEscape;
    bool m_bRunning = false;
    std::atomic<bool> m_cancel{false};
    std::atomic<std::uint64_t> m_done{0};
};
