// An edit control with a font of its own: the dialogs show a word's
// pronunciation in it, in a face that has the phonetic symbols. It takes
// over an edit that the dialog's template made (Attach, once per showing)
// and owns the font it sets; apart from the font the edit behaves as usual.
#pragma once

#include <QFont>
#include <QString>
#include <optional>

class QLineEdit;

class CFontEdit {
public:
    CFontEdit() = default;
    CFontEdit(const CFontEdit&) = delete;
    CFontEdit& operator=(const CFontEdit&) = delete;

    void Attach(QLineEdit* pEdit);
    QLineEdit* GetControl() const { return m_pEdit; }

    // Creates the font and gives it to the edit; false when there is no
    // edit to give it to, and the edit keeps the dialog's font. The size is
    // asked for as a character height in pixels, -MulDiv(points, dpi, 72),
    // so that it has the same point size at any screen resolution.
    bool SetDisplayFont(const QString& strFaceName, int nPointSize, bool bBold, bool bItalic, bool bUnderline);

    // The font set by SetDisplayFont; absent until it succeeds.
    const std::optional<QFont>& GetFont() const { return m_font; }

    // The height that SetDisplayFont asks for: negative for a character
    // height in pixels, as a font request takes it.
    static int FontHeight(int nPointSize, int nPixelsPerInch);

private:
    QLineEdit* m_pEdit = nullptr; // owned by the dialog, not by this object
    std::optional<QFont> m_font;
};
