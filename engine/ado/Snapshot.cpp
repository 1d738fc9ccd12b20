// The snapshot's row encoding. Fetching copies each value's bytes straight
// from sqlite3_column_* into the arena: one size pass over the row's
// columns, one allocation, one copy pass. Nothing is converted until a
// field is read.
#include "engine/ado/Snapshot.h"

#include <cassert>
#include <cstring>
#include <sqlite3.h>

namespace engine {

namespace {

std::size_t VarintSize(std::uint64_t v)
{
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char* PutVarint(char* p, std::uint64_t v)
{
    while (v >= 0x80) {
        *p++ = char((v & 0x7F) | 0x80);
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

const char* GetVarint(const char* p, std::uint64_t& v)
{
    v = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        v |= std::uint64_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return p;
        shift += 7;
    }
}

std::size_t EncodedSize(const StoredValue& v)
{
    switch (v.kind) {
    case StoredValue::Null:
        return 1;
    case StoredValue::Integer:
    case StoredValue::Real:
        return 9;
    default:
        return 1 + VarintSize(std::uint64_t(v.bytes.size())) + std::size_t(v.bytes.size());
    }
}

} // namespace

void Snapshot::SetColumns(std::vector<ColumnMeta> cols)
{
    columns = std::move(cols);
    ordinalByName.clear();
    for (int i = int(columns.size()) - 1; i >= 0; --i)
        ordinalByName.insert(columns[std::size_t(i)].info.name.toCaseFolded(), i);
}

int Snapshot::OrdinalOf(const QString& name) const
{
    return ordinalByName.value(name.toCaseFolded(), -1);
}

void Snapshot::ReserveRows(std::size_t n)
{
    m_rows.reserve(n);
    m_deleted.reserve(n);
    if (updatable)
        m_rowids.reserve(n);
}

std::size_t Snapshot::EncodeFromStatement(sqlite3_stmt* stmt, int first, RowArena::Ref& ref)
{
    const int count = int(columns.size());
    // Sizes first, so that the row is allocated once. For text and blobs
    // the pointer is taken before the length, as SQLite asks.
    constexpr int kInline = 32;
    int typesInline[kInline];
    const void* dataInline[kInline];
    int sizesInline[kInline];
    std::vector<int> typesHeap, sizesHeap;
    std::vector<const void*> dataHeap;
    int* types = typesInline;
    const void** data = dataInline;
    int* sizes = sizesInline;
    if (count > kInline) {
        typesHeap.resize(std::size_t(count));
        sizesHeap.resize(std::size_t(count));
        dataHeap.resize(std::size_t(count));
        types = typesHeap.data(), sizes = sizesHeap.data(), data = dataHeap.data();
    }
    std::size_t total = 0;
    for (int c = 0; c < count; ++c) {
        const int type = sqlite3_column_type(stmt, first + c);
        types[c] = type;
        switch (type) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            total += 9;
            break;
        case SQLITE_TEXT:
            data[c] = sqlite3_column_text(stmt, first + c);
            sizes[c] = sqlite3_column_bytes(stmt, first + c);
            total += 1 + VarintSize(std::uint64_t(sizes[c])) + std::size_t(sizes[c]);
            break;
        case SQLITE_BLOB:
            data[c] = sqlite3_column_blob(stmt, first + c);
            sizes[c] = sqlite3_column_bytes(stmt, first + c);
            total += 1 + VarintSize(std::uint64_t(sizes[c])) + std::size_t(sizes[c]);
            break;
        default:
            total += 1;
            break;
        }
    }
    char* p = m_arena.Allocate(total, ref);
    for (int c = 0; c < count; ++c) {
        switch (types[c]) {
        case SQLITE_INTEGER: {
            *p++ = char(StoredValue::Integer);
            const sqlite3_int64 v = sqlite3_column_int64(stmt, first + c);
            std::memcpy(p, &v, 8);
            p += 8;
            break;
        }
        case SQLITE_FLOAT: {
            *p++ = char(StoredValue::Real);
            const double v = sqlite3_column_double(stmt, first + c);
            std::memcpy(p, &v, 8);
            p += 8;
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            *p++ = char(types[c] == SQLITE_TEXT ? StoredValue::Text : StoredValue::Blob);
            p = PutVarint(p, std::uint64_t(sizes[c]));
            if (sizes[c] > 0)
                std::memcpy(p, data[c], std::size_t(sizes[c]));
            p += sizes[c];
            break;
        default:
            *p++ = char(StoredValue::Null);
            break;
        }
    }
    return total;
}

RowArena::Ref Snapshot::Encode(const std::vector<StoredValue>& values)
{
    assert(values.size() == columns.size());
    std::size_t total = 0;
    for (const StoredValue& v : values)
        total += EncodedSize(v);
    RowArena::Ref ref = 0;
    char* p = m_arena.Allocate(total, ref);
    for (const StoredValue& v : values) {
        *p++ = char(v.kind);
        switch (v.kind) {
        case StoredValue::Null:
            break;
        case StoredValue::Integer:
            std::memcpy(p, &v.integer, 8);
            p += 8;
            break;
        case StoredValue::Real:
            std::memcpy(p, &v.real, 8);
            p += 8;
            break;
        default:
            p = PutVarint(p, std::uint64_t(v.bytes.size()));
            std::memcpy(p, v.bytes.constData(), std::size_t(v.bytes.size()));
            p += v.bytes.size();
            break;
        }
    }
    return ref;
}

std::size_t Snapshot::AppendFromStatement(sqlite3_stmt* stmt, int first, std::int64_t rowid)
{
    RowArena::Ref ref = 0;
    EncodeFromStatement(stmt, first, ref);
    m_rows.push_back(ref);
    m_deleted.push_back(0);
    if (updatable)
        m_rowids.push_back(rowid);
    ++m_version;
    return m_rows.size() - 1;
}

std::size_t Snapshot::AppendRow(const std::vector<StoredValue>& values, std::int64_t rowid)
{
    m_rows.push_back(Encode(values));
    m_deleted.push_back(0);
    if (updatable)
        m_rowids.push_back(rowid);
    ++m_version;
    return m_rows.size() - 1;
}

void Snapshot::ReplaceRow(std::size_t row, const std::vector<StoredValue>& values)
{
    // The old bytes stay in the arena until the snapshot goes: rewrites
    // are one per Update, never a bulk operation.
    m_rows[row] = Encode(values);
    ++m_version;
}

void Snapshot::ReplaceFromStatement(std::size_t row, sqlite3_stmt* stmt, int first)
{
    RowArena::Ref ref = 0;
    EncodeFromStatement(stmt, first, ref);
    m_rows[row] = ref;
    ++m_version;
}

StoredRef Snapshot::Value(std::size_t row, int column) const
{
    const char* p = m_arena.Data(m_rows[row]);
    for (int c = 0;; ++c) {
        StoredRef ref;
        ref.kind = static_cast<StoredValue::Kind>(*p++);
        switch (ref.kind) {
        case StoredValue::Null:
            break;
        case StoredValue::Integer:
            std::memcpy(&ref.integer, p, 8);
            p += 8;
            break;
        case StoredValue::Real:
            std::memcpy(&ref.real, p, 8);
            p += 8;
            break;
        default: {
            std::uint64_t size = 0;
            p = GetVarint(p, size);
            ref.data = p;
            ref.size = std::size_t(size);
            p += size;
            break;
        }
        }
        if (c == column)
            return ref;
    }
}

std::vector<StoredValue> Snapshot::RowValues(std::size_t row) const
{
    std::vector<StoredValue> values;
    values.reserve(columns.size());
    for (int c = 0; c < int(columns.size()); ++c)
        values.push_back(Value(row, c).ToValue());
    return values;
}

void Snapshot::MarkDeleted(std::size_t row)
{
    if (!m_deleted[row]) {
        m_deleted[row] = 1;
        ++m_deletedCount;
        ++m_version;
    }
}

std::size_t Snapshot::MemoryBytes() const
{
    return m_arena.MemoryBytes() + m_rows.capacity() * sizeof(RowArena::Ref)
        + m_rowids.capacity() * sizeof(std::int64_t) + m_deleted.capacity();
}

} // namespace engine
