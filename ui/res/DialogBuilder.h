// The one builder that turns a dialog template into widgets, and the lookup
// of a built control by its ID. Dialog units become pixels through the
// dialog font's base units, as a dialog manager does: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth
// of its character height, so a dialog keeps its proportions with any font.
#pragma once

#include "ui/res/DialogTemplate.h"

#include <QRect>
#include <QSize>

class QFont;
class QPaintDevice;
class QWidget;

namespace res {

// The average character width (of the 52 Latin letters, rounded) and the
// character height of font on device, in pixels.
QSize DialogBaseUnits(const QFont& font, QPaintDevice* device);

// A rectangle in dialog units as pixels, for base units from DialogBaseUnits.
QRect MapDialogRect(const QRect& dialogUnits, const QSize& baseUnits);

// MulDiv's rounding: number * numerator / denominator rounded half away
// from zero; -1 when denominator is 0.
int MulDiv(int number, int numerator, int denominator);

// Sets the dialog's caption, font, window decorations and fixed client size
// from t, and creates t's controls as its children in tab order. The dialog
// must hold no controls from an earlier build.
void BuildDialog(QWidget* dialog, const DialogTemplate& t);

// The control of the dialog with this ID (the first one, for the shared
// ID -1), or nullptr.
QWidget* ControlById(QWidget* dialog, int id);

// The ID of a control that BuildDialog made; 0 for any other widget.
int ControlId(const QWidget* control);

} // namespace res
