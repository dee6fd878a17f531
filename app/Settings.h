#pragma once
// The one settings store of the program: under the company key KORVALEN, then the
// application's title. The recent-file list, the reload and dock choices all live here.

#include <QSettings>

QSettings AppSettings();
