// The stand-in for ADO's Recordset. A recordset opened on SQL is a static
// client-side snapshot: the whole result is fetched at open, RecordCount is
// known at once, and the cursor moves freely over it. Edits are written
// through to the data file one row at a time (Update, Delete), each in its
// own transaction, locating the row by its identity and refusing to
// overwrite a row that changed underneath since it was read. A forward-only
// recordset (adOpenForwardOnly, and every recordset opened from a file)
// reports RecordCount -1.
//
// Clones share one snapshot; each has its own position, filter and sort.
// Every failing call throws platform::ComError.
#pragma once

#include "engine/common/AdoEnums.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <vector>

namespace engine {
namespace jetsql {
struct Translation;
}

class Connection;
class Command;
class Fields;
class RecordBinding;

// The description of one column, for recordsets built from rows in memory
// (files, schema rowsets, procedures' results).
struct ColumnInfo {
    QString name;
    long type = adVarWChar; // DataTypeEnum
    long definedSize = 0;
    long attributes = adFldIsNullable | adFldMayBeNull;
    unsigned char precision = 0;
    unsigned char numericScale = 0;
};

class Recordset : public std::enable_shared_from_this<Recordset> {
public:
    static std::shared_ptr<Recordset> Create();
    // A recordset over rows held in memory; editable in memory only.
    static std::shared_ptr<Recordset> FromRows(
        std::vector<ColumnInfo> columns, std::vector<std::vector<platform::Variant>> rows, bool forwardOnly);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Properties set before Open.
    long CursorType() const;
    void SetCursorType(long cursorType);
    long CursorLocation() const;
    void SetCursorLocation(long location);
    long LockType() const;
    void SetLockType(long lockType);

    // Opens SQL (adCmdText, adCmdUnknown), a table (adCmdTable) or a saved
    // query (adCmdStoredProc) on an open connection.
    void Open(const QString& source, const std::shared_ptr<Connection>& activeConnection, long cursorType,
        long lockType, long options);
    // Opens a file: connection "Provider=MSPersist;" with adCmdFile.
    void Open(const QString& source, const QString& activeConnection, long cursorType, long lockType, long options);
    void Close();
    void Requery(long options = -1);
    long State() const;
    QString Source() const;
    std::shared_ptr<Connection> ActiveConnection() const;

    bool IsEOF() const;
    bool IsBOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    void Move(long numRecords);
    long RecordCount() const;
    long AbsolutePosition() const; // 1-based; -3 at EOF, -2 at BOF (ADO's)

    std::shared_ptr<Fields> GetFields();

    // Editing. Field::PutValue edits the current row in place.
    long EditMode() const;
    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete(long affectRecords = adAffectCurrent);
    // ADO's Resync(adAffectCurrent, adResyncAllValues): the current row
    // read again from the data file, as it now is there (a row gone from
    // the file is deleted from the snapshot too); a pending edit is
    // dropped. Rows built in memory are left as they are.
    void Resync(long affectRecords = adAffectCurrent);

    // Search, order and restriction.
    void Find(const QString& criteria, long skipRecords = 0, long searchDirection = adSearchForward,
        const platform::Variant& start = platform::Variant::Missing());
    // A bookmark is a VT_R8 holding the snapshot row's index plus one, as
    // ADO's client cursors give; it stays valid across Filter, Sort, edits
    // and clones of the same snapshot (Requery fetches a new one).
    // SetBookmark also takes it as any integer VARIANT. Forward-only
    // recordsets have none.
    platform::Variant Bookmark() const;
    void SetBookmark(const platform::Variant& bookmark);
    QString Filter() const;
    void SetFilter(const QString& criteria); // "" clears it
    QString Sort() const;
    void SetSort(const QString& sort); // "Field [ASC|DESC], ..."; "" clears it
    std::shared_ptr<Recordset> Clone(long lockType = adLockUnspecified);
    QString GetString(long stringFormat = adClipString, long numRows = -1, const QString& columnDelimiter = "\t",
        const QString& rowDelimiter = "\r", const QString& nullExpr = {});

    // Persistence in ADO's XML format. Save refuses an existing file.
    void Save(const QString& destination, long persistFormat = adPersistXML);

    // Record binding (the access layer's BindRecord and binding AddNew).
    void BindToRecordset(RecordBinding* binding);
    void AddNew(RecordBinding* binding);
    void Update(RecordBinding* binding);

    // The engine's own opening of a translated SELECT with values bound in
    // order to its '?' markers (commands, saved queries).
    void OpenTranslated(const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement,
        const std::vector<platform::Variant>& parameters, long cursorType, long lockType);

    // For the engine's own parts (Field, Command, persistence): the
    // snapshot's state is private to Recordset.cpp.
    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

private:
    Recordset();
    std::unique_ptr<Impl> m_impl;
};

} // namespace engine
