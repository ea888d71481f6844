#pragma once

#include <cstdint>
#include <span>

#include <QString>

// Window and control style bits as the dialog templates store them. The values
// are those of the templates' own format, so a row of a template reads the same
// here as in the table it was taken from.
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr std::uint32_t WS_MINIMIZEBOX =
    0x00020000u;  // WS_GROUP's bit, read in a dialog's own style

inline constexpr std::uint32_t WS_EX_TRANSPARENT = 0x00000020u;
inline constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100u;
inline constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200u;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;

inline constexpr std::uint32_t DS_FIXEDSYS = 0x0008u;
inline constexpr std::uint32_t DS_SETFONT = 0x0040u;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080u;
inline constexpr std::uint32_t DS_CENTER = 0x0800u;

inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0u;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1u;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3u;
inline constexpr std::uint32_t BS_GROUPBOX = 0x7u;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x9u;
inline constexpr std::uint32_t BS_TYPEMASK = 0xFu;
inline constexpr std::uint32_t BS_MULTILINE = 0x2000u;

inline constexpr std::uint32_t ES_LEFT = 0x0u;
inline constexpr std::uint32_t ES_CENTER = 0x1u;
inline constexpr std::uint32_t ES_RIGHT = 0x2u;
inline constexpr std::uint32_t ES_MULTILINE = 0x4u;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x80u;
inline constexpr std::uint32_t ES_READONLY = 0x800u;
inline constexpr std::uint32_t ES_WANTRETURN = 0x1000u;
inline constexpr std::uint32_t ES_NUMBER = 0x2000u;

inline constexpr std::uint32_t SS_LEFT = 0x0u;
inline constexpr std::uint32_t SS_CENTER = 0x1u;
inline constexpr std::uint32_t SS_RIGHT = 0x2u;
inline constexpr std::uint32_t SS_ICON = 0x3u;
inline constexpr std::uint32_t SS_TYPEMASK = 0x1Fu;
inline constexpr std::uint32_t SS_NOPREFIX = 0x80u;
inline constexpr std::uint32_t SS_NOTIFY = 0x100u;
inline constexpr std::uint32_t SS_CENTERIMAGE = 0x200u;

inline constexpr std::uint32_t LVS_REPORT = 0x1u;
inline constexpr std::uint32_t LVS_SINGLESEL = 0x4u;
inline constexpr std::uint32_t LVS_NOSORTHEADER = 0x8000u;

// Control ids that carry no meaning of their own.
inline constexpr int kNoControlId = -1;
inline constexpr int kIdOk = 1;

// Resource ids.
inline constexpr int kAboutTemplateId = 100;
inline constexpr int kMainTemplateId = 102;
inline constexpr int kActionsMenuId = 137;
inline constexpr int kAppIconId = 128;
inline constexpr int kCornerIconId = 133;

// One control of a dialog template. The rectangle is in dialog units; text is
// UTF-8. A static with SS_ICON shows the icon iconId instead of a text.
struct ControlTemplate {
    int id;
    const char* className;
    const char* text;
    int x;
    int y;
    int cx;
    int cy;
    std::uint32_t style;
    std::uint32_t exStyle;
    int iconId = 0;
};

// A dialog template: caption, client size in dialog units, the dialog font and
// the controls in template order, which is also the tab order.
struct DialogTemplate {
    int id;
    const char* caption;
    int x;
    int y;
    int cx;
    int cy;
    const char* fontFace;
    int pointSize;
    int weight;  // 0: the face's normal weight
    std::uint32_t style;
    std::uint32_t exStyle;
    std::span<const ControlTemplate> controls;
};

struct MenuItemTemplate {
    int commandId;
    const char* text;
};

// A menu with one popup, as the actions menu is.
struct MenuTemplate {
    int id;
    const char* popupText;
    std::span<const MenuItemTemplate> items;
};

// The template with the given id, or null.
const DialogTemplate* FindDialogTemplate(int id);
// The menu with the given id, or null.
const MenuTemplate* FindMenuTemplate(int id);
// The string-table entry with the given id; an empty string when there is none.
QString LoadTemplateString(int id);
// The Qt resource path of an icon ("" for an unknown id). Makes sure the
// compiled-in resources are registered before the path is used.
QString IconResourcePath(int iconId);
