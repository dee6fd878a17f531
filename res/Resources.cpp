#include "res/Resources.h"

const std::vector<Menu>& MainMenu() {
    static const std::vector<Menu> menu = {
        {"File(&F)",
         {{"New(&N)\tCtrl+N", ID_FILE_NEW},
          {"Open(&O)...\tCtrl+O", ID_FILE_OPEN},
          {"Save(&S)\tCtrl+S", ID_FILE_SAVE},
          {"Save as(&A)...", ID_FILE_SAVE_AS},
          {"Reload\tF5", ID_FILE_RELOAD},
          {"Export image...", ID_FILE_EXPORT_IMAGE},
          {"Properties...", ID_FILE_PROPERTIES},
          {"", ID_SEPARATOR},
          {"Print(&P)...\tCtrl+P", ID_FILE_PRINT},
          {"Print preview(&V)", ID_FILE_PRINT_PREVIEW},
          {"Print option(&R)...", ID_FILE_PRINT_SETUP},
          {"", ID_SEPARATOR},
          {"Recently files", ID_FILE_MRU_FILE1},
          {"", ID_SEPARATOR},
          {"Exit(&X)", ID_APP_EXIT}}},
        {"Edit(&E)",
         {{"Undo(&U)\tCtrl+Z", ID_EDIT_UNDO},
          {"", ID_SEPARATOR},
          {"Cut(&T)\tCtrl+X", ID_EDIT_CUT},
          {"Copy(&C)\tCtrl+C", ID_EDIT_COPY},
          {"Paste(&P)\tCtrl+V", ID_EDIT_PASTE}}},
        {"View(&V)",
         {{"Tool bar(&T)", ID_VIEW_TOOLBAR},
          {"Status bar(&S)", ID_VIEW_STATUS_BAR},
          {"Contol bar(&C)", ID_VIEW_CMDBAR},
          {"", ID_SEPARATOR},
          {"Zoom to fit\tCtrl+0", ID_ZOOM_FIT},
          {"Zoom to selection\tCtrl+E", ID_ZOOM_SELECTION},
          {"Measurements", ID_VIEW_MEASUREMENTS},
          {"Spectrum", ID_VIEW_SPECTRUM},
          {"Reload when the file changes", ID_VIEW_AUTO_RELOAD}}},
        {"Help(&H)", {{"About tesqv(&A)...", ID_APP_ABOUT}}},
    };
    return menu;
}

const std::vector<Accelerator>& MainAccelerators() {
    static const std::vector<Accelerator> keys = {
        {"Ctrl+N", ID_FILE_NEW},    {"Ctrl+O", ID_FILE_OPEN},      {"Ctrl+S", ID_FILE_SAVE},
        {"Ctrl+P", ID_FILE_PRINT},  {"Ctrl+Z", ID_EDIT_UNDO},      {"Alt+Backspace", ID_EDIT_UNDO},
        {"Ctrl+X", ID_EDIT_CUT},    {"Shift+Del", ID_EDIT_CUT},    {"Ctrl+C", ID_EDIT_COPY},
        {"Ctrl+Ins", ID_EDIT_COPY}, {"Ctrl+V", ID_EDIT_PASTE},     {"Shift+Ins", ID_EDIT_PASTE},
        {"F6", ID_NEXT_PANE},       {"Shift+F6", ID_PREV_PANE},    {"F5", ID_FILE_RELOAD},
        {"Ctrl+0", ID_ZOOM_FIT},    {"Ctrl+E", ID_ZOOM_SELECTION}, {"Ctrl++", ID_ZOOM_IN},
        {"Ctrl+=", ID_ZOOM_IN},     {"Ctrl+-", ID_ZOOM_OUT},
    };
    return keys;
}

const std::vector<unsigned>& MainToolbar() {
    static const std::vector<unsigned> buttons = {ID_FILE_NEW,      ID_FILE_OPEN, ID_FILE_SAVE,
                                                  ID_ZOOM_OUT,      ID_ZOOM_IN,   ID_ZOOM_FIT,
                                                  ID_ZOOM_SELECTION};
    return buttons;
}

std::string_view CommandPrompt(unsigned id) {
    switch (id) {
        case ID_ZOOM_OUT:
            return "Zoom out\nZoom out";
        case ID_ZOOM_IN:
            return "Zoom in\nZoom in";
        case ID_ZOOM_FIT:
            return "Show the whole trace\nZoom to fit";
        case ID_ZOOM_SELECTION:
            return "Show the selection across the window\nZoom to selection";
        // The framework's own prompts and tips for its standard commands.
        case ID_FILE_NEW:
            return "Create a new document\nNew";
        case ID_FILE_OPEN:
            return "Open an existing document\nOpen";
        case ID_FILE_SAVE:
            return "Save the active document\nSave";
        default:
            return {};
    }
}
