// The base of every dialog of the program. A dialog is built from its
// template afresh on every DoModal, as a new window would be, so that no
// state (hidden edits, window-menu items, typed text) carries over from one
// showing to the next. The base gives each dialog the application icon and
// the framework's answers to the standard keys: OK ends with 1, Cancel (Esc,
// the close box, a button with ID 2) with 2, and Enter presses the button
// with the focus, else the default button, else OK.
//
// The window menu stands in for a window's system menu: Minimize (where the
// template has a minimise box), Close, and whatever a dialog appends in
// OnInitDialog. Alt+Space and a right click on the dialog's background open
// it; its items come back to the dialog through OnSysCommand.
#pragma once

#include <QDialog>
#include <QIcon>
#include <exception>
#include <functional>

class QMenu;
namespace res {
struct DialogTemplate;
}

class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    // The window-menu commands of the framework.
    static constexpr int SC_MINIMIZE = 0xF020;
    static constexpr int SC_CLOSE = 0xF060;

    CBaseDialog(int nIDTemplate, QWidget* pParentWnd);
    ~CBaseDialog() override;

    // Builds the dialog from its template, initialises it and shows it
    // modally. Gives the code it was ended with, or -1 when the template
    // cannot be found.
    int DoModal();
    void EndDialog(int nResult) { done(nResult); }

    // The control of the current showing with this ID, or nullptr.
    QWidget* GetDlgItem(int nID) const;
    // The window menu of the current showing; nullptr outside DoModal.
    QMenu* GetSystemMenu() const { return m_pSystemMenu; }

    void accept() override;
    void reject() override;

protected:
    // Binds the dialog's members to the controls of the current showing.
    virtual void DoDataExchange() { }
    // Runs after the controls exist; true puts the focus on the first tab
    // stop. Derived dialogs call the base first.
    virtual bool OnInitDialog();
    // A click on the push button with this ID (other than 1 and 2); true
    // when the dialog handled it.
    virtual bool OnCommand(int nID);
    // An item of the window menu.
    virtual void OnSysCommand(int nID);

    void OnOK();
    void OnCancel();

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateFromTemplate(const res::DialogTemplate& t);
    void DestroyControls();
    void PopupSystemMenu(const QPoint& globalPos);
    // Runs a handler that Qt's event loop called. An exception must not
    // pass through Qt's code, so it is kept, the dialog ends, and DoModal
    // throws it again once exec has returned: to the caller it leaves the
    // dialog as it would have without the event loop in between.
    void RunHandler(const std::function<void()>& handler);

    int m_nIDTemplate;
    QIcon m_hIcon;
    QMenu* m_pSystemMenu = nullptr; // owned by the dialog while it shows
    std::exception_ptr m_pendingException; // thrown by a handler during exec, thrown again by DoModal
};
