// Template building, the standard keys and the window menu of every dialog.
#include "ui/CBaseDialog.h"

#include "ui/res/AppIcon.h"
#include "ui/res/DialogBuilder.h"
#include "ui/res/ResourceIds.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <utility>

CBaseDialog::CBaseDialog(int nIDTemplate, QWidget* pParentWnd)
    : QDialog(pParentWnd)
    , m_nIDTemplate(nIDTemplate)
    , m_hIcon(res::LoadAppIcon(res::IDR_MAINFRAME))
{
}

CBaseDialog::~CBaseDialog() = default;

int CBaseDialog::DoModal()
{
    const res::DialogTemplate* t = res::FindDialogTemplate(m_nIDTemplate);
    if (!t)
        return -1;
    CreateFromTemplate(*t);
    struct Teardown {
        CBaseDialog* dialog;
        ~Teardown() { dialog->DestroyControls(); }
    } teardown { this };

    if (OnInitDialog()) {
        for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
            if (w->parentWidget() == this && w->focusPolicy() == Qt::StrongFocus && !w->isHidden() && w->isEnabled()) {
                w->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
    m_pendingException = nullptr;
    const int result = exec();
    if (m_pendingException)
        std::rethrow_exception(std::exchange(m_pendingException, nullptr));
    return result;
}

void CBaseDialog::RunHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        if (!m_pendingException)
            m_pendingException = std::current_exception();
        done(-1);
    }
}

void CBaseDialog::CreateFromTemplate(const res::DialogTemplate& t)
{
    res::BuildDialog(this, t);
    m_pSystemMenu = new QMenu(this);
    if (t.styles & res::DS_MINIMIZEBOX)
        m_pSystemMenu->addAction(tr("Mi&nimize"))->setData(SC_MINIMIZE);
    m_pSystemMenu->addAction(tr("&Close"))->setData(SC_CLOSE);
    connect(m_pSystemMenu, &QMenu::triggered, this, [this](QAction* action) {
        if (action->data().isValid())
            RunHandler([this, action] { OnSysCommand(action->data().toInt()); });
    });
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(shortcut, &QShortcut::activated, this, [this] { PopupSystemMenu(mapToGlobal(QPoint(0, 0))); });

    for (QAbstractButton* button : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        const int id = res::ControlId(button);
        connect(button, &QAbstractButton::clicked, this, [this, id] {
            RunHandler([this, id] {
                if (id == res::IDOK)
                    OnOK();
                else if (id == res::IDCANCEL)
                    OnCancel();
                else
                    OnCommand(id);
            });
        });
    }
}

void CBaseDialog::DestroyControls()
{
    // Everything of this showing goes, as the window would: the next
    // DoModal builds a fresh set.
    m_pSystemMenu = nullptr;
    const QObjectList current = children();
    for (QObject* child : current) {
        if (child->isWidgetType() || qobject_cast<QShortcut*>(child))
            delete child;
    }
}

QWidget* CBaseDialog::GetDlgItem(int nID) const
{
    return res::ControlById(const_cast<CBaseDialog*>(this), nID);
}

bool CBaseDialog::OnInitDialog()
{
    DoDataExchange();
    setWindowIcon(m_hIcon);
    return true;
}

bool CBaseDialog::OnCommand(int)
{
    return false;
}

void CBaseDialog::OnSysCommand(int nID)
{
    switch (nID & 0xFFF0) {
    case SC_MINIMIZE:
        showMinimized();
        break;
    case SC_CLOSE:
        close();
        break;
    default:
        break;
    }
}

void CBaseDialog::OnOK()
{
    done(res::IDOK);
}

void CBaseDialog::OnCancel()
{
    done(res::IDCANCEL);
}

void CBaseDialog::accept()
{
    OnOK();
}

void CBaseDialog::reject()
{
    OnCancel();
}

void CBaseDialog::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        OnCancel();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        // A push button with the focus is the one Enter presses; else the
        // template's default button; else the framework's OK.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->parentWidget() == this) {
            focused->click();
            return;
        }
        for (QPushButton* button : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
            if (button->isDefault() && !button->isHidden()) {
                if (button->isEnabled())
                    button->click();
                return;
            }
        }
        OnOK();
        return;
    }
    event->ignore();
}

void CBaseDialog::contextMenuEvent(QContextMenuEvent* event)
{
    // Statics are background: they take no clicks of their own.
    QWidget* under = childAt(event->pos());
    if (m_pSystemMenu && (!under || qobject_cast<QLabel*>(under))) {
        PopupSystemMenu(event->globalPos());
        return;
    }
    event->ignore();
}

void CBaseDialog::PopupSystemMenu(const QPoint& globalPos)
{
    if (m_pSystemMenu)
        m_pSystemMenu->popup(globalPos);
}
