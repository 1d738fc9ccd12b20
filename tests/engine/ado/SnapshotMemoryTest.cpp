// The memory a static recordset holds for its rows: a selection of a few
// rows holds a few KiB, not a large block, and a large one stays close to
// the rows' own bytes; rows of every size, larger than any block included,
// come back intact from the arena they are encoded into.
#include "engine/EngineTestFiles.h"
#include "engine/ado/RecordsetImpl.h"
#include "engine/ado/RowArena.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using platform::Variant;

namespace {

class SnapshotMemoryTest : public enginetest::EngineTest {
protected:
    // Adds `count` words whose descriptions are `descriptionLength` bytes.
    void AddRows(int count, int descriptionLength)
    {
        RawExec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO Words (Word, Pronunciation, Description, MemoryCycle, Date) "
                               "SELECT 'word ' || i, 'pron', replace(hex(zeroblob(%2)), '00', 'd'), i % 7, "
                               "'2024-03-01 10:00:00' FROM n")
                    .arg(count)
                    .arg(descriptionLength));
    }

    // The rows' own bytes: 8 for each number, the UTF-8 bytes of each text.
    std::size_t RawBytes() const
    {
        return Raw(QStringLiteral("SELECT sum(16 + length(CAST(Word AS BLOB)) + length(CAST(Pronunciation AS BLOB)) "
                                  "+ length(CAST(Description AS BLOB)) + length(CAST(Date AS BLOB))) FROM Words"))
            .toULongLong();
    }

    static std::size_t SnapshotBytes(const std::shared_ptr<engine::Recordset>& rs)
    {
        return rs->GetImpl().snapshot->MemoryBytes();
    }
};

TEST_F(SnapshotMemoryTest, ASmallSelectionHoldsLittleAndALargeOneStaysNearItsRawBytes)
{
    AddRows(200, 20);
    const std::size_t smallRaw = RawBytes();
    auto small = Open(QStringLiteral("SELECT * FROM Words ORDER BY ID"));
    ASSERT_EQ(small->RecordCount(), 200);
    const std::size_t smallHeld = SnapshotBytes(small);
    EXPECT_LT(double(smallHeld) / double(smallRaw), 3.0) << smallHeld << " bytes for " << smallRaw << " raw";
    EXPECT_LT(smallHeld, engine::RowArena::kLargestBlock / 8);
    small->MoveLast();
    EXPECT_EQ(Get(small, QStringLiteral("Word")).bstrVal().toStdString(), "word 200");

    // One row holds about one small block.
    auto one = Open(QStringLiteral("SELECT * FROM Words WHERE ID = 7"));
    EXPECT_LE(SnapshotBytes(one), 2 * engine::RowArena::kFirstBlock);

    Exec(QStringLiteral("DELETE FROM Words"));
    AddRows(16000, 200);
    const std::size_t largeRaw = RawBytes();
    auto large = Open(QStringLiteral("SELECT * FROM Words ORDER BY ID"));
    ASSERT_EQ(large->RecordCount(), 16000);
    const std::size_t largeHeld = SnapshotBytes(large);
    EXPECT_LT(double(largeHeld) / double(largeRaw), 1.3) << largeHeld << " bytes for " << largeRaw << " raw";
    large->MoveLast();
    EXPECT_EQ(Get(large, QStringLiteral("Description")).bstrVal().toStdString(), std::string(200, 'd'));
}

TEST(RowArenaTest, RowsOfEverySizeComeBackIntactAndBlocksGrowFromSmall)
{
    engine::RowArena arena;
    EXPECT_EQ(arena.MemoryBytes(), 0u);
    struct Row {
        engine::RowArena::Ref ref;
        std::size_t bytes;
        char fill;
    };
    std::vector<Row> rows;
    const auto add = [&](std::size_t bytes) {
        Row row { 0, bytes, char('a' + rows.size() % 26) };
        std::memset(arena.Allocate(bytes, row.ref), row.fill, bytes);
        rows.push_back(row);
    };
    add(10);
    const std::size_t afterOne = arena.MemoryBytes();
    EXPECT_GE(afterOne, engine::RowArena::kFirstBlock);
    EXPECT_LT(afterOne, engine::RowArena::kFirstBlock + 256);

    // Rows that do not fit what is left of a block, rows larger than the
    // next block, and one larger than the largest block.
    for (std::size_t bytes : { 4000, 3000, 9000, 100, 70000, 1, 2 << 20, 500, 5000 })
        add(bytes);
    for (int i = 0; i < 3000; ++i)
        add(std::size_t(1 + (i * 37) % 1500));
    std::size_t total = 0;
    for (const Row& row : rows) {
        total += row.bytes;
        const char* p = arena.Data(row.ref);
        ASSERT_TRUE(std::all_of(p, p + row.bytes, [&](char c) { return c == row.fill; })) << row.bytes;
    }
    EXPECT_GE(arena.MemoryBytes(), total);
    EXPECT_LT(arena.MemoryBytes(), total + 2 * engine::RowArena::kLargestBlock);
}

} // namespace
