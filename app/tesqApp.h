#pragma once
// CtesqApp: starts the program, owns the one document and its main window, keeps the
// recent-file list, and handles About, File New, File Open and Print option.

#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/CmdTarget.h"
#include "trace/document/Document.h"

class CMainFrame;

// The about box's text: a version line and a build line.
std::string AboutText();
class CBackgroundOpen;
class CFileFollower;
class CLongWorkRunner;
class QPrinter;

class CtesqApp : public CCmdTarget {
public:
    static constexpr std::size_t MAX_RECENT_FILES = 10;

    CtesqApp();
    ~CtesqApp() override;

    // Opens the file named on the command line, or starts a new document titled "noname", and
    // shows the window. False when the named file did not open: the program then ends.
    // args: the command line as the system gave it (a path's bytes need not be UTF-8).
    bool InitInstance(const std::vector<std::string>& args);

    // Opens at once (start-up, where a failed open ends the program). A long capture's
    // display columns are then built on a worker (CBackgroundOpen::StartBuilding); a cancel
    // meanwhile leaves a new trace.
    bool OpenDocumentFile(const std::string& path);
    // Opens on a worker thread; `after` runs once the document shows the new trace. hook:
    // told every read's byte count on the worker (progress for tests; may throw to stop).
    void OpenInBackground(const std::string& path, std::function<void()> after = {},
                          std::function<void(std::size_t)> hook = {}, bool quiet = false);
    CBackgroundOpen& Opener() { return *m_pOpen; }
    CLongWorkRunner& Worker() { return *m_pWork; }
    // A read, or long work (a save), runs: nothing else may touch the document meanwhile.
    bool Busy() const;
    void OnFileNew();
    void OnFileOpen();
    // Where the file dialogs start: the folder of the open trace, else of the last file
    // opened; empty for the working folder.
    std::string StartFolder() const;
    void OnAppAbout();
    void OnFilePrintSetup();
    // File > Reload: the current file again, after the usual question when it was changed,
    // keeping zoom, position, selection and hidden curves where they fit the new trace.
    // following: a view at the end stays at the end.
    void OnFileReload(bool following = false);
    void OnFileExportImage();
    // File > Properties: the trace's file, format, step and where it came from, header items
    // and the notices of its read.
    void OnFileProperties();
    // View > Reload when the file changes: watches the file, reloading at most twice a
    // second; remembered in the settings.
    void SetAutoReload(bool on);
    bool AutoReload() const { return m_bAutoReload; }

    // A capture is read from its file as it is shown: once that file changed on disk, says
    // so once and offers to read it again. Run every second.
    void CheckSamplesOnDisk();

    void AddToRecentFileList(const std::string& path);
    const std::vector<std::string>& RecentFiles() const { return m_recent; }

    CMainFrame* GetMainWnd() const { return m_pFrame.get(); }
    CtesqDoc& GetDocument() { return m_doc; }

private:
    // The main window and what it asks of the application: the busy rule, drops, closing.
    void CreateFrame();
    // A recent file that is gone (not one that cannot be read) leaves the list.
    void ForgetIfGone(const std::string& path);
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    void AfterDocumentChange();
    void WatchCurrentFile();

    CtesqDoc m_doc;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<QPrinter> m_pPrinter;
    CBackgroundOpen* m_pOpen = nullptr;  // owned by the frame
    std::vector<std::string> m_recent;   // most recent first
    bool m_bAutoReload = false;
    CFileFollower* m_pFollower = nullptr;  // owned by the frame
    CLongWorkRunner* m_pWork = nullptr;    // owned by the frame
    // What the status bar was last told of a followed file (gone, not to be opened), cleared
    // by a read of it that works.
    void TellFollowing(const std::string& text);
    QString m_strFollowTold;
    bool m_bToldSamplesChanged = false;  // for the trace shown now
    // Where the view was in the trace a read replaced, for a trace shown first that is
    // given back: the click anchor and the scroll position.
    int m_nAnchorBefore = 0;
    int m_nPositionBefore = 0;
};
