// CADOParameter: the access layer's wrapper of one engine Parameter, a
// named, typed value with a direction and a size that a CADOCommand passes
// to the engine. Values are stored and read back with the layer's
// conversions.
//
// The constructor lets an engine failure reach its caller; SetValue and
// GetValue report it ("CADOParameter Error") and give false, leaving a
// GetValue's variable unchanged.
#pragma once

#include "engine/common/AdoEnums.h"
#include "platform/ComError.h"
#include "platform/OleDateTime.h"
#include "platform/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace engine {
class Parameter;
}

class CADOParameter {
public:
    CADOParameter(int nType, long lSize = 0, int nDirection = engine::adParamInput, const QString& strName = QString());
    virtual ~CADOParameter();
    CADOParameter(const CADOParameter&) = delete;
    CADOParameter& operator=(const CADOParameter&) = delete;

    std::shared_ptr<engine::Parameter> GetParameter() const { return m_pParameter; }

    // A Size of 0 is first set to the size of the value's type; a non-zero
    // Size is never changed.
    bool SetValue(int nValue); // as a 16-bit VT_I2
    bool SetValue(long lValue);
    bool SetValue(double dblValue);
    bool SetValue(const QString& strValue); // an empty text as NULL
    bool SetValue(const platform::OleDateTime& time);
    bool SetValue(const platform::Variant& vtValue);
    bool SetValue(const char* lpValue) = delete; // would be taken as an int otherwise

    bool GetValue(int& nValue);
    bool GetValue(long& lValue);
    bool GetValue(double& dbValue);
    // Dates are formatted with strDateFormat, or "%Y-%m-%d %H:%M:%S" when it
    // is empty; booleans and unsigned values have no text here.
    bool GetValue(QString& strValue, QString strDateFormat = QString());
    bool GetValue(platform::OleDateTime& time);
    bool GetValue(platform::Variant& vtValue);

    std::uint32_t GetLastError() const { return m_dwLastError; }
    QString GetLastErrorString() const { return m_strLastError; }

    void ReportComError(const platform::ComError& e);

protected:
    // The parameter; null only if it could not be created.
    std::shared_ptr<engine::Parameter> m_pParameter;
    // The name given at construction.
    QString m_strName;
    // The engine::DataTypeEnum value given at construction, never read back.
    int m_nType;
    // The last report, as shown.
    QString m_strLastError;
    // The HRESULT of the last reported error.
    std::uint32_t m_dwLastError;

private:
    bool StoreValue(const platform::Variant& value, long lSizeWhenZero);
    bool LoadValue(platform::Variant& value);
};
