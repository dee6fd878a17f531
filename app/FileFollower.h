#pragma once
// Follows the open trace's file as another program writes it: a change, or the file written
// anew under its name (removed, then created again), asks for a reload at most twice a
// second. What a reload may do (a read running, unsaved changes) is the owner's to say.

#include <QObject>
#include <functional>
#include <string>

class QFileSystemWatcher;
class QTimer;

class CFileFollower : public QObject {
public:
    struct Hooks {
        std::function<bool()> busy;       // a read runs: asked again once it has ended
        std::function<bool()> mayReload;  // false leaves the change alone (unsaved changes)
        std::function<void()> reload;
        std::function<void()> gone;  // the file is not there: the owner tells the user
    };
    CFileFollower(QObject* parent, Hooks hooks);

    // Watches `path`, or nothing when it is empty.
    void Follow(const std::string& path);

private:
    void Changed();
    void Due();

    Hooks m_hooks;
    std::string m_path;
    QFileSystemWatcher* m_pWatcher;
    QTimer* m_pTimer;  // at most one reload each half second
};
