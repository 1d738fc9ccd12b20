// The Recordset: a static snapshot of a query's rows fetched at open, a
// cursor over it, and the write-back of edits. Each Update, AddNew+Update
// and Delete is one transaction on the data file that locates the row by
// its rowid and by every value the snapshot read (optimistic locking), so
// a row changed underneath is never overwritten; the row is then read
// back so that the snapshot holds exactly what the file holds.
#include "engine/ado/Recordset.h"

#include "engine/common/AdoError.h"
#include "engine/ado/Connection.h"
#include "engine/ado/ConnectionStringParts.h"
#include "engine/jetsql/Criteria.h"
#include "engine/sqlite/DateText.h"
#include "engine/ado/Field.h"
#include "engine/jetsql/JetSql.h"
#include "engine/ado/RecordBinding.h"
#include "engine/ado/RecordsetImpl.h"
#include "engine/catalog/SavedQueries.h"
#include "engine/sqlite/SqliteError.h"
#include "engine/sqlite/SqliteHandles.h"
#include "engine/sqlite/ValueConversion.h"
#include "engine/xml/XmlPersistence.h"
#include "platform/Clock.h"

#include <QRegularExpression>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace engine {

using platform::ComError;
using platform::Variant;

namespace {

constexpr const char* kObject = "Recordset";
constexpr long kDefaultTextSize = 255;
constexpr long kLongTextSize = 536870910;

[[noreturn]] void NoCurrentRecord()
{
    ThrowAdo(platform::adErrNoCurrentRecord, QString::fromLatin1(adotext::kNoCurrentRecord), kObject);
}
[[noreturn]] void Closed()
{
    ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
}
[[noreturn]] void InvalidArgument()
{
    ThrowAdo(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument), kObject);
}
[[noreturn]] void CantFetchBackwards()
{
    ThrowAdo(DB_E_CANTFETCHBACKWARDS, QString::fromLatin1(adotext::kCantFetchBackwards), kObject);
}

QString Quote(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

[[noreturn]] void ThrowConcurrency()
{
    ThrowJet(platform::DB_E_CONCURRENCYVIOLATION,
        QStringLiteral("Row cannot be located for updating. Some values may "
                       "have been changed since it was last read."));
}

// Inserts the base table's rowid as the first column of a translated
// single-table SELECT; empty when the text does not start with SELECT.
QByteArray WithRowid(const QString& sql)
{
    static const QRegularExpression head(QStringLiteral("^\\s*SELECT\\s+"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = head.match(sql);
    if (!m.hasMatch())
        return {};
    const QString rest = sql.mid(m.capturedEnd());
    if (rest.startsWith(QLatin1String("DISTINCT"), Qt::CaseInsensitive)
        || rest.startsWith(QLatin1String("ALL "), Qt::CaseInsensitive))
        return {};
    return (sql.left(m.capturedEnd()) + QLatin1String("rowid, ") + rest).toUtf8();
}

// Defaults that read the clock: Jet's Now(), Date() and Time() as the
// translator writes them, and the usual forms other tools write.
ColumnMeta::NowDefault NowDefaultOf(const QString& defaultExpression)
{
    switch (jetsql::ClockDefaultOf(defaultExpression)) {
    case jetsql::ClockDefault::Now:
        return ColumnMeta::NowDateTime;
    case jetsql::ClockDefault::Date:
        return ColumnMeta::NowDate;
    case jetsql::ClockDefault::Time:
        return ColumnMeta::NowTime;
    case jetsql::ClockDefault::None:
        break;
    }
    const QString d = defaultExpression.toCaseFolded();
    if (!d.contains(QLatin1String("'now'")))
        return ColumnMeta::NoNow;
    const QString head = QString(d).remove(QLatin1Char('(')).trimmed();
    return head.startsWith(QLatin1String("date")) ? ColumnMeta::NowDate : ColumnMeta::NowDateTime;
}

// The type of an expression column: the type Jet gives the expression
// (known from the statement), and only where the statement cannot tell (a
// parameter, a column of a subquery) the type its values suggest.
ColumnInfo ComputedColumnType(const Snapshot& snapshot, int column, const QString& name, long knownType);

// The select item each result column comes from: the items in order, where
// one item "*" stands for however many columns are left over. -1 when that
// cannot be told (more than one "*").
int ItemOfColumn(const QList<long>& itemTypes, int column, int columnCount)
{
    const int items = static_cast<int>(itemTypes.size());
    const int stars = static_cast<int>(itemTypes.count(-1));
    if (stars == 0)
        return items == columnCount ? column : -1;
    if (stars > 1)
        return -1;
    const int star = static_cast<int>(itemTypes.indexOf(-1));
    const int expanded = columnCount - (items - 1);
    if (column < star)
        return column;
    if (column < star + expanded)
        return -1;
    return column - expanded + 1;
}

ColumnInfo GuessedColumnType(const Snapshot& snapshot, int column, const QString& name)
{
    bool anyInteger = false, anyReal = false, anyText = false, anyBlob = false, wide = false;
    std::size_t longest = 0;
    for (std::size_t r = 0; r < snapshot.RowCount(); ++r) {
        const StoredRef v = snapshot.Value(r, column);
        switch (v.kind) {
        case StoredValue::Integer:
            anyInteger = true;
            wide = wide || v.integer < INT32_MIN || v.integer > INT32_MAX;
            break;
        case StoredValue::Real:
            anyReal = true;
            break;
        case StoredValue::Text:
            anyText = true;
            longest = std::max(longest, v.size);
            break;
        case StoredValue::Blob:
            anyBlob = true;
            break;
        default:
            break;
        }
    }
    ColumnInfo info;
    info.name = name;
    info.attributes = adFldIsNullable | adFldMayBeNull;
    if (anyBlob) {
        info.type = adLongVarBinary;
        info.definedSize = kLongTextSize;
        info.attributes |= adFldLong;
    } else if (anyText) {
        const bool isLong = longest > std::size_t(kDefaultTextSize);
        info.type = isLong ? adLongVarWChar : adVarWChar;
        info.definedSize = isLong ? kLongTextSize : kDefaultTextSize;
        if (isLong)
            info.attributes |= adFldLong;
    } else if (anyReal) {
        info.type = adDouble;
        info.definedSize = 8;
        info.attributes |= adFldFixed;
    } else if (anyInteger) {
        info.type = wide ? adBigInt : adInteger;
        info.definedSize = wide ? 8 : 4;
        info.attributes |= adFldFixed;
    } else {
        info.type = adVarWChar;
        info.definedSize = kDefaultTextSize;
    }
    return info;
}

ColumnInfo ComputedColumnType(const Snapshot& snapshot, int column, const QString& name, long knownType)
{
    if (knownType <= 0)
        return GuessedColumnType(snapshot, column, name);
    ColumnInfo info;
    info.name = name;
    info.attributes = adFldIsNullable | adFldMayBeNull | adFldFixed;
    info.type = knownType;
    switch (knownType) {
    case adVarWChar: {
        // Text of a memo stays long.
        const ColumnInfo guessed = GuessedColumnType(snapshot, column, name);
        if (guessed.type == adLongVarWChar)
            return guessed;
        info.definedSize = kDefaultTextSize;
        info.attributes &= ~adFldFixed;
        break;
    }
    case adLongVarBinary:
        info.definedSize = kLongTextSize;
        info.attributes = adFldIsNullable | adFldMayBeNull | adFldLong;
        break;
    case adBoolean:
    case adSmallInt:
        info.definedSize = 2;
        break;
    case adUnsignedTinyInt:
        info.definedSize = 1;
        break;
    case adInteger:
    case adSingle:
        info.definedSize = 4;
        break;
    case adNumeric:
        info.definedSize = 19;
        info.precision = 28;
        break;
    default: // adDouble, adCurrency, adDate
        info.definedSize = 8;
        break;
    }
    return info;
}

struct TableColumn {
    bool notNull = false;
    bool primaryKey = false;
    QString defaultExpression;
    bool hasDefault = false;
};

// What the base table says of its columns (NOT NULL, defaults, keys).
QHash<QString, TableColumn> TableColumns(sqlite3* db, const QString& table, bool& rowidAliasPk, QString& pkColumn)
{
    QHash<QString, TableColumn> result;
    Statement info(db, QStringLiteral("PRAGMA table_info(%1)").arg(Quote(table)));
    int pkCount = 0;
    QString pkType;
    while (info.Step()) {
        TableColumn c;
        c.notNull = info.ColumnInt(3) != 0;
        const StoredValue dflt = info.Column(4);
        c.hasDefault = dflt.kind != StoredValue::Null;
        c.defaultExpression = QString::fromUtf8(dflt.bytes);
        c.primaryKey = info.ColumnInt(5) != 0;
        if (c.primaryKey) {
            ++pkCount;
            pkColumn = info.ColumnText(1);
            pkType = info.ColumnText(2);
        }
        result.insert(info.ColumnText(1).toCaseFolded(), c);
    }
    rowidAliasPk = pkCount == 1 && pkType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
    return result;
}

int CompareForSort(const Variant& a, const Variant& b)
{
    const bool an = a.IsNull() || a.IsEmpty(), bn = b.IsNull() || b.IsEmpty();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    const bool aText = a.vt() == platform::VT_BSTR, bText = b.vt() == platform::VT_BSTR;
    if (aText && bText)
        return a.bstrVal().compare(b.bstrVal(), Qt::CaseInsensitive);
    if (!aText && !bText && a.vt() != (platform::VT_ARRAY | platform::VT_UI1)) {
        const StoredValue sa = StoredFromVariant(a), sb = StoredFromVariant(b);
        const auto num = [](const StoredValue& s, const Variant& v) {
            if (s.kind == StoredValue::Integer)
                return double(s.integer);
            if (s.kind == StoredValue::Real)
                return s.real;
            return v.vt() == platform::VT_DATE ? v.date() : 0.0;
        };
        const double x = num(sa, a), y = num(sb, b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return DisplayText(a).compare(DisplayText(b), Qt::CaseInsensitive);
}

std::optional<double> BookmarkNumber(const Variant& v)
{
    switch (v.vt()) {
    case platform::VT_R8:
    case platform::VT_DATE:
        return v.dblVal();
    case platform::VT_R4:
        return v.fltVal();
    case platform::VT_I2:
        return v.iVal();
    case platform::VT_I4:
    case platform::VT_INT:
        return v.lVal();
    case platform::VT_UI4:
        return v.ulVal();
    case platform::VT_I8:
        return double(v.llVal());
    default:
        return std::nullopt;
    }
}

} // namespace

// ---------------------------------------------------------------- Impl ----

std::optional<std::size_t> Recordset::Impl::NextLive(std::size_t from) const
{
    const std::size_t n = ViewSize();
    for (std::size_t i = from; i < n; ++i)
        if (LiveAt(i))
            return i;
    return std::nullopt;
}

std::optional<std::size_t> Recordset::Impl::PreviousLive(std::size_t from) const
{
    if (ViewSize() == 0)
        return std::nullopt;
    for (std::size_t i = std::min(from, ViewSize() - 1) + 1; i-- > 0;)
        if (LiveAt(i))
            return i;
    return std::nullopt;
}

long Recordset::Impl::LiveCount() const
{
    if (naturalView && snapshot->DeletedCount() == 0)
        return long(snapshot->RowCount());
    // The view itself changes only where the snapshot's version changes too
    // (a row added) or where the cache is dropped (Rebuild).
    if (countVersion != snapshot->Version()) {
        long count = 0;
        for (std::size_t i = 0, n = ViewSize(); i < n; ++i)
            count += LiveAt(i) ? 1 : 0;
        countCache = count;
        countVersion = snapshot->Version();
    }
    return countCache;
}

bool Recordset::Impl::IsEOF() const
{
    return position == Position::AfterLast || (position == Position::BeforeFirst && LiveCount() == 0);
}

bool Recordset::Impl::IsBOF() const
{
    return position == Position::BeforeFirst || (position == Position::AfterLast && LiveCount() == 0);
}

void Recordset::Impl::PlaceOnFirst()
{
    if (const std::optional<std::size_t> first = NextLive(0)) {
        position = Position::OnRow;
        index = *first;
    } else {
        position = Position::AfterLast;
    }
    chunkField = -1;
}

bool Recordset::Impl::HasCurrentRow() const
{
    return open && position == Position::OnRow && index < ViewSize() && LiveAt(index);
}

std::size_t Recordset::Impl::CurrentRow() const
{
    if (!HasCurrentRow())
        NoCurrentRecord();
    return RowAt(index);
}

void Recordset::Impl::RequireOpen() const
{
    if (!open)
        Closed();
}

const ColumnMeta& Recordset::Impl::Column(int ordinal) const
{
    RequireOpen();
    if (ordinal < 0 || ordinal >= int(snapshot->columns.size()))
        ThrowAdo(platform::adErrItemNotFound, QString::fromLatin1(adotext::kItemNotFound), kObject);
    return snapshot->columns[std::size_t(ordinal)];
}

int Recordset::Impl::OrdinalOf(const QString& name) const
{
    RequireOpen();
    const int ordinal = snapshot->OrdinalOf(name.trimmed());
    if (ordinal < 0)
        ThrowAdo(platform::adErrItemNotFound, QString::fromLatin1(adotext::kItemNotFound), kObject);
    return ordinal;
}

Variant Recordset::Impl::ValueAt(std::size_t row, int ordinal) const
{
    return VariantFromStored(snapshot->Value(row, ordinal), snapshot->columns[std::size_t(ordinal)].info.type);
}

Variant Recordset::Impl::Value(int ordinal) const
{
    const ColumnMeta& column = Column(ordinal);
    if (editMode == adEditAdd) {
        const std::optional<StoredValue>& v = pending[std::size_t(ordinal)];
        return v ? VariantFromStored(StoredRef::Of(*v), column.info.type) : Variant::Null();
    }
    const std::size_t row = CurrentRow();
    if (editMode == adEditInProgress && pending[std::size_t(ordinal)])
        return VariantFromStored(StoredRef::Of(*pending[std::size_t(ordinal)]), column.info.type);
    return ValueAt(row, ordinal);
}

Variant Recordset::Impl::OriginalValue(int ordinal) const
{
    Column(ordinal);
    if (editMode == adEditAdd)
        return Variant::Null();
    return ValueAt(CurrentRow(), ordinal);
}

Variant Recordset::Impl::UnderlyingValue(int ordinal) const
{
    const ColumnMeta& column = Column(ordinal);
    if (editMode == adEditAdd)
        return Variant::Null();
    const std::size_t row = CurrentRow();
    if (!snapshot->updatable || column.baseColumn.isEmpty() || !snapshot->connection || !snapshot->connection->Handle())
        return ValueAt(row, ordinal);
    Statement read(snapshot->connection->Handle(),
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(Quote(column.baseColumn), Quote(snapshot->baseTable)));
    read.Bind(1, StoredValue::MakeInteger(snapshot->RowId(row)));
    if (!read.Step())
        ThrowConcurrency();
    const StoredValue v = read.Column(0);
    return VariantFromStored(StoredRef::Of(v), column.info.type);
}

long Recordset::Impl::ActualSize(int ordinal) const
{
    const Variant v = Value(ordinal);
    switch (v.vt()) {
    case platform::VT_NULL:
    case platform::VT_EMPTY:
        return 0;
    case platform::VT_BSTR:
        return long(v.bstrVal().size() * 2);
    case platform::VT_I1:
    case platform::VT_UI1:
        return 1;
    case platform::VT_I2:
    case platform::VT_UI2:
    case platform::VT_BOOL:
        return 2;
    case platform::VT_I4:
    case platform::VT_UI4:
    case platform::VT_INT:
    case platform::VT_R4:
        return 4;
    case platform::VT_DECIMAL:
        return 16;
    default:
        if (v.vt() == (platform::VT_ARRAY | platform::VT_UI1))
            return long(v.bytes().size());
        return 8;
    }
}

Variant Recordset::Impl::GetChunk(int ordinal, long length)
{
    if (length < 0)
        InvalidArgument();
    const Variant value = Value(ordinal);
    const std::size_t row = editMode == adEditAdd ? ~std::size_t(0) : CurrentRow();
    if (chunkField != ordinal || chunkRow != row) {
        chunkField = ordinal;
        chunkRow = row;
        chunkOffset = 0;
    }
    if (value.vt() == platform::VT_BSTR) {
        const QString& text = value.bstrVal();
        if (chunkOffset >= std::size_t(text.size()))
            return Variant::Null();
        const QString piece = text.mid(qsizetype(chunkOffset), length);
        chunkOffset += std::size_t(piece.size());
        return Variant::FromBstr(piece);
    }
    if (value.vt() == (platform::VT_ARRAY | platform::VT_UI1)) {
        const QByteArray& data = value.bytes();
        if (chunkOffset >= std::size_t(data.size()))
            return Variant::Null();
        const QByteArray piece = data.mid(qsizetype(chunkOffset), length);
        chunkOffset += std::size_t(piece.size());
        return Variant::FromBytes(piece);
    }
    if (value.IsNull())
        return Variant::Null();
    ThrowAdo(platform::adErrFeatureNotAvailable,
        QStringLiteral("GetChunk needs a text or binary field; '%1' is neither.").arg(Column(ordinal).info.name),
        "Field");
}

std::vector<std::size_t> Recordset::Impl::LiveRowsInOrder() const
{
    std::vector<std::size_t> rows;
    if (!open)
        return rows;
    rows.reserve(ViewSize());
    for (std::size_t i = 0, n = ViewSize(); i < n; ++i)
        if (LiveAt(i))
            rows.push_back(RowAt(i));
    return rows;
}

std::size_t Recordset::Impl::MemoryBytes() const
{
    return (snapshot ? snapshot->MemoryBytes() : 0) + view.capacity() * sizeof(std::uint32_t);
}

// ------------------------------------------------------------- editing ----

namespace {

using Impl = Recordset::Impl;

void CheckEditable(const Impl& impl)
{
    impl.RequireOpen();
    if (impl.readOnly)
        ThrowAdo(platform::adErrFeatureNotAvailable, QString::fromLatin1(adotext::kNotUpdatableLock), kObject);
    if (!impl.snapshot->updatable && !impl.snapshot->inMemory)
        ThrowAdo(platform::adErrFeatureNotAvailable, impl.snapshot->notUpdatableReason, kObject);
}

sqlite3* WritableHandle(const Impl& impl)
{
    const std::shared_ptr<Connection>& connection = impl.snapshot->connection;
    if (!connection || !connection->Handle())
        ThrowAdo(platform::adErrObjectClosed,
            QStringLiteral("Operation is not allowed when the object is closed. (The recordset's connection has "
                           "been closed; its changes cannot be written.)"),
            kObject);
    return connection->Handle();
}

// Jet's checks that SQLite does not make: a text longer than its TEXT(n)
// field, and a required field left empty. Every violation is caught
// before anything is written.
void CheckRow(const Snapshot& snapshot, const std::vector<std::optional<StoredValue>>& pending, bool insert)
{
    for (std::size_t c = 0; c < snapshot.columns.size(); ++c) {
        const ColumnMeta& column = snapshot.columns[c];
        if (column.baseColumn.isEmpty())
            continue;
        const std::optional<StoredValue>& v = pending[c];
        if (v && v->kind == StoredValue::Text && IsTextType(column.info.type) && !IsLongType(column.info.type)
            && column.info.definedSize > 0) {
            const qsizetype length = QString::fromUtf8(v->bytes).size();
            if (length > column.info.definedSize)
                ThrowJet(platform::E_FAIL,
                    QStringLiteral("The field '%1' is too small to accept the amount of data "
                                   "you attempted to add (%2 characters; it holds %3).  Try "
                                   "inserting or pasting less data.")
                        .arg(column.qualifiedName)
                        .arg(length)
                        .arg(column.info.definedSize));
        }
        const bool isNull = v
            ? v->kind == StoredValue::Null
            : insert && !column.hasDefault && !column.rowidAlias && column.nowDefault == ColumnMeta::NoNow;
        if (column.notNull && isNull && !(column.rowidAlias && !v))
            ThrowJet(platform::E_FAIL,
                QStringLiteral("The field '%1' cannot contain a Null value because the "
                               "Required property for this field is set to True.  Enter a "
                               "value in this field.")
                    .arg(column.qualifiedName));
    }
}

// The row as the data file now holds it, read through the recordset's own
// select list so that expression columns are computed again; absent when
// that cannot be done (the snapshot then takes the values it wrote).
std::optional<std::vector<StoredValue>> ReadBack(sqlite3* db, const Snapshot& snapshot, std::int64_t rowid)
{
    if (snapshot.selectList.isEmpty())
        return std::nullopt;
    try {
        const QString alias
            = snapshot.baseAlias.isEmpty() ? QString() : QStringLiteral(" AS ") + Quote(snapshot.baseAlias);
        Statement read(db,
            QStringLiteral("SELECT rowid, %1 FROM %2%3 WHERE rowid = ?")
                .arg(snapshot.selectList, Quote(snapshot.baseTable), alias));
        if (read.ColumnCount() != int(snapshot.columns.size()) + 1)
            return std::nullopt;
        read.Bind(1, StoredValue::MakeInteger(rowid));
        if (!read.Step())
            return std::nullopt;
        std::vector<StoredValue> values;
        values.reserve(snapshot.columns.size());
        for (int c = 0; c < int(snapshot.columns.size()); ++c)
            values.push_back(read.Column(c + 1));
        return values;
    } catch (const ComError&) {
        return std::nullopt;
    }
}

// "AND col IS ?" for every base column the snapshot read, with the values
// to bind: the row is found only if none of them changed. The compare is
// binary, since Jet's text columns collate without regard to case and a
// change of case is a change all the same.
struct RowMatch {
    QString clause;
    std::vector<StoredValue> values;
};

RowMatch MatchOriginal(const Snapshot& snapshot, std::size_t row)
{
    RowMatch match;
    QStringList seen;
    for (int c = 0; c < int(snapshot.columns.size()); ++c) {
        const ColumnMeta& column = snapshot.columns[std::size_t(c)];
        if (column.baseColumn.isEmpty() || seen.contains(column.baseColumn, Qt::CaseInsensitive))
            continue;
        seen << column.baseColumn;
        match.clause += QStringLiteral(" AND %1 IS ? COLLATE BINARY").arg(Quote(column.baseColumn));
        match.values.push_back(snapshot.Value(row, c).ToValue());
    }
    return match;
}

void WriteUpdate(Impl& impl, std::size_t row)
{
    Snapshot& snapshot = *impl.snapshot;
    CheckRow(snapshot, impl.pending, false);
    std::vector<StoredValue> newValues = snapshot.RowValues(row);
    QStringList assignments;
    std::vector<StoredValue> bound;
    QStringList assigned;
    for (std::size_t c = 0; c < snapshot.columns.size(); ++c) {
        if (!impl.pending[c])
            continue;
        newValues[c] = *impl.pending[c];
        const QString& base = snapshot.columns[c].baseColumn;
        if (assigned.contains(base, Qt::CaseInsensitive))
            continue;
        assigned << base;
        assignments << QStringLiteral("%1 = ?").arg(Quote(base));
        bound.push_back(*impl.pending[c]);
    }
    if (snapshot.inMemory) {
        snapshot.ReplaceRow(row, newValues);
        return;
    }
    sqlite3* db = WritableHandle(impl);
    const RowMatch match = MatchOriginal(snapshot, row);
    const std::int64_t rowid = snapshot.RowId(row);
    Transaction transaction(db);
    Statement update(db,
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
            .arg(Quote(snapshot.baseTable), assignments.join(QLatin1String(", ")), match.clause));
    int index = 1;
    for (const StoredValue& v : bound)
        update.Bind(index++, v);
    update.Bind(index++, StoredValue::MakeInteger(rowid));
    for (const StoredValue& v : match.values)
        update.Bind(index++, v);
    update.Step();
    if (sqlite3_changes(db) == 0)
        ThrowConcurrency();
    const std::optional<std::vector<StoredValue>> stored = ReadBack(db, snapshot, rowid);
    transaction.Commit();
    snapshot.ReplaceRow(row, stored ? *stored : newValues);
}

// The value a clock-reading default gives, from the program's clock so
// that a fixed test clock fixes it too.
StoredValue ClockDefault(ColumnMeta::NowDefault kind)
{
    QDateTime now = platform::Clock::Now();
    if (kind == ColumnMeta::NowDate)
        now.setTime(QTime(0, 0, 0));
    if (kind == ColumnMeta::NowTime)
        now.setDate(QDate(1899, 12, 30));
    const QDate d = now.date();
    const QTime t = now.time();
    const double ole = datetext::FromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    return StoredValue::MakeText(datetext::ToStorage(ole).value_or(QByteArray()));
}

std::size_t WriteInsert(Impl& impl)
{
    Snapshot& snapshot = *impl.snapshot;
    std::vector<std::optional<StoredValue>> values = impl.pending;
    for (std::size_t c = 0; c < snapshot.columns.size(); ++c) {
        const ColumnMeta& column = snapshot.columns[c];
        if (!values[c] && !column.baseColumn.isEmpty() && column.nowDefault != ColumnMeta::NoNow)
            values[c] = ClockDefault(column.nowDefault);
    }
    CheckRow(snapshot, values, true);
    std::vector<StoredValue> plain;
    plain.reserve(values.size());
    for (const std::optional<StoredValue>& v : values)
        plain.push_back(v.value_or(StoredValue()));
    if (snapshot.inMemory)
        return snapshot.AppendRow(plain, 0);

    sqlite3* db = WritableHandle(impl);
    QStringList names, markers;
    std::vector<StoredValue> bound;
    for (std::size_t c = 0; c < snapshot.columns.size(); ++c) {
        const QString& base = snapshot.columns[c].baseColumn;
        if (!values[c] || base.isEmpty() || names.contains(Quote(base), Qt::CaseInsensitive))
            continue;
        names << Quote(base);
        markers << QStringLiteral("?");
        bound.push_back(*values[c]);
    }
    Transaction transaction(db);
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Quote(snapshot.baseTable))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(Quote(snapshot.baseTable), names.join(QLatin1String(", ")), markers.join(QLatin1String(", ")));
    Statement insert(db, sql);
    for (std::size_t i = 0; i < bound.size(); ++i)
        insert.Bind(int(i) + 1, bound[i]);
    insert.Step();
    const std::int64_t rowid = sqlite3_last_insert_rowid(db);
    const std::optional<std::vector<StoredValue>> stored = ReadBack(db, snapshot, rowid);
    transaction.Commit();
    return snapshot.AppendRow(stored ? *stored : plain, rowid);
}

void WriteDelete(Impl& impl, std::size_t row)
{
    Snapshot& snapshot = *impl.snapshot;
    if (!snapshot.inMemory) {
        sqlite3* db = WritableHandle(impl);
        const RowMatch match = MatchOriginal(snapshot, row);
        Transaction transaction(db);
        Statement remove(
            db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?%2").arg(Quote(snapshot.baseTable), match.clause));
        remove.Bind(1, StoredValue::MakeInteger(snapshot.RowId(row)));
        int index = 2;
        for (const StoredValue& v : match.values)
            remove.Bind(index++, v);
        remove.Step();
        if (sqlite3_changes(db) == 0)
            ThrowConcurrency();
        transaction.Commit();
    }
    snapshot.MarkDeleted(row);
}

void FillBinding(Impl& impl);

void ClearEdit(Impl& impl)
{
    impl.editMode = adEditNone;
    std::fill(impl.pending.begin(), impl.pending.end(), std::nullopt);
    impl.appendField = -1;
}

// Update: writes the pending edit. On failure the edit stays pending, as
// ADO's does, so that the caller can correct it or cancel it.
void StorePending(Impl& impl)
{
    if (impl.editMode == adEditInProgress) {
        const std::size_t row = impl.CurrentRow();
        if (std::any_of(impl.pending.begin(), impl.pending.end(), [](const auto& v) { return v.has_value(); }))
            WriteUpdate(impl, row);
    } else if (impl.editMode == adEditAdd) {
        const std::size_t row = WriteInsert(impl);
        std::size_t at = row;
        if (!impl.naturalView) {
            impl.view.push_back(std::uint32_t(row));
            at = impl.view.size() - 1;
        }
        impl.position = Impl::Position::OnRow;
        impl.index = at;
    }
    ClearEdit(impl);
    impl.chunkField = -1;
}

// Moving off a row with a pending edit stores it first, as ADO does.
void FinishEdit(Impl& impl)
{
    if (impl.editMode != adEditNone)
        StorePending(impl);
}

void AfterMove(Impl& impl)
{
    impl.chunkField = -1;
    impl.appendField = -1;
    FillBinding(impl);
}

} // namespace

void Recordset::Impl::PutValue(int ordinal, const Variant& value)
{
    const ColumnMeta& column = Column(ordinal);
    CheckEditable(*this);
    if (!snapshot->inMemory) {
        if (column.baseColumn.isEmpty())
            ThrowJet(platform::E_FAIL,
                QStringLiteral("Field '%1' is based on an expression and cannot be edited.").arg(column.info.name));
        if (column.rowidAlias)
            ThrowJet(platform::E_FAIL,
                QStringLiteral("The field '%1' cannot be changed: its value is assigned by the "
                               "database engine.")
                    .arg(column.qualifiedName));
    }
    if (editMode == adEditNone)
        CurrentRow();
    StoredValue stored;
    try {
        stored = StoredForField(value, column.info.type, column.qualifiedName);
    } catch (const ComError& e) {
        // ADO's client cursor reports a value the field cannot hold as a
        // failed step of the put, whatever the provider said of it.
        if (e.Error() != platform::DB_E_CANTCONVERTVALUE && e.Error() != platform::DB_E_DATAOVERFLOW)
            throw;
        throw ComError(platform::DB_E_SCHEMAVIOLATION,
            QStringLiteral("Multiple-step operation generated errors. Check each status value."),
            QStringLiteral("Microsoft Cursor Engine"));
    }
    if (editMode == adEditNone)
        editMode = adEditInProgress;
    pending[std::size_t(ordinal)] = std::move(stored);
    appendField = -1;
}

void Recordset::Impl::AppendChunk(int ordinal, const Variant& data)
{
    const ColumnMeta& column = Column(ordinal);
    const bool text = data.vt() == platform::VT_BSTR;
    const bool bytes = data.vt() == (platform::VT_ARRAY | platform::VT_UI1);
    if (!text && !bytes && !data.IsNull())
        ThrowAdo(platform::adErrDataConversion, QStringLiteral("AppendChunk takes text or bytes."), "Field");
    if (appendField == ordinal && editMode != adEditNone && pending[std::size_t(ordinal)] && !data.IsNull()) {
        StoredValue joined = *pending[std::size_t(ordinal)];
        joined.bytes += text ? data.bstrVal().toUtf8() : data.bytes();
        const Variant whole = IsBinaryType(column.info.type) || joined.kind == StoredValue::Blob
            ? Variant::FromBytes(joined.bytes)
            : Variant::FromBstr(QString::fromUtf8(joined.bytes));
        PutValue(ordinal, whole);
    } else {
        PutValue(ordinal, data);
    }
    appendField = ordinal;
}

// --------------------------------------------------------- Recordset ----

Recordset::Recordset()
    : m_impl(std::make_unique<Impl>())
{
}

Recordset::~Recordset() = default;

std::shared_ptr<Recordset> Recordset::Create()
{
    return std::shared_ptr<Recordset>(new Recordset());
}

long Recordset::CursorType() const
{
    return m_impl->cursorType;
}

void Recordset::SetCursorType(long cursorType)
{
    if (m_impl->open)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    if (cursorType < adOpenUnspecified || cursorType > adOpenStatic)
        InvalidArgument();
    m_impl->cursorType = cursorType;
}

long Recordset::CursorLocation() const
{
    return m_impl->cursorLocation;
}

void Recordset::SetCursorLocation(long location)
{
    if (m_impl->open)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    if (location != adUseServer && location != adUseClient)
        InvalidArgument();
    m_impl->cursorLocation = location;
}

long Recordset::LockType() const
{
    return m_impl->lockType;
}

void Recordset::SetLockType(long lockType)
{
    if (m_impl->open)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    if (lockType < adLockUnspecified || lockType > adLockBatchOptimistic || lockType == 0)
        InvalidArgument();
    m_impl->lockType = lockType;
}

// --------------------------------------------------------------- open ----

namespace {

// Fetches a translated SELECT into a new snapshot. When the statement
// reads one table, its rowid is fetched too (as a hidden first column) so
// that the rows can be written back.
std::shared_ptr<Snapshot> Fetch(const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement,
    const std::vector<Variant>& parameters, bool wantWriteBack)
{
    sqlite3* db = connection->Handle();
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->connection = connection;
    snapshot->notUpdatableReason = QStringLiteral("Cannot update: the recordset is not updatable (its rows do not "
                                                  "come from exactly one table).");
    std::unique_ptr<Statement> stmt;
    int first = 0;
    if (wantWriteBack && !statement.baseTable.isEmpty()) {
        const QByteArray withRowid = WithRowid(statement.sql);
        if (!withRowid.isEmpty()) {
            try {
                stmt = std::make_unique<Statement>(db, withRowid);
                first = 1;
            } catch (const ComError&) {
                stmt.reset(); // a view or a table without rowid: read-only
            }
        }
    }
    if (!stmt)
        stmt = std::make_unique<Statement>(db, statement.sql);
    sqlite3_stmt* raw = stmt->Handle();

    const int markers = stmt->ParameterCount();
    for (int i = 1; i <= markers; ++i) {
        if (std::size_t(i) > parameters.size() || parameters[std::size_t(i - 1)].IsMissing())
            ThrowJet(
                platform::DB_E_PARAMNOTOPTIONAL, QStringLiteral("No value given for one or more required parameters."));
        stmt->Bind(i, parameters[std::size_t(i - 1)]);
    }

    // Column descriptions from SQLite's column metadata.
    const int count = sqlite3_column_count(raw) - first;
    std::vector<ColumnMeta> columns(std::size_t(std::max(count, 0)));
    std::vector<bool> computed(columns.size(), false);
    bool rowidAliasPk = false;
    QString pkColumn;
    QHash<QString, TableColumn> tableColumns;
    const bool writeBack = first == 1;
    if (writeBack) {
        snapshot->baseTable = statement.baseTable;
        snapshot->selectList = statement.selectList;
        snapshot->baseAlias = statement.baseAlias;
        tableColumns = TableColumns(db, statement.baseTable, rowidAliasPk, pkColumn);
    }
    for (int c = 0; c < count; ++c) {
        ColumnMeta& column = columns[std::size_t(c)];
        column.info.name = QString::fromUtf8(sqlite3_column_name(raw, c + first));
        const char* declared = sqlite3_column_decltype(raw, c + first);
        const char* table = sqlite3_column_table_name(raw, c + first);
        const char* origin = sqlite3_column_origin_name(raw, c + first);
        if (!declared)
            computed[std::size_t(c)] = true;
        const QString tableName = table ? QString::fromUtf8(table) : QString();
        const QString originName = origin ? QString::fromUtf8(origin) : QString();
        column.qualifiedName = tableName.isEmpty() ? column.info.name : tableName + QLatin1Char('.') + originName;
        if (writeBack && !originName.isEmpty() && tableName.compare(statement.baseTable, Qt::CaseInsensitive) == 0) {
            column.baseColumn = originName;
            const TableColumn t = tableColumns.value(originName.toCaseFolded());
            column.notNull = t.notNull;
            column.hasDefault = t.hasDefault;
            column.nowDefault = t.hasDefault ? NowDefaultOf(t.defaultExpression) : ColumnMeta::NoNow;
            column.rowidAlias = rowidAliasPk && originName.compare(pkColumn, Qt::CaseInsensitive) == 0;
        }
        if (declared) {
            const jetsql::ColumnType type
                = jetsql::AdoTypeOfDeclared(QString::fromUtf8(declared), column.notNull || column.rowidAlias);
            column.info.type = type.adoType;
            column.info.definedSize = type.definedSize;
            column.info.attributes = type.attributes & ~adFldUpdatable;
            column.info.precision = static_cast<unsigned char>(type.precision);
            column.info.numericScale = static_cast<unsigned char>(type.numericScale);
        }
        if (!column.baseColumn.isEmpty()) {
            const TableColumn t = tableColumns.value(column.baseColumn.toCaseFolded());
            column.info.attributes |= adFldUpdatable;
            if (column.rowidAlias)
                column.info.attributes = (column.info.attributes & ~adFldUpdatable) | adFldFixed;
            if (t.primaryKey)
                column.info.attributes |= adFldKeyColumn;
        }
        if (column.notNull || column.rowidAlias)
            column.info.attributes &= ~(adFldIsNullable | adFldMayBeNull);
    }
    snapshot->updatable = writeBack;
    snapshot->SetColumns(columns);

    while (stmt->Step())
        snapshot->AppendFromStatement(raw, first, first ? sqlite3_column_int64(raw, 0) : 0);

    bool anyComputed = false;
    for (int c = 0; c < count; ++c) {
        if (computed[std::size_t(c)]) {
            const int item = ItemOfColumn(statement.itemTypes, c, count);
            const long known = item < 0 ? 0 : statement.itemTypes[item];
            const ColumnInfo info = ComputedColumnType(*snapshot, c, columns[std::size_t(c)].info.name, known);
            columns[std::size_t(c)].info = info;
            anyComputed = true;
        }
    }
    if (anyComputed)
        snapshot->SetColumns(columns);
    return snapshot;
}

std::shared_ptr<Snapshot> MemorySnapshot(
    const std::vector<ColumnInfo>& infos, const std::vector<std::vector<Variant>>& rows)
{
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->inMemory = true;
    std::vector<ColumnMeta> columns;
    columns.reserve(infos.size());
    for (const ColumnInfo& info : infos) {
        ColumnMeta meta;
        meta.info = info;
        meta.info.attributes |= adFldUpdatable;
        meta.qualifiedName = info.name;
        columns.push_back(meta);
    }
    snapshot->SetColumns(std::move(columns));
    snapshot->ReserveRows(rows.size());
    std::vector<StoredValue> values(infos.size());
    for (const std::vector<Variant>& row : rows) {
        for (std::size_t c = 0; c < infos.size(); ++c) {
            const Variant& v = c < row.size() ? row[c] : Variant();
            values[c] = StoredFromVariant(v);
            // A date's stored text holds whole seconds; rows held in memory
            // keep a fraction of a second (a timestamp read from a file) as
            // the date's own number.
            if (v.vt() == platform::VT_DATE && std::isfinite(v.date())) {
                const double seconds = v.date() * 86400.0;
                const double magnitude = std::fabs(v.date());
                const double noise = 2.0 * 86400.0 * (std::nextafter(magnitude, HUGE_VAL) - magnitude);
                if (std::fabs(seconds - std::nearbyint(seconds)) > noise)
                    values[c] = StoredValue::MakeReal(v.date());
            }
        }
        snapshot->AppendRow(values, 0);
    }
    return snapshot;
}

void Reset(Impl& impl)
{
    impl.open = false;
    impl.snapshot.reset();
    impl.connection.reset();
    impl.statement = {};
    impl.parameters.clear();
    impl.source.clear();
    impl.naturalView = true;
    impl.view.clear();
    impl.view.shrink_to_fit();
    impl.filter.clear();
    impl.sort.clear();
    impl.position = Impl::Position::BeforeFirst;
    impl.index = 0;
    impl.editMode = adEditNone;
    impl.pending.clear();
    impl.chunkField = -1;
    impl.appendField = -1;
    impl.binding = nullptr;
    impl.countVersion = ~std::uint64_t(0);
}

void Install(Impl& impl, std::shared_ptr<Snapshot> snapshot, bool forwardOnly, bool readOnly)
{
    impl.snapshot = std::move(snapshot);
    impl.forwardOnly = forwardOnly;
    impl.readOnly = readOnly;
    impl.open = true;
    impl.naturalView = true;
    impl.view.clear();
    impl.pending.assign(impl.snapshot->columns.size(), std::nullopt);
    impl.editMode = adEditNone;
    impl.countVersion = ~std::uint64_t(0);
    impl.PlaceOnFirst();
}

bool IsPlainName(const QString& source)
{
    static const QRegularExpression name(QStringLiteral("^(\\[[^\\]]+\\]|[^\\s\\[\\]\\(\\),;'\"]+)$"));
    return name.match(source).hasMatch();
}

QString Unbracket(const QString& name)
{
    const QString t = name.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2);
    return t;
}

bool TableExists(sqlite3* db, const QString& name)
{
    Statement find(
        db, QByteArray("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND name = ? COLLATE NOCASE"));
    find.Bind(1, StoredValue::MakeText(name.toUtf8()));
    return find.Step();
}

} // namespace

void Recordset::OpenTranslated(const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement,
    const std::vector<Variant>& parameters, long cursorType, long lockType)
{
    if (!connection || !connection->Handle())
        ThrowAdo(adErrInvalidConnection, QString::fromLatin1(adotext::kInvalidConnection), kObject);
    if (m_impl->open)
        Close();
    if (cursorType == adOpenUnspecified)
        cursorType = m_impl->cursorType;
    if (lockType == adLockUnspecified)
        lockType = m_impl->lockType;
    if (statement.kind != jetsql::Translation::Select) {
        // An action query opened as a recordset runs and leaves it closed.
        connection->ExecuteTranslated(statement, parameters);
        return;
    }
    std::shared_ptr<Snapshot> snapshot = Fetch(connection, statement, parameters, lockType != adLockReadOnly);
    Impl& impl = *m_impl;
    Reset(impl);
    impl.origin = Impl::Origin::Query;
    impl.connection = connection;
    impl.statement = statement;
    impl.parameters = parameters;
    impl.cursorType = cursorType == adOpenForwardOnly ? adOpenForwardOnly : adOpenStatic;
    impl.lockType = lockType;
    impl.cursorLocation = adUseClient;
    Install(impl, std::move(snapshot), cursorType == adOpenForwardOnly, lockType == adLockReadOnly);
    AfterMove(impl);
    connection->AddRecordset(shared_from_this());
}

std::shared_ptr<Recordset> Recordset::FromRows(
    std::vector<ColumnInfo> columns, std::vector<std::vector<Variant>> rows, bool forwardOnly)
{
    std::shared_ptr<Recordset> recordset = Create();
    Impl& impl = *recordset->m_impl;
    impl.origin = Impl::Origin::Memory;
    impl.cursorType = forwardOnly ? adOpenForwardOnly : adOpenStatic;
    impl.lockType = adLockOptimistic;
    impl.cursorLocation = adUseClient;
    Install(impl, MemorySnapshot(columns, rows), forwardOnly, false);
    return recordset;
}

void Recordset::Open(const QString& source, const std::shared_ptr<Connection>& activeConnection, long cursorType,
    long lockType, long options)
{
    if (m_impl->open)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    if (!activeConnection || !activeConnection->Handle())
        ThrowAdo(adErrInvalidConnection, QString::fromLatin1(adotext::kInvalidConnection), kObject);
    if (cursorType == adOpenUnspecified)
        cursorType = m_impl->cursorType;
    if (lockType == adLockUnspecified)
        lockType = m_impl->lockType;
    long commandType = options == -1 ? long(adCmdUnknown) : (options & 0x3FF);
    const QString text = source.trimmed();

    if (commandType == adCmdUnknown && IsPlainName(text)) {
        const QString name = Unbracket(text);
        if (TableExists(activeConnection->Handle(), name))
            commandType = adCmdTable;
        else if (savedqueries::Find(activeConnection, name))
            commandType = adCmdStoredProc;
    }

    std::shared_ptr<Recordset> result;
    switch (commandType) {
    case adCmdTable:
    case adCmdTableDirect:
        OpenTranslated(activeConnection,
            jetsql::Translate(QStringLiteral("SELECT * FROM [%1]").arg(Unbracket(text)), activeConnection->Handle()),
            {}, cursorType, lockType);
        break;
    case adCmdStoredProc: {
        const std::optional<savedqueries::SavedQuery> query = savedqueries::Find(activeConnection, Unbracket(text));
        if (!query)
            ThrowJet(platform::DB_E_NOTABLE,
                QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.  "
                               "Make sure it exists and that its name is spelled correctly.")
                    .arg(Unbracket(text)));
        long affected = 0;
        result = savedqueries::RunSaved(activeConnection, *query, {}, &affected);
        break;
    }
    case adCmdText:
    case adCmdUnknown: {
        const jetsql::Translation statement = jetsql::Translate(text, activeConnection->Handle());
        switch (statement.kind) {
        case jetsql::Translation::CreateProcedure:
        case jetsql::Translation::DropProcedure:
        case jetsql::Translation::CreateView:
        case jetsql::Translation::DropView:
        case jetsql::Translation::ExecuteProcedure: {
            long affected = 0;
            result = savedqueries::Run(activeConnection, statement, &affected);
            break;
        }
        default:
            OpenTranslated(activeConnection, statement, {}, cursorType, lockType);
            break;
        }
        break;
    }
    default:
        InvalidArgument();
    }
    if (result && result->m_impl->open) {
        // A saved query's rows: take them over as this recordset's own.
        std::swap(m_impl, result->m_impl);
        m_impl->forwardOnly = cursorType == adOpenForwardOnly;
        m_impl->cursorType = m_impl->forwardOnly ? adOpenForwardOnly : adOpenStatic;
        if (lockType == adLockReadOnly) {
            m_impl->readOnly = true;
            m_impl->lockType = adLockReadOnly;
        }
    }
    if (m_impl->open) {
        m_impl->source = source;
        if (!m_impl->connection)
            m_impl->connection = activeConnection;
        m_impl->connection->AddRecordset(shared_from_this());
    }
}

void Recordset::Open(
    const QString& source, const QString& activeConnection, long cursorType, long lockType, long options)
{
    if (m_impl->open)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    const ConnectionStringParts parsed = ConnectionStringParts::Parse(activeConnection);
    if (parsed.Provider().compare(QLatin1String("MSPersist"), Qt::CaseInsensitive) == 0) {
        if (options != -1 && (options & 0x3FF) != adCmdFile && (options & 0x3FF) != adCmdUnknown)
            InvalidArgument();
        xmlpersist::Rowset rowset = xmlpersist::Load(source);
        Impl& impl = *m_impl;
        Reset(impl);
        impl.origin = Impl::Origin::File;
        impl.cursorType = adOpenForwardOnly;
        impl.lockType = lockType == adLockReadOnly ? adLockReadOnly : adLockOptimistic;
        Install(impl, MemorySnapshot(rowset.columns, rowset.rows), true, lockType == adLockReadOnly);
        impl.source = source;
        AfterMove(impl);
        return;
    }
    // Any other connection string: an implicit connection, as ADO opens one.
    std::shared_ptr<Connection> connection = Connection::Create();
    connection->Open(activeConnection);
    Open(source, connection, cursorType, lockType, options);
}

void Recordset::Close()
{
    if (!m_impl->open)
        Closed();
    // A pending edit is dropped, as CancelUpdate would.
    const long cursorType = m_impl->cursorType, lockType = m_impl->lockType, location = m_impl->cursorLocation;
    Reset(*m_impl);
    m_impl->cursorType = cursorType;
    m_impl->lockType = lockType;
    m_impl->cursorLocation = location;
}

void Recordset::Requery(long)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    ClearEdit(impl);
    std::shared_ptr<Snapshot> snapshot;
    switch (impl.origin) {
    case Impl::Origin::Query:
        if (!impl.connection || !impl.connection->Handle())
            ThrowAdo(adErrInvalidConnection, QString::fromLatin1(adotext::kInvalidConnection), kObject);
        snapshot = Fetch(impl.connection, impl.statement, impl.parameters, !impl.readOnly);
        break;
    case Impl::Origin::File: {
        const xmlpersist::Rowset rowset = xmlpersist::Load(impl.source);
        snapshot = MemorySnapshot(rowset.columns, rowset.rows);
        break;
    }
    case Impl::Origin::Memory:
        return; // rows built in memory have nothing to fetch again
    }
    const QString filter = impl.filter, sort = impl.sort;
    Install(impl, std::move(snapshot), impl.forwardOnly, impl.readOnly);
    impl.filter.clear();
    impl.sort.clear();
    if (!filter.isEmpty())
        SetFilter(filter);
    if (!sort.isEmpty())
        SetSort(sort);
    AfterMove(impl);
}

long Recordset::State() const
{
    return m_impl->open ? adStateOpen : adStateClosed;
}
QString Recordset::Source() const
{
    return m_impl->source;
}
std::shared_ptr<Connection> Recordset::ActiveConnection() const
{
    return m_impl->connection;
}

// ---------------------------------------------------------- navigation ----

bool Recordset::IsEOF() const
{
    m_impl->RequireOpen();
    return m_impl->editMode != adEditAdd && m_impl->IsEOF();
}

bool Recordset::IsBOF() const
{
    m_impl->RequireOpen();
    return m_impl->editMode != adEditAdd && m_impl->IsBOF();
}

void Recordset::MoveFirst()
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    FinishEdit(impl);
    if (impl.LiveCount() == 0)
        NoCurrentRecord();
    // On a forward-only recordset this is a rewind of the fetched rows
    // (ADO would run the query again), which GetRecordCount's walk needs.
    impl.PlaceOnFirst();
    AfterMove(impl);
}

void Recordset::MoveLast()
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.forwardOnly)
        CantFetchBackwards();
    FinishEdit(impl);
    const std::optional<std::size_t> last = impl.PreviousLive(impl.ViewSize());
    if (!last)
        NoCurrentRecord();
    impl.position = Impl::Position::OnRow;
    impl.index = *last;
    AfterMove(impl);
}

void Recordset::MoveNext()
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    FinishEdit(impl);
    if (impl.IsEOF())
        NoCurrentRecord();
    const std::size_t from = impl.position == Impl::Position::BeforeFirst ? 0 : impl.index + 1;
    if (const std::optional<std::size_t> next = impl.NextLive(from)) {
        impl.position = Impl::Position::OnRow;
        impl.index = *next;
    } else {
        impl.position = Impl::Position::AfterLast;
    }
    AfterMove(impl);
}

void Recordset::MovePrevious()
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.forwardOnly)
        CantFetchBackwards();
    FinishEdit(impl);
    if (impl.IsBOF())
        NoCurrentRecord();
    std::optional<std::size_t> previous;
    if (impl.position == Impl::Position::AfterLast)
        previous = impl.PreviousLive(impl.ViewSize());
    else if (impl.index > 0)
        previous = impl.PreviousLive(impl.index - 1);
    if (previous) {
        impl.position = Impl::Position::OnRow;
        impl.index = *previous;
    } else {
        impl.position = Impl::Position::BeforeFirst;
    }
    AfterMove(impl);
}

void Recordset::Move(long numRecords)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (numRecords < 0 && impl.forwardOnly)
        CantFetchBackwards();
    FinishEdit(impl);
    if (numRecords == 0) {
        impl.CurrentRow();
        AfterMove(impl);
        return;
    }
    if ((numRecords > 0 && impl.IsEOF()) || (numRecords < 0 && impl.IsBOF()))
        NoCurrentRecord();
    long remaining = numRecords > 0 ? numRecords : -numRecords;
    while (remaining-- > 0) {
        if (numRecords > 0) {
            const std::size_t from = impl.position == Impl::Position::BeforeFirst ? 0 : impl.index + 1;
            const std::optional<std::size_t> next = impl.NextLive(from);
            if (!next) {
                impl.position = Impl::Position::AfterLast;
                break;
            }
            impl.position = Impl::Position::OnRow;
            impl.index = *next;
        } else {
            std::optional<std::size_t> previous;
            if (impl.position == Impl::Position::AfterLast)
                previous = impl.PreviousLive(impl.ViewSize());
            else if (impl.index > 0)
                previous = impl.PreviousLive(impl.index - 1);
            if (!previous) {
                impl.position = Impl::Position::BeforeFirst;
                break;
            }
            impl.position = Impl::Position::OnRow;
            impl.index = *previous;
        }
    }
    AfterMove(impl);
}

long Recordset::RecordCount() const
{
    m_impl->RequireOpen();
    if (m_impl->forwardOnly)
        return -1;
    return m_impl->LiveCount();
}

long Recordset::AbsolutePosition() const
{
    const Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.forwardOnly)
        return -1;
    if (impl.IsEOF())
        return -3;
    if (impl.IsBOF())
        return -2;
    if (impl.naturalView && impl.snapshot->DeletedCount() == 0)
        return long(impl.index) + 1;
    long position = 0;
    for (std::size_t i = 0; i <= impl.index && i < impl.ViewSize(); ++i)
        position += impl.LiveAt(i) ? 1 : 0;
    return position;
}

std::shared_ptr<Fields> Recordset::GetFields()
{
    return std::make_shared<Fields>(shared_from_this());
}

// ------------------------------------------------------------- editing ----

long Recordset::EditMode() const
{
    m_impl->RequireOpen();
    if (m_impl->editMode == adEditNone && m_impl->position == Impl::Position::OnRow
        && m_impl->index < m_impl->ViewSize() && !m_impl->LiveAt(m_impl->index))
        return adEditDelete;
    return m_impl->editMode;
}

void Recordset::AddNew()
{
    Impl& impl = *m_impl;
    CheckEditable(impl);
    FinishEdit(impl);
    impl.addReturnPosition = impl.position;
    impl.addReturnIndex = impl.index;
    std::fill(impl.pending.begin(), impl.pending.end(), std::nullopt);
    impl.editMode = adEditAdd;
    impl.chunkField = -1;
    impl.appendField = -1;
}

void Recordset::Update()
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.editMode == adEditNone)
        return;
    StorePending(impl);
    FillBinding(impl);
}

void Recordset::Resync(long affectRecords)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (affectRecords != adAffectCurrent)
        InvalidArgument();
    if (impl.editMode == adEditAdd)
        CancelUpdate(); // back on the row the addition started from
    Snapshot& snapshot = *impl.snapshot;
    if (snapshot.inMemory || !impl.HasCurrentRow())
        return; // rows built in memory, and no row, have nothing to read again
    const std::size_t row = impl.CurrentRow();
    sqlite3* db = WritableHandle(impl);
    ClearEdit(impl);
    const std::optional<std::vector<StoredValue>> now = ReadBack(db, snapshot, snapshot.RowId(row));
    if (now)
        snapshot.ReplaceRow(row, *now);
    else
        snapshot.MarkDeleted(row); // gone from the file
    FillBinding(impl);
}

void Recordset::CancelUpdate()
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.editMode == adEditAdd) {
        impl.position = impl.addReturnPosition;
        impl.index = impl.addReturnIndex;
    }
    ClearEdit(impl);
    impl.chunkField = -1;
    FillBinding(impl);
}

void Recordset::Delete(long affectRecords)
{
    Impl& impl = *m_impl;
    CheckEditable(impl);
    if (impl.editMode == adEditAdd) {
        // The row being added is not in the data file yet: deleting it is
        // cancelling it.
        CancelUpdate();
        return;
    }
    if (affectRecords == adAffectCurrent) {
        const std::size_t row = impl.CurrentRow();
        ClearEdit(impl);
        WriteDelete(impl, row);
        return;
    }
    if (affectRecords != adAffectGroup && affectRecords != adAffectAll)
        InvalidArgument();
    // adAffectGroup: the rows the filter lets through; adAffectAll: every
    // row of the snapshot. Each row is its own transaction.
    ClearEdit(impl);
    std::vector<std::size_t> rows;
    if (affectRecords == adAffectGroup) {
        rows = impl.LiveRowsInOrder();
    } else {
        for (std::size_t r = 0; r < impl.snapshot->RowCount(); ++r)
            if (!impl.snapshot->IsDeleted(r))
                rows.push_back(r);
    }
    for (const std::size_t row : rows)
        WriteDelete(impl, row);
}

// ------------------------------------------- search, order, restriction ----

namespace {

// The field values of one snapshot row, by name, for criteria.
std::function<Variant(const QString&)> RowValues(const Impl& impl, const std::size_t& row)
{
    return [&impl, &row](const QString& field) {
        const int ordinal = impl.OrdinalOf(field);
        return impl.ValueAt(row, ordinal);
    };
}

struct SortKey {
    int ordinal;
    bool descending;
};

std::vector<SortKey> ParseSort(const Impl& impl, const QString& text)
{
    std::vector<SortKey> keys;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QString item = part.trimmed();
        bool descending = false;
        static const QRegularExpression order(
            QStringLiteral("\\s+(ASC|DESC)$"), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = order.match(item);
        if (m.hasMatch()) {
            descending = m.captured(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
            item = item.left(m.capturedStart()).trimmed();
        }
        if (item.isEmpty())
            InvalidArgument();
        keys.push_back({ impl.OrdinalOf(Unbracket(item)), descending });
    }
    if (keys.empty())
        InvalidArgument();
    return keys;
}

// Rebuilds the view from the filter and the sort; the cursor goes to the
// first row of the new view.
void Rebuild(Impl& impl, const criteria::Predicate* predicate, const std::vector<SortKey>& keys)
{
    const Snapshot& snapshot = *impl.snapshot;
    if (!predicate && keys.empty()) {
        impl.naturalView = true;
        impl.view.clear();
        impl.view.shrink_to_fit();
    } else {
        std::vector<std::uint32_t> view;
        std::size_t row = 0;
        const auto valueOf = RowValues(impl, row);
        for (row = 0; row < snapshot.RowCount(); ++row) {
            if (snapshot.IsDeleted(row))
                continue;
            if (predicate && !predicate->Matches(valueOf))
                continue;
            view.push_back(std::uint32_t(row));
        }
        if (!keys.empty()) {
            std::stable_sort(view.begin(), view.end(), [&](std::uint32_t a, std::uint32_t b) {
                for (const SortKey& key : keys) {
                    const int c = CompareForSort(impl.ValueAt(a, key.ordinal), impl.ValueAt(b, key.ordinal));
                    if (c != 0)
                        return key.descending ? c > 0 : c < 0;
                }
                return false;
            });
        }
        impl.naturalView = false;
        impl.view = std::move(view);
    }
    impl.countVersion = ~std::uint64_t(0);
    impl.PlaceOnFirst();
}

} // namespace

void Recordset::Find(const QString& criteria, long skipRecords, long searchDirection, const Variant& start)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (searchDirection != adSearchForward && searchDirection != adSearchBackward)
        InvalidArgument();
    if (impl.forwardOnly && (searchDirection == adSearchBackward || skipRecords < 0))
        CantFetchBackwards();
    const std::unique_ptr<criteria::Predicate> predicate = criteria::ParseFind(criteria);
    FinishEdit(impl);
    const bool forward = searchDirection == adSearchForward;
    const long n = long(impl.ViewSize());

    // The view index the search starts from; n (forward) or -1 (backward)
    // when there is nothing to search.
    long from = 0;
    const bool current = start.IsMissing() || start.IsEmpty() || start.IsNull()
        || (start.vt() == platform::VT_BSTR && start.bstrVal().isEmpty());
    const bool enumValue
        = start.vt() == platform::VT_I2 || start.vt() == platform::VT_I4 || start.vt() == platform::VT_INT;
    if (current || (enumValue && start.lVal() == 0)) {
        switch (impl.position) {
        case Impl::Position::BeforeFirst:
            from = forward ? 0 : -1;
            break;
        case Impl::Position::AfterLast:
            from = forward ? n : n - 1;
            break;
        case Impl::Position::OnRow:
            from = long(impl.index);
            break;
        }
    } else if (enumValue && (start.lVal() == 1 || start.lVal() == 2)) {
        from = start.lVal() == 1 ? 0 : n - 1;
    } else {
        const std::optional<double> mark = BookmarkNumber(start);
        if (!mark || *mark < 1 || *mark != std::floor(*mark))
            ThrowAdo(platform::DB_E_BADBOOKMARK, QStringLiteral("The bookmark is invalid."), kObject);
        const std::size_t row = std::size_t(*mark) - 1;
        from = -2;
        for (std::size_t i = 0; i < std::size_t(n); ++i)
            if (impl.RowAt(i) == row)
                from = long(i);
        if (from == -2)
            ThrowAdo(platform::DB_E_BADBOOKMARK, QStringLiteral("The bookmark is invalid."), kObject);
    }
    long i = from + (forward ? skipRecords : -skipRecords);
    std::size_t row = 0;
    const auto valueOf = RowValues(impl, row);
    for (; i >= 0 && i < n; i += forward ? 1 : -1) {
        if (!impl.LiveAt(std::size_t(i)))
            continue;
        row = impl.RowAt(std::size_t(i));
        if (predicate->Matches(valueOf)) {
            impl.position = Impl::Position::OnRow;
            impl.index = std::size_t(i);
            AfterMove(impl);
            return;
        }
    }
    impl.position = forward ? Impl::Position::AfterLast : Impl::Position::BeforeFirst;
    AfterMove(impl);
}

Variant Recordset::Bookmark() const
{
    const Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.forwardOnly)
        ThrowAdo(platform::adErrFeatureNotAvailable, QString::fromLatin1(adotext::kNoBookmarks), kObject);
    // A bookmark is the snapshot row's index plus one, as a double (ADO's
    // client cursors hand out VT_R8 bookmarks); it stays valid across
    // filters, sorts and clones of the same snapshot.
    return Variant::FromR8(double(impl.CurrentRow() + 1));
}

void Recordset::SetBookmark(const Variant& bookmark)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.forwardOnly)
        ThrowAdo(platform::adErrFeatureNotAvailable, QString::fromLatin1(adotext::kNoBookmarks), kObject);
    const std::optional<double> mark = BookmarkNumber(bookmark);
    if (!mark || *mark < 1 || *mark != std::floor(*mark) || *mark > double(impl.snapshot->RowCount()))
        ThrowAdo(platform::DB_E_BADBOOKMARK, QStringLiteral("The bookmark is invalid."), kObject);
    const std::size_t row = std::size_t(*mark) - 1;
    std::optional<std::size_t> at;
    if (impl.naturalView) {
        at = row;
    } else {
        const auto it = std::find(impl.view.begin(), impl.view.end(), std::uint32_t(row));
        if (it != impl.view.end())
            at = std::size_t(it - impl.view.begin());
    }
    if (!at || impl.snapshot->IsDeleted(row))
        ThrowAdo(platform::DB_E_BADBOOKMARK, QStringLiteral("The bookmark is invalid."), kObject);
    FinishEdit(impl);
    impl.position = Impl::Position::OnRow;
    impl.index = *at;
    AfterMove(impl);
}

QString Recordset::Filter() const
{
    return m_impl->filter;
}

void Recordset::SetFilter(const QString& criteria)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    const QString text = criteria.trimmed();
    std::unique_ptr<criteria::Predicate> predicate;
    if (!text.isEmpty())
        predicate = criteria::ParseFilter(text);
    const std::vector<SortKey> keys = impl.sort.isEmpty() ? std::vector<SortKey>() : ParseSort(impl, impl.sort);
    FinishEdit(impl);
    Rebuild(impl, predicate.get(), keys);
    impl.filter = text;
    AfterMove(impl);
}

QString Recordset::Sort() const
{
    return m_impl->sort;
}

void Recordset::SetSort(const QString& sort)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    const QString text = sort.trimmed();
    const std::vector<SortKey> keys = text.isEmpty() ? std::vector<SortKey>() : ParseSort(impl, text);
    std::unique_ptr<criteria::Predicate> predicate;
    if (!impl.filter.isEmpty())
        predicate = criteria::ParseFilter(impl.filter);
    FinishEdit(impl);
    Rebuild(impl, predicate.get(), keys);
    impl.sort = text;
    AfterMove(impl);
}

std::shared_ptr<Recordset> Recordset::Clone(long lockType)
{
    const Impl& impl = *m_impl;
    impl.RequireOpen();
    if (impl.forwardOnly)
        ThrowAdo(platform::adErrFeatureNotAvailable, QString::fromLatin1(adotext::kNoBookmarks), kObject);
    if (lockType != adLockUnspecified && lockType != adLockReadOnly)
        InvalidArgument();
    std::shared_ptr<Recordset> clone = Create();
    Impl& copy = *clone->m_impl;
    copy.origin = impl.origin;
    copy.source = impl.source;
    copy.connection = impl.connection;
    copy.statement = impl.statement;
    copy.parameters = impl.parameters;
    copy.cursorType = impl.cursorType;
    copy.cursorLocation = impl.cursorLocation;
    copy.lockType = lockType == adLockReadOnly ? long(adLockReadOnly) : impl.lockType;
    Install(copy, impl.snapshot, false, impl.readOnly || lockType == adLockReadOnly);
    if (copy.connection)
        copy.connection->AddRecordset(clone);
    return clone;
}

QString Recordset::GetString(long stringFormat, long numRows, const QString& columnDelimiter,
    const QString& rowDelimiter, const QString& nullExpr)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (stringFormat != adClipString)
        InvalidArgument();
    FinishEdit(impl);
    if (impl.position == Impl::Position::OnRow && !impl.LiveAt(impl.index)) {
        if (const std::optional<std::size_t> next = impl.NextLive(impl.index))
            impl.index = *next;
        else
            impl.position = Impl::Position::AfterLast;
    }
    if (impl.position == Impl::Position::BeforeFirst)
        impl.PlaceOnFirst();
    impl.CurrentRow();
    QString text;
    const int columns = impl.ColumnCount();
    long rows = 0;
    while ((numRows <= 0 || rows < numRows) && impl.HasCurrentRow()) {
        const std::size_t row = impl.RowAt(impl.index);
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += columnDelimiter;
            const Variant v = impl.ValueAt(row, c);
            text += v.IsNull() || v.IsEmpty() ? nullExpr : DisplayText(v);
        }
        text += rowDelimiter;
        ++rows;
        if (const std::optional<std::size_t> next = impl.NextLive(impl.index + 1))
            impl.index = *next;
        else
            impl.position = Impl::Position::AfterLast;
    }
    AfterMove(impl);
    return text;
}

void Recordset::Save(const QString& destination, long persistFormat)
{
    m_impl->RequireOpen();
    if (persistFormat != adPersistXML)
        ThrowAdo(platform::adErrFeatureNotAvailable,
            QStringLiteral("Only ADO's XML format (adPersistXML) can be written by this engine."), kObject);
    FinishEdit(*m_impl);
    xmlpersist::Save(*this, destination);
}

// ------------------------------------------------------ record binding ----

namespace {

void SetStatus(const FieldBinding& b, long status)
{
    if (b.status)
        *b.status = status;
}

// Copies one field value into a bound member, converting to the member's
// type; a value that does not fit sets adFldCantConvertValue and leaves
// the member as it was.
void ToBuffer(const FieldBinding& b, const Variant& value, long fieldType)
{
    if (value.IsNull() || value.IsEmpty()) {
        SetStatus(b, adFldNull);
        return;
    }
    try {
        if (b.type == adVarWChar || b.type == adWChar || b.type == adBSTR || b.type == adLongVarWChar) {
            const QString text = DisplayText(value);
            const std::size_t units = b.size / sizeof(char16_t);
            if (units == 0) {
                SetStatus(b, adFldTruncated);
                return;
            }
            const std::size_t n = std::min<std::size_t>(std::size_t(text.size()), units - 1);
            std::memcpy(b.buffer, text.utf16(), n * sizeof(char16_t));
            static_cast<char16_t*>(b.buffer)[n] = u'\0';
            SetStatus(b, n < std::size_t(text.size()) ? adFldTruncated : adFldOK);
            return;
        }
        if (b.type == adVarChar || b.type == adChar || b.type == adLongVarChar) {
            const QByteArray text = DisplayText(value).toUtf8();
            if (b.size == 0) {
                SetStatus(b, adFldTruncated);
                return;
            }
            const std::size_t n = std::min<std::size_t>(std::size_t(text.size()), b.size - 1);
            std::memcpy(b.buffer, text.constData(), n);
            static_cast<char*>(b.buffer)[n] = '\0';
            SetStatus(b, n < std::size_t(text.size()) ? adFldTruncated : adFldOK);
            return;
        }
        if (IsBinaryType(b.type)) {
            const QByteArray data
                = value.vt() == (platform::VT_ARRAY | platform::VT_UI1) ? value.bytes() : DisplayText(value).toUtf8();
            const std::size_t n = std::min<std::size_t>(std::size_t(data.size()), b.size);
            std::memcpy(b.buffer, data.constData(), n);
            SetStatus(b, n < std::size_t(data.size()) ? adFldTruncated : adFldOK);
            return;
        }
        // Numbers, dates, currency, booleans: through the same conversion
        // a field of the member's type would make.
        const StoredValue stored = StoredForField(value, b.type, QString());
        const Variant typed = VariantFromStored(StoredRef::Of(stored), b.type);
        (void)fieldType;
        switch (b.type) {
        case adSmallInt:
            *static_cast<std::int16_t*>(b.buffer) = typed.iVal();
            break;
        case adInteger:
            *static_cast<std::int32_t*>(b.buffer) = typed.lVal();
            break;
        case adTinyInt:
            *static_cast<std::int8_t*>(b.buffer) = typed.cVal();
            break;
        case adUnsignedTinyInt:
            *static_cast<std::uint8_t*>(b.buffer) = typed.bVal();
            break;
        case adBigInt:
            *static_cast<std::int64_t*>(b.buffer) = typed.llVal();
            break;
        case adSingle:
            *static_cast<float*>(b.buffer) = typed.fltVal();
            break;
        case adDouble:
        case adDate:
            *static_cast<double*>(b.buffer) = typed.dblVal();
            break;
        case adCurrency:
            *static_cast<std::int64_t*>(b.buffer) = typed.cyVal();
            break;
        case adBoolean:
            *static_cast<std::int16_t*>(b.buffer) = typed.boolVal();
            break;
        default:
            SetStatus(b, adFldCantConvertValue);
            return;
        }
        SetStatus(b, adFldOK);
    } catch (const ComError&) {
        SetStatus(b, adFldCantConvertValue);
    }
}

Variant FromBuffer(const FieldBinding& b)
{
    if (b.status && *b.status == adFldNull)
        return Variant::Null();
    switch (b.type) {
    case adSmallInt:
        return Variant::FromI2(*static_cast<const std::int16_t*>(b.buffer));
    case adInteger:
        return Variant::FromI4(*static_cast<const std::int32_t*>(b.buffer));
    case adTinyInt:
        return Variant::FromI1(*static_cast<const std::int8_t*>(b.buffer));
    case adUnsignedTinyInt:
        return Variant::FromUI1(*static_cast<const std::uint8_t*>(b.buffer));
    case adBigInt:
        return Variant::FromI8(*static_cast<const std::int64_t*>(b.buffer));
    case adSingle:
        return Variant::FromR4(*static_cast<const float*>(b.buffer));
    case adDouble:
        return Variant::FromR8(*static_cast<const double*>(b.buffer));
    case adDate:
        return Variant::FromDate(*static_cast<const double*>(b.buffer));
    case adCurrency:
        return Variant::FromCy(*static_cast<const std::int64_t*>(b.buffer));
    case adBoolean:
        return Variant::FromBool(*static_cast<const std::int16_t*>(b.buffer) != 0);
    case adVarWChar:
    case adWChar:
    case adBSTR:
    case adLongVarWChar: {
        const auto* text = static_cast<const char16_t*>(b.buffer);
        std::size_t n = 0;
        const std::size_t units = b.size / sizeof(char16_t);
        while (n < units && text[n] != u'\0')
            ++n;
        return Variant::FromBstr(QString::fromUtf16(text, qsizetype(n)));
    }
    case adVarChar:
    case adChar:
    case adLongVarChar: {
        const auto* text = static_cast<const char*>(b.buffer);
        return Variant::FromBstr(QString::fromUtf8(text, qsizetype(strnlen(text, b.size))));
    }
    default:
        if (IsBinaryType(b.type))
            return Variant::FromBytes(QByteArray(static_cast<const char*>(b.buffer), qsizetype(b.size)));
        ThrowAdo(platform::adErrDataConversion, QStringLiteral("A bound member has a type the engine cannot bind."),
            kObject);
    }
}

void FillBinding(Impl& impl)
{
    if (!impl.binding || !impl.open || !impl.HasCurrentRow())
        return;
    const std::size_t row = impl.RowAt(impl.index);
    for (const FieldBinding& b : impl.binding->Bindings()) {
        if (b.ordinal < 1 || b.ordinal > impl.ColumnCount() || !b.buffer)
            continue;
        ToBuffer(b, impl.ValueAt(row, b.ordinal - 1), impl.snapshot->columns[std::size_t(b.ordinal - 1)].info.type);
    }
}

void PutFromBinding(Impl& impl, RecordBinding& binding)
{
    for (const FieldBinding& b : binding.Bindings()) {
        if (!b.modify)
            continue;
        if (b.ordinal < 1 || b.ordinal > impl.ColumnCount() || !b.buffer)
            ThrowAdo(platform::adErrItemNotFound, QString::fromLatin1(adotext::kItemNotFound), kObject);
        impl.PutValue(b.ordinal - 1, FromBuffer(b));
    }
}

} // namespace

void Recordset::BindToRecordset(RecordBinding* binding)
{
    Impl& impl = *m_impl;
    impl.RequireOpen();
    if (!binding)
        ThrowAdo(platform::E_POINTER, QStringLiteral("No record-binding object was given."), kObject);
    for (const FieldBinding& b : binding->Bindings())
        if (b.ordinal < 1 || b.ordinal > impl.ColumnCount() || !b.buffer)
            ThrowAdo(platform::adErrItemNotFound, QString::fromLatin1(adotext::kItemNotFound), kObject);
    impl.binding = binding;
    FillBinding(impl);
}

void Recordset::AddNew(RecordBinding* binding)
{
    Impl& impl = *m_impl;
    RecordBinding* b = binding ? binding : impl.binding;
    if (!b)
        ThrowAdo(platform::E_POINTER, QStringLiteral("No record-binding object was given."), kObject);
    AddNew();
    try {
        PutFromBinding(impl, *b);
    } catch (...) {
        CancelUpdate();
        throw;
    }
}

void Recordset::Update(RecordBinding* binding)
{
    Impl& impl = *m_impl;
    RecordBinding* b = binding ? binding : impl.binding;
    if (!b)
        ThrowAdo(platform::E_POINTER, QStringLiteral("No record-binding object was given."), kObject);
    impl.RequireOpen();
    PutFromBinding(impl, *b);
    Update();
}

} // namespace engine
