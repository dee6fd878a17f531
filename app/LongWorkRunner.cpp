#include "app/LongWorkRunner.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <exception>
#include <thread>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/TwoThreads.h"
#include "framework/gui/QtText.h"
#include "trace/document/Document.h"

CLongWorkRunner::CLongWorkRunner(CtesqDoc& doc, QStatusBar* bar, QWidget* window)
    : QObject(window), m_doc(doc) {
    m_pWhat = new QLabel(bar);
    m_pProgress = new QProgressBar(bar);
    m_pProgress->setRange(0, 1000);
    m_pProgress->setMaximumWidth(220);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), bar);
    bar->addPermanentWidget(m_pWhat);
    bar->addPermanentWidget(m_pProgress);
    bar->addPermanentWidget(m_pCancel);
    m_pWhat->hide();
    m_pProgress->hide();
    m_pCancel->hide();
    QObject::connect(m_pCancel, &QPushButton::clicked, this, [this] { Cancel(); });
    m_pEscape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    m_pEscape->setEnabled(false);
    QObject::connect(m_pEscape, &QShortcut::activated, this, [this] { Cancel(); });
}

bool CLongWorkRunner::Run(const std::string& what, std::uint64_t total, bool cancellable,
                          const LongWork& work) {
    if (m_bRunning) {
        AfxMessageBox("Wait for " + what + " until the work that runs is over.");
        return false;
    }
    m_bRunning = true;
    m_cancel = false;
    m_done = 0;
    m_doc.SetBusy(true);
    m_pEscape->setEnabled(cancellable);
    std::vector<std::string> messages, notices;
    std::exception_ptr failure;
    bool cancelled = false;
    QEventLoop loop;
    // The bar once the work has taken a moment; quick work shows nothing.
    QTimer progress;
    progress.setInterval(100);
    QObject::connect(&progress, &QTimer::timeout, this, [&, total] {
        m_pWhat->setText(ToQString(what));
        m_pWhat->show();
        m_pProgress->show();
        m_pCancel->setVisible(cancellable);
        m_pProgress->setValue(static_cast<int>(
            1000 * std::min<std::uint64_t>(m_done, std::max<std::uint64_t>(total, 1)) /
            std::max<std::uint64_t>(total, 1)));
    });
    progress.start();
    std::thread worker([&] {
        GiveWayToTheWindow();
        {
            CThreadMessageSink sink(
                [&messages](std::string_view text) { messages.emplace_back(text); },
                [&notices](std::string_view text) { notices.emplace_back(text); });
            try {
                work([&](std::uint64_t more) {
                    if (m_onStep) m_onStep();
                    if (cancellable && m_cancel) throw CReadCancelled();
                    m_done += more;
                });
            } catch (const CReadCancelled&) {
                cancelled = true;
            } catch (...) {
                failure = std::current_exception();
            }
        }
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    progress.stop();
    m_pWhat->hide();
    m_pProgress->hide();
    m_pCancel->hide();
    m_pEscape->setEnabled(false);
    m_doc.SetBusy(false);
    m_bRunning = false;
    for (const std::string& m : messages) AfxMessageBox(m);
    for (const std::string& n : notices) AfxNotice(n);
    if (failure) std::rethrow_exception(failure);
    return !cancelled;
}
