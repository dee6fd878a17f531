#include "app/DockReader.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include "trace/document/Document.h"

int AddDockReader(CtesqDoc& doc, QObject* dock, std::function<void()> stop,
                  std::function<void()> again) {
    return doc.AddSampleReader([dock, stop = std::move(stop), again = std::move(again)] {
        stop();
        // A dock's widgets are touched on the window's thread only.
        if (QThread::currentThread() == dock->thread())
            again();
        else
            QMetaObject::invokeMethod(dock, again, Qt::QueuedConnection);
    });
}
