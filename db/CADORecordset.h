// CADORecordset: the access layer's wrapper of one engine Recordset, with
// the Command it needs to open saved queries. It opens a row source on a
// connection as a static client-side snapshot, moves over it, reads and
// writes field values with the layer's conversions, edits, adds and deletes
// rows, searches, filters, sorts, clones and persists them.
//
// Operations either catch an engine failure (the layer's report headed
// "CADORecordset Error" is shown, stored behind a "Query = " line, and the
// operation gives false) or let the platform::ComError reach their caller;
// each declaration below says which.
//
// Field values are addressed by name or by zero-based index; an index is
// passed to the engine as a 16-bit key (only its low 16 bits count).
#pragma once

#include "db/CADOFieldDesc.h"
#include "platform/ComError.h"
#include "platform/OleCurrency.h"
#include "platform/OleDateTime.h"
#include "platform/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace engine {
class Command;
class Connection;
class Field;
class Recordset;
class RecordBinding;
} // namespace engine

class CADODataBase;
class CADOCommand;

class CADORecordset {
public:
    // The third argument of Open.
    enum cadoOpenEnum { openUnknown = 0, openQuery = 1, openTable = 2, openStoredProc = 3 };

    // m_nEditStatus: which change, if any, is pending on the current row.
    enum cadoEditEnum {
        editNone = 0, // nothing pending: the setters refuse to write
        editNew = 1, // AddNew made a new row that Update will insert
        editInProgress = 2 // Edit: puts change the current row until Update
    };

    enum cadoSearchEnum { searchForward = 1, searchBackward = -1 };

    CADORecordset();
    explicit CADORecordset(CADODataBase* pAdoDatabase);
    virtual ~CADORecordset();
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;

    // --- Opening, state and moves ---------------------------------------

    // Caught. An empty source reopens m_strQuery; an option outside 0..3
    // gives false with no report.
    bool Open(const std::shared_ptr<engine::Connection>& mpdb, const QString& lpstrExec = QString(),
        int nOption = openUnknown);
    bool Open(const QString& lpstrExec = QString(), int nOption = openUnknown);
    bool OpenSchema(int nSchema, const QString& SchemaID = QString()); // caught
    bool Requery(); // caught, after an unguarded IsOpen
    // Caught. Reads the current row again as the data file now holds it
    // (ADO's Resync of the current record); a pending edit is dropped.
    bool Resync();
    bool IsOpen(); // propagates
    void Close(); // propagates
    bool IsEof(); // caught
    bool IsBof(); // caught
    bool MoveFirst(); // caught
    bool MoveNext(); // caught
    bool MovePrevious(); // caught
    unsigned long GetRecordCount(); // propagates
    QString GetQuery() const { return m_strQuery; }

    // --- Field values (caught, unless said otherwise) -------------------

    bool GetFieldValue(const QString& lpFieldName, double& dbValue);
    bool GetFieldValue(int nIndex, double& dbValue);
    bool GetFieldValue(const QString& lpFieldName, long& lValue);
    bool GetFieldValue(int nIndex, long& lValue);
    bool GetFieldValue(const QString& lpFieldName, unsigned long& ulValue);
    bool GetFieldValue(int nIndex, unsigned long& ulValue);
    bool GetFieldValue(const QString& lpFieldName, int& nValue);
    bool GetFieldValue(int nIndex, int& nValue);
    // Text; dateFormat is a strftime-style format for dates, empty for
    // "%Y-%m-%d %H:%M:%S".
    bool GetFieldValue(const QString& lpFieldName, QString& strValue, const QString& strDateFormat = QString());
    bool GetFieldValue(int nIndex, QString& strValue, const QString& strDateFormat = QString());
    bool GetFieldValue(const QString& lpFieldName, platform::OleDateTime& time);
    bool GetFieldValue(int nIndex, platform::OleDateTime& time);
    bool GetFieldValue(const QString& lpFieldName, bool& bValue);
    bool GetFieldValue(int nIndex, bool& bValue);
    bool GetFieldValue(const QString& lpFieldName, platform::OleCurrency& cyValue);
    bool GetFieldValue(int nIndex, platform::OleCurrency& cyValue);
    bool GetFieldValue(const QString& lpFieldName, platform::Variant& vtValue);
    bool GetFieldValue(int nIndex, platform::Variant& vtValue);

    bool IsFieldNull(const QString& lpFieldName);
    bool IsFieldNull(int nIndex);
    bool IsFieldEmpty(const QString& lpFieldName);
    bool IsFieldEmpty(int nIndex);

    // The setters write only while an Edit or AddNew is pending; otherwise
    // they give false with no report. An empty text is written as NULL.
    bool SetFieldValue(const QString& lpFieldName, const QString& strValue);
    bool SetFieldValue(int nIndex, const QString& strValue);
    bool SetFieldValue(const QString& lpFieldName, int nValue); // as a 16-bit value
    bool SetFieldValue(int nIndex, int nValue);
    bool SetFieldValue(const QString& lpFieldName, long lValue); // as a 32-bit value
    bool SetFieldValue(int nIndex, long lValue);
    bool SetFieldValue(const QString& lpFieldName, unsigned long ulValue); // as a 32-bit value
    bool SetFieldValue(int nIndex, unsigned long ulValue);
    bool SetFieldValue(const QString& lpFieldName, double dblValue);
    bool SetFieldValue(int nIndex, double dblValue);
    bool SetFieldValue(const QString& lpFieldName, const platform::OleDateTime& time);
    bool SetFieldValue(int nIndex, const platform::OleDateTime& time);
    bool SetFieldValue(const QString& lpFieldName, bool bValue);
    bool SetFieldValue(int nIndex, bool bValue);
    bool SetFieldValue(const QString& lpFieldName, const platform::OleCurrency& cyValue);
    bool SetFieldValue(int nIndex, const platform::OleCurrency& cyValue);
    bool SetFieldValue(const QString& lpFieldName, const platform::Variant& vtValue);
    bool SetFieldValue(int nIndex, const platform::Variant& vtValue);
    // A text literal would otherwise be taken as a bool.
    bool SetFieldValue(const QString& lpFieldName, const char* lpValue) = delete;
    bool SetFieldValue(int nIndex, const char* lpValue) = delete;

    bool SetFieldEmpty(const QString& lpFieldName);
    bool SetFieldEmpty(int nIndex);

    // Propagates.
    bool GetFieldInfo(const QString& lpFieldName, CADOFieldDesc* fldInfo);
    bool GetFieldInfo(int nIndex, CADOFieldDesc* fldInfo);

    // The whole long value, read in pieces of 100. Finding the field and
    // reading its size propagate; the reading itself is caught.
    bool GetChunk(const QString& lpFieldName, QString& strValue);
    bool GetChunk(int nIndex, QString& strValue);
    // The buffer must hold the field's ActualSize bytes.
    bool GetChunk(const QString& lpFieldName, void* pData);
    bool GetChunk(int nIndex, void* pData);
    // Finding the field propagates; the append is caught.
    bool AppendChunk(const QString& lpFieldName, const void* lpData, unsigned int nBytes);
    bool AppendChunk(int nIndex, const void* lpData, unsigned int nBytes);

    // --- Editing ---------------------------------------------------------

    void Edit(); // no engine call
    bool AddNew(); // caught
    bool AddNew(engine::RecordBinding& pAdoRecordBinding); // caught; needs BindRecord first
    bool Update(); // caught; the cancel after a failure propagates
    void CancelUpdate(); // propagates
    bool Delete(); // propagates
    bool BindRecord(engine::RecordBinding& pAdoRecordBinding); // propagates
    int GetEditStatus() const { return m_nEditStatus; }

    // --- Search, order, copies and persistence ---------------------------

    bool Find(const QString& lpFind, int nSearchDirection = searchForward); // propagates
    bool FindFirst(const QString& lpFind); // propagates
    bool FindNext(); // propagates
    // Saves the current record's bookmark for SetBookmark (propagates).
    void GetBookmark();
    bool SetBookmark(); // propagates; false with none saved
    bool SetFilter(const QString& strFilter); // caught
    bool SetSort(const QString& lpstrCriteria); // caught
    bool Clone(CADORecordset& pRs); // caught, reported on this object
    // Rows from the current one as delimited text; empty delimiters give a
    // tab and a carriage return, 0 rows gives all (propagates).
    QString GetString(const QString& lpCols = QString(), const QString& lpRows = QString(), long numRows = 0);
    bool SaveToXML(const QString& lpstrXMLFile); // caught
    bool OpenFromXML(const QString& lpstrXMLFile); // caught after an unguarded Close

    // Runs a command into this recordset (caught, after an unguarded Close).
    bool Execute(CADOCommand* pAdoCommand);

    std::uint32_t GetLastError() const { return m_dwLastError; }
    QString GetLastErrorString() const { return m_strLastError; }

    void ReportComError(const platform::ComError& e);

protected:
    // The rows; null only if the recordset could not be created.
    std::shared_ptr<engine::Recordset> m_pRecordset;
    // Opens saved queries (openStoredProc); null only if it could not be created.
    std::shared_ptr<engine::Command> m_pCommand;
    // The connection this recordset works on: the first one it was given.
    std::shared_ptr<engine::Connection> m_pConnection;
    // Direction of the last Find (cadoSearchEnum).
    int m_nSearchDirection;
    // Criteria of the last Find, repeated by FindNext.
    QString m_strFindCriteria;
    // Bookmark of the last hit of Find or FindNext; FindNext starts after it.
    platform::Variant m_varFindBookmark;
    // A bookmark saved by GetBookmark, returned to by SetBookmark; VT_EMPTY when none.
    platform::Variant m_varBookmark;
    // The pending change (cadoEditEnum).
    int m_nEditStatus;
    // The last report, behind "Query = ...\r\n".
    QString m_strLastError;
    // The HRESULT of the last reported error.
    std::uint32_t m_dwLastError;
    // The recordset seen through its record-binding side, once BindRecord
    // has bound a structure; null before.
    std::shared_ptr<engine::Recordset> m_pRecordBinding;
    // The source text of the last Open, without leading white space.
    QString m_strQuery;

private:
    std::shared_ptr<engine::Field> FieldByKey(const platform::Variant& key);
    template <typename T> bool GetConverted(const platform::Variant& key, T& value);
    // Copies a field's value; a failure is reported and gives false.
    bool ReadFieldValue(const platform::Variant& key, platform::Variant& value);
    // Puts a value while an edit is pending; a failure is reported.
    bool WriteFieldValue(const platform::Variant& key, const platform::Variant& value);
    bool GetChunkByKey(const platform::Variant& key, QString& strValue);
    bool GetChunkByKey(const platform::Variant& key, void* pData);
    bool AppendChunkByKey(const platform::Variant& key, const void* lpData, unsigned int nBytes);
    bool GetFieldInfoByKey(const platform::Variant& key, CADOFieldDesc* fldInfo);
    // The end test after a search in the given direction.
    bool FoundAfterSearch(int nSearchDirection);
};
