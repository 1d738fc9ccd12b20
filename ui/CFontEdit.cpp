// Font creation for CFontEdit. A font request's fields map onto QFont: the
// negative height becomes a pixel size, the weight 700 or 400, italic and
// underline as asked, no strike-out, a sans-serif family hint (FF_SWISS)
// for fontconfig's substitution when the face is not installed.
#include "ui/CFontEdit.h"

#include "ui/res/DialogBuilder.h"

#include <QLineEdit>

void CFontEdit::Attach(QLineEdit* pEdit)
{
    m_pEdit = pEdit;
    m_font.reset();
}

int CFontEdit::FontHeight(int nPointSize, int nPixelsPerInch)
{
    return -res::MulDiv(nPointSize, nPixelsPerInch, 72);
}

bool CFontEdit::SetDisplayFont(const QString& strFaceName, int nPointSize, bool bBold, bool bItalic, bool bUnderline)
{
    if (!m_pEdit)
        return false;
    const int height = FontHeight(nPointSize, m_pEdit->logicalDpiY());
    QFont font(strFaceName);
    if (height < 0)
        font.setPixelSize(-height);
    else if (height > 0)
        font.setPixelSize(height); // a cell height; close enough to ask for as a pixel size
    // A height of 0 keeps the face's default size, as a font request does.
    font.setWeight(bBold ? QFont::Bold : QFont::Normal);
    font.setItalic(bItalic);
    font.setUnderline(bUnderline);
    font.setStrikeOut(false);
    font.setStyleHint(QFont::SansSerif);
    m_font = font;
    m_pEdit->setFont(font);
    return true;
}
