// CADOFieldDesc: the description of one field of a recordset, as
// CADORecordset::GetFieldInfo fills it. A plain record, cleared to zero
// before it is filled, with the name in a fixed UTF-16 array as the
// layer's callers have always read it.
#pragma once

#include <QString>
#include <cstdint>

struct CADOFieldDesc {
    enum { nameCapacity = 30 }; // units, the terminator included

    char16_t m_szName[nameCapacity]; // the field's Name, at most 29 units, zero-terminated
    std::int16_t m_nType; // the field's Type (engine::DataTypeEnum)
    std::int32_t m_lSize; // ActualSize on the current record; 0 at EOF
    std::int32_t m_lDefinedSize; // DefinedSize
    std::int32_t m_lAttributes; // Attributes (engine::FieldAttributeEnum bits)

    QString Name() const { return QString::fromUtf16(m_szName); }
};
