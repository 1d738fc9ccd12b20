// The vocabulary as the rest of the program sees it: one connection to the
// data file and one recordset that every selection shares. It gives the
// dialogs task-level operations (open the review or learn selection, read
// the current card, page, answer, add and modify words, take new words into
// study) and never throws: failures come back as FALSE, after the database
// layer has shown its report.
#pragma once

#include "db/CADODataBase.h"
#include "db/CADORecordset.h"
#include "store/DataFileLocation.h"

#include <QString>

class CWordStore {
public:
    // Which selection the recordset holds; read only by the answers, which
    // refuse to work outside a review.
    enum { modeNone = 0, modeReview = 1, modeLearn = 2 };
    // GetWordCount when no selection could be opened: not 0, which means
    // "empty".
    static constexpr unsigned long kNoSelection = static_cast<unsigned long>(-1);

    CWordStore();
    virtual ~CWordStore();

    bool GetDataFilePath(const QString& lpszName, QString& strPath);
    // Points the store at a data file of the caller's choosing (a tool's
    // --data); its folder then holds Backup/.
    void SetDataFile(const QString& strPath) { m_location.SetDataFile(strPath); }
    bool BackupDataFile();

    bool OpenDatabase();
    void CloseDatabase();

    bool OpenReviewList();
    bool OpenLearnList();
    unsigned long GetWordCount();

    bool AddNewWord(QString strWord, QString strPronunciation, QString strDescription);
    int AddWordsToList(int nCount);
    bool Remember();
    bool Forget();
    bool ModifyCurrentWord(QString strWord, QString strPronunciation, QString strDescription);

    QString GetID();
    QString GetMemoryCycle();
    QString GetWord();
    QString GetPronunciation();
    QString GetDescription();

    bool MoveNext();
    bool MovePrevious();

    int m_nMode;
    CADODataBase m_database;
    CADORecordset m_recordset;

protected:
    bool UpdateMemoryCycle(bool bForgotten);

private:
    // Where db.mdb and Backup/ lie: beside the executable, or in the
    // user's own folder for an installed trainer.
    DataFileLocation m_location;

    bool OpenSelection(int nMode, const QString& strQuery);
    QString GetNumberField(const QString& strField);
    QString GetTextField(const QString& strField);
    bool WriteWordFields(const QString& strWord, const QString& strPronunciation, const QString& strDescription);
    int MoveWordsIntoStudy(int nCount);
};
