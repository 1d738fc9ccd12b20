// Field and Fields: thin handles on a recordset's columns. Every call goes
// to the recordset's state (RecordsetImpl.h), so a Field always reads the
// recordset's current row and refuses with ADO's errors when there is none
// or the recordset is closed.
#include "engine/ado/Field.h"

#include "engine/common/AdoError.h"
#include "engine/ado/RecordsetImpl.h"

#include <cmath>

namespace engine {

using platform::Variant;

namespace {

// ADO names the collection or the field as the source of these failures,
// not the recordset behind them.
template <typename Call> auto AsSource(const char* objectName, platform::HRESULT hr, Call&& call)
{
    try {
        return call();
    } catch (const platform::ComError& e) {
        if (e.Error() != hr)
            throw;
        ThrowAdo(hr, e.Description().value_or(QString()), objectName);
    }
}

} // namespace

QString Field::Name() const
{
    return m_owner->GetImpl().Column(m_ordinal).info.name;
}
long Field::Type() const
{
    return m_owner->GetImpl().Column(m_ordinal).info.type;
}
long Field::DefinedSize() const
{
    return m_owner->GetImpl().Column(m_ordinal).info.definedSize;
}
long Field::ActualSize() const
{
    return m_owner->GetImpl().ActualSize(m_ordinal);
}
long Field::Attributes() const
{
    return m_owner->GetImpl().Column(m_ordinal).info.attributes;
}
unsigned char Field::Precision() const
{
    return m_owner->GetImpl().Column(m_ordinal).info.precision;
}
unsigned char Field::NumericScale() const
{
    return m_owner->GetImpl().Column(m_ordinal).info.numericScale;
}

Variant Field::Value() const
{
    Recordset::Impl& impl = m_owner->GetImpl();
    impl.NoteFieldUse(m_ordinal);
    return AsSource("Field", platform::adErrNoCurrentRecord, [&] { return impl.Value(m_ordinal); });
}
void Field::PutValue(const Variant& value)
{
    Recordset::Impl& impl = m_owner->GetImpl();
    impl.NoteFieldUse(m_ordinal);
    AsSource("Field", platform::adErrNoCurrentRecord, [&] { impl.PutValue(m_ordinal, value); });
}
Variant Field::OriginalValue() const
{
    Recordset::Impl& impl = m_owner->GetImpl();
    impl.NoteFieldUse(m_ordinal);
    return AsSource("Field", platform::adErrNoCurrentRecord, [&] { return impl.OriginalValue(m_ordinal); });
}
Variant Field::UnderlyingValue() const
{
    Recordset::Impl& impl = m_owner->GetImpl();
    impl.NoteFieldUse(m_ordinal);
    return AsSource("Field", platform::adErrNoCurrentRecord, [&] { return impl.UnderlyingValue(m_ordinal); });
}
Variant Field::GetChunk(long length)
{
    return m_owner->GetImpl().GetChunk(m_ordinal, length);
}
void Field::AppendChunk(const Variant& data)
{
    Recordset::Impl& impl = m_owner->GetImpl();
    impl.NoteFieldUse(m_ordinal);
    impl.AppendChunk(m_ordinal, data);
}

long Fields::Count() const
{
    return m_owner->GetImpl().ColumnCount();
}

std::shared_ptr<Field> Fields::Item(const Variant& key) const
{
    switch (key.vt()) {
    case platform::VT_BSTR:
        return Item(key.bstrVal());
    case platform::VT_I1:
        return Item(int(key.cVal()));
    case platform::VT_I2:
        return Item(int(key.iVal()));
    case platform::VT_I4:
    case platform::VT_INT:
        return Item(int(key.lVal()));
    case platform::VT_UI1:
        return Item(int(key.bVal()));
    case platform::VT_UI2:
        return Item(int(key.uiVal()));
    case platform::VT_UI4:
        return Item(key.ulVal() > 0x7FFFFFFFu ? -1 : int(key.ulVal()));
    case platform::VT_R8:
        if (key.dblVal() == std::floor(key.dblVal()) && std::fabs(key.dblVal()) < 2147483647.0)
            return Item(int(key.dblVal()));
        break;
    default:
        break;
    }
    m_owner->GetImpl().RequireOpen();
    ThrowAdo(platform::adErrItemNotFound, QString::fromLatin1(adotext::kItemNotFound), "Fields");
}

std::shared_ptr<Field> Fields::Item(int ordinal) const
{
    AsSource("Fields", platform::adErrItemNotFound, [&] { m_owner->GetImpl().Column(ordinal); });
    return std::make_shared<Field>(m_owner, ordinal);
}

std::shared_ptr<Field> Fields::Item(const QString& name) const
{
    const int ordinal
        = AsSource("Fields", platform::adErrItemNotFound, [&] { return m_owner->GetImpl().OrdinalOf(name); });
    return std::make_shared<Field>(m_owner, ordinal);
}

} // namespace engine
