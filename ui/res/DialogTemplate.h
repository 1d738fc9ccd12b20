// A dialog template as data: what a resource script's DIALOGEX block says
// about a dialog (caption, size, styles, font) and each of its controls (ID,
// kind, text, rectangle, styles), in tab order. Sizes and positions are in
// dialog units, which DialogBuilder turns into pixels from the dialog font.
#pragma once

#include <QString>
#include <vector>

namespace res {

// The window styles of a dialog that the builder honours.
enum DialogStyle : unsigned {
    DS_CAPTION = 1u << 0, // title bar
    DS_SYSMENU = 1u << 1, // window menu and close box
    DS_MODALFRAME = 1u << 2, // fixed size, no resize border
    DS_MINIMIZEBOX = 1u << 3, // minimise box and a Minimize item on the window menu
    DS_APPWINDOW = 1u << 4, // a task-bar button of its own even without an owner
};

enum class ControlKind {
    Static, // text
    Icon, // a static showing an icon resource
    Edit, // single- or multi-line edit
    PushButton,
};

// The control styles that the builder honours.
enum ControlStyle : unsigned {
    CS_TABSTOP = 1u << 0, // reachable with Tab
    CS_BORDER = 1u << 1, // an edit's frame
    CS_NOPREFIX = 1u << 2, // a static's '&' is shown, not taken as a mnemonic
    CS_DEFPUSHBUTTON = 1u << 3, // the dialog's default button: Enter presses it
    CS_FLAT = 1u << 4, // a flat push button
    CS_RIGHT = 1u << 5, // a push button's text aligned right
    CS_MULTILINE = 1u << 6, // several lines, wrapped at the control's width
    CS_WANTRETURN = 1u << 7, // Enter in a multi-line edit makes a new line
    CS_VSCROLL = 1u << 8, // a vertical scroll bar
    CS_AUTOHSCROLL = 1u << 9, // a single-line edit scrolls sideways as text grows
    CS_NUMBER = 1u << 10, // only digits can be typed
};

struct DialogTemplate {
    struct Control {
        int id;
        ControlKind kind;
        QString text; // for an Icon, unused
        int x, y, cx, cy; // dialog units
        unsigned styles;
        int image = 0; // for an Icon, its resource ID
    };

    int id;
    QString caption;
    int cx, cy; // client area, dialog units
    unsigned styles;
    QString fontFace;
    int fontPoints;
    std::vector<Control> controls; // in tab order
};

// The template with this ID, or nullptr when the resources hold none.
const DialogTemplate* FindDialogTemplate(int id);

} // namespace res
