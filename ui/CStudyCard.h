// What the learn and the review dialogs share: the five controls of a card
// (ID and interval texts, word, pronunciation and description edits), filled
// from the store's current record, and the three label buttons that hide and
// show the edits. Hiding is the only state of its own a card has; filling
// changes texts only, so a hidden edit stays hidden from card to card.
#pragma once

#include "ui/CFontEdit.h"

class CBaseDialog;
class QLabel;
class QLineEdit;
class QWidget;

class CStudyCard {
public:
    CStudyCard() = default;
    CStudyCard(const CStudyCard&) = delete;
    CStudyCard& operator=(const CStudyCard&) = delete;

    // Binds to the controls of the dialog's current showing.
    void Bind(CBaseDialog& dialog);
    // Gives the pronunciation its own font.
    void SetPronunciationFont();
    // Copies the store's current record into the controls, in the order
    // ID, interval, word, pronunciation, description.
    void ShowCurrentCard();
    // Handles a click on a label button; false for any other control.
    bool OnToggle(int nID);

    QLineEdit* Word() const { return m_editWord; }
    QLineEdit* Pronunciation() const { return m_editPronunciation.GetControl(); }
    QWidget* Description() const { return m_editDescription; }

private:
    // The controls of the current showing, owned by the dialog.
    CFontEdit m_editPronunciation;
    QWidget* m_editDescription = nullptr;
    QLineEdit* m_editWord = nullptr;
    QLabel* m_staticMemoryCycle = nullptr;
    QLabel* m_staticID = nullptr;
};
