// Private to the engine: the rows of a static recordset, held compactly.
// Each row is encoded once into a block arena (per value a tag byte; then
// 8 bytes for a number, or a varint length and the bytes for text and
// blobs), and decoded to a Variant only when a field is read, so that a
// snapshot of a million rows costs little more than the rows' own bytes
// and no per-value objects. Clones of a recordset share one snapshot; each
// keeps its own view and position (RecordsetImpl.h).
#pragma once

#include "engine/ado/Recordset.h"
#include "engine/ado/RowArena.h"
#include "engine/sqlite/StoredValue.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3_stmt;

namespace engine {

class Connection;

// Where a column's values come from and how they are written back.
struct ColumnMeta {
    ColumnInfo info;
    QString baseColumn; // the column of the base table it reads; empty for an expression
    QString qualifiedName; // "Words.Word", for error texts
    bool notNull = false; // a NOT NULL column of the base table
    bool hasDefault = false; // the base table gives a default
    bool rowidAlias = false; // INTEGER PRIMARY KEY: assigned by the engine
    enum NowDefault { NoNow, NowDateTime, NowDate, NowTime } nowDefault = NoNow; // default reads the clock
};

class Snapshot {
public:
    std::vector<ColumnMeta> columns;
    QHash<QString, int> ordinalByName; // case-folded names; the first of equal names wins

    // Write-back: set when the rows come from one table of a connection.
    std::shared_ptr<Connection> connection;
    QString baseTable;
    QString selectList;
    QString baseAlias; // the base table's alias in the query, which the select list may use
    bool updatable = false; // rows can be written to baseTable
    bool inMemory = false; // edits change only the snapshot (files, rows built in memory)
    QString notUpdatableReason;

    void SetColumns(std::vector<ColumnMeta> cols);
    int OrdinalOf(const QString& name) const; // -1 when absent

    std::size_t RowCount() const { return m_rows.size(); }
    // Appends the current row of stmt, columns [first, first + columns.size()).
    std::size_t AppendFromStatement(sqlite3_stmt* stmt, int first, std::int64_t rowid);
    std::size_t AppendRow(const std::vector<StoredValue>& values, std::int64_t rowid);
    void ReplaceRow(std::size_t row, const std::vector<StoredValue>& values);
    void ReplaceFromStatement(std::size_t row, sqlite3_stmt* stmt, int first);

    StoredRef Value(std::size_t row, int column) const;
    std::vector<StoredValue> RowValues(std::size_t row) const;
    std::int64_t RowId(std::size_t row) const { return m_rowids.empty() ? 0 : m_rowids[row]; }

    bool IsDeleted(std::size_t row) const { return m_deleted[row] != 0; }
    void MarkDeleted(std::size_t row);
    std::size_t DeletedCount() const { return m_deletedCount; }
    // Bumped by every change of rows, so that cursors can tell their cached
    // counts are stale.
    std::uint64_t Version() const { return m_version; }

    // Bytes held for the rows (arena blocks, row table, row ids, flags).
    std::size_t MemoryBytes() const;
    void ReserveRows(std::size_t n);

private:
    std::size_t EncodeFromStatement(sqlite3_stmt* stmt, int first, RowArena::Ref& ref);
    RowArena::Ref Encode(const std::vector<StoredValue>& values);

    RowArena m_arena;
    std::vector<RowArena::Ref> m_rows;
    std::vector<std::int64_t> m_rowids; // only when rows were read with their rowid
    std::vector<std::uint8_t> m_deleted;
    std::size_t m_deletedCount = 0;
    std::uint64_t m_version = 0;
};

} // namespace engine
