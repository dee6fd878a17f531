#pragma once
// The document half of the document/view framework: modified flag, path name, title and the
// registered views, which the document moves only through UpdateAllViews hints.

#include <functional>
#include <string>
#include <vector>

#include "framework/core/CmdTarget.h"

class CDocument;

// What a document knows of a view: it can be told to update.
class CView {
public:
    virtual ~CView() = default;
    // hint and object are the document's own; unknown hints are ignored by the view.
    virtual void OnUpdate(CView* pSender, long lHint, void* pHint) = 0;
};

class CDocument : public CCmdTarget {
public:
    CDocument() = default;
    virtual ~CDocument();
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    // New: no path, not modified. Derived documents reset their data after this.
    virtual bool OnNewDocument();
    // The framework's open step: the file must open for reading (else its standard message is
    // shown and the result is false); the archive path reads nothing but Serialize, after
    // which the document is not modified.
    virtual bool OnOpenDocument(const std::string& path);
    // The first half of that step alone: whether the file opens for reading; if not, the
    // framework's message is shown.
    static bool CanOpen(const std::string& path);
    virtual void Serialize() {}

    // Before the document is closed or replaced: a modified document asks whether to save
    // its changes. True to go on (saved, or not wanted), false to stop (cancelled, or the save
    // failed).
    bool SaveModified();
    // Saves to the path, or asks for one when there is none; false when it did not save.
    bool DoFileSave();
    virtual bool OnSaveDocument(const std::string&) { return false; }
    // Asks for a path and saves there; false when cancelled or failed.
    virtual bool DoSaveAs() { return false; }

    bool IsModified() const { return m_bModified; }
    // While busy (a file is being read to replace its contents) the document takes no edits.
    bool IsBusy() const { return m_bBusy; }
    void SetBusy(bool bBusy) { m_bBusy = bBusy; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    const std::string& GetPathName() const { return m_strPathName; }
    // Also makes the file name (after the last '/') the title.
    void SetPathName(const std::string& path);
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title);
    // Told whenever the title changes (the window's caption follows it).
    std::function<void()> m_onTitleChanged;

    void AddView(CView* pView);
    void RemoveView(CView* pView);
    const std::vector<CView*>& GetViews() const { return m_views; }

    // Delivers the hint synchronously to every view but the sender, in registration order.
    void UpdateAllViews(CView* pSender, long lHint = 0, void* pHint = nullptr);

private:
    bool m_bModified = false;
    bool m_bBusy = false;
    std::string m_strPathName;
    std::string m_strTitle;
    std::vector<CView*> m_views;
};
