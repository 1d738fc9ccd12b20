// A recordset's views of its snapshot: Filter and Sort, Find and
// bookmarks, clones with their own positions over shared rows, GetString
// and record binding.
#include "engine/EngineTestFiles.h"
#include "engine/ado/RecordBinding.h"

using enginetest::ErrorOf;
using enginetest::Hex;
using platform::Variant;

namespace {

class RecordsetViewTest : public enginetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        for (const auto& [word, day, cycle] : { std::tuple { "cherry", 1, 4 }, std::tuple { "apple", 2, 1 },
                 std::tuple { "banana", 3, 2 }, std::tuple { "Apricot", 4, 1 } })
            AddWord(word, QStringLiteral("2024-03-0%1").arg(day), cycle);
        m_rs = Open(QStringLiteral("SELECT ID, Word, MemoryCycle FROM Words"));
    }

    QStringList Words(const std::shared_ptr<engine::Recordset>& rs)
    {
        QStringList words;
        if (rs->RecordCount() == 0)
            return words;
        for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
            words << Get(rs, QStringLiteral("Word")).bstrVal();
        return words;
    }

    std::shared_ptr<engine::Recordset> m_rs;
};

TEST_F(RecordsetViewTest, FilterAndSortShapeTheViewAndClearWithEmptyText)
{
    // Each step sets the filter ("F:") or the sort ("S:"); equal keys keep
    // their order, as the sort is stable.
    const std::pair<const char*, QStringList> steps[]
        = { { "F:MemoryCycle = 1 OR Word LIKE 'b*'", { "apple", "banana", "Apricot" } },
              { "S:Word DESC", { "banana", "Apricot", "apple" } }, { "F:", { "cherry", "banana", "Apricot", "apple" } },
              { "S:MemoryCycle, [ID] DESC", { "Apricot", "apple", "banana", "cherry" } },
              { "S:MemoryCycle ASC", { "apple", "Apricot", "banana", "cherry" } },
              { "S:", { "cherry", "apple", "banana", "Apricot" } } };
    for (const auto& [step, words] : steps) {
        const QString text = QString::fromLatin1(step + 2);
        step[0] == 'F' ? m_rs->SetFilter(text) : m_rs->SetSort(text);
        EXPECT_EQ(m_rs->RecordCount(), words.size()) << step;
        EXPECT_EQ(Words(m_rs), words) << step;
    }

    EXPECT_EQ(Hex(ErrorOf([&] { m_rs->SetSort(QStringLiteral("Colour")); }).Error()), Hex(platform::adErrItemNotFound));
    m_rs->SetFilter(QStringLiteral("Word = 'none'"));
    EXPECT_TRUE(m_rs->IsEOF());
    EXPECT_TRUE(m_rs->IsBOF());
    EXPECT_EQ(m_rs->RecordCount(), 0);

    // An edit through a filtered view reaches the file.
    m_rs->SetFilter(QStringLiteral("Word = 'banana'"));
    Put(m_rs, QStringLiteral("MemoryCycle"), Variant::FromI4(8));
    m_rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT MemoryCycle FROM Words WHERE Word = 'banana'")), QStringLiteral("8"));
}

TEST_F(RecordsetViewTest, FindSearchesBothWaysFromTheStartItIsGiven)
{
    m_rs->Find(QStringLiteral("MemoryCycle = 1"));
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("apple"));
    const Variant hit = m_rs->Bookmark();
    EXPECT_EQ(hit.vt(), platform::VT_R8);
    m_rs->Find(QStringLiteral("MemoryCycle = 1"), 1, engine::adSearchForward, hit);
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("Apricot"));
    m_rs->Find(QStringLiteral("MemoryCycle = 1"), 1, engine::adSearchForward, m_rs->Bookmark());
    EXPECT_TRUE(m_rs->IsEOF()) << "no further match leaves the cursor at EOF";

    m_rs->MoveLast();
    m_rs->Find(QStringLiteral("Word LIKE 'c*'"), 0, engine::adSearchBackward);
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("cherry"));
    m_rs->Find(QStringLiteral("Word = 'kiwi'"), 0, engine::adSearchBackward);
    EXPECT_TRUE(m_rs->IsBOF());

    // Text compares without regard to case, as Jet's does.
    m_rs->MoveFirst();
    m_rs->Find(QStringLiteral("Word = 'APPLE'"));
    EXPECT_EQ(Get(m_rs, QStringLiteral("ID")), Variant::FromI4(2));

    m_rs->SetBookmark(hit);
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("apple"));
    EXPECT_EQ(Hex(ErrorOf([&] { m_rs->SetBookmark(Variant::FromR8(99)); }).Error()), Hex(platform::DB_E_BADBOOKMARK));
    for (const double bad : { 0.0, 1.5, 99.0 })
        EXPECT_EQ(Hex(ErrorOf([&] {
            m_rs->Find(QStringLiteral("MemoryCycle = 1"), 0, engine::adSearchForward, Variant::FromR8(bad));
        }).Error()),
            Hex(platform::DB_E_BADBOOKMARK))
            << bad;
    // A bookmark survives a sort.
    m_rs->SetSort(QStringLiteral("Word"));
    m_rs->SetBookmark(hit);
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("apple"));
}

TEST_F(RecordsetViewTest, ClonesShareRowsButNotPositions)
{
    auto clone = m_rs->Clone();
    m_rs->MoveLast();
    EXPECT_EQ(Get(clone, QStringLiteral("Word")).bstrVal(), QStringLiteral("cherry"));
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("Apricot"));

    Put(clone, QStringLiteral("Word"), Text(QStringLiteral("CHERRY")));
    clone->Update();
    m_rs->MoveFirst();
    EXPECT_EQ(Get(m_rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("CHERRY"));

    clone->MoveNext();
    clone->Delete();
    EXPECT_EQ(m_rs->RecordCount(), 3);
    EXPECT_EQ(Words(m_rs), (QStringList { "CHERRY", "banana", "Apricot" }));

    clone->AddNew();
    Put(clone, QStringLiteral("Word"), Text(QStringLiteral("date")));
    clone->Update();
    EXPECT_EQ(Words(m_rs), (QStringList { "CHERRY", "banana", "Apricot", "date" }));
    EXPECT_EQ(
        Raw(QStringLiteral("SELECT group_concat(Word) FROM Words")), QStringLiteral("CHERRY,banana,Apricot,date"));

    // A clone that requeries fetches the rows afresh for itself, keeping
    // its own sort: it sees a word another writer added, while the
    // recordset it came from keeps the rows it had.
    clone->SetSort(QStringLiteral("Word DESC"));
    AddWord(QStringLiteral("elder"), QStringLiteral("2024-03-05"), 1);
    clone->Requery();
    EXPECT_EQ(clone->Sort(), QStringLiteral("Word DESC"));
    EXPECT_EQ(Words(clone), (QStringList { "elder", "date", "CHERRY", "banana", "Apricot" }));
    EXPECT_EQ(Words(m_rs), (QStringList { "CHERRY", "banana", "Apricot", "date" }));
}

TEST_F(RecordsetViewTest, GetStringRendersRowsAndMovesPastThem)
{
    Exec(QStringLiteral("UPDATE Words SET Word = Null WHERE Word = 'banana'"));
    m_rs->Requery();
    EXPECT_EQ(m_rs->GetString(engine::adClipString, 2, QStringLiteral(","), QStringLiteral(";"), QStringLiteral("-")),
        QStringLiteral("1,cherry,4;2,apple,1;"));
    EXPECT_EQ(Get(m_rs, QStringLiteral("ID")), Variant::FromI4(3));
    EXPECT_EQ(m_rs->GetString(), QStringLiteral("3\t\t2\r4\tApricot\t1\r"));
    EXPECT_TRUE(m_rs->IsEOF());
    EXPECT_EQ(Hex(ErrorOf([&] { m_rs->GetString(); }).Error()), Hex(platform::adErrNoCurrentRecord));
}

struct WordRecord : engine::RecordBinding {
    std::int32_t id = 0;
    char16_t word[32] = {};
    std::int32_t cycle = 0;
    long idStatus = 0, wordStatus = 0, cycleStatus = 0, noRoomStatus = -1;
    std::vector<engine::FieldBinding> Bindings() override
    {
        return {
            { 1, engine::adInteger, &id, sizeof id, &idStatus, false },
            { 2, engine::adVarWChar, word, sizeof word, &wordStatus, true },
            { 3, engine::adInteger, &cycle, sizeof cycle, &cycleStatus, true },
            { 2, engine::adVarWChar, word, 0, &noRoomStatus, false }, // no room even for the terminator
        };
    }
    QString Word() const { return QString::fromUtf16(word); }
    void SetWord(const QString& text)
    {
        std::fill(std::begin(word), std::end(word), u'\0');
        std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), std::min<qsizetype>(text.size(), 31), word);
    }
};

TEST_F(RecordsetViewTest, BoundRecordFollowsTheCursorAndAddsRows)
{
    WordRecord record;
    m_rs->BindToRecordset(&record);
    EXPECT_EQ(record.id, 1);
    EXPECT_EQ(record.Word(), QStringLiteral("cherry"));
    EXPECT_EQ(record.cycle, 4);
    EXPECT_EQ(record.wordStatus, engine::adFldOK);
    EXPECT_EQ(record.noRoomStatus, engine::adFldTruncated);
    m_rs->MoveNext();
    EXPECT_EQ(record.Word(), QStringLiteral("apple"));

    record.SetWord(QStringLiteral("elderberry"));
    record.cycle = 3;
    m_rs->AddNew(&record);
    m_rs->Update();
    EXPECT_EQ(record.id, 5) << "the bound record reads the new row back";
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word || MemoryCycle FROM Words WHERE ID = 5")), QStringLiteral("elderberry3"));

    record.cycle = 16;
    m_rs->Update(&record);
    EXPECT_EQ(Raw(QStringLiteral("SELECT MemoryCycle FROM Words WHERE ID = 5")), QStringLiteral("16"));
}

} // namespace
