// A column of a recordset's current row, as ADO's Field: its description,
// and its value on the current row. Fields live as long as their recordset
// is open; reading a value with no current row fails with ADO's
// 0x800A0BCD.
#pragma once

#include "engine/common/AdoEnums.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>

namespace engine {

class Recordset;

class Field {
public:
    QString Name() const;
    long Type() const;  // DataTypeEnum
    long DefinedSize() const;
    long ActualSize() const;  // bytes of the current value (text: UTF-16 bytes)
    long Attributes() const;  // FieldAttributeEnum bits
    unsigned char Precision() const;
    unsigned char NumericScale() const;

    platform::Variant Value() const;
    // Edits the current row (or the row being added); the change reaches
    // the data file on Update. A value that cannot be converted to the
    // field's type is refused and nothing changes.
    void PutValue(const platform::Variant& value);
    platform::Variant OriginalValue() const;
    platform::Variant UnderlyingValue() const;

    // Long values in pieces: GetChunk continues where the previous call on
    // this field and row stopped; AppendChunk adds to the value being edited.
    platform::Variant GetChunk(long length);
    void AppendChunk(const platform::Variant& data);

    Field(std::shared_ptr<Recordset> owner, int ordinal) : m_owner(std::move(owner)), m_ordinal(ordinal) {}
    int Ordinal() const { return m_ordinal; }

private:
    std::shared_ptr<Recordset> m_owner;
    int m_ordinal;
};

class Fields {
public:
    explicit Fields(std::shared_ptr<Recordset> owner) : m_owner(std::move(owner)) {}
    long Count() const;
    // By name (case-insensitive, as Jet) when key is VT_BSTR, else by
    // ordinal; a miss fails with 0x800A0CC1.
    std::shared_ptr<Field> Item(const platform::Variant& key) const;
    std::shared_ptr<Field> Item(int ordinal) const;
    std::shared_ptr<Field> Item(const QString& name) const;

private:
    std::shared_ptr<Recordset> m_owner;
};

}  // namespace engine
