// The Connection: one SQLite database file opened read-write (never
// created), with a rollback journal and full syncs so that every write is
// on disk when its call returns and a crash leaves the last committed
// state, which SQLite recovers from the journal on the next open. Jet SQL
// reaches SQLite only through jetsql::Translate; saved queries and schema
// rowsets are handed to their own modules.
#include "engine/ado/Connection.h"

#include "engine/ado/ConnectionStringParts.h"
#include "engine/ado/Recordset.h"
#include "engine/catalog/SavedQueries.h"
#include "engine/catalog/SchemaRowsets.h"
#include "engine/common/AdoError.h"
#include "engine/jetsql/JetSql.h"
#include "engine/sqlite/SqliteError.h"
#include "engine/sqlite/SqliteHandles.h"
#include "engine/sqlite/ValueConversion.h"
#include "platform/FileName.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

namespace engine {

using platform::ComError;
using platform::Variant;

namespace {

constexpr long kDefaultConnectionTimeout = 15;
constexpr const char* kObject = "Connection";

[[noreturn]] void FileError(const QString& description)
{
    ThrowJet(platform::E_FAIL, description);
}

// Why path cannot be written, or an empty text when it can.
QString WriteRefusal(const QString& path)
{
    const QByteArray native = platform::EncodeFileName(path);
    if (::access(native.constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const QByteArray folder = platform::EncodeFileName(QFileInfo(path).absolutePath());
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return QStringLiteral("its folder does not allow the rollback journal to be made beside it (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

bool IsReadOnlyMode(const QString& mode)
{
    const QString m = mode.simplified().toCaseFolded();
    return m == QLatin1String("read") || m == QLatin1String("1");
}

} // namespace

struct Connection::Impl {
    DatabaseHandle db; // null while closed
    QString connectionString; // as given to the last Open
    QString dataSource; // absolute path of the open file
    long connectionTimeout = kDefaultConnectionTimeout;
    long cursorLocation = adUseServer;
    int transactionLevel = 0; // BeginTrans nesting; 0 outside any
    // Recordsets opened on this connection. Weak: a recordset that its
    // owner dropped is simply gone; one that was reopened elsewhere names
    // another connection and is left alone.
    std::vector<std::weak_ptr<Recordset>> recordsets;
    // Statements kept prepared for prepared commands; weak, like the
    // recordsets: a command that lets its statement go finalizes it.
    std::vector<std::weak_ptr<Statement>> kept;
    std::uint64_t schemaGeneration = 0;
};

namespace {

// The translation's kinds a kept statement may be.
bool IsKeptKind(const jetsql::Translation& statement)
{
    switch (statement.kind) {
    case jetsql::Translation::Select:
    case jetsql::Translation::Insert:
    case jetsql::Translation::Update:
    case jetsql::Translation::Delete:
        return true;
    default:
        return false;
    }
}

// Appends the UTF-8 of text to out; false (and out as it was) for a text
// with a lone surrogate, whose UTF-8 is left to Qt.
bool AppendUtf8(std::string& out, const QString& text)
{
    const std::size_t start = out.size();
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            c = QChar::surrogateToUcs4(char16_t(c), p[++i]);
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (QChar::isSurrogate(c)) {
            out.resize(start);
            return false;
        } else {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return true;
}

// The values bound to one run of a statement, kept until it has run: texts
// are bound in place rather than copied, their UTF-8 in one buffer.
struct BoundValues {
    std::string utf8;
    std::vector<StoredValue> others;
};

// Binds values in order to a statement's markers (?1, ?2, ... or plain '?'
// in order: either way index i takes the i-th value); a marker left
// without a value fails as Jet fails. The statement's bindings are to be
// cleared before bound goes.
void BindInOrder(sqlite3* db, sqlite3_stmt* raw, const std::vector<Variant>& parameters, BoundValues& bound)
{
    const int markers = sqlite3_bind_parameter_count(raw);
    std::size_t room = 0;
    for (std::size_t i = 0; i < parameters.size() && i < std::size_t(markers); ++i)
        if (parameters[i].vt() == platform::VT_BSTR)
            room += 3 * std::size_t(parameters[i].bstrVal().size());
    bound.utf8.reserve(room); // so that no text bound moves
    for (int i = 1; i <= markers; ++i) {
        if (std::size_t(i) > parameters.size() || parameters[std::size_t(i - 1)].IsMissing())
            ThrowJet(
                platform::DB_E_PARAMNOTOPTIONAL, QStringLiteral("No value given for one or more required parameters."));
        const Variant& value = parameters[std::size_t(i - 1)];
        const std::size_t at = bound.utf8.size();
        if (value.vt() == platform::VT_BSTR && AppendUtf8(bound.utf8, value.bstrVal())) {
            Check(db,
                sqlite3_bind_text64(
                    raw, i, bound.utf8.data() + at, bound.utf8.size() - at, SQLITE_STATIC, SQLITE_UTF8));
            continue;
        }
        bound.others.push_back(StoredFromVariant(value));
        const StoredValue& stored = bound.others.back();
        if (stored.kind == StoredValue::Text)
            Check(db,
                sqlite3_bind_text64(
                    raw, i, stored.bytes.constData(), sqlite3_uint64(stored.bytes.size()), SQLITE_STATIC, SQLITE_UTF8));
        else
            BindValue(db, raw, i, stored);
    }
}

// Steps a statement to its end; the records it changed, for the kinds that
// count them.
long StepToEnd(sqlite3* db, sqlite3_stmt* raw, const jetsql::Translation& statement)
{
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) { }
    Check(db, rc);
    if (!sqlite3_stmt_readonly(raw)
        && (statement.kind == jetsql::Translation::Insert || statement.kind == jetsql::Translation::Update
            || statement.kind == jetsql::Translation::Delete))
        return long(sqlite3_changes(db));
    return 0;
}

} // namespace

Connection::Connection()
    : m_impl(std::make_unique<Impl>())
{
}

Connection::~Connection()
{
    // The handle's closer rolls back an open transaction, once no kept
    // statement holds the handle open.
    CloseRecordsets();
    FinalizeKept();
}

std::shared_ptr<Connection> Connection::Create()
{
    return std::shared_ptr<Connection>(new Connection());
}

void Connection::Open(const QString& connectionString, const QString&, const QString&, long)
{
    if (m_impl->db)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    const QString text = connectionString.isEmpty() ? m_impl->connectionString : connectionString;
    const ConnectionStringParts parsed = ConnectionStringParts::Parse(text);
    parsed.RequireJet(kObject);

    const QString path = QFileInfo(platform::AbsoluteFileName(parsed.DataSource())).absoluteFilePath();
    if (!platform::FileExists(path))
        FileError(QStringLiteral("Could not find file '%1'.").arg(path));
    if (platform::IsFolder(path))
        FileError(QStringLiteral("'%1' is a folder, not a data file.").arg(path));
    if (platform::FileSize(path) == 0)
        FileError(QStringLiteral("'%1' is not a database file.").arg(path));
    const bool readOnly = IsReadOnlyMode(parsed.Value(QStringLiteral("Mode")));

    sqlite3* raw = nullptr;
    // One connection is used by one thread at a time (the GUI thread), so
    // SQLite's per-call locking of the handle is not needed.
    const int flags
        = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(platform::EncodeFileName(path).constData(), &raw, flags, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        FileError(QStringLiteral("The data file '%1' cannot be opened: %2.")
                      .arg(path, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc))));
    if (!readOnly && sqlite3_db_readonly(raw, "main") == 1) {
        const QString why = WriteRefusal(path);
        FileError(QStringLiteral("The data file '%1' cannot be written: %2.")
                      .arg(path, why.isEmpty() ? QStringLiteral("it is read-only") : why));
    }
    if (!readOnly) {
        const QString why = WriteRefusal(path);
        if (!why.isEmpty())
            FileError(QStringLiteral("The data file '%1' cannot be written: %2.").arg(path, why));
    }
    const long timeout = m_impl->connectionTimeout;
    sqlite3_busy_timeout(raw, timeout == 0 ? INT_MAX : int(std::min<long>(timeout, INT_MAX / 1000) * 1000));
    sqlite3_extended_result_codes(raw, 1);

    // Reading the schema is what tells a database from any other file; it
    // also rolls back a hot journal left by a crash.
    try {
        {
            Statement schema(raw, QByteArray("SELECT count(*) FROM sqlite_master"));
            schema.Step();
        } // finished: a file in WAL mode cannot leave it while a statement is active
        if (!readOnly) {
            Statement journal(raw, QByteArray("PRAGMA journal_mode=DELETE"));
            if (journal.Step() && journal.ColumnText(0).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
                FileError(QStringLiteral("The data file '%1' cannot be switched to a rollback journal (it is in %2 "
                                         "mode).")
                              .arg(path, journal.ColumnText(0)));
        }
        ExecuteDirect(raw, "PRAGMA synchronous=FULL");
        ExecuteDirect(raw, "PRAGMA foreign_keys=ON");
    } catch (const ComError& e) {
        const int code = sqlite3_extended_errcode(raw) & 0xFF;
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            throw SqliteError(code, QString::fromUtf8(sqlite3_errmsg(raw)), path);
        throw;
    }
    jetsql::RegisterFunctions(raw);

    m_impl->db = std::move(db);
    m_impl->connectionString = text;
    m_impl->dataSource = path;
    m_impl->transactionLevel = 0;
    ++m_impl->schemaGeneration;
}

void Connection::Close()
{
    if (!m_impl->db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    // A recordset's Close may drop the last other reference to this object.
    const std::shared_ptr<Connection> keepAlive = weak_from_this().lock();
    // The recordsets go first: left open they would write through this
    // object to whatever file it is opened on next.
    CloseRecordsets();
    // An open transaction is rolled back by SQLite as the handle closes,
    // which waits for every statement prepared on it.
    FinalizeKept();
    ++m_impl->schemaGeneration;
    m_impl->db.reset();
    m_impl->dataSource.clear();
    m_impl->transactionLevel = 0;
}

long Connection::State() const
{
    return m_impl->db ? adStateOpen : adStateClosed;
}
QString Connection::ConnectionString() const
{
    return m_impl->connectionString;
}
long Connection::ConnectionTimeout() const
{
    return m_impl->connectionTimeout;
}

void Connection::SetConnectionTimeout(long seconds)
{
    if (m_impl->db)
        ThrowAdo(platform::adErrObjectOpen, QString::fromLatin1(adotext::kObjectOpen), kObject);
    if (seconds < 0)
        ThrowAdo(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument), kObject);
    m_impl->connectionTimeout = seconds;
}

long Connection::CursorLocation() const
{
    return m_impl->cursorLocation;
}

void Connection::SetCursorLocation(long location)
{
    if (location != adUseServer && location != adUseClient)
        ThrowAdo(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument), kObject);
    m_impl->cursorLocation = location;
}

sqlite3* Connection::Handle() const
{
    return m_impl->db.get();
}
QString Connection::DataSource() const
{
    return m_impl->dataSource;
}

void Connection::AddRecordset(const std::shared_ptr<Recordset>& recordset)
{
    std::vector<std::weak_ptr<Recordset>>& all = m_impl->recordsets;
    all.erase(std::remove_if(all.begin(), all.end(), [](const std::weak_ptr<Recordset>& r) { return r.expired(); }),
        all.end());
    for (const std::weak_ptr<Recordset>& r : all)
        if (r.lock() == recordset)
            return;
    all.push_back(recordset);
}

void Connection::CloseRecordsets() noexcept
{
    std::vector<std::weak_ptr<Recordset>> all;
    all.swap(m_impl->recordsets);
    for (const std::weak_ptr<Recordset>& weak : all) {
        const std::shared_ptr<Recordset> recordset = weak.lock();
        if (!recordset || recordset->State() == adStateClosed || recordset->ActiveConnection().get() != this)
            continue;
        try {
            recordset->Close();
        } catch (...) {
            // Closing an open recordset does not fail; nothing may escape
            // a destructor either way.
        }
    }
}

void Connection::FinalizeKept() noexcept
{
    for (const std::weak_ptr<Statement>& weak : m_impl->kept)
        if (const std::shared_ptr<Statement> statement = weak.lock())
            statement->Finalize();
    m_impl->kept.clear();
}

std::uint64_t Connection::SchemaGeneration() const
{
    return m_impl->schemaGeneration;
}

void Connection::NoteSchemaChange()
{
    ++m_impl->schemaGeneration;
}

std::shared_ptr<Statement> Connection::PrepareKept(const jetsql::Translation& statement)
{
    sqlite3* db = m_impl->db.get();
    if (!db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    if (!IsKeptKind(statement))
        return nullptr;
    const QByteArray sql = statement.sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, &tail));
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> prepared(raw);
    // Only one statement can be kept; a text of several runs as it always
    // does.
    if (!raw || !QByteArray(tail, int(sql.constData() + sql.size() - tail)).trimmed().isEmpty())
        return nullptr;
    prepared.reset();
    auto kept = std::make_shared<Statement>(db, sql);
    std::vector<std::weak_ptr<Statement>>& all = m_impl->kept;
    all.erase(std::remove_if(all.begin(), all.end(), [](const std::weak_ptr<Statement>& s) { return s.expired(); }),
        all.end());
    all.push_back(kept);
    return kept;
}

long Connection::ExecuteKept(
    Statement& kept, const jetsql::Translation& statement, const std::vector<Variant>& parameters)
{
    sqlite3* db = m_impl->db.get();
    if (!db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    sqlite3_stmt* raw = kept.Handle();
    BoundValues bound;
    // Ready for the next run however this one ends, and holding no text of
    // this one.
    const auto reset = qScopeGuard([raw] {
        sqlite3_reset(raw);
        sqlite3_clear_bindings(raw);
    });
    BindInOrder(db, raw, parameters, bound);
    // One statement is all or nothing inside the caller's transaction
    // without a savepoint of its own; outside one it gets the same
    // immediate transaction as any other write.
    if (sqlite3_get_autocommit(db) == 0)
        return StepToEnd(db, raw, statement);
    Transaction transaction(db);
    const long affected = StepToEnd(db, raw, statement);
    transaction.Commit();
    return affected;
}

std::shared_ptr<Recordset> Connection::Execute(const QString& commandText, Variant* recordsAffected, long options)
{
    if (!m_impl->db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    const bool noRecords = options != -1 && (options & adExecuteNoRecords);
    const long commandType = options == -1 ? long(adCmdUnknown) : (options & 0x3FF & ~long(adExecuteNoRecords));
    auto self = shared_from_this();

    if (commandType == adCmdStoredProc) {
        const std::optional<savedqueries::SavedQuery> query = savedqueries::Find(self, commandText.trimmed());
        if (!query)
            ThrowJet(platform::DB_E_NOTABLE,
                QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.  "
                               "Make sure it exists and that its name is spelled correctly.")
                    .arg(commandText.trimmed()));
        long affected = 0;
        auto result = savedqueries::RunSaved(self, *query, {}, &affected);
        if (recordsAffected)
            *recordsAffected = Variant::FromI4(std::int32_t(affected));
        return noRecords || !result ? Recordset::Create() : result;
    }

    QString jet = commandText;
    if (commandType == adCmdTable || commandType == adCmdTableDirect)
        jet = QStringLiteral("SELECT * FROM [%1]").arg(commandText.trimmed());
    const jetsql::Translation statement = jetsql::Translate(jet, Handle());

    long affected = 0;
    std::shared_ptr<Recordset> result;
    switch (statement.kind) {
    case jetsql::Translation::CreateProcedure:
    case jetsql::Translation::DropProcedure:
    case jetsql::Translation::CreateView:
    case jetsql::Translation::DropView:
    case jetsql::Translation::ExecuteProcedure:
        result = savedqueries::Run(self, statement, &affected);
        break;
    case jetsql::Translation::Select:
        if (noRecords) {
            ExecuteTranslated(statement, {});
            affected = -1;
        } else {
            result = Recordset::Create();
            result->OpenTranslated(self, statement, {}, adOpenStatic, adLockReadOnly);
            affected = -1;
        }
        break;
    default:
        affected = ExecuteTranslated(statement, {});
        break;
    }
    if (recordsAffected)
        *recordsAffected = Variant::FromI4(std::int32_t(affected));
    return noRecords || !result ? Recordset::Create() : result;
}

long Connection::ExecuteTranslated(const jetsql::Translation& statement, const std::vector<Variant>& parameters)
{
    sqlite3* db = m_impl->db.get();
    if (!db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    if (!IsKeptKind(statement))
        NoteSchemaChange();
    const QByteArray sql = statement.sql.toUtf8();
    Transaction transaction(db);
    long affected = 0;
    const char* tail = sql.constData();
    const char* end = sql.constData() + sql.size();
    // A translation may be more than one SQLite statement (a Jet DDL text
    // can become a table and its indexes); all run in one transaction.
    while (tail < end) {
        sqlite3_stmt* raw = nullptr;
        const char* next = nullptr;
        Check(db, sqlite3_prepare_v2(db, tail, int(end - tail), &raw, &next));
        BoundValues bound;
        std::unique_ptr<sqlite3_stmt, StatementFinalizer> stmt(raw);
        tail = next;
        if (!raw)
            break; // only white space or a comment was left
        BindInOrder(db, raw, parameters, bound);
        affected += StepToEnd(db, raw, statement);
    }
    transaction.Commit();
    return affected;
}

long Connection::BeginTrans()
{
    sqlite3* db = m_impl->db.get();
    if (!db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    const int level = m_impl->transactionLevel + 1;
    // The write lock is taken here, up front: in a deferred transaction the
    // first read takes a shared lock, and SQLite does not wait (the busy
    // timeout never applies) when a later write inside the same
    // transaction has to upgrade it while another process writes.
    if (level == 1)
        ExecuteDirect(db, "BEGIN IMMEDIATE");
    else
        ExecuteDirect(db, QStringLiteral("SAVEPOINT trans%1").arg(level).toUtf8().constData());
    m_impl->transactionLevel = level;
    return level;
}

// A commit or a rollback needs an open connection with a transaction to end.
static void CheckTransactionToEnd(sqlite3* db, int level)
{
    if (!db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    if (level == 0)
        ThrowJet(XACT_E_NOTRANSACTION,
            QStringLiteral("You tried to commit or rollback a transaction without first "
                           "beginning a transaction."));
}

void Connection::CommitTrans()
{
    sqlite3* db = m_impl->db.get();
    const int level = m_impl->transactionLevel;
    CheckTransactionToEnd(db, level);
    if (level == 1)
        ExecuteDirect(db, "COMMIT");
    else
        ExecuteDirect(db, QStringLiteral("RELEASE trans%1").arg(level).toUtf8().constData());
    m_impl->transactionLevel = level - 1;
}

void Connection::RollbackTrans()
{
    sqlite3* db = m_impl->db.get();
    const int level = m_impl->transactionLevel;
    CheckTransactionToEnd(db, level);
    NoteSchemaChange();
    if (level == 1) {
        ExecuteDirect(db, "ROLLBACK");
    } else {
        const QByteArray name = QByteArray::number(level);
        ExecuteDirect(db, ("ROLLBACK TO trans" + name).constData());
        ExecuteDirect(db, ("RELEASE trans" + name).constData());
    }
    m_impl->transactionLevel = level - 1;
}

std::shared_ptr<Recordset> Connection::OpenSchema(long schema, const QStringList& restrictions, const Variant&)
{
    if (!m_impl->db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kObject);
    return schemarowsets::Open(shared_from_this(), schema, restrictions);
}

} // namespace engine
