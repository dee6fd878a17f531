#pragma once
// Opening a file on a worker thread: the window keeps painting and its menus stay usable.
// The worker reads into a document of its own; the shown document adopts the trace only
// when the read succeeded, so a cancelled or failed read leaves the open trace, its title and
// its view as they were. After 300 ms a progress bar with a Cancel button shows in the status
// bar; Cancel (or Escape) stops the read within one block. While a read runs the document is
// busy and the commands that would touch it are closed (see Busy).
// A long trace whose samples stay in its file (a capture) shows as soon as its file is
// checked, one sample a column, while its display columns are built; Cancel then goes back to
// the trace shown before (m_onRevert tells the window to show it again).

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class CtesqDoc;
struct CTraceData;
class QProgressBar;
class QPushButton;
class QShortcut;
class QStatusBar;
class QWidget;

class CBackgroundOpen : public QObject {
public:
    // done(true) after the document adopted the new trace; done(false) after a failure was
    // shown, or a cancel. A trace shown first may still be given back after done(true): see
    // m_onRevert.
    using Done = std::function<void(bool)>;
    // Told every read's byte count on the worker thread; may throw to stop the read.
    using ReadHook = std::function<void(std::size_t)>;

    CBackgroundOpen(CtesqDoc& doc, QStatusBar* bar, QWidget* window);
    ~CBackgroundOpen() override;

    bool Busy() const { return m_worker.joinable(); }
    // Reads `path` (the framework's open step already done) unless a read is running. quiet:
    // notices (dropped columns, unreadable cells) are not shown again, as when following a
    // file that grows.
    bool Start(const std::string& path, Done done, ReadHook hook = {}, bool quiet = false);
    // The document's trace, just read, shows before its display columns are built when it
    // is long and read from its file (ShowsFirst): they are built on the worker, and a
    // cancel or a failure puts `before` back. false, and nothing started, for any other.
    bool StartBuilding(std::unique_ptr<CtesqDoc> before);
    static bool ShowsFirst(const CTraceData& trace);
    void Cancel();
    // How far the last read and build went, 0 to 1, as the bar shows it.
    double Progress() const;
    // Waits for a running read to end and handles its result (for tests and closing).
    void Wait();
    // Told after a cancel or a failure while a trace shown first had its columns built: the
    // document holds the trace from before it again.
    std::function<void()> m_onRevert;
    // Told on the worker at each step of the build of a trace shown first (for tests).
    std::function<void()> m_onBuildStep;
    // Traces of at least this many samples, read from their file, show before their display
    // columns are built (a smaller one's columns take too little time to be worth a wait).
    static std::int64_t s_nShowFirstFrom;

    QProgressBar* m_pProgress;
    QPushButton* m_pCancel;

private:
    struct Result;
    void BeginWork(const std::string& path, std::uint64_t total, Done done, bool quiet);
    // work on the worker thread, its messages and failures kept for Finish, which follows.
    void RunOnWorker(std::function<void(Result&)> work);
    // On the worker: progress told in samples, perSample counted for each; a cancel stops it.
    std::function<void(std::int64_t)> Counting(double perSample);
    // On the worker: a read that succeeded fails when the trace's file changed meanwhile.
    void CheckUnchanged(const CTraceData& trace, Result& result) const;
    // On the worker: the columns of the samples of `over` into result.built, then the check
    // that their file did not change meanwhile.
    void BuildShown(const CTraceData& over, Result& result,
                    const std::function<void(std::int64_t)>& progress);
    void Finish(const std::shared_ptr<Result>& result);
    // The worker's read ended and the trace shows; its columns are still being built.
    void ShowFirst(const std::shared_ptr<Result>& result);
    void Revert();
    void ShowProgress();

    CtesqDoc& m_doc;
    QStatusBar* m_pBar;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<std::uint64_t> m_bytes{0};
    // What the bar counts to; the worker sets it again once it knows what the read took.
    std::atomic<std::uint64_t> m_total{1};
    Done m_done;
    bool m_bQuiet = false;
    // Following a file: what the status bar was last told of it, cleared by a read that works.
    void Tell(const std::string& text);
    QString m_strTold;
    // The trace shown before one that shows first, until its columns are built.
    std::unique_ptr<CtesqDoc> m_pBefore;
    std::string m_path;
    QTimer m_showTimer;      // the progress shows only for reads longer than 300 ms
    QTimer m_progressTimer;  // and moves ten times a second
    QShortcut* m_pEscape;
};
