// CADOCommand over engine::Command. The engine's calls return nothing on
// success and throw platform::ComError on failure.
#include "db/CADOCommand.h"

#include "db/CADODataBase.h"
#include "db/CADOParameter.h"
#include "db/ComErrorReport.h"
#include "db/ComObject.h"
#include "engine/ado/Command.h"
#include "engine/ado/Parameter.h"
#include "engine/ado/Recordset.h"

using db::Use;
using platform::ComError;
using platform::Variant;

CADOCommand::CADOCommand(CADODataBase* pAdoDatabase, const QString& strCommandText, int nCommandType)
    : m_pCommand(db::CreateOrNull<engine::Command>())
    , m_nCommandType(0)
    , m_nRecordsAffected(0)
    , m_dwLastError(0)
{
    m_strCommandText = strCommandText;
    Use(m_pCommand).SetCommandText(m_strCommandText);
    m_nCommandType = nCommandType;
    Use(m_pCommand).SetCommandType(m_nCommandType);
    if (pAdoDatabase == nullptr)
        throw ComError(platform::E_POINTER);
    // The very connection object, not a copy of its connection string.
    Use(m_pCommand).SetActiveConnection(pAdoDatabase->GetActiveConnection());
}

CADOCommand::~CADOCommand()
{
    m_pCommand.reset();
    m_strCommandText.clear();
}

void CADOCommand::SetText(const QString& strCommandText)
{
    m_strCommandText = strCommandText;
    Use(m_pCommand).SetCommandText(m_strCommandText);
}

void CADOCommand::SetType(int nCommandType)
{
    // The member takes the new type even when the engine refuses it.
    m_nCommandType = nCommandType;
    Use(m_pCommand).SetCommandType(m_nCommandType);
}

bool CADOCommand::AddParameter(CADOParameter* pAdoParameter)
{
    try {
        if (pAdoParameter == nullptr)
            throw ComError(platform::E_POINTER);
        const std::shared_ptr<engine::Parameter> parameter = pAdoParameter->GetParameter();
        Use(Use(m_pCommand).GetParameters()).Append(parameter);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADOCommand::AddParameter(const QString& strName, int nType, int nDirection, long lSize, int nValue)
{
    return AddParameter(strName, nType, nDirection, lSize, Variant::FromI2(static_cast<std::int16_t>(nValue)), 0, 0);
}

bool CADOCommand::AddParameter(const QString& strName, int nType, int nDirection, long lSize, long lValue)
{
    return AddParameter(strName, nType, nDirection, lSize, Variant::FromI4(static_cast<std::int32_t>(lValue)), 0, 0);
}

bool CADOCommand::AddParameter(
    const QString& strName, int nType, int nDirection, long lSize, double dblValue, int nPrecision, int nScale)
{
    return AddParameter(strName, nType, nDirection, lSize, Variant::FromR8(dblValue), nPrecision, nScale);
}

bool CADOCommand::AddParameter(const QString& strName, int nType, int nDirection, long lSize, const QString& strValue)
{
    return AddParameter(strName, nType, nDirection, lSize, Variant::FromBstr(strValue), 0, 0);
}

bool CADOCommand::AddParameter(
    const QString& strName, int nType, int nDirection, long lSize, const platform::OleDateTime& time)
{
    return AddParameter(strName, nType, nDirection, lSize, Variant::FromDate(time.m_dt), 0, 0);
}

bool CADOCommand::AddParameter(
    const QString& strName, int nType, int nDirection, long lSize, const Variant& vtValue, int nPrecision, int nScale)
{
    try {
        // A parameter made before a failure is dropped, never appended.
        const std::shared_ptr<engine::Parameter> parameter
            = Use(m_pCommand).CreateParameter(strName, nType, nDirection, lSize, vtValue);
        Use(parameter).SetPrecision(static_cast<unsigned char>(nPrecision));
        Use(parameter).SetNumericScale(static_cast<unsigned char>(nScale));
        Use(Use(m_pCommand).GetParameters()).Append(parameter);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADOCommand::Execute()
{
    m_nRecordsAffected = 0;
    try {
        Variant recordsAffected;
        // The rows, if any, are only read through CADORecordset::Execute.
        Use(m_pCommand).Execute(&recordsAffected, engine::adCmdStoredProc);
        m_nRecordsAffected = recordsAffected.lVal();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

void CADOCommand::ReportComError(const ComError& e)
{
    const QString report = FormatComErrorReport(QStringLiteral("CADOCommand Error"), e);
    m_strLastError = report;
    m_dwLastError = static_cast<std::uint32_t>(e.Error());
    ShowComErrorReport(report);
}
