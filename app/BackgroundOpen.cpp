#include "app/BackgroundOpen.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <utility>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/RecentFiles.h"
#include "framework/core/TwoThreads.h"
#include "framework/gui/QtText.h"
#include "trace/document/Document.h"
#include "trace/formats/ReadFailures.h"
#include "trace/formats/capture/CaptureSource.h"

namespace {

// What a failure that reached the worker's end says.
std::string FailureText(const std::string& path, const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const CFileException& e) {
        return e.GetErrorMessage();
    } catch (const std::bad_alloc&) {
        return NoMemoryMessage(path);
    } catch (const std::exception& e) {
        return path + " could not be opened: " + e.what() + ".";
    } catch (...) {
        return path + " could not be opened.";
    }
}

// The trace's samples, read from the same sources, for another thread to build over.
CTraceData SourcesOf(const CTraceData& trace) {
    CTraceData over;
    over.m_nCurveCount = trace.m_nCurveCount;
    over.m_nSampleCount = trace.m_nSampleCount;
    for (int i = 0; i < over.m_nCurveCount; ++i)
        over.m_pSamples[i] = CCurveSamples(trace.m_pSamples[i].SharedSource());
    return over;
}

}  // namespace

std::int64_t CBackgroundOpen::s_nShowFirstFrom = std::int64_t{1} << 24;

struct CBackgroundOpen::Result {
    std::shared_ptr<CtesqDoc> trace;
    // The display columns of a trace that showed first, built over its samples.
    CDisplayColumns built[CTraceData::MAX_CURVES];
    CStatsIndex stats[CTraceData::MAX_CURVES];
    std::vector<std::string> messages, notices;
    bool ok = false;
    bool cancelled = false;
};

CBackgroundOpen::CBackgroundOpen(CtesqDoc& doc, QStatusBar* bar, QWidget* window)
    : QObject(window), m_doc(doc), m_pBar(bar) {
    m_pProgress = new QProgressBar(bar);
    m_pProgress->setRange(0, 1000);
    m_pProgress->setMaximumWidth(220);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), bar);
    bar->addPermanentWidget(m_pProgress);
    bar->addPermanentWidget(m_pCancel);
    m_pProgress->hide();
    m_pCancel->hide();
    QObject::connect(m_pCancel, &QPushButton::clicked, this, [this] { Cancel(); });
    m_pEscape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    m_pEscape->setEnabled(false);
    QObject::connect(m_pEscape, &QShortcut::activated, this, [this] { Cancel(); });
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(300);
    QObject::connect(&m_showTimer, &QTimer::timeout, this, [this] { ShowProgress(); });
    m_progressTimer.setInterval(100);
    QObject::connect(&m_progressTimer, &QTimer::timeout, this,
                     [this] { m_pProgress->setValue(static_cast<int>(1000 * Progress())); });
}

CBackgroundOpen::~CBackgroundOpen() {
    m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

bool CBackgroundOpen::ShowsFirst(const CTraceData& trace) {
    if (trace.m_nCurveCount <= 0 || trace.m_nSampleCount < s_nShowFirstFrom) return false;
    for (int i = 0; i < trace.m_nCurveCount; ++i)
        if (!trace.m_pSamples[i] || trace.m_pSamples[i].Floats()) return false;
    return true;
}

void CBackgroundOpen::BeginWork(const std::string& path, std::uint64_t total, Done done,
                                bool quiet) {
    m_total = std::max<std::uint64_t>(1, total);
    m_bytes = 0;
    m_cancel = false;
    m_done = std::move(done);
    m_bQuiet = quiet;
    m_path = path;
    m_doc.SetBusy(true);
    m_pEscape->setEnabled(true);
    m_showTimer.start();
}

void CBackgroundOpen::RunOnWorker(std::function<void(Result&)> work) {
    m_worker = std::thread([this, work = std::move(work)] {
        GiveWayToTheWindow();
        auto result = std::make_shared<Result>();
        {
            CThreadMessageSink sink(
                [&result](std::string_view text) { result->messages.emplace_back(text); },
                [&result](std::string_view text) { result->notices.emplace_back(text); });
            try {
                work(*result);
            } catch (const CReadCancelled&) {
                result->cancelled = true;
            } catch (...) {
                // Nothing ends the program from here: whatever went wrong is a failed open,
                // said on the window's thread, and the trace that is open stays.
                result->ok = false;
                result->messages.push_back(FailureText(m_path, std::current_exception()));
            }
        }
        QMetaObject::invokeMethod(
            this, [this, result] { Finish(result); }, Qt::QueuedConnection);
    });
}

std::function<void(std::int64_t)> CBackgroundOpen::Counting(double perSample) {
    return [this, perSample](std::int64_t n) {
        if (m_cancel) throw CReadCancelled();
        m_bytes += static_cast<std::uint64_t>(perSample * static_cast<double>(n));
    };
}

void CBackgroundOpen::CheckUnchanged(const CTraceData& trace, Result& result) const {
    // A capture's samples are read as its columns are built: a file that changed meanwhile
    // would show what was read of it and gaps for the rest.
    if (result.ok && SamplesChangedOnDisk(trace)) {
        result.ok = false;
        result.messages.push_back(m_path + " changed while it was read; it was not opened.");
    }
}

void CBackgroundOpen::BuildShown(const CTraceData& over, Result& result,
                                 const std::function<void(std::int64_t)>& progress) {
    const auto step = [this, &progress](std::int64_t n) {
        if (m_onBuildStep) m_onBuildStep();
        progress(n);
    };
    result.ok = true;
    for (int i = 0; i < over.m_nCurveCount && result.ok; ++i)
        if (!result.built[i].Build(over.m_pSamples[i], over.m_nSampleCount, step) ||
            !result.stats[i].Build(over.m_pSamples[i], over.m_nSampleCount, step)) {
            result.ok = false;
            AfxMessageBox("deefery alloc failure!");
        }
    CheckUnchanged(over, result);
}

bool CBackgroundOpen::Start(const std::string& path, Done done, ReadHook hook, bool quiet) {
    if (Busy()) return false;
    struct stat st {};
    const std::uint64_t length =
        ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    // The reader's passes over the file, then one over the samples for the display columns.
    const int passes = CtesqDoc::ReadPasses(path);
    // Another file, opened by the user: a reload keeps its zoom, which needs the columns.
    const bool mayShowFirst = !quiet && path != m_doc.GetPathName();
    BeginWork(path, length * static_cast<std::uint64_t>(passes + 1), std::move(done), quiet);
    auto trace = std::make_unique<CtesqDoc>();
    trace->m_nOscFormat = m_doc.m_nOscFormat;  // a text read keeps the encoding, as in place
    trace->m_curvesToRead = m_doc.m_curvesToRead;
    RunOnWorker([this, path, hook, passes, mayShowFirst,
                 trace = std::shared_ptr<CtesqDoc>(std::move(trace))](Result& result) mutable {
        result.ok = trace->ReadTraceFile(path, [this, &hook](std::size_t n) {
            if (m_cancel) throw CReadCancelled();
            m_bytes += n;
            if (hook) hook(n);
        });
        if (!result.ok) return;
        // The display columns too, off the window's thread: on a long trace they take a pass
        // over every sample, the bar's last stage, which Cancel stops as well. It fills what
        // the read left of the bar (a capture's read tells next to nothing).
        const std::uint64_t share = m_total.load() / static_cast<std::uint64_t>(passes + 1);
        m_total = std::max<std::uint64_t>(1, m_bytes.load() + share);
        // Two passes over every sample: the display columns and the statistics index.
        const double perSample =
            static_cast<double>(share) /
            std::max(1.0, 2.0 * static_cast<double>(trace->Trace().m_nSampleCount) *
                              trace->Trace().m_nCurveCount);
        const auto progress = Counting(perSample);
        if (!mayShowFirst || !ShowsFirst(trace->Trace())) {
            trace->BuildDisplayCopies(progress);
            CheckUnchanged(trace->Trace(), result);
            result.trace = std::move(trace);
            return;
        }
        // The window shows the trace now; its columns are built here over the same sources,
        // which take reads from several threads.
        const CTraceData over = SourcesOf(trace->Trace());
        trace->PrepareDisplayColumns();
        auto shown = std::make_shared<Result>();
        shown->trace = std::move(trace);  // the window's from now on
        shown->notices = std::exchange(result.notices, {});
        QMetaObject::invokeMethod(
            this, [this, shown] { ShowFirst(shown); }, Qt::QueuedConnection);
        BuildShown(over, result, progress);
    });
    return true;
}

bool CBackgroundOpen::StartBuilding(std::unique_ptr<CtesqDoc> before) {
    if (Busy() || !ShowsFirst(m_doc.Trace())) return false;
    BeginWork(m_doc.GetPathName(),
              2 * static_cast<std::uint64_t>(m_doc.Trace().m_nSampleCount) *
                  static_cast<std::uint64_t>(m_doc.Trace().m_nCurveCount),
              {}, false);
    CTraceData over = SourcesOf(m_doc.Trace());
    m_doc.PrepareDisplayColumns();
    m_pBefore = std::move(before);
    RunOnWorker([this, over = std::make_shared<CTraceData>(std::move(over))](Result& result) {
        BuildShown(*over, result, Counting(1));
    });
    return true;
}

void CBackgroundOpen::Tell(const std::string& text) {
    m_strTold = ToQString(text);
    m_pBar->showMessage(m_strTold, 15000);
}

double CBackgroundOpen::Progress() const {
    return std::min(1.0, static_cast<double>(m_bytes.load()) /
                             static_cast<double>(std::max<std::uint64_t>(m_total.load(), 1)));
}

void CBackgroundOpen::Cancel() {
    m_cancel = true;
}

void CBackgroundOpen::Wait() {
    if (!Busy()) return;
    m_worker.join();
    // The worker's queued Finish runs when the loop next turns; run its work now instead.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CBackgroundOpen::ShowProgress() {
    if (!Busy()) return;
    m_pProgress->setValue(0);
    m_pProgress->show();
    m_pCancel->show();
    m_progressTimer.start();
}

void CBackgroundOpen::ShowFirst(const std::shared_ptr<Result>& shown) {
    if (m_cancel) return;  // the Finish that follows leaves everything as it was
    m_pBefore = std::make_unique<CtesqDoc>();
    m_pBefore->SwapContents(m_doc);
    m_doc.m_curvesToRead = shown->trace->m_curvesToRead;
    m_doc.AdoptTrace(*shown->trace);
    for (const std::string& n : shown->notices) AfxNotice(n);
    if (Done done = std::move(m_done)) done(true);
}

void CBackgroundOpen::Revert() {
    m_doc.SwapContents(*m_pBefore);
    m_pBefore.reset();
    if (m_onRevert) m_onRevert();
}

void CBackgroundOpen::Finish(const std::shared_ptr<Result>& result) {
    if (m_worker.joinable()) m_worker.join();
    m_showTimer.stop();
    m_progressTimer.stop();
    m_pProgress->hide();
    m_pCancel->hide();
    m_pEscape->setEnabled(false);
    m_doc.SetBusy(false);
    if (m_pBefore) {
        // The trace showed first: with its columns it stays, else the one before is back.
        if (!result->cancelled && !m_cancel && result->ok) {
            m_doc.TakeBuiltColumns(result->built, result->stats);
            m_pBefore.reset();
            AfxAddToRecentFileList(m_path);
        } else {
            Revert();
            if (!result->cancelled && !m_cancel)
                for (const std::string& m : result->messages) AfxMessageBox(m);
        }
        return;
    }
    Done done = std::move(m_done);
    bool ok = false;
    if (result->cancelled || m_cancel) {
        // Nothing was shown and nothing changed: the open trace stays as it was.
    } else if (!result->ok) {
        // Following a file, nothing stops the user: the status bar says it, and the file's
        // next change is tried again.
        for (const std::string& m : result->messages) {
            if (m_bQuiet)
                Tell(m);
            else
                AfxMessageBox(m);
        }
    } else if (m_bQuiet && result->trace->Trace().m_nSampleCount == 0 &&
               m_doc.Trace().m_nSampleCount > 0) {
        // A followed file emptied to be written anew: what was shown stays, with its zoom and
        // selection, until samples are back.
        Tell(m_doc.GetTitle() + " holds no samples now; the last trace read stays shown.");
    } else {
        // What a read of the file said before is no longer so.
        if (m_pBar->currentMessage() == m_strTold) m_pBar->clearMessage();
        m_doc.AdoptTrace(*result->trace);
        AfxAddToRecentFileList(m_path);
        if (!m_bQuiet)
            for (const std::string& n : result->notices) AfxNotice(n);
        ok = true;
    }
    if (done) done(ok);
}
