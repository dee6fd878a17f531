#include "app/tesqApp.h"

#include <fmt/format.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "app/BackgroundOpen.h"
#include "app/FileFollower.h"
#include "app/LongWorkRunner.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "app/ToolbarIcons.h"
#include "dialogs/DlgProperties.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/RecentFiles.h"
#include "framework/core/Utf8.h"
#include "framework/gui/QtText.h"
#include "generated/Version.h"
#include "res/Resources.h"
#include "trace/document/TraceProperties.h"
#include "trace/formats/capture/CaptureSource.h"
#include "view/ViewExport.h"
#include "view/tesqView.h"

CtesqApp::CtesqApp() {
    AddCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    AddCommand(
        ID_FILE_NEW, [this] { OnFileNew(); }, Touches::document);
    AddCommand(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    AddCommand(
        ID_FILE_OPEN, [this] { OnFileOpen(); }, Touches::document);
    AddCommand(
        ID_FILE_RELOAD, [this] { OnFileReload(); }, Touches::document);
    AddUpdate(ID_FILE_RELOAD, [this](CCmdUI* ui) { ui->Enable(!m_doc.GetPathName().empty()); });
    AddCommand(
        ID_FILE_EXPORT_IMAGE, [this] { OnFileExportImage(); }, Touches::document);
    AddCommand(
        ID_FILE_PROPERTIES, [this] { OnFileProperties(); }, Touches::document);
    AddCommand(ID_VIEW_AUTO_RELOAD, [this] { SetAutoReload(!m_bAutoReload); });
    AddUpdate(ID_VIEW_AUTO_RELOAD, [this](CCmdUI* ui) { ui->SetCheck(m_bAutoReload); });
    AddCommand(ID_APP_EXIT, [this] {
        if (m_pFrame) m_pFrame->close();
    });
}

CtesqApp::~CtesqApp() {
    SetLongWorkRunner({});
    SetRecentFileHook({});
    SaveRecentFiles();
}

bool CtesqApp::InitInstance(const std::vector<std::string>& args) {
    LoadRecentFiles();
    SetRecentFileHook([this](const std::string& path) { AddToRecentFileList(path); });
    CreateFrame();
    m_bAutoReload = AppSettings().value(QStringLiteral("Settings/ReloadOnChange"), false).toBool();
    m_pFollower = new CFileFollower(
        m_pFrame.get(),
        {[this] { return Busy(); },
         // Unsaved changes are never thrown away, nor asked about, by a file that changed.
         [this] { return m_bAutoReload && !m_doc.IsModified(); }, [this] { OnFileReload(true); },
         [this] {
             TellFollowing(m_doc.GetTitle() + " is gone; the last trace read stays shown.");
         }});
    auto* samplesCheck = new QTimer(m_pFrame.get());
    QObject::connect(samplesCheck, &QTimer::timeout, m_pFrame.get(),
                     [this] { CheckSamplesOnDisk(); });
    samplesCheck->start(1000);
    if (args.size() > 1) {
        if (!OpenDocumentFile(args[1])) return false;
    } else {
        OnFileNew();
    }
    m_pFrame->resize(1280, 800);  // room for the plot band; a window manager may change it
    m_pFrame->show();
    return true;
}

void CtesqApp::CreateFrame() {
    m_pFrame = std::make_unique<CMainFrame>(m_doc, *this);
    m_pPrinter = std::make_unique<QPrinter>();
    m_pFrame->GetActiveView()->SetPrinter(m_pPrinter.get());
    m_pFrame->setWindowIcon(ApplicationIcon());
    m_pFrame->SetRecentFiles(m_recent);
    m_pOpen = new CBackgroundOpen(m_doc, m_pFrame->statusBar(), m_pFrame.get());
    m_pWork = new CLongWorkRunner(m_doc, m_pFrame->statusBar(), m_pFrame.get());
    SetLongWorkRunner(
        [this](const std::string& what, std::uint64_t total, bool cancellable,
               const LongWork& work) { return m_pWork->Run(what, total, cancellable, work); });
    m_pOpen->m_onRevert = [this] {
        AfterDocumentChange();
        CtesqView::s_nSelAnchor = m_nAnchorBefore;
        m_pFrame->GetActiveView()->SetScrollPos(m_nPositionBefore);
    };
    // While a read runs, nothing that would touch the document runs.
    m_pFrame->Router().SetDocumentBusy([this] { return Busy(); });
    m_pFrame->m_onDrop = [this](const std::string& path) {
        if (!Busy() && m_doc.SaveModified()) OpenInBackground(path);
    };
    m_pFrame->m_canClose = [this] {
        // Long work that runs is stopped first; the window closes once it is over.
        if (m_pWork->Busy()) {
            m_pWork->Cancel();
            return false;
        }
        m_pOpen->Cancel();
        m_pOpen->Wait();
        return m_doc.SaveModified();
    };
}

bool CtesqApp::Busy() const {
    return m_pOpen->Busy() || m_pWork->Busy();
}

void CtesqApp::CheckSamplesOnDisk() {
    // Not over a dialog, nor while a read is about to replace the trace.
    if (m_bToldSamplesChanged || Busy() || QApplication::activeModalWidget() != nullptr) return;
    // The file the samples are read from, which a Save As in another format leaves as it was.
    const std::string changed = ChangedCaptureName(m_doc.Trace());
    if (changed.empty()) return;
    m_bToldSamplesChanged = true;
    m_pFrame->GetActiveView()->viewport()->update();
    const std::string told = changed +
                             " changed on disk: samples not read before it changed show as gaps "
                             "until it is read again.";
    m_pFrame->statusBar()->showMessage(ToQString(told + " File > Reload reads it again."));
    // With reload on change the watch reads it again; else the user says.
    if ((!m_bAutoReload || m_doc.IsModified()) && AfxAskYesNo(told + " Reload it?")) OnFileReload();
}

void CtesqApp::AfterDocumentChange() {
    // What was said of the trace before is no longer so.
    if (std::exchange(m_bToldSamplesChanged, false)) m_pFrame->statusBar()->clearMessage();
    m_pFrame->GetActiveView()->OnInitialUpdate();
    m_pFrame->UpdateCaption();
    m_pFrame->DocumentChanged();
    WatchCurrentFile();
}

void CtesqApp::WatchCurrentFile() {
    if (m_pFollower != nullptr) m_pFollower->Follow(m_bAutoReload ? m_doc.GetPathName() : "");
}

void CtesqApp::SetAutoReload(bool on) {
    m_bAutoReload = on;
    AppSettings().setValue(QStringLiteral("Settings/ReloadOnChange"), on);
    WatchCurrentFile();
}

void CtesqApp::OnFileReload(bool following) {
    const std::string path = m_doc.GetPathName();
    if (path.empty()) return;
    // What the file holds is here already, with its columns and index: nothing to read.
    if (!m_doc.IsModified() && m_doc.FileUnchangedOnDisk()) {
        if (!following)
            m_pFrame->statusBar()->showMessage(
                ToQString(m_doc.GetTitle() + " is as it was read; nothing to read again."), 5000);
        return;
    }
    // Saving here would write over what the file now holds: the question is whether to let
    // the changes go.
    if (m_doc.IsModified() && !AfxAskYesNo("Discard the changes to " + m_doc.GetTitle() +
                                           " and read it again from disk?"))
        return;
    CtesqView* view = m_pFrame->GetActiveView();
    const int decimation = m_doc.Decimation(), position = view->GetScrollPosition();
    const int selStart = m_doc.SelStart(), selEnd = m_doc.SelEnd();
    // A trace shown whole is at its end too: followed, it keeps to the end as it grows.
    const bool atEnd = position >= view->horizontalScrollBar()->maximum();
    int hidden[CtesqDoc::MAX_CURVES];
    for (int i = 0; i < CtesqDoc::MAX_CURVES; ++i) hidden[i] = m_doc.IsCurveHidden(i) ? 1 : 0;
    OpenInBackground(
        path,
        [=, this] {
            // What still fits the new trace is kept.
            if (decimation > 1 && decimation <= m_doc.Trace().m_nSampleCount)
                m_doc.SetDecimation(decimation);
            if (selEnd <= m_doc.Trace().m_nSampleCount) m_doc.Select(selStart, selEnd);
            for (int i = 0; i < m_doc.Trace().m_nCurveCount; ++i)
                m_doc.SetCurveHidden(i, hidden[i] != 0);
            view->OnInitialUpdate();
            view->SetScrollPos(following && atEnd ? view->horizontalScrollBar()->maximum()
                                                  : position);
            // What the status bar said of the followed file is no longer so.
            if (m_pFrame->statusBar()->currentMessage() == m_strFollowTold)
                m_pFrame->statusBar()->clearMessage();
        },
        {}, following);
}

void CtesqApp::OnFileExportImage() {
    const auto path =
        AfxPromptSaveAs(PictureFilter(), std::string(DefaultPictureExtension()), "Export image");
    if (path) ExportViewImage(*m_pFrame->GetActiveView(), *path);
}

void CtesqApp::OnFileProperties() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TraceProperty& p : TracePropertiesOf(m_doc)) rows.emplace_back(p.name, p.value);
    CDlgProperties dialog("Properties", rows, m_pFrame.get());
    dialog.exec();
}

void CtesqApp::OpenInBackground(const std::string& path, std::function<void()> after,
                                std::function<void(std::size_t)> hook, bool quiet) {
    if (Busy()) return;
    // The framework's check first, at once: a file that cannot be opened says so now (in the
    // status bar when following it: no box stops the user). The modified flag stays until
    // the new trace is in.
    if (quiet) {
        std::string said;
        bool openable = false;
        {
            const CScopedMessageSink status([&said](std::string_view text) { said = text; });
            openable = CDocument::CanOpen(path);
        }
        if (!openable) {
            TellFollowing(said);
            return;
        }
    } else if (!CDocument::CanOpen(path)) {
        ForgetIfGone(path);
        return;
    }
    // A file with more columns than a trace shows asks which, here on the window's thread;
    // a reload keeps the choice, and following a file asks nothing.
    if (path != m_doc.GetPathName()) m_doc.m_curvesToRead.clear();
    if (!quiet && !m_doc.ChooseCurvesFor(path)) return;
    m_pOpen->Start(
        path,
        [this, path, after](bool ok) {
            if (!ok) return;
            // The view still shows where it was in the trace replaced.
            m_nAnchorBefore = CtesqView::s_nSelAnchor;
            m_nPositionBefore = m_pFrame->GetActiveView()->GetScrollPosition();
            // Another trace starts with a fresh anchor; a reload of this one keeps it.
            if (path != m_doc.GetPathName()) CtesqView::s_nSelAnchor = 0;
            m_doc.SetModifiedFlag(false);
            m_doc.SetPathName(path);
            AfterDocumentChange();
            if (after) after();
        },
        std::move(hook), quiet);
}

bool CtesqApp::OpenDocumentFile(const std::string& path) {
    m_doc.m_curvesToRead.clear();
    // A long capture shows before its display columns are built; they are built meanwhile.
    m_doc.m_bDisplayOnOpen = false;
    const bool opened = m_doc.OnOpenDocument(path);
    m_doc.m_bDisplayOnOpen = true;
    if (!opened) return false;
    CtesqView::s_nSelAnchor = 0;
    m_nAnchorBefore = m_nPositionBefore = 0;
    m_doc.SetPathName(path);
    auto before = std::make_unique<CtesqDoc>();  // what a cancel goes back to: a new trace
    before->OnNewDocument();
    before->SetTitle(std::string(IDS_UNTITLED));
    if (!m_pOpen->StartBuilding(std::move(before))) m_doc.BuildDisplayCopies();
    AfterDocumentChange();
    return true;
}

std::string CtesqApp::StartFolder() const {
    const std::string& open = m_doc.GetPathName();
    const std::string& file = !open.empty() ? open : !m_recent.empty() ? m_recent.front() : open;
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash == 0 ? 1 : slash);
}

void CtesqApp::OnFileNew() {
    if (!m_doc.SaveModified()) return;
    m_doc.OnNewDocument();
    CtesqView::s_nSelAnchor = 0;
    m_doc.SetTitle(std::string(IDS_UNTITLED));
    AfterDocumentChange();
}

void CtesqApp::OnFileOpen() {
    const QString path =
        QFileDialog::getOpenFileName(m_pFrame.get(), QString(), PathToQString(StartFolder()),
                                     ToQString("Trace files (" + OpenPatterns() + ")"));
    if (!path.isEmpty() && m_doc.SaveModified()) OpenInBackground(QStringToPath(path));
}

std::string AboutText() {
    return fmt::format("Version: {}\nBuild: {}", TESQV_VERSION, TESQV_BUILD_DATE);
}

void CtesqApp::OnAppAbout() {
    QDialog box(m_pFrame.get());
    box.setWindowTitle(QStringLiteral("About tesqv"));
    auto* layout = new QVBoxLayout(&box);
    // The program's icon at the top left, the text beside it.
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(&box);
    icon->setObjectName(QStringLiteral("IDR_MAINFRAME"));
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    top->addWidget(icon);
    top->addWidget(new QLabel(ToQString(AboutText()), &box), 1);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.exec();
}

void CtesqApp::OnFilePrintSetup() {
    QPageSetupDialog dialog(m_pPrinter.get(), m_pFrame.get());
    dialog.exec();
}

void CtesqApp::AddToRecentFileList(const std::string& given) {
    // Absolute, so that the entry still names the file when the program starts elsewhere;
    // kept at once, so that a session that ends badly keeps it too.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(given, error);
    const std::string path = error ? given : absolute.lexically_normal().string();
    std::erase(m_recent, path);
    m_recent.insert(m_recent.begin(), path);
    if (m_recent.size() > MAX_RECENT_FILES) m_recent.resize(MAX_RECENT_FILES);
    if (m_pFrame) m_pFrame->SetRecentFiles(m_recent);
    SaveRecentFiles();
}

void CtesqApp::TellFollowing(const std::string& text) {
    m_strFollowTold = ToQString(text);
    m_pFrame->statusBar()->showMessage(m_strFollowTold, 15000);
}

void CtesqApp::ForgetIfGone(const std::string& path) {
    std::error_code unknown;
    if (std::filesystem::exists(path, unknown) || unknown) return;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::string entry = error ? path : absolute.lexically_normal().string();
    if (std::erase(m_recent, entry) == 0) return;
    if (m_pFrame) m_pFrame->SetRecentFiles(m_recent);
    SaveRecentFiles();
}

void CtesqApp::LoadRecentFiles() {
    QSettings settings = AppSettings();
    m_recent.clear();
    for (std::size_t i = 1; i <= MAX_RECENT_FILES; ++i) {
        // Text for a UTF-8 path, bytes for any other.
        const QVariant value = settings.value(QStringLiteral("Recent File List/File%1").arg(i));
        const std::string path = value.typeId() == QMetaType::QByteArray
                                     ? value.toByteArray().toStdString()
                                     : value.toString().toStdString();
        if (!path.empty()) m_recent.push_back(path);
    }
}

void CtesqApp::SaveRecentFiles() const {
    QSettings settings = AppSettings();
    settings.remove(QStringLiteral("Recent File List"));
    for (std::size_t i = 0; i < m_recent.size(); ++i)
        settings.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1),
                          SanitizeUtf8(m_recent[i]) == m_recent[i]
                              ? QVariant(ToQString(m_recent[i]))
                              : QVariant(QByteArray::fromStdString(m_recent[i])));
}
