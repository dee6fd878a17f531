#include "app/FileFollower.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "framework/gui/QtText.h"

CFileFollower::CFileFollower(QObject* parent, Hooks hooks)
    : QObject(parent), m_hooks(std::move(hooks)) {
    m_pWatcher = new QFileSystemWatcher(this);
    m_pTimer = new QTimer(this);
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(500);
    QObject::connect(m_pWatcher, &QFileSystemWatcher::fileChanged, this, [this] { Changed(); });
    // A file written anew leaves the watch; its folder tells when it is back.
    QObject::connect(m_pWatcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        const QString file = PathToQString(m_path);
        if (!m_path.empty() && !m_pWatcher->files().contains(file) && QFileInfo::exists(file)) {
            m_pWatcher->addPath(file);
            Changed();
        }
    });
    QObject::connect(m_pTimer, &QTimer::timeout, this, [this] { Due(); });
}

void CFileFollower::Follow(const std::string& path) {
    m_path = path;
    if (!m_pWatcher->files().isEmpty()) m_pWatcher->removePaths(m_pWatcher->files());
    if (!m_pWatcher->directories().isEmpty()) m_pWatcher->removePaths(m_pWatcher->directories());
    if (path.empty()) return;
    const QString file = PathToQString(path);
    m_pWatcher->addPath(QFileInfo(file).absolutePath());
    if (QFileInfo::exists(file)) m_pWatcher->addPath(file);
}

void CFileFollower::Changed() {
    if (!m_pTimer->isActive()) m_pTimer->start();
}

void CFileFollower::Due() {
    if (m_hooks.busy())
        m_pTimer->start();  // once the read that runs has ended
    else if (!m_hooks.mayReload())
        return;
    else if (QFileInfo::exists(PathToQString(m_path)))
        m_hooks.reload();
    else  // the folder's watch tells when it is back
        m_hooks.gone();
}
