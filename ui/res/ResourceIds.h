// The numbers that tie the dialogs to their resources: template IDs, control
// IDs, the string table and the icon. The values are part of the program's
// contract (the main loop and the tests find controls by them), so they are
// fixed here once and never renumbered. Several templates reuse a number for
// different controls, as resource scripts commonly do; each name below says
// what the control is in the dialog it belongs to.
#pragma once

namespace res {

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_MAINMENU = 102;
constexpr int IDD_ADDWORD = 130;
constexpr int IDD_LEARN = 131;
constexpr int IDD_REVIEW = 132;
constexpr int IDD_ADDLEARNCOUNT = 133;

// The string table and the icon.
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDR_MAINFRAME = 128;

// The command that the About item puts on a window menu.
constexpr int IDM_ABOUTBOX = 0x0010;

// The framework's own control IDs.
constexpr int IDC_STATIC = -1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Main menu.
constexpr int IDC_MENU_REVIEW = 1012;
constexpr int IDC_MENU_LEARN = 1013;
constexpr int IDC_MENU_ADD_WORDS = 1011;
constexpr int IDC_MENU_ADD_FOR_LEARNED = 3;

// Card fields, shared by the add-word, learn and review dialogs.
constexpr int IDC_EDIT_WORD = 1000;
constexpr int IDC_EDIT_DESCRIPTION = 1001;
constexpr int IDC_EDIT_PRONUNCIATION = 1002;
constexpr int IDC_TEXT_ID = 1007;
constexpr int IDC_TEXT_MEMORYCYCLE = 1009;

// Add-word dialog.
constexpr int IDC_LABEL_WORD = 1005;
constexpr int IDC_LABEL_DESCRIPTION = 1006;
constexpr int IDC_LABEL_PRONUNCIATION = 1008;
constexpr int IDC_ADD_NEW_WORD = 1011;

// Learn and review dialogs: the label buttons that hide and show the edits,
// paging, and the answers.
constexpr int IDC_TOGGLE_DESCRIPTION = 1012;
constexpr int IDC_TOGGLE_PRONUNCIATION = 1013;
constexpr int IDC_TOGGLE_WORD = 1014;
constexpr int IDC_PREVIOUS = 1015;
constexpr int IDC_NEXT = 1016;
constexpr int IDC_REMEMBER = 1003;
constexpr int IDC_FORGOTTEN = 1004;
constexpr int IDC_MODIFY = 1010;

// New-words-for-learning dialog.
constexpr int IDC_ADD_COUNT = 1018;
constexpr int IDC_COUNT = 1019;

} // namespace res
