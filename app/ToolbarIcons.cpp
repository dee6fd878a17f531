#include "app/ToolbarIcons.h"

#include "res/Resources.h"

// The artwork lives in res/icons as SVG, compiled in through Qt's resource system; Qt draws
// the greyed form of a disabled button itself.
QIcon ToolbarIcon(unsigned id) {
    switch (id) {
        case ID_FILE_NEW:
            return QIcon(QStringLiteral(":/icons/file-new.svg"));
        case ID_FILE_OPEN:
            return QIcon(QStringLiteral(":/icons/file-open.svg"));
        case ID_FILE_SAVE:
            return QIcon(QStringLiteral(":/icons/file-save.svg"));
        case ID_ZOOM_OUT:
            return QIcon(QStringLiteral(":/icons/zoom-out.svg"));
        case ID_ZOOM_IN:
            return QIcon(QStringLiteral(":/icons/zoom-in.svg"));
        case ID_ZOOM_FIT:
            return QIcon(QStringLiteral(":/icons/zoom-fit.svg"));
        case ID_ZOOM_SELECTION:
            return QIcon(QStringLiteral(":/icons/zoom-selection.svg"));
        default:
            return QIcon();
    }
}

QIcon ApplicationIcon() {
    return QIcon(QStringLiteral(":/icons/tesqv.svg"));
}
