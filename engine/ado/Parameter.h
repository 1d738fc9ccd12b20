// ADO's Parameter and Parameters: named, typed values that a Command binds,
// in order, to the '?' markers of its text or to a saved query's declared
// parameters.
#pragma once

#include "engine/common/AdoEnums.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <vector>

namespace engine {

class Parameter {
public:
    static std::shared_ptr<Parameter> Create();

    QString Name() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    long Type() const { return m_type; }
    void SetType(long type);  // an unknown DataTypeEnum value fails
    long Direction() const { return m_direction; }
    void SetDirection(long direction);
    long Size() const { return m_size; }
    void SetSize(long size);  // negative fails
    unsigned char Precision() const { return m_precision; }
    void SetPrecision(unsigned char p) { m_precision = p; }
    unsigned char NumericScale() const { return m_numericScale; }
    void SetNumericScale(unsigned char s) { m_numericScale = s; }
    platform::Variant Value() const { return m_value; }
    void SetValue(const platform::Variant& value) { m_value = value; }

private:
    QString m_name;
    long m_type = adEmpty;
    long m_direction = adParamInput;
    long m_size = 0;
    unsigned char m_precision = 0;
    unsigned char m_numericScale = 0;
    platform::Variant m_value;
};

class Parameters {
public:
    void Append(const std::shared_ptr<Parameter>& parameter);  // null fails
    void Delete(const platform::Variant& index);
    long Count() const { return static_cast<long>(m_items.size()); }
    // By name (case-insensitive) for VT_BSTR, else by index; a miss fails
    // with 0x800A0CC1.
    std::shared_ptr<Parameter> Item(const platform::Variant& index) const;
    const std::vector<std::shared_ptr<Parameter>>& All() const { return m_items; }

private:
    std::vector<std::shared_ptr<Parameter>> m_items;
};

}  // namespace engine
