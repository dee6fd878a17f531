#include "app/MainFrame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

#include "app/MeasurementsDock.h"
#include "app/Settings.h"
#include "app/SpectrumDock.h"
#include "app/ToolbarIcons.h"
#include "framework/gui/CommandActions.h"
#include "framework/gui/LockKeys.h"
#include "framework/gui/QtDC.h"
#include "framework/gui/QtText.h"
#include "res/Resources.h"
#include "trace/document/Document.h"
#include "view/tesqView.h"

CMainFrame::CMainFrame(CtesqDoc& doc, CCmdTarget& app) : m_doc(doc) {
    m_pView = new CtesqView(this);
    setCentralWidget(m_pView);
    m_pView->SetDocument(&doc);
    doc.AddView(m_pView);
    m_router.SetChain({m_pView, &m_doc, this, &app});
    setAcceptDrops(true);
    m_pActions = new CCommandActions(m_router, this);

    AddCommand(
        IDC_EXEC, [this] { OnExec(); }, Touches::document);
    AddCommand(ID_VIEW_CMDBAR, [this] { OnViewCmdBar(); });
    AddUpdate(ID_VIEW_CMDBAR, [this](CCmdUI* ui) { OnUpdateViewCmdBar(ui); });

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    m_pView->m_setStatusText = [this](const QString& text) { SetStatusText(text); };
    CreateCmdBar();
    CreateMeasurements();
    CreateSpectrum();
    UpdateCaption();
    m_doc.m_onTitleChanged = [this] { UpdateCaption(); };
    m_pActions->Refresh();
    // When a dialog of this window closes, the keys go back to the plot, where they were.
    qApp->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && qobject_cast<QDialog*>(watched) != nullptr &&
        static_cast<QWidget*>(watched)->isWindow())
        QTimer::singleShot(0, this, [this] {
            if (QApplication::activeModalWidget() == nullptr) m_pView->setFocus();
        });
    return QMainWindow::eventFilter(watched, event);
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    // The dock is hidden as the window goes; that is no choice of the user's to keep.
    QObject::disconnect(m_pMeasurements, nullptr, this, nullptr);
    QObject::disconnect(m_pSpectrum, nullptr, this, nullptr);
    m_doc.m_onTitleChanged = nullptr;
}

void CMainFrame::CreateActions() {
    for (const Menu& menu : MainMenu())
        for (const MenuItem& item : menu.items) {
            if (item.id == ID_SEPARATOR || m_pActions->Action(item.id)) continue;
            const std::string_view label = item.text.substr(0, item.text.find('\t'));
            QList<QKeySequence> keys;
            for (const Accelerator& a : MainAccelerators())
                if (a.id == item.id) keys.append(QKeySequence(ToQString(a.keys)));
            const bool checkable = item.id == ID_VIEW_CMDBAR || item.id == ID_VIEW_TOOLBAR ||
                                   item.id == ID_VIEW_MEASUREMENTS || item.id == ID_VIEW_SPECTRUM ||
                                   item.id == ID_VIEW_AUTO_RELOAD || item.id == ID_VIEW_STATUS_BAR;
            m_pActions->Add(item.id, ToQString(label), keys, checkable);
        }
    for (const unsigned id : {ID_ZOOM_OUT, ID_ZOOM_IN}) {
        const std::string_view prompt = CommandPrompt(id);
        m_pActions->Add(id, ToQString(prompt.substr(prompt.find('\n') + 1)));
    }
    // Accelerators of commands without a menu item (F6, Shift+F6, the zoom keys) still
    // belong to the window.
    for (const Accelerator& a : MainAccelerators()) {
        QAction* action = m_pActions->Action(a.id);
        if (action == nullptr) {
            action = m_pActions->Add(a.id, ToQString(a.keys), {QKeySequence(ToQString(a.keys))});
        } else if (!action->shortcuts().contains(QKeySequence(ToQString(a.keys)))) {
            QList<QKeySequence> keys = action->shortcuts();
            keys.append(QKeySequence(ToQString(a.keys)));
            action->setShortcuts(keys);
        }
        addAction(action);
    }
    // Status prompt, a line break, then the tool tip.
    for (const unsigned id : MainToolbar()) {
        const std::string_view prompt = CommandPrompt(id);
        if (prompt.empty()) continue;
        QAction* action = m_pActions->Action(id);
        action->setStatusTip(ToQString(prompt.substr(0, prompt.find('\n'))));
        action->setToolTip(ToQString(prompt.substr(prompt.find('\n') + 1)));
    }
}

void CMainFrame::CreateMenus() {
    for (const Menu& menu : MainMenu()) {
        QMenu* m = menuBar()->addMenu(ToQString(menu.title));
        if (m_pFileMenu == nullptr) m_pFileMenu = m;
        m_pActions->WatchMenu(m);
        for (const MenuItem& item : menu.items) {
            if (item.id == ID_SEPARATOR)
                m->addSeparator();
            else
                m->addAction(m_pActions->Action(item.id));
        }
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = addToolBar(QStringLiteral("Tool bar"));
    m_wndToolBar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    m_wndToolBar->setIconSize(QSize(32, 32));
    m_wndToolBar->setMovable(false);
    for (const unsigned id : MainToolbar()) {
        QAction* action = m_pActions->Action(id);
        action->setIcon(ToolbarIcon(id));
        m_wndToolBar->addAction(action);
    }
    AddCommand(ID_VIEW_TOOLBAR, [this] { m_wndToolBar->setVisible(!m_wndToolBar->isVisible()); });
    AddUpdate(ID_VIEW_TOOLBAR,
              [this](CCmdUI* ui) { ui->SetCheck(m_wndToolBar->isVisibleTo(this)); });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    m_pIdle = new QLabel(ToQString(IDS_IDLEMESSAGE));
    bar->addWidget(m_pIdle, 1);
    // Each indicator shows its text only while its lock is on; where the platform does not
    // tell the locks' state, they show nothing.
    for (QLabel*& indicator : m_pIndicators) {
        indicator = new QLabel(bar);
        bar->addPermanentWidget(indicator);
    }
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            RefreshIndicators();
            RefreshRecentFiles();
            if (m_pMeasurements != nullptr) m_pMeasurements->Refresh();
            if (m_pSpectrum != nullptr) m_pSpectrum->Refresh();
        });
    RefreshIndicators();
    // The entries open their own file; the command stands for the list as a whole, whose
    // state they take (RefreshRecentFiles).
    AddCommand(
        ID_FILE_MRU_FILE1, [] {}, Touches::document);
    AddUpdate(ID_FILE_MRU_FILE1, [this](CCmdUI* ui) { ui->Enable(!m_recentActions.empty()); });
    AddCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    AddUpdate(ID_VIEW_STATUS_BAR,
              [this](CCmdUI* ui) { ui->SetCheck(statusBar()->isVisibleTo(this)); });
}

void CMainFrame::RefreshIndicators() {
    // Going idle happens often; the keyboard's state is read at most ten times a second.
    if (m_indicatorClock.isValid() && m_indicatorClock.elapsed() < 100) return;
    m_indicatorClock.start();
    const std::optional<LockKeys> locks = ReadLockKeys();
    const bool on[] = {locks && locks->caps, locks && locks->num, locks && locks->scroll};
    const char* const texts[] = {"CAP", "NUM", "SCRL"};
    for (int k = 0; k < 3; ++k) {
        const QString text = on[k] ? QString::fromLatin1(texts[k]) : QString();
        if (m_pIndicators[k]->text() != text) m_pIndicators[k]->setText(text);
    }
}

void CMainFrame::SetStatusText(const QString& text) {
    m_pIdle->setText(text);
}

void CMainFrame::CreateCmdBar() {
    // Docks at the top or the bottom only, in the toolbar's row, right of it.
    m_wndCmdBar = new QToolBar(QStringLiteral("Contol bar"), this);
    m_wndCmdBar->setObjectName(QStringLiteral("ID_VIEW_CMDBAR"));
    m_wndCmdBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    auto* strip = new QWidget(m_wndCmdBar);
    strip->setFixedSize(370, 40);
    m_wndCmdEdit = new QLineEdit(strip);
    m_wndCmdEdit->setGeometry(10, 10, 240, 20);
    m_wndExec = new QPushButton(QStringLiteral("EXEC"), strip);
    m_wndExec->setGeometry(260, 10, 100, 20);
    m_wndExec->setDefault(true);
    m_wndCmdBar->addWidget(strip);
    addToolBar(Qt::TopToolBarArea, m_wndCmdBar);
    QObject::connect(m_wndExec, &QPushButton::clicked, this,
                     [this] { m_router.Execute(IDC_EXEC); });
    QObject::connect(m_wndCmdEdit, &QLineEdit::returnPressed, this,
                     [this] { m_router.Execute(IDC_EXEC); });
    m_wndCmdBar->setVisible(m_bShowCmdBar != 0);
}

void CMainFrame::CreateMeasurements() {
    m_pMeasurements = new CMeasurementsDock(m_doc, this);
    m_pMeasurements->m_afterCopy = [this] { m_pView->setFocus(); };
    addDockWidget(Qt::RightDockWidgetArea, m_pMeasurements);
    // Hidden at first; shown again if it was shown when the program last ended.
    const QSettings settings = AppSettings();
    m_pMeasurements->setVisible(
        settings.value(QStringLiteral("Settings/Measurements"), false).toBool());
    AddCommand(ID_VIEW_MEASUREMENTS, [this] {
        m_pMeasurements->setVisible(!m_pMeasurements->isVisibleTo(this));
        if (m_pMeasurements->isVisibleTo(this)) SizeMeasurements();
        m_pMeasurements->Refresh();
    });
    AddUpdate(ID_VIEW_MEASUREMENTS,
              [this](CCmdUI* ui) { ui->SetCheck(m_pMeasurements->isVisibleTo(this)); });
    QObject::connect(m_pMeasurements, &QDockWidget::visibilityChanged, this, [this] {
        AppSettings().setValue(QStringLiteral("Settings/Measurements"),
                               m_pMeasurements->isVisibleTo(this));
    });
}

// Under the plot, as wide as it, where a frequency axis has room.
void CMainFrame::CreateSpectrum() {
    m_pSpectrum = new CSpectrumDock(
        m_doc, [this](int curve) { return ToQColor(m_pView->m_crCurve[curve]); }, this);
    m_pSpectrum->m_afterCopy = [this] { m_pView->setFocus(); };
    addDockWidget(Qt::BottomDockWidgetArea, m_pSpectrum);
    const QSettings settings = AppSettings();
    m_pSpectrum->setVisible(settings.value(QStringLiteral("Settings/Spectrum"), false).toBool());
    AddCommand(ID_VIEW_SPECTRUM, [this] {
        m_pSpectrum->setVisible(!m_pSpectrum->isVisibleTo(this));
        m_pSpectrum->Refresh();
    });
    AddUpdate(ID_VIEW_SPECTRUM,
              [this](CCmdUI* ui) { ui->SetCheck(m_pSpectrum->isVisibleTo(this)); });
    QObject::connect(m_pSpectrum, &QDockWidget::visibilityChanged, this, [this] {
        AppSettings().setValue(QStringLiteral("Settings/Spectrum"), m_pSpectrum->isVisibleTo(this));
    });
}

void CMainFrame::SizeMeasurements(bool force) {
    // The width the user last dragged it to; else room for every curve, but never most of the
    // window.
    const int dragged =
        AppSettings().value(QStringLiteral("Settings/MeasurementsWidth"), 0).toInt();
    if (!force && dragged > 0) return;
    const int width =
        dragged > 0 ? dragged : std::min(m_pMeasurements->NaturalWidth(), this->width() * 2 / 5);
    resizeDocks({m_pMeasurements}, {width}, Qt::Horizontal);
}

void CMainFrame::DocumentChanged() {
    if (m_pMeasurements->isVisibleTo(this)) SizeMeasurements(false);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Sized before the window had its size, the dock would keep a width made for another.
    if (!m_bShown && m_pMeasurements->isVisibleTo(this)) SizeMeasurements();
    m_bShown = true;
}

// The dock's edge is the window's own, not a child's: a press there and a release elsewhere
// with another width is the user dragging it, and that width is kept. Nothing else that
// changes the dock's width (a drag in the plot, a smaller window) is kept.
bool CMainFrame::event(QEvent* event) {
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (!press && !release) return QMainWindow::event(event);
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (press && mouse->button() == Qt::LeftButton &&
        childAt(mouse->position().toPoint()) == nullptr && m_pMeasurements->isVisibleTo(this))
        m_nDockWidthAtPress = m_pMeasurements->width();
    const bool dragged = release && mouse->button() == Qt::LeftButton && m_nDockWidthAtPress >= 0;
    const bool handled = QMainWindow::event(event);
    if (dragged) {
        if (m_pMeasurements->width() != m_nDockWidthAtPress)
            AppSettings().setValue(QStringLiteral("Settings/MeasurementsWidth"),
                                   m_pMeasurements->width());
        m_nDockWidthAtPress = -1;
    }
    return handled;
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A window made narrower keeps most of its width for the plot.
    const int most = width() * 2 / 5;
    if (event->size().width() < event->oldSize().width() && m_pMeasurements->isVisibleTo(this) &&
        m_pMeasurements->width() > most)
        resizeDocks({m_pMeasurements}, {most}, Qt::Horizontal);
}

void CMainFrame::OnUpdateViewCmdBar(CCmdUI* pCmdUI) {
    m_bShowCmdBar = m_wndCmdBar->isVisibleTo(this) ? 1 : 0;
    pCmdUI->SetCheck(m_bShowCmdBar);
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& paths) {
    QAction* placeholder = m_pActions->Action(ID_FILE_MRU_FILE1);
    for (QAction* old : m_recentActions) {
        m_pFileMenu->removeAction(old);
        old->deleteLater();
    }
    m_recentActions.clear();
    placeholder->setVisible(paths.empty());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        // "&1".."&9", then "1&0"; an '&' in the path is shown as one, not as a mnemonic.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1)
                                     : QStringLiteral("%1&%2").arg((i + 1) / 10).arg((i + 1) % 10);
        QString shown = PathToQString(paths[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(number + QLatin1Char(' ') + shown, this);
        const std::string path = paths[i];
        QObject::connect(action, &QAction::triggered, this, [this, path] {
            if (m_onDrop) m_onDrop(path);
        });
        m_pFileMenu->insertAction(placeholder, action);
        m_recentActions.push_back(action);
    }
    RefreshRecentFiles();
}

void CMainFrame::RefreshRecentFiles() {
    // The entries go by the list's own rule (and the gate that closes it while a file is
    // read): a click that would be ignored is not offered.
    const bool enabled = m_router.IsEnabled(ID_FILE_MRU_FILE1);
    for (QAction* action : m_recentActions) action->setEnabled(enabled);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    OpenDropped(*event->mimeData());
}

void CMainFrame::OpenDropped(const QMimeData& dropped) {
    // One file at a time, as File Open does; the first local file of the drop.
    for (const QUrl& url : dropped.urls())
        if (url.isLocalFile()) {
            if (m_onDrop) m_onDrop(UrlToPath(url));
            break;
        }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_canClose && !m_canClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::UpdateCaption() {
    setWindowTitle(ToQString(IDS_FRAME_TITLE) + QStringLiteral(" - ") +
                   PathToQString(m_doc.GetTitle()));
}

void CMainFrame::OnExec() {
    // The text goes as it is, untrimmed; the interpreter shows its own failures, and the
    // display copies and the view are left as they are.
    m_doc.ExecuteCommand(m_wndCmdEdit->text().toStdString());
}

void CMainFrame::OnViewCmdBar() {
    m_bShowCmdBar = m_wndCmdBar->isVisibleTo(this) ? 0 : 1;
    m_wndCmdBar->setVisible(m_bShowCmdBar != 0);
}
