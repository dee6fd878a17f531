#pragma once
// The application's own command ids, beside the framework's standard ones.

#include "framework/core/CmdUI.h"

enum : unsigned {
    ID_SEPARATOR = 0,
    ID_ZOOM_OUT = 32768,
    ID_ZOOM_IN = 32769,
    ID_VIEW_CMDBAR = 32772,
    ID_ZOOM_FIT = 32773,
    ID_ZOOM_SELECTION = 32774,
    ID_VIEW_MEASUREMENTS = 32775,
    ID_FILE_EXPORT_IMAGE = 32776,
    ID_FILE_RELOAD = 32777,
    ID_VIEW_AUTO_RELOAD = 32778,
    ID_FILE_PROPERTIES = 32779,
    ID_VIEW_SPECTRUM = 32780,
    IDC_EXEC = 1001,
};
