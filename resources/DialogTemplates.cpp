#include "resources/DialogTemplates.h"

#include <array>

namespace {

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;

// The About box.
constexpr std::array kAboutControls = {
    ControlTemplate{kNoControlId, "Static", "", 11, 17, 20, 20, kChild | SS_ICON, 0, kAppIconId},
    ControlTemplate{1017, "Static", "Mollwick", 40, 10, 188, 37,
                    kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP, 0},
    ControlTemplate{1016, "Static", "© 2026 The Mollwick developers", 7, 55, 130, 8,
                    kChild | SS_LEFT | WS_GROUP, 0},
    ControlTemplate{kIdOk, "Button", "OK", 178, 47, 50, 16,
                    kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
};

constexpr std::uint32_t kLabel = kChild | SS_LEFT | WS_GROUP;
constexpr std::uint32_t kCountField =
    kChild | ES_READONLY | ES_CENTER | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

// The main window.
constexpr std::array kMainControls = {
    ControlTemplate{1010, "Button", "Start", 15, 189, 50, 34,
                    kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    ControlTemplate{1011, "Button", "Stop", 43, 303, 78, 34,
                    kChild | BS_PUSHBUTTON | WS_DISABLED | WS_TABSTOP, 0},
    ControlTemplate{1008, "Static", "Source path", 17, 115, 50, 13, kLabel, 0},
    ControlTemplate{1001, "Edit", "", 241, 43, 325, 14,
                    kChild | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
    ControlTemplate{1002, "Static", "Current file:", 186, 43, 55, 13, kLabel, WS_EX_TRANSPARENT},
    ControlTemplate{1003, "Edit", "", 240, 23, 41, 14, kCountField, 0},
    ControlTemplate{1004, "Static", "Total files:", 183, 23, 50, 11, kLabel, WS_EX_TRANSPARENT},
    ControlTemplate{1005, "Edit", "", 389, 23, 41, 14, kCountField, 0},
    ControlTemplate{1006, "Static", "Duplicated found:", 295, 23, 89, 10, kLabel,
                    WS_EX_TRANSPARENT},
    ControlTemplate{1007, "Button", "Options", 7, 7, 157, 92, kChild | BS_GROUPBOX, 0},
    ControlTemplate{1009, "Static", "Dest path (duplicated)", 15, 235, 72, 8, kLabel, 0},
    ControlTemplate{1012, "Edit", "", 15, 252, 145, 45,
                    kChild | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
    ControlTemplate{1013, "Edit", "", 16, 144, 130, 38,
                    kChild | ES_MULTILINE | ES_READONLY | ES_WANTRETURN | ES_AUTOHSCROLL |
                        WS_BORDER | WS_TABSTOP,
                    0},
    ControlTemplate{1014, "Button", "Look in subfolders", 15, 23, 72, 13,
                    kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    ControlTemplate{1017, "Static", "", 553, 20, 20, 20,
                    kChild | SS_ICON | SS_NOTIFY | SS_CENTERIMAGE, 0, kCornerIconId},
    ControlTemplate{1018, "Button", "Look hidden files", 92, 23, 67, 13,
                    kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    ControlTemplate{1019, "SysListView32", "", 167, 68, 409, 254,
                    kChild | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP,
                    0},
    ControlTemplate{1021, "Static", "Look for file: *. (comma separated ext)", 15, 43, 71, 17,
                    kLabel, 0},
    ControlTemplate{1022, "Edit", "", 90, 43, 70, 15,
                    kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
    ControlTemplate{1025, "Edit", "", 289, 325, 41, 14, kCountField, 0},
    ControlTemplate{1026, "Static", "Moved/Deleted files:", 193, 329, 89, 10, kLabel,
                    WS_EX_TRANSPARENT},
    ControlTemplate{1024, "Button", "Comparison", 15, 65, 140, 29, kChild | BS_GROUPBOX, 0},
    ControlTemplate{1029, "Button", "By name", 23, 78, 42, 11, kChild | BS_AUTORADIOBUTTON, 0},
    ControlTemplate{1030, "Button", "By content", 99, 77, 42, 11, kChild | BS_AUTORADIOBUTTON, 0},
    ControlTemplate{1000, "Button", "Statistic", 7, 7, 569, 57, kChild | BS_GROUPBOX, 0},
    ControlTemplate{1032, "MfcMenuButton", "Actions on found", 73, 194, 85, 25,
                    kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
    ControlTemplate{1033, "Button", "Select All(keep the first)", 427, 326, 147, 15,
                    kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    ControlTemplate{1015, "Button", "Add\nsource path", 110, 104, 50, 34,
                    kChild | BS_DEFPUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0},
    ControlTemplate{1034, "Button", "CANC", 150, 144, 9, 36,
                    kChild | BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0},
};

constexpr DialogTemplate kAboutTemplate{
    kAboutTemplateId,
    "About...",
    0,
    0,
    235,
    70,
    "MS Shell Dlg",
    8,
    0,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
    0,
    kAboutControls,
};

constexpr DialogTemplate kMainTemplate{
    kMainTemplateId,
    "Mollwick",
    0,
    0,
    580,
    350,
    "Garamond",
    10,
    400,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER | DS_SETFONT,
    WS_EX_APPWINDOW | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE,
    kMainControls,
};

constexpr std::array kActionItems = {
    MenuItemTemplate{32771, "Export to File"},
    MenuItemTemplate{32772, "Move to Folder"},
    MenuItemTemplate{32773, "Delete"},
};

constexpr MenuTemplate kActionsMenu{kActionsMenuId, "Action", kActionItems};

struct StringEntry {
    int id;
    const char* text;
};

constexpr std::array kStrings = {
    StringEntry{102, "Do you want to export the results?"},
    StringEntry{103, "Do you want to move the selected to folder?"},
    StringEntry{104, "Do you want to delete the selected?"},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    switch (id) {
        case kAboutTemplateId:
            return &kAboutTemplate;
        case kMainTemplateId:
            return &kMainTemplate;
        default:
            return nullptr;
    }
}

const MenuTemplate* FindMenuTemplate(int id) {
    return id == kActionsMenuId ? &kActionsMenu : nullptr;
}

QString LoadTemplateString(int id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) {
            return QString::fromUtf8(entry.text);
        }
    }
    return QString();
}

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterCompiledResources() {
    Q_INIT_RESOURCE(mollwick);
}

QString IconResourcePath(int iconId) {
    // The resources live in a static library: nothing would pull their object
    // file into the program unless something names it, which this call does.
    static const bool registered = (RegisterCompiledResources(), true);
    (void)registered;
    switch (iconId) {
        case kAppIconId:
        case kCornerIconId:
            return QStringLiteral(":/icons/%1.svg").arg(iconId);
        default:
            return QString();
    }
}
