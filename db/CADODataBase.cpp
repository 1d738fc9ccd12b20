// CADODataBase over engine::Connection. The engine's calls return nothing
// on success and throw platform::ComError on failure, so "the call returned
// S_OK" is "the call did not throw": the engine has no other success codes.
//
// ADO needed COM initialised on the thread (CoInitialize in the constructor,
// CoUninitialize in the destructor, and around CompactDatabase); the engine
// is plain C++ and needs nothing in their place.
#include "db/CADODataBase.h"

#include "db/ComErrorReport.h"
#include "db/ComObject.h"
#include "engine/ado/Connection.h"
#include "engine/ado/JetEngine.h"
#include "engine/ado/Recordset.h"

using db::Use;
using platform::ComError;

CADODataBase::CADODataBase()
    : m_pConnection(db::CreateOrNull<engine::Connection>())
    , m_dwLastError(0)
    , m_nRecordsAffected(0)
    , m_nConnectionTimeout(0)
{
}

CADODataBase::~CADODataBase()
{
    try {
        Close();
    } catch (...) {
        // A connection that cannot even be closed is being dropped anyway.
    }
    m_pConnection.reset();
    m_strConnectionString.clear();
    m_strLastError.clear();
    m_dwLastError = 0;
}

bool CADODataBase::Open(const QString& lpstrConnection, const QString& lpstrUserID, const QString& lpstrPassword)
{
    // Closing the previous connection is not guarded: its failure reaches
    // the caller.
    if (IsOpen())
        Close();
    if (!lpstrConnection.isEmpty())
        m_strConnectionString = lpstrConnection;
    try {
        if (m_nConnectionTimeout != 0)
            Use(m_pConnection).SetConnectionTimeout(m_nConnectionTimeout);
        Use(m_pConnection).Open(m_strConnectionString, lpstrUserID, lpstrPassword, 0);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADODataBase::IsOpen()
{
    if (!m_pConnection)
        return false;
    return m_pConnection->State() != engine::adStateClosed;
}

void CADODataBase::Close()
{
    if (IsOpen())
        m_pConnection->Close();
}

bool CADODataBase::Execute(const QString& lpstrExec)
{
    m_nRecordsAffected = 0;
    try {
        Use(m_pConnection).SetCursorLocation(engine::adUseClient);
        platform::Variant recordsAffected;
        // The closed recordset that a statement without rows gives is dropped.
        Use(m_pConnection).Execute(lpstrExec, &recordsAffected, engine::adExecuteNoRecords);
        m_nRecordsAffected = recordsAffected.lVal();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADODataBase::BeginTrans()
{
    try {
        Use(m_pConnection).BeginTrans();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADODataBase::CommitTrans()
{
    try {
        Use(m_pConnection).CommitTrans();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADODataBase::RollbackTrans()
{
    try {
        Use(m_pConnection).RollbackTrans();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

unsigned long CADODataBase::GetRecordCount(const std::shared_ptr<engine::Recordset>& pRecordset)
{
    engine::Recordset& rs = Use(pRecordset);
    const long known = rs.RecordCount();
    if (known != -1)
        return static_cast<unsigned long>(known);
    // A forward-only recordset does not know its size: count by walking.
    if (!rs.IsEOF())
        rs.MoveFirst();
    unsigned long count = 0;
    while (!rs.IsEOF()) {
        rs.MoveNext();
        ++count;
    }
    if (count > 0)
        rs.MoveFirst();
    return count;
}

bool CADODataBase::CompactDatabase(const QString& strDatabaseSource, const QString& strDatabaseDestination)
{
    try {
        Use(db::CreateOrNull<engine::JetEngine>()).CompactDatabase(strDatabaseSource, strDatabaseDestination);
        return true;
    } catch (const ComError&) {
        return false;
    }
}

void CADODataBase::ReportComError(const ComError& e)
{
    const QString report = FormatComErrorReport(QStringLiteral("CADODataBase Error"), e);
    m_strErrorDescription = e.Description().value_or(QString());
    m_strLastError = QStringLiteral("Connection String = ") + GetConnectionString() + QStringLiteral("\r\n") + report;
    m_dwLastError = static_cast<std::uint32_t>(e.Error());
    ShowComErrorReport(report);
}
