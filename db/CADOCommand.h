// CADOCommand: the access layer's wrapper of one engine Command, run on the
// connection of a CADODataBase. It holds a command text and type, builds the
// command's parameter list (from CADOParameter objects or directly from a
// name, type, direction, size and value) and executes the command, keeping
// the number of records affected. A recordset reads a command's rows with
// CADORecordset::Execute.
//
// The constructor, SetText and SetType let an engine failure reach their
// caller; AddParameter and Execute report it ("CADOCommand Error") and give
// false.
#pragma once

#include "platform/ComError.h"
#include "platform/OleDateTime.h"
#include "platform/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace engine {
class Command;
}

class CADODataBase;
class CADOParameter;

class CADOCommand {
public:
    CADOCommand(CADODataBase* pAdoDatabase, const QString& strCommandText, int nCommandType);
    virtual ~CADOCommand();
    CADOCommand(const CADOCommand&) = delete;
    CADOCommand& operator=(const CADOCommand&) = delete;

    void SetText(const QString& strCommandText);
    void SetType(int nCommandType);
    int GetType() const { return m_nCommandType; }
    QString GetText() const { return m_strCommandText; }
    std::shared_ptr<engine::Command> GetCommand() const { return m_pCommand; }

    bool AddParameter(CADOParameter* pAdoParameter);
    // The value becomes a 16-bit VT_I2: only the low 16 bits of the int count.
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, int nValue);
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, long lValue);
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, double dblValue,
        int nPrecision = 0, int nScale = 0);
    // An empty text is sent as an empty text, not as NULL.
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, const QString& strValue);
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, const platform::OleDateTime& time);
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, const platform::Variant& vtValue,
        int nPrecision = 0, int nScale = 0);
    // A text literal would otherwise be taken as a bool, then an int.
    bool AddParameter(const QString& strName, int nType, int nDirection, long lSize, const char* lpValue) = delete;

    // Runs the command as a stored procedure, whatever its type.
    bool Execute();

    int GetRecordsAffected() const { return m_nRecordsAffected; }
    std::uint32_t GetLastError() const { return m_dwLastError; }
    QString GetLastErrorString() const { return m_strLastError; }

    void ReportComError(const platform::ComError& e);

protected:
    // The command; null only if it could not be created.
    std::shared_ptr<engine::Command> m_pCommand;
    // The engine::CommandTypeEnum value last given.
    int m_nCommandType;
    // Records affected by the last Execute.
    int m_nRecordsAffected;
    // The command text last given.
    QString m_strCommandText;
    // The last report, as shown.
    QString m_strLastError;
    // The HRESULT of the last reported error.
    std::uint32_t m_dwLastError;
};
