// Private to the engine: a recordset's own state over its (possibly
// shared) snapshot — the view (which rows, in which order), the position
// in it, the pending edit — and the operations that Field, Fields and the
// persistence module reach through Recordset::GetImpl().
#pragma once

#include "engine/jetsql/JetSql.h"
#include "engine/ado/Recordset.h"
#include "engine/ado/Snapshot.h"

#include <memory>
#include <optional>
#include <vector>

namespace engine {

class RecordBinding;

struct Recordset::Impl {
    // Properties, kept across Open and Close.
    long cursorType = adOpenForwardOnly;
    long lockType = adLockReadOnly;
    long cursorLocation = adUseServer;

    // Where the rows came from, so that Requery can fetch them again.
    enum class Origin {
        Query, // a translated SELECT on a connection
        File, // an XML persistence file
        Memory, // rows handed in by the engine (schema rowsets, saved queries' results)
    };

    bool open = false;
    Origin origin = Origin::Memory;
    QString source;
    std::shared_ptr<Connection> connection;
    jetsql::Translation statement; // Origin::Query
    std::vector<platform::Variant> parameters; // Origin::Query
    std::shared_ptr<Snapshot> snapshot;
    bool forwardOnly = false; // RecordCount -1, no backward moves or bookmarks
    bool readOnly = false; // adLockReadOnly: edits refused

    // The view: which snapshot rows this cursor walks, in order. Without a
    // filter or sort it is every row of the snapshot in fetch order
    // (including rows that clones add); otherwise an explicit list.
    bool naturalView = true;
    std::vector<std::uint32_t> view;
    QString filter;
    QString sort;

    // The position. BeforeFirst: BOF, no current row. OnRow: at view index
    // `index`; if that row has been deleted (here or through a clone) there
    // is no current record until the cursor moves, and the moves go on from
    // it to the next live row. AfterLast: EOF, no current row. With no live
    // row at all, BOF and EOF are both true.
    enum class Position { BeforeFirst, OnRow, AfterLast };
    Position position = Position::BeforeFirst;
    std::size_t index = 0;

    // The pending edit. adEditNone: nothing pending. adEditInProgress: some
    // fields of the current row have been put (pending holds them).
    // adEditAdd: a new row is being composed in pending; the position saved
    // in addReturn* is restored if it is cancelled.
    long editMode = adEditNone;
    std::vector<std::optional<StoredValue>> pending;
    Position addReturnPosition = Position::BeforeFirst;
    std::size_t addReturnIndex = 0;

    // GetChunk / AppendChunk progress on one field of one row. Reading or
    // setting any other field ends a GetChunk run (NoteFieldUse), so the
    // next GetChunk starts from the beginning again, as ADO's does.
    int chunkField = -1;
    std::size_t chunkRow = 0;
    std::size_t chunkOffset = 0;
    int appendField = -1;

    RecordBinding* binding = nullptr;

    // RecordCount cache, valid while the snapshot's version is unchanged.
    mutable std::uint64_t countVersion = ~std::uint64_t(0);
    mutable long countCache = 0;

    // --- views and positions
    std::size_t ViewSize() const { return naturalView ? snapshot->RowCount() : view.size(); }
    std::size_t RowAt(std::size_t i) const { return naturalView ? i : view[i]; }
    bool LiveAt(std::size_t i) const { return !snapshot->IsDeleted(RowAt(i)); }
    std::optional<std::size_t> NextLive(std::size_t from) const;
    std::optional<std::size_t> PreviousLive(std::size_t from) const; // from inclusive
    long LiveCount() const;
    bool IsEOF() const;
    bool IsBOF() const;
    void PlaceOnFirst();
    bool HasCurrentRow() const;
    std::size_t CurrentRow() const; // throws 0x800A0BCD without one

    // --- checks
    void RequireOpen() const;
    const ColumnMeta& Column(int ordinal) const; // throws adErrItemNotFound
    int ColumnCount() const { return open ? int(snapshot->columns.size()) : 0; }
    int OrdinalOf(const QString& name) const; // throws adErrItemNotFound

    // --- field access (Field.cpp)
    platform::Variant Value(int ordinal) const;
    platform::Variant OriginalValue(int ordinal) const;
    platform::Variant UnderlyingValue(int ordinal) const;
    void PutValue(int ordinal, const platform::Variant& value);
    long ActualSize(int ordinal) const;
    platform::Variant GetChunk(int ordinal, long length);
    void AppendChunk(int ordinal, const platform::Variant& data);
    // Called by Field for every read or write of a value.
    void NoteFieldUse(int ordinal)
    {
        if (ordinal != chunkField)
            chunkField = -1;
    }

    // --- for persistence: the live rows of the view in order, and a value
    platform::Variant ValueAt(std::size_t row, int ordinal) const;
    std::vector<std::size_t> LiveRowsInOrder() const;

    // Bytes held by the snapshot (shared with clones) and this view.
    std::size_t MemoryBytes() const;
};

} // namespace engine
