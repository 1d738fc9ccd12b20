// Builds dialog templates into Qt widgets. Each control kind maps to one
// widget class: statics to QLabel, icons to a QLabel with the icon's 32x32
// image, single-line edits to QLineEdit, multi-line edits to MultiLineEdit,
// push buttons to QPushButton. Every control carries its ID as its object
// name and as the property "controlId".
#include "ui/res/DialogBuilder.h"

#include "ui/res/AppIcon.h"
#include "ui/res/MultiLineEdit.h"
#include "ui/res/WindowText.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <cstdlib>

namespace res {

namespace {

constexpr char kControlId[] = "controlId";
constexpr int kIconSize = 32;

QWidget* CreateControl(QWidget* dialog, const DialogTemplate::Control& c)
{
    switch (c.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        SetNoPrefix(label, (c.styles & CS_NOPREFIX) != 0);
        SetWindowText(label, c.text);
        return label;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(dialog);
        label->setPixmap(LoadAppIcon(c.image).pixmap(kIconSize, kIconSize));
        return label;
    }
    case ControlKind::Edit: {
        if (c.styles & CS_MULTILINE) {
            auto* edit = new MultiLineEdit((c.styles & CS_WANTRETURN) != 0, dialog);
            edit->setFrameShape((c.styles & CS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
            edit->setVerticalScrollBarPolicy((c.styles & CS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            return edit;
        }
        auto* edit = new QLineEdit(dialog);
        edit->setFrame((c.styles & CS_BORDER) != 0);
        if (c.styles & CS_NUMBER)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        return edit;
    }
    case ControlKind::PushButton: {
        auto* button = new QPushButton(c.text, dialog);
        button->setFlat((c.styles & CS_FLAT) != 0);
        if (c.styles & CS_FLAT) {
            // A flat button is a plain face in a thin frame; the styles'
            // own flat buttons have no frame at all, which leaves a bare
            // word that does not read as a button.
            QString sheet
                = QStringLiteral("QPushButton { border: 1px solid palette(shadow); background: palette(button);"
                                 " padding: 0px 4px; }"
                                 "QPushButton:focus { border: 1px solid palette(highlight); }"
                                 "QPushButton:pressed { background: palette(mid); }");
            if (c.styles & CS_RIGHT)
                sheet += QStringLiteral("QPushButton { text-align: right; }");
            button->setStyleSheet(sheet);
        }
        // The dialog, not Qt, decides what Enter presses (CBaseDialog): a
        // button that becomes default merely by taking the focus would
        // swallow Enter in the edits of dialogs that have no default button.
        button->setAutoDefault(false);
        button->setDefault((c.styles & CS_DEFPUSHBUTTON) != 0);
        return button;
    }
    }
    return nullptr;
}

Qt::WindowFlags WindowFlagsFor(unsigned styles)
{
    // A window of its own, rather than a dialog that the window manager
    // groups under the application, is what gets a task-bar button.
    Qt::WindowFlags flags = (styles & DS_APPWINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if (styles & DS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (styles & DS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (styles & DS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

} // namespace

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(denominator));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QSize DialogBaseUnits(const QFont& font, QPaintDevice* device)
{
    const QFontMetrics metrics(font, device);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width / 26 + 1) / 2, metrics.height());
}

QRect MapDialogRect(const QRect& dialogUnits, const QSize& baseUnits)
{
    return QRect(MulDiv(dialogUnits.x(), baseUnits.width(), 4), MulDiv(dialogUnits.y(), baseUnits.height(), 8),
        MulDiv(dialogUnits.width(), baseUnits.width(), 4), MulDiv(dialogUnits.height(), baseUnits.height(), 8));
}

void BuildDialog(QWidget* dialog, const DialogTemplate& t)
{
    dialog->setWindowFlags(WindowFlagsFor(t.styles));
    dialog->setWindowTitle(t.caption);
    QFont font(t.fontFace);
    font.setPointSize(t.fontPoints);
    dialog->setFont(font);
    const QSize base = DialogBaseUnits(dialog->font(), dialog);
    dialog->setFixedSize(MapDialogRect(QRect(0, 0, t.cx, t.cy), base).size());

    QWidget* previous = nullptr;
    for (const DialogTemplate::Control& c : t.controls) {
        QWidget* control = CreateControl(dialog, c);
        control->setObjectName(QString::number(c.id));
        control->setProperty(kControlId, c.id);
        QRect rect = MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base);
        if (c.kind == ControlKind::Icon)
            rect.setSize(QSize(kIconSize, kIconSize));
        control->setGeometry(rect);
        if (control->focusPolicy() != Qt::NoFocus)
            control->setFocusPolicy((c.styles & CS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
        if (control->focusPolicy() == Qt::StrongFocus) {
            if (previous)
                QWidget::setTabOrder(previous, control);
            previous = control;
        }
        control->show();
    }
}

QWidget* ControlById(QWidget* dialog, int id)
{
    if (!dialog)
        return nullptr;
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (ControlId(child) == id)
            return child;
    }
    return nullptr;
}

int ControlId(const QWidget* control)
{
    const QVariant id = control ? control->property(kControlId) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

} // namespace res
