// CADODataBase: the access layer's wrapper of one engine Connection. It
// opens a connection string, runs statements that return no rows, hands its
// Connection to recordsets and commands, and turns each engine failure it
// catches into the layer's error report ("CADODataBase Error"), stored as
// its last error behind a "Connection String = " line and shown in an error
// box. Operations that the layer lets fail (IsOpen, Close, GetRecordCount)
// pass the platform::ComError on to their caller.
#pragma once

#include "platform/ComError.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace engine {
class Connection;
class Recordset;
} // namespace engine

class CADODataBase {
public:
    CADODataBase();
    virtual ~CADODataBase();
    CADODataBase(const CADODataBase&) = delete;
    CADODataBase& operator=(const CADODataBase&) = delete;

    // An empty connection text reopens m_strConnectionString. Any failure
    // is reported and gives false.
    bool Open(const QString& lpstrConnection = QString(), const QString& lpstrUserID = QString(),
        const QString& lpstrPassword = QString());
    bool IsOpen();
    void Close();
    // Runs a statement that returns no rows; the count of records it
    // affected is kept in m_nRecordsAffected.
    bool Execute(const QString& lpstrExec);

    // Transactions on the connection; failures are reported and give false.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();

    std::shared_ptr<engine::Connection> GetActiveConnection() const { return m_pConnection; }
    QString GetConnectionString() const { return m_strConnectionString; }

    // The number of records of any recordset; walks it when it cannot say
    // (forward-only), leaving it on its first record.
    static unsigned long GetRecordCount(const std::shared_ptr<engine::Recordset>& pRecordset);
    // A compacted copy of the source data file as a new destination file;
    // both are connection strings. False, with no report, on any failure.
    static bool CompactDatabase(const QString& strDatabaseSource, const QString& strDatabaseDestination);

    int GetRecordsAffected() const { return m_nRecordsAffected; }
    int GetConnectionTimeout() const { return m_nConnectionTimeout; }
    void SetConnectionTimeout(int nConnectionTimeout) { m_nConnectionTimeout = nConnectionTimeout; }

    std::uint32_t GetLastError() const { return m_dwLastError; }
    QString GetLastErrorString() const { return m_strLastError; }
    QString GetErrorDescription() const { return m_strErrorDescription; }

    void ReportComError(const platform::ComError& e);

protected:
    // The connection; null only if it could not be created.
    std::shared_ptr<engine::Connection> m_pConnection;
    // The text given to the last Open that named one.
    QString m_strConnectionString;
    // The last report, behind "Connection String = ...\r\n".
    QString m_strLastError;
    // The description of the last reported error, alone.
    QString m_strErrorDescription;
    // The HRESULT of the last reported error.
    std::uint32_t m_dwLastError;
    // Records affected by the last Execute.
    int m_nRecordsAffected;
    // Seconds; 0 leaves the engine's default untouched.
    int m_nConnectionTimeout;
};
