#pragma once
// A 1920 x 1080 view painted into an image, without a screen, for the view benchmarks.

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "trace/document/Document.h"
#include "view/tesqView.h"

// The application lives until the process ends: tearing widgets down among Qt's own static
// objects at exit crashes.
inline void EnsureApplication() {
    static QApplication* app = nullptr;
    if (app == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tesqv-bench";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
}

struct COffscreenView {
    COffscreenView(CtesqDoc& doc, int width, int height)
        : image(width, height, QImage::Format_RGB32) {
        view.AttachOffscreen(&doc, width, height);
    }
    void Paint() {
        image.fill(Qt::white);
        QPainter painter(&image);
        view.PaintTo(painter);
    }
    bool appReady = (EnsureApplication(), true);  // before any widget
    CtesqView view;
    QImage image;
};
