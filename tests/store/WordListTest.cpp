// Word lists in and out of real data files: every format through a round
// trip byte for byte with the texts that break naive lists, other
// trainers' files, duplicates against the file itself and both tables,
// bad input and a read-only data file leaving the data file untouched and
// saying where, and the backup made before anything changes.
#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"
#include "store/DelimitedWordList.h"
#include "store/JetConnectionString.h"
#include "store/RawDataFile.h"
#include "store/WordExport.h"
#include "store/WordImport.h"
#include "store/WordListError.h"
#include "store/XmlWordList.h"
#include "support/AsUnprivilegedUser.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct Word {
    QString word, pronunciation, description;
    bool operator==(const Word&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Word& w)
{
    return os << '[' << w.word.toStdString() << '|' << w.pronunciation.toStdString() << '|'
              << w.description.toStdString() << ']';
}

// Texts that a list format must carry exactly.
const std::vector<Word> kAwkwardWords = {
    { "say \"cheese\"", "tʃiːz", "a quote, \"inside\"" },
    { "bread, butter", "", "comma in the word" },
    { "two\nlines", "line\r\nbreak", "LF in the word, CR LF in the pronunciation" },
    { "old\rmac", "", "a lone CR" },
    { "tab\there", "\t", "a tab\tand another\t" },
    { "don't", "dəʊnt", "apostrophe's" },
    { "phonetics", "fəˈnɛtɪks", "IPA: ˌæ ʃ ʒ θ ð ŋ" },
    { "漢字", "かんじ", "汉字 / 한자 — CJK" },
    { "party 🎉", "😀", "emoji 👩‍👩‍👧 with joiners" },
    { "  spaced  ", " ", "  leading and trailing spaces  " },
    { "#hashtag", "#", "# not a header" },
    { "plain", "", "" },
};

class WordListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));
    }
    void TearDown() override { platform::Clock::Reset(); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // A new data file with its store pointed at it.
    std::unique_ptr<CWordStore> NewStore(const QString& folder)
    {
        QDir().mkpath(Path(folder));
        const QString data = Path(folder + "/db.mdb");
        CreateDataFile(data);
        auto store = std::make_unique<CWordStore>();
        store->SetDataFile(data);
        return store;
    }

    static std::shared_ptr<engine::Connection> Connect(CWordStore& store)
    {
        QString data;
        store.GetDataFilePath("db.mdb", data);
        auto c = engine::Connection::Create();
        c->Open(JetConnectionString(data));
        return c;
    }

    static void Insert(CWordStore& store, const QString& table, const std::vector<Word>& words)
    {
        auto rs = engine::Recordset::Create();
        rs->Open("SELECT Word, Pronunciation, Description FROM " + table, Connect(store), engine::adOpenStatic,
            engine::adLockOptimistic, engine::adCmdText);
        for (const Word& w : words) {
            rs->AddNew();
            int field = 0;
            for (const QString& text : { w.word, w.pronunciation, w.description })
                rs->GetFields()->Item(field++)->PutValue(
                    text.isEmpty() ? platform::Variant::Null() : platform::Variant::FromBstr(text));
            rs->Update();
        }
    }

    static std::vector<Word> Words(CWordStore& store, const QString& table)
    {
        auto rs = Connect(store)->Execute("SELECT Word, Pronunciation, Description FROM " + table + " ORDER BY ID");
        std::vector<Word> words;
        const auto text = [&](int i) { return rs->GetFields()->Item(i)->Value().bstrVal(); };
        for (; !rs->IsEOF(); rs->MoveNext())
            words.push_back({ text(0), text(1), text(2) });
        return words;
    }

    static QByteArray Export(CWordStore& store, WordExport::Table table, WordListFormat format)
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        WordExport(store).Write(out, table, format);
        return out.data();
    }

    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        ASSERT_TRUE(WriteFileBytes(Path(name), bytes));
    }
    QByteArray ReadFile(const QString& name) const { return FileBytes(Path(name)); }

    static WordImport::Result Import(CWordStore& store, const QStringList& files)
    {
        WordImport import(store);
        for (const QString& f : files)
            import.AddFile(f);
        return import.Run();
    }

    QTemporaryDir m_dir;
    platform::RecordingMessageSink m_messages;
};

TEST_F(WordListTest, EveryFormatCarriesAwkwardTextsThroughARoundTripByteForByte)
{
    using Format = std::pair<WordListFormat, const char*>;
    const Format formats[]
        = { { WordListFormat::Csv, "csv" }, { WordListFormat::Tsv, "tsv" }, { WordListFormat::Xml, "xml" } };
    const std::vector<Word> inStudy = { { "studied", "ˈstʌdid", "in Words" }, { "学习", "xuéxí", "" } };
    for (const auto& [format, extension] : formats) {
        SCOPED_TRACE(extension);
        const QString ext = extension;
        auto source = NewStore("source-" + ext);
        Insert(*source, "NewWords", kAwkwardWords);
        Insert(*source, "Words", inStudy);

        for (const auto table : { WordExport::Table::New, WordExport::Table::Study, WordExport::Table::All }) {
            const QString tag = ext + QString::number(int(table));
            const QByteArray first = Export(*source, table, format);
            WriteFile("list-" + tag + "." + ext, first);
            // An XML list's columns have the data file's sizes, a memo's included.
            EXPECT_TRUE(format != WordListFormat::Xml || first.contains("dt:maxLength='536870910'"));

            auto target = NewStore("target-" + tag);
            const WordImport::Result result = Import(*target, { Path("list-" + tag + "." + ext) });
            std::vector<Word> expected = table == WordExport::Table::Study ? inStudy : kAwkwardWords;
            if (table == WordExport::Table::All)
                expected.insert(expected.end(), inStudy.begin(), inStudy.end());
            EXPECT_EQ(result.added, int(expected.size()));
            EXPECT_TRUE(result.skipped.empty());
            EXPECT_EQ(Words(*target, "NewWords"), expected);

            // What the import made exports to the very same bytes; a list of
            // both tables names each word's table in an extra column.
            if (table != WordExport::Table::All) {
                EXPECT_EQ(Export(*target, WordExport::Table::New, format), first);
                continue;
            }
            const WordListContents read = format == WordListFormat::Xml
                ? ReadXmlWordList(Path("list-" + tag + "." + ext), "list")
                : ReadDelimitedWordList(first, "list", format);
            QStringList tables;
            for (const WordListRow& row : read.rows)
                tables << row.table;
            EXPECT_EQ(tables, QStringList(qsizetype(kAwkwardWords.size()), "new") + QStringList({ "study", "study" }));
        }
    }
}

TEST_F(WordListTest, ReadsHeadersOtherTrainersFilesAndNamesIgnoredColumns)
{
    const struct {
        const char* name;
        QByteArray bytes;
        std::vector<Word> words;
        QString warning; // empty: none
    } cases[] = {
        { "bom-header.csv",
            "\xEF\xBB\xBF"
            "Description,Word,Notes\r\nfruit,apple,x\r\n",
            { { "apple", "", "fruit" } }, "Notes" },
        { "positional.csv", "cat,kæt,animal,extra\ndog,dɒg,animal\n",
            { { "cat", "kæt", "animal" }, { "dog", "dɒg", "animal" } }, "column 4" },
        { "anki.txt", "#separator:tab\n#html:false\n#columns:Front\tBack\tTags\nHund\tdog\tde\n\nKatze\tcat\tde\n",
            { { "Hund", "", "dog" }, { "Katze", "", "cat" } }, "Tags" },
        { "anki-plain.tsv", "#separator:tab\n#html:false\nsol\t\"sun\nstar\"\n", { { "sol", "sun\nstar", "" } }, "" },
        { "blank-lines.csv", "\n\nword\n\n  \n", { { "word", "", "" } }, "" },
        { "anki-comma.txt", "#separator:Comma\nHund,dog\n", { { "Hund", "dog", "" } }, "" },
        { "anki-char.txt", "#separator:;\r\nsol;sun\n", { { "sol", "sun", "" } }, "" },
        { "anki-header-only.txt", "#separator:tab", {}, "" },
        { "no-final-newline.csv", "one,p\ntwo", { { "one", "p", "" }, { "two", "", "" } }, "" },
        { "by-name.xml",
            "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:rs='urn:schemas-microsoft-com:rowset' "
            "xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
            "<s:AttributeType name='Notes'/><s:AttributeType name='Description'/><s:AttributeType name='word'/>"
            "</s:ElementType></s:Schema><rs:data><z:row Notes='x' Description='fruit' word='apple'/></rs:data></xml>",
            { { "apple", "", "fruit" } }, "Notes" },
        { "by-place.xml",
            "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:rs='urn:schemas-microsoft-com:rowset' "
            "xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
            "<s:AttributeType name='a'/><s:AttributeType name='b'/><s:AttributeType name='c'/>"
            "<s:AttributeType name='Tags'/></s:ElementType></s:Schema><rs:data>"
            "<z:row a='Hund' b='hʊnt' c='dog' Tags='de'/></rs:data></xml>",
            { { "Hund", "hʊnt", "dog" } }, "Tags" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(c.name, c.bytes);
        auto store = NewStore(QString("other-") + c.name);
        WordImport import(*store);
        import.AddFile(Path(c.name));
        EXPECT_EQ(import.Warnings().join("\n"),
            c.warning.isEmpty() ? QString() : Path(c.name) + ": ignored column(s): " + c.warning);
        EXPECT_EQ(import.Run().added, int(c.words.size()));
        EXPECT_EQ(Words(*store, "NewWords"), c.words);
    }
}

TEST_F(WordListTest, DuplicatesInTheListAndInEitherTableAreSkippedAsTheTrainerWould)
{
    auto store = NewStore("dups");
    Insert(*store, "NewWords", { { "apple", "", "" }, { "été", "", "" } });
    Insert(*store, "Words", { { "pear", "", "" }, { "ÉTÉ", "", "" } });
    WriteFile("one.csv", "apple\npear\nplum,first\nPlum,second\nkiwi\nAPPLE\nÉTÉ\nΣΟΦΙΑ\nσοφια\n");
    WriteFile("two.tsv", "\u212Aiwi\tagain, Kelvin's K\nfig\n");

    const WordImport::Result result = Import(*store, { Path("one.csv"), Path("two.tsv") });
    EXPECT_EQ(result.added, 4);
    const std::vector<Word> expected = { { "apple", "", "" }, { "été", "", "" }, { "plum", "first", "" },
        { "kiwi", "", "" }, { "ΣΟΦΙΑ", "", "" }, { "fig", "", "" } };
    EXPECT_EQ(Words(*store, "NewWords"), expected);
    EXPECT_EQ(Words(*store, "Words").size(), 2u);

    using R = WordImport::SkipReason;
    const std::vector<std::tuple<QString, int, QString, R>> skipped
        = { { Path("one.csv"), 1, "apple", R::AmongNewWords }, { Path("one.csv"), 2, "pear", R::InStudy },
              { Path("one.csv"), 4, "Plum", R::EarlierInList }, { Path("one.csv"), 6, "APPLE", R::AmongNewWords },
              { Path("one.csv"), 7, "ÉTÉ", R::AmongNewWords }, { Path("one.csv"), 9, "σοφια", R::EarlierInList },
              { Path("two.tsv"), 1, "\u212Aiwi", R::EarlierInList } };
    std::vector<std::tuple<QString, int, QString, R>> got;
    for (const auto& s : result.skipped)
        got.emplace_back(s.file, s.row.line, s.row.word, s.reason);
    EXPECT_EQ(got, skipped);

    // The trainer's own add-word check agrees on every word the import
    // found among the new words.
    ASSERT_TRUE(store->OpenDatabase());
    EXPECT_FALSE(store->AddNewWord("APPLE", "", ""));
    EXPECT_FALSE(store->AddNewWord("plum", "", ""));
    EXPECT_TRUE(store->AddNewWord("pear", "", ""));
}

TEST_F(WordListTest, BadInputLeavesTheDataFileByteIdenticalAndSaysWhere)
{
    const QString tooLong(WordImport::kMaxTextLength + 1, u'x');
    const struct {
        const char* name;
        QByteArray bytes;
        int line;
        const char* says;
    } cases[] = {
        { "stray-quote.csv", "good,one\nalso,good\nbad\"word,x\n", 3, "malformed" },
        { "after-quote.csv", "good\n\"closed\"trailing,x\n", 2, "malformed" },
        { "unclosed.csv", "good\nfine\n\"never\nclosed,x\n", 3, "not closed" },
        { "unclosed.tsv", "#separator:tab\ngood\n\"open\tx\n", 3, "not closed" },
        { "too-long.csv", "short\n" + tooLong.toUtf8() + ",x\n", 2, "longer than 255" },
        { "long-pron.tsv", "ok\t" + QByteArray(256, 'p') + "\n", 1, "pronunciation is longer" },
        { "no-word.csv", "Word,Description\nfine,x\n,orphan\n", 3, "no word" },
        { "not-utf8.csv", "fine\nbad\xff\xfe,x\n", 2, "not UTF-8" },
        { "broken.xml", "<xml>no recordset here", 0, "" }, // named as a whole
    };
    auto store = NewStore("bad");
    Insert(*store, "NewWords", { { "kept", "", "" } });
    const QString data = Path("bad/db.mdb");
    const QByteArray before = ReadFile("bad/db.mdb");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(c.name, c.bytes);
        WordImport import(*store);
        try {
            import.AddFile(Path(c.name));
            import.Run();
            ADD_FAILURE() << "imported";
        } catch (const WordListError& e) {
            EXPECT_EQ(e.File(), Path(c.name));
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_TRUE(e.Text().startsWith(Path(c.name) + (c.line ? QStringLiteral(":%1: ").arg(c.line) : ": ")))
                << e.Text().toStdString();
            EXPECT_TRUE(e.Text().contains(c.says)) << e.Text().toStdString();
        }
        EXPECT_EQ(ReadFile("bad/db.mdb"), before);
    }
    // A good file after a bad one in the same run adds nothing either.
    WriteFile("good.csv", "fresh\n");
    WordImport import(*store);
    import.AddFile(Path("good.csv"));
    EXPECT_THROW(import.AddFile(Path("too-long.csv")), WordListError);
    EXPECT_EQ(ReadFile("bad/db.mdb"), before);
    EXPECT_FALSE(QDir(Path("bad/Backup")).exists()) << "a backup before the lists were known to be good";

    // Words go in 500 to a statement: a failure after the first 500 (a full
    // disk; here a trigger) leaves nothing, and without it all go in, in order.
    QByteArray many;
    for (int i = 0; i < 1234; ++i)
        many += "w" + QByteArray::number(i) + "\n";
    WriteFile("many.csv", many);
    ASSERT_TRUE(RawDataFile(data, true)
                    .Exec("CREATE TRIGGER Full BEFORE INSERT ON NewWords WHEN NEW.Word = 'w1000' "
                          "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    const QByteArray withTrigger = ReadFile("bad/db.mdb");
    EXPECT_THROW(Import(*store, { Path("many.csv") }), WordListError);
    EXPECT_EQ(ReadFile("bad/db.mdb"), withTrigger);
    ASSERT_TRUE(RawDataFile(data, true).Exec("DROP TRIGGER Full"));
    platform::Clock::Advance(1); // a backup of its own
    EXPECT_EQ(Import(*store, { Path("many.csv") }).added, 1234);
    const std::vector<Word> words = Words(*store, "NewWords");
    EXPECT_TRUE(words.size() == 1235u && words[501].word == "w500" && words[1234].word == "w1233");
}

// The trainer's backup of the file as it was is written before an import.
// A data file the user may only read, one another process holds the write
// lock of, and one whose backup cannot be made (its name taken within the
// same second): the import fails naming the data file and saying why, and
// the file is left as it was.
TEST_F(WordListTest, ImportBacksUpFirstAndLeavesAFileItCannotChangeAsItWas)
{
    auto fine = NewStore("fine");
    const QByteArray original = ReadFile("fine/db.mdb");
    WriteFile("fine/list.csv", "new\n");
    EXPECT_EQ(Import(*fine, { Path("fine/list.csv") }).added, 1);
    EXPECT_EQ(ReadFile("fine/Backup/db.2024.03.05.10.00.00.MDB"), original);

    for (const char* folder : { "read-only", "locked", "backup-taken" }) {
        SCOPED_TRACE(folder);
        const QString kind = folder;
        auto store = NewStore(folder);
        Insert(*store, "NewWords", { { "kept", "", "" } });
        WriteFile(kind + "/list.csv", "new word\n");
        const QString data = Path(kind + "/db.mdb");
        const RawDataFile other(data, true);
        ASSERT_TRUE(QDir().mkdir(Path(kind + "/Backup")));
        if (kind == "locked") {
            ASSERT_TRUE(other.Exec("BEGIN IMMEDIATE"));
            // A second rather than the trainer's fifteen before the lock counts.
            store->m_database.SetConnectionTimeout(1);
        } else if (kind == "read-only") {
            ASSERT_EQ(::chmod(QFile::encodeName(data).constData(), 0444), 0);
        } else {
            WriteFile(kind + "/Backup/db.2024.03.05.10.00.00.MDB", "taken");
        }
        const QByteArray before = ReadFile(kind + "/db.mdb");

        const std::string failure = AsUnprivilegedUser(
            { QFile::encodeName(m_dir.path()), QFile::encodeName(Path(kind)), QFile::encodeName(data),
                QFile::encodeName(Path(kind + "/list.csv")), QFile::encodeName(Path(kind + "/Backup")) },
            [&]() -> std::string {
                try {
                    Import(*store, { Path(kind + "/list.csv") });
                    return "imported";
                } catch (const WordListError& e) {
                    const char* why = kind == "locked" ? "nothing imported"
                        : kind == "read-only"          ? ""
                                                       : "Failed to backup data file";
                    if (e.File() != data || !e.Text().startsWith(data + ": ") || !e.Text().contains(why))
                        return e.Text().toStdString();
                }
                return {};
            });
        EXPECT_EQ(failure, "");
        EXPECT_EQ(ReadFile(kind + "/db.mdb"), before);
        other.Exec("ROLLBACK");
        EXPECT_EQ(Words(*store, "NewWords"), (std::vector<Word> { { "kept", "", "" } }));
    }
}

} // namespace
