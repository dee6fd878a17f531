#pragma once
// The work of a dock on a worker thread, with a bar and Cancel that show once it has taken
// 100 ms: one piece of work at a time, its progress told from the worker, a serial so that
// only the newest work's results are shown, and the document told to stop it before its
// samples change.

#include <QElapsedTimer>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

class CtesqDoc;
class QHBoxLayout;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

class CDockWork : public QObject {
public:
    // cancelled: after the Cancel button stopped the work. samplesChange: after the document
    // stopped it before changing its samples (on the dock's thread).
    CDockWork(CtesqDoc& doc, QWidget* body, std::function<void()> cancelled,
              std::function<void()> samplesChange);
    ~CDockWork() override;

    // The bar and its Cancel, for the dock's layout.
    QHBoxLayout* Row() const { return m_pRow; }
    // Stops what runs, then runs work(serial) on the worker, to look at `total` samples.
    void Start(std::int64_t total, std::function<void(unsigned serial)> work);
    // For the work's progress: counts n samples, or throws CReadCancelled once it is stopped.
    void Step(std::int64_t n);
    // Whether serial is the newest work's, whose results are to be shown.
    bool Newest(unsigned serial) const { return serial == m_nSerial; }
    // The work ended and its results are shown: the bar goes.
    void Done();
    void Stop();
    // Waits for the work and delivers what it posted to `receiver` (tests).
    void Settle(QObject* receiver);
    bool Running() const { return m_bRunning; }

private:
    void ShowBar(bool on);

    CtesqDoc& m_doc;
    std::thread m_worker;
    std::atomic<bool> m_bCancel{false};
    std::atomic<std::int64_t> m_nDone{0};
    std::int64_t m_nTotal = 1;
    unsigned m_nSerial = 0;
    bool m_bRunning = false;
    QElapsedTimer m_started;
    QTimer* m_pPoll;
    QProgressBar* m_pProgress;
    QPushButton* m_pStop;
    QHBoxLayout* m_pRow;
    int m_nReader;
};
