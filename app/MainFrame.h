#pragma once
// CMainFrame: the one top-level window, with the menu, accelerators, toolbar, status bar and
// the command bar whose EXEC button hands its text to the command interpreter. The view fills
// the rest. Commands go view, document, frame, application.

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/CmdTarget.h"

class CCommandActions;
class CMeasurementsDock;
class CSpectrumDock;
class CtesqDoc;
class CtesqView;
class QLabel;
class QMimeData;
class QLineEdit;
class QPushButton;
class QToolBar;

class CMainFrame : public QMainWindow, public CCmdTarget {
public:
    // app: the last object of the command chain.
    CMainFrame(CtesqDoc& doc, CCmdTarget& app);
    ~CMainFrame() override;

    CtesqView* GetActiveView() const { return m_pView; }
    CtesqDoc* GetActiveDocument() const { return &m_doc; }
    const CCommandRouter& Router() const { return m_router; }
    CCommandActions& Actions() const { return *m_pActions; }
    CCommandRouter& Router() { return m_router; }

    // "osc - " and the document's title.
    void UpdateCaption();
    // The free pane of the status bar.
    void SetStatusText(const QString& text);
    // The recent-file entries enabled as their command is (not while a file is read).
    void RefreshRecentFiles();

    // Fills the recent-file section of the File menu: "Recently files", greyed, while empty.
    void SetRecentFiles(const std::vector<std::string>& paths);
    // Called for a file dropped on the window.
    std::function<void(const std::string&)> m_onDrop;
    // Opens the first local file of dropped data through m_onDrop.
    void OpenDropped(const QMimeData& dropped);
    // Asked before the window closes; false keeps it open.
    std::function<bool()> m_canClose;

    void OnExec();
    void OnViewCmdBar();
    // The flag is the bar's visibility, however it was hidden (the toolbar area's menu,
    // closing it while it floats), and the check mark shows it.
    void OnUpdateViewCmdBar(CCmdUI* pCmdUI);

    CMeasurementsDock* Measurements() const { return m_pMeasurements; }
    CSpectrumDock* SpectrumDock() const { return m_pSpectrum; }
    // Another trace is shown: the Measurements dock takes room for its curves, unless the
    // user gave it a width.
    void DocumentChanged();

    QToolBar* m_wndToolBar;
    QToolBar* m_wndCmdBar;
    QLineEdit* m_wndCmdEdit;
    QPushButton* m_wndExec;
    int m_bShowCmdBar = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    // Gives the keys back to the plot when a dialog of the program closes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateCmdBar();
    void RefreshIndicators();
    void CreateMeasurements();
    void CreateSpectrum();
    // force: also when the user gave it a width.
    void SizeMeasurements(bool force = true);

    CtesqDoc& m_doc;
    CtesqView* m_pView;
    CCommandRouter m_router;
    CCommandActions* m_pActions;
    QLabel* m_pIdle;
    CMeasurementsDock* m_pMeasurements = nullptr;
    CSpectrumDock* m_pSpectrum = nullptr;
    QLabel* m_pIndicators[3] = {};  // CAP, NUM, SCRL
    QElapsedTimer m_indicatorClock;
    QMenu* m_pFileMenu = nullptr;
    std::vector<QAction*> m_recentActions;
    bool m_bShown = false;
    int m_nDockWidthAtPress = -1;  // while the dock's edge may be dragged
};
