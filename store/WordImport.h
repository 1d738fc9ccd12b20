// Importing word lists into the list of new words. The files are read and
// checked whole first; then, as the trainer does at start, the data file is
// backed up with the trainer's own backup routine, and every accepted word
// goes into NewWords in one transaction: all of them, or, on any error, none.
//
// A word is a duplicate when the data file's own text equality (the one the
// trainer's add-word check uses) finds it among the new words, among the
// words in study, or earlier in the lists being imported; duplicates are
// skipped and counted, the first of equal words in the lists wins.
#pragma once

#include "store/WordListFormat.h"
#include "store/WordListRow.h"

#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class CWordStore;

class WordImport {
public:
    // Why a word was not added.
    enum class SkipReason { AmongNewWords, InStudy, EarlierInList };
    struct Skipped {
        QString file;
        WordListRow row;
        SkipReason reason;
    };
    struct Result {
        int added = 0;
        std::vector<Skipped> skipped;
    };
    // Called now and then while words go in: done of total.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Longest word and pronunciation the data file's columns hold.
    static constexpr int kMaxTextLength = 255;

    explicit WordImport(CWordStore& store);

    // Reads and checks one file; the format comes from its extension unless
    // given. Throws WordListError naming the file and line of the first
    // fault. Warnings (columns that are ignored) are collected.
    void AddFile(const QString& path, std::optional<WordListFormat> format = std::nullopt);
    const QStringList& Warnings() const { return m_warnings; }
    qsizetype WordCount() const { return qsizetype(m_rows.size()); }

    // Backs up, opens the store's data file and adds the words read; closes
    // the data file again. Throws WordListError, leaving the data file as it
    // was, when the backup, the open or any step of the transaction fails.
    Result Run(const Progress& progress = {});

private:
    void Check(const QString& file, const WordListRow& row) const;
    void AddWords(Result& result, const Progress& progress);

    CWordStore& m_store;
    // Every word read, in order; m_files[i] names the file of m_rows[i].
    std::vector<WordListRow> m_rows;
    std::vector<int> m_fileOfRow;
    QStringList m_files;
    QStringList m_warnings;
};
