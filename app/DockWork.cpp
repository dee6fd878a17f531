#include "app/DockWork.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "framework/core/File.h"
#include "framework/core/TwoThreads.h"
#include "trace/document/Document.h"

CDockWork::CDockWork(CtesqDoc& doc, QWidget* body, std::function<void()> cancelled,
                     std::function<void()> samplesChange)
    : QObject(body), m_doc(doc) {
    m_pRow = new QHBoxLayout;
    m_pProgress = new QProgressBar(body);
    m_pProgress->setRange(0, 1000);
    m_pProgress->setTextVisible(false);
    m_pStop = new QPushButton(QStringLiteral("Cancel"), body);
    QObject::connect(m_pStop, &QPushButton::clicked, this, [this, cancelled] {
        Stop();
        ++m_nSerial;  // a result already on its way is not the one shown
        ShowBar(false);
        if (cancelled) cancelled();
    });
    m_pRow->addWidget(m_pProgress, 1);
    m_pRow->addWidget(m_pStop);
    ShowBar(false);
    m_pPoll = new QTimer(this);
    m_pPoll->setInterval(50);
    QObject::connect(m_pPoll, &QTimer::timeout, this, [this] {
        if (m_started.elapsed() < 100) return;  // quick work shows no bar
        ShowBar(true);
        m_pProgress->setValue(
            static_cast<int>(1000 * std::min<std::int64_t>(m_nDone, m_nTotal) / m_nTotal));
    });
    // The samples are about to change: the work stops, and starts again on what comes. The
    // dock's widgets are touched on the window's thread only.
    m_nReader = m_doc.AddSampleReader([this, samplesChange] {
        Stop();
        const auto after = [this, samplesChange] {
            ++m_nSerial;  // a result on its way is of the samples that were
            ShowBar(false);
            if (samplesChange) samplesChange();
        };
        if (QThread::currentThread() == thread())
            after();
        else
            QMetaObject::invokeMethod(this, after, Qt::QueuedConnection);
    });
}

CDockWork::~CDockWork() {
    Stop();
    m_doc.RemoveSampleReader(m_nReader);
}

void CDockWork::Start(std::int64_t total, std::function<void(unsigned serial)> work) {
    Stop();
    m_bCancel = false;
    m_bRunning = true;
    m_nDone = 0;
    m_nTotal = std::max<std::int64_t>(1, total);
    m_started.start();
    m_pPoll->start();
    const unsigned serial = ++m_nSerial;
    m_worker = std::thread([serial, work = std::move(work)] {
        GiveWayToTheWindow();
        try {
            work(serial);
        } catch (const CReadCancelled&) {
        }
    });
}

void CDockWork::Step(std::int64_t n) {
    if (m_bCancel) throw CReadCancelled();
    m_nDone += n;
}

void CDockWork::Done() {
    if (m_worker.joinable()) m_worker.join();
    m_pPoll->stop();
    m_bRunning = false;
    ShowBar(false);
}

void CDockWork::Stop() {
    m_bCancel = true;
    if (m_worker.joinable()) m_worker.join();
    m_pPoll->stop();
    m_bRunning = false;
}

void CDockWork::Settle(QObject* receiver) {
    // Showing may start the work again (the Measurements dock with fewer digits): until it rests.
    for (int round = 0; round < 10 && m_bRunning; ++round) {
        if (m_worker.joinable()) m_worker.join();
        QCoreApplication::sendPostedEvents(receiver);
    }
}

void CDockWork::ShowBar(bool on) {
    m_pProgress->setVisible(on);
    m_pStop->setVisible(on);
}
