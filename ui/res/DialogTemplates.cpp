// The program's dialog templates: the resource script's DIALOGEX blocks as
// data. Every dialog uses "宋体" at 9 points (fontconfig substitutes an
// installed face), has a caption, a window menu with a close command and a
// fixed frame; all but the About box have a minimise box.
#include "ui/res/DialogTemplate.h"
#include "ui/res/ResourceIds.h"

namespace res {

namespace {

constexpr unsigned kStudyDialog = DS_CAPTION | DS_SYSMENU | DS_MODALFRAME | DS_MINIMIZEBOX;
constexpr unsigned kEdit = CS_TABSTOP | CS_BORDER | CS_AUTOHSCROLL;
constexpr unsigned kDescription = CS_TABSTOP | CS_BORDER | CS_MULTILINE | CS_WANTRETURN | CS_VSCROLL;
constexpr unsigned kFlatButton = CS_TABSTOP | CS_FLAT;
constexpr unsigned kLabelButton = CS_TABSTOP | CS_FLAT | CS_RIGHT;

const QString kDialogFont = QStringLiteral("宋体");
constexpr int kDialogPoints = 9;

using K = ControlKind;

const std::vector<DialogTemplate>& Templates()
{
    static const std::vector<DialogTemplate> templates = {
        { IDD_ABOUTBOX, QStringLiteral("关于 Lexitrain"), 297, 56, DS_CAPTION | DS_SYSMENU | DS_MODALFRAME, kDialogFont,
            kDialogPoints,
            {
                { IDC_STATIC, K::Icon, {}, 11, 17, 20, 20, 0, IDR_MAINFRAME },
                { IDC_STATIC, K::Static, QStringLiteral("Lexitrain 0.01 beta"), 40, 10, 119, 8, CS_NOPREFIX },
                { IDC_STATIC, K::Static, QStringLiteral("Lexitrain for Linux, on Qt 6 and SQLite 3"), 40, 25, 250, 8,
                    0 },
                { IDOK, K::PushButton, QStringLiteral("确定"), 178, 7, 50, 14, CS_TABSTOP | CS_DEFPUSHBUTTON },
                { IDC_STATIC, K::Static, QStringLiteral("Released 2026-12-06"), 40, 40, 119, 8, 0 },
            } },
        { IDD_MAINMENU, QStringLiteral("Lexitrain 0.01 beta"), 422, 200, kStudyDialog | DS_APPWINDOW, kDialogFont,
            kDialogPoints,
            {
                { IDC_MENU_REVIEW, K::PushButton, QStringLiteral("&Review"), 38, 52, 105, 40, kFlatButton },
                { IDC_MENU_LEARN, K::PushButton, QStringLiteral("&Learn New Words"), 158, 52, 105, 40, kFlatButton },
                { IDC_MENU_ADD_WORDS, K::PushButton, QStringLiteral("&Add New Words"), 278, 52, 105, 40, kFlatButton },
                { IDCANCEL, K::PushButton, QStringLiteral("&Exit"), 158, 107, 105, 40, kFlatButton },
                { IDC_MENU_ADD_FOR_LEARNED, K::PushButton, QStringLiteral("A&dd New For Learned"), 38, 107, 105, 40,
                    kFlatButton },
            } },
        { IDD_ADDWORD, QStringLiteral("Add New Work"), 327, 210, kStudyDialog, kDialogFont, kDialogPoints,
            {
                { IDC_LABEL_WORD, K::Static, QStringLiteral("Word:"), 56, 27, 21, 8, 0 },
                { IDC_LABEL_PRONUNCIATION, K::Static, QStringLiteral("Pronunciation:"), 20, 47, 57, 8, 0 },
                { IDC_LABEL_DESCRIPTION, K::Static, QStringLiteral("Description:"), 28, 66, 49, 8, 0 },
                { IDC_EDIT_WORD, K::Edit, {}, 78, 23, 222, 15, kEdit },
                { IDC_EDIT_PRONUNCIATION, K::Edit, {}, 78, 43, 222, 15, kEdit },
                { IDC_EDIT_DESCRIPTION, K::Edit, {}, 78, 66, 222, 80, kDescription },
                { IDC_ADD_NEW_WORD, K::PushButton, QStringLiteral("Add New Word"), 153, 153, 70, 20, kFlatButton },
                { IDCANCEL, K::PushButton, QStringLiteral("Cancle"), 230, 153, 70, 20, kFlatButton },
            } },
        { IDD_LEARN, QStringLiteral("Pattern of learned"), 327, 200, kStudyDialog | DS_APPWINDOW, kDialogFont,
            kDialogPoints,
            {
                { IDC_TEXT_ID, K::Static, QStringLiteral("ID"), 81, 17, 55, 15, 0 },
                { IDC_TEXT_MEMORYCYCLE, K::Static, QStringLiteral("MemoryCycle"), 142, 17, 55, 15, 0 },
                { IDC_EDIT_WORD, K::Edit, {}, 81, 37, 222, 15, kEdit },
                { IDC_EDIT_PRONUNCIATION, K::Edit, {}, 81, 57, 222, 15, kEdit },
                { IDC_EDIT_DESCRIPTION, K::Edit, {}, 81, 77, 222, 80, kDescription },
                { IDC_TOGGLE_WORD, K::PushButton, QStringLiteral("Word:"), 17, 37, 61, 15, kLabelButton },
                { IDC_TOGGLE_PRONUNCIATION, K::PushButton, QStringLiteral("Pronunciation:"), 17, 57, 61, 14,
                    kLabelButton },
                { IDC_TOGGLE_DESCRIPTION, K::PushButton, QStringLiteral("Description:"), 17, 77, 61, 15, kLabelButton },
                { IDC_PREVIOUS, K::PushButton, QStringLiteral("Previous"), 81, 161, 70, 20, kFlatButton },
                { IDC_NEXT, K::PushButton, QStringLiteral("Next"), 156, 161, 70, 20, kFlatButton },
                { IDCANCEL, K::PushButton, QStringLiteral("Cancle"), 233, 161, 70, 20, kFlatButton },
            } },
        { IDD_REVIEW, QStringLiteral("Pattern of learned"), 327, 200, kStudyDialog | DS_APPWINDOW, kDialogFont,
            kDialogPoints,
            {
                { IDC_TEXT_ID, K::Static, QStringLiteral("ID"), 81, 17, 55, 15, 0 },
                { IDC_TEXT_MEMORYCYCLE, K::Static, QStringLiteral("MemoryCycle"), 142, 17, 55, 15, 0 },
                { IDC_EDIT_WORD, K::Edit, {}, 81, 37, 222, 15, kEdit },
                { IDC_EDIT_PRONUNCIATION, K::Edit, {}, 81, 57, 222, 15, kEdit },
                { IDC_EDIT_DESCRIPTION, K::Edit, {}, 81, 77, 222, 80, kDescription },
                { IDC_TOGGLE_WORD, K::PushButton, QStringLiteral("Word:"), 17, 37, 61, 15, kLabelButton },
                { IDC_TOGGLE_PRONUNCIATION, K::PushButton, QStringLiteral("Pronunciation:"), 17, 57, 61, 14,
                    kLabelButton },
                { IDC_TOGGLE_DESCRIPTION, K::PushButton, QStringLiteral("Description:"), 17, 77, 61, 15, kLabelButton },
                { IDC_REMEMBER, K::PushButton, QStringLiteral("Remember"), 81, 161, 70, 20, kFlatButton },
                { IDC_FORGOTTEN, K::PushButton, QStringLiteral("Forgotten"), 156, 161, 70, 20, kFlatButton },
                { IDC_MODIFY, K::PushButton, QStringLiteral("Modify"), 233, 161, 70, 20, kFlatButton },
            } },
        { IDD_ADDLEARNCOUNT, QStringLiteral("Add New Words For Learned"), 187, 50, kStudyDialog, kDialogFont,
            kDialogPoints,
            {
                { IDC_STATIC, K::Static, QStringLiteral("Please Input the number of  new  words:"), 11, 10, 164, 10,
                    0 },
                { IDC_COUNT, K::Edit, {}, 11, 25, 50, 14, kEdit | CS_NUMBER },
                { IDC_ADD_COUNT, K::PushButton, QStringLiteral("Add"), 71, 25, 50, 14, CS_TABSTOP | CS_DEFPUSHBUTTON },
                { IDCANCEL, K::PushButton, QStringLiteral("Cancel"), 126, 25, 50, 14, CS_TABSTOP },
            } },
    };
    return templates;
}

} // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate& t : Templates()) {
        if (t.id == id)
            return &t;
    }
    return nullptr;
}

} // namespace res
