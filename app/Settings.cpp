#include "app/Settings.h"

QSettings AppSettings() {
    return QSettings(QStringLiteral("KORVALEN"), QStringLiteral("tesqv"));
}
