#include "ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "Resources.h"

namespace {

// One image in the given ink: a sheet for New, a folder for Open, a disk for Save, and a
// magnifier with minus or plus for the zoom commands.
QPixmap Draw(unsigned id, QColor ink) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 2));
    switch (id) {
        case ID_FILE_NEW: {
            QPainterPath sheet;
            sheet.moveTo(8, 4);
            sheet.lineTo(19, 4);
            sheet.lineTo(25, 10);
            sheet.lineTo(25, 28);
            sheet.lineTo(8, 28);
            sheet.closeSubpath();
            p.drawPath(sheet);
            p.drawLine(19, 4, 19, 10);
            p.drawLine(19, 10, 25, 10);
            break;
        }
        case ID_FILE_OPEN:
            p.drawRect(4, 10, 24, 16);
            p.drawLine(4, 10, 8, 6);
            p.drawLine(8, 6, 14, 6);
            p.drawLine(14, 6, 16, 10);
            break;
        case ID_FILE_SAVE:
            p.drawRect(5, 5, 22, 22);
            p.drawRect(10, 5, 12, 8);
            p.drawRect(9, 18, 14, 9);
            break;
        default:
            p.drawEllipse(4, 4, 18, 18);
            p.drawLine(20, 20, 28, 28);
            p.drawLine(9, 13, 17, 13);
            if (id == ID_ZOOM_IN) p.drawLine(13, 9, 13, 17);
            break;
    }
    return pixmap;
}

}  // namespace

QIcon ToolbarIcon(unsigned id) {
    QIcon icon;
    icon.addPixmap(Draw(id, QColor(30, 60, 120)), QIcon::Normal);
    icon.addPixmap(Draw(id, QColor(170, 170, 170)), QIcon::Disabled);
    return icon;
}

QIcon ApplicationIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 120), 3));
    p.setBrush(Qt::white);
    p.drawRoundedRect(2, 2, 60, 60, 8, 8);
    p.setPen(QPen(QColor(221, 221, 221), 1));
    for (const int y : {20, 32, 44}) p.drawLine(8, y, 56, y);
    const QPoint red[] = {{8, 40},  {14, 30}, {20, 36}, {26, 18}, {32, 44},
                          {38, 26}, {44, 34}, {50, 22}, {56, 28}};
    p.setPen(QPen(Qt::red, 3));
    p.drawPolyline(red, 9);
    const QPoint blue[] = {{8, 50}, {16, 48}, {24, 51}, {32, 47}, {40, 50}, {48, 46}, {56, 49}};
    p.setPen(QPen(Qt::blue, 2));
    p.drawPolyline(blue, 7);
    return QIcon(pixmap);
}
