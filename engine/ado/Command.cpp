// ADO's Command over the Jet provider: a text, a table name or a saved
// query run on the connection it holds by reference, with its parameters
// bound in order. Each parameter's value is first converted to the
// parameter's own type (as ADO does when it hands values to the provider);
// a saved query, or a text that declares PARAMETERS, then converts it to
// the type it declares (as Jet does).
//
// Jet is lenient about the command type, and so is this command: a text
// that names a saved query runs it, and a statement run as a stored
// procedure runs as the statement it is. The access layer relies on both:
// its Command always executes as a stored procedure, and its recordset
// opens a stored procedure as text.
#include "engine/ado/Command.h"

#include "engine/ado/Connection.h"
#include "engine/ado/Recordset.h"
#include "engine/catalog/SavedQueries.h"
#include "engine/common/AdoError.h"
#include "engine/jetsql/JetSql.h"
#include "engine/jetsql/JetTokenizer.h"
#include "engine/sqlite/SqliteError.h"
#include "engine/sqlite/SqliteHandles.h"

#include <cstdint>
#include <optional>

namespace engine {

using platform::Variant;

namespace {

constexpr auto kSource = "Command";
constexpr platform::HRESULT DB_E_NOCOMMAND = platform::MakeHr(0x80040E0Cu);
constexpr long kCommandTypeBits
    = adCmdText | adCmdTable | adCmdStoredProc | adCmdUnknown | adCmdFile | adCmdTableDirect;

[[noreturn]] void ThrowInvalidArgument()
{
    ThrowAdo(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument), kSource);
}

[[noreturn]] void ThrowMissingValue()
{
    ThrowJet(platform::DB_E_PARAMNOTOPTIONAL, QStringLiteral("No value given for one or more required parameters."));
}

// The name a text consists of, when it is nothing but one name (bare or
// [bracketed], with an optional closing semicolon).
std::optional<QString> SoleName(const QString& text)
{
    std::vector<jetsql::Token> tokens = jetsql::Tokenize(text);
    if (tokens.size() >= 2 && tokens[tokens.size() - 2].IsSymbol(";"))
        tokens.erase(tokens.end() - 2);
    if (tokens.size() == 2 && tokens[0].IsName() && tokens[1].kind == jetsql::Token::End)
        return tokens[0].text;
    return std::nullopt;
}

bool IsTableOrView(const std::shared_ptr<Connection>& connection, const QString& name)
{
    Statement s(connection->Handle(),
        QByteArray("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') "
                   "AND name = ?1 COLLATE NOCASE"));
    s.Bind(1, Variant::FromBstr(name));
    return s.Step();
}

// The values a translated statement binds. A statement that declares
// PARAMETERS takes one value per declared parameter, converted to the
// declared type; any other takes one per '?' marker. Too few values, or a
// value never given, fail as Jet fails; more values than the statement
// can use fail too, since they mean the command was built for another text.
std::vector<Variant> ValuesFor(const jetsql::Translation& statement, std::vector<Variant> values)
{
    const bool declares = !statement.procParamNames.isEmpty();
    const std::size_t needed = declares ? static_cast<std::size_t>(statement.procParamNames.size())
                                        : static_cast<std::size_t>(std::max(statement.parameterCount, 0));
    if (values.size() > needed) {
        ThrowAdo(platform::adErrInvalidArgument,
            QStringLiteral("The command has %1 parameter(s), but its text takes %2.").arg(values.size()).arg(needed),
            kSource);
    }
    for (std::size_t i = 0; i < needed; ++i) {
        if (i >= values.size() || savedqueries::IsMissingValue(values[i]))
            ThrowMissingValue();
        if (declares) {
            const qsizetype at = static_cast<qsizetype>(i);
            const QString type = at < statement.procParamTypes.size() ? statement.procParamTypes[at] : QString();
            const long adoType = type.isEmpty() ? long(adVariant) : jetsql::AdoTypeOfDeclared(type).adoType;
            values[i] = savedqueries::ConvertParameter(values[i], adoType, statement.procParamNames[at]);
        }
    }
    return values;
}

// A value that converting to its parameter's type would give back as it
// is; the usual text and whole-number parameters skip the round trip.
bool IsOfType(const Variant& value, long type)
{
    switch (value.vt()) {
    case platform::VT_BSTR:
        return type == adBSTR || type == adChar || type == adWChar || type == adVarChar || type == adVarWChar
            || type == adLongVarChar || type == adLongVarWChar;
    case platform::VT_I4:
        return type == adInteger;
    default:
        return false;
    }
}

} // namespace

// What a command made of its text for one connection and command type: the
// saved query it names, or its translation and, once a prepared command has
// run it, the statement SQLite prepared from it.
struct Command::Plan {
    const Connection* connection = nullptr;
    std::uint64_t generation = 0;
    long type = adCmdUnknown;
    std::optional<savedqueries::SavedQuery> saved;
    jetsql::Translation statement;
    std::shared_ptr<Statement> kept;
    bool keptTried = false;
};

Command::Command() = default;
Command::~Command() = default;

std::shared_ptr<Command> Command::Create()
{
    return std::make_shared<Command>();
}

void Command::SetActiveConnection(const std::shared_ptr<Connection>& connection)
{
    m_connection = connection;
    m_plan.reset();
}

void Command::SetCommandText(const QString& text)
{
    m_text = text;
    m_plan.reset();
}

void Command::SetPrepared(bool prepared)
{
    m_prepared = prepared;
    if (!prepared)
        m_plan.reset();
}

void Command::SetCommandType(long type)
{
    switch (type) {
    case adCmdUnspecified:
    case adCmdText:
    case adCmdTable:
    case adCmdStoredProc:
    case adCmdUnknown:
    case adCmdTableDirect:
        m_type = type;
        m_plan.reset();
        return;
    default:
        ThrowInvalidArgument();
    }
}

std::shared_ptr<Parameter> Command::CreateParameter(
    const QString& name, long type, long direction, long size, const Variant& value)
{
    std::shared_ptr<Parameter> parameter = Parameter::Create();
    parameter->SetName(name);
    parameter->SetType(type);
    parameter->SetDirection(direction);
    parameter->SetSize(size);
    if (!value.IsMissing())
        parameter->SetValue(value);
    return parameter;
}

// Each value as the parameter's own type. Output parameters have no place
// in Jet's SQL.
std::vector<Variant> Command::ParameterValues() const
{
    std::vector<Variant> values;
    values.reserve(m_parameters->All().size());
    for (const std::shared_ptr<Parameter>& p : m_parameters->All()) {
        if (p->Direction() == adParamOutput || p->Direction() == adParamReturnValue) {
            ThrowAdo(platform::adErrFeatureNotAvailable,
                QStringLiteral("Object or provider is not capable of performing requested operation. Jet "
                               "queries have no output or return-value parameters ('%1').")
                    .arg(p->Name()),
                kSource);
        }
        Variant value = p->Value();
        if (!savedqueries::IsMissingValue(value) && !IsOfType(value, p->Type()))
            value = savedqueries::ConvertParameter(value, p->Type(), p->Name());
        values.push_back(std::move(value));
    }
    return values;
}

std::unique_ptr<Command::Plan> Command::MakePlan(const std::shared_ptr<Connection>& connection, long type) const
{
    auto plan = std::make_unique<Plan>();
    plan->connection = connection.get();
    plan->generation = connection->SchemaGeneration();
    plan->type = type;
    const std::optional<QString> name = SoleName(m_text);
    if (name && type != adCmdTable && type != adCmdTableDirect)
        plan->saved = savedqueries::Find(connection, *name);
    if (plan->saved)
        return plan;
    if (type == adCmdStoredProc && name) {
        ThrowJet(platform::DB_E_NOTABLE,
            QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.  Make "
                           "sure it exists and that its name is spelled correctly.")
                .arg(*name));
    }
    QString text = m_text;
    const bool asTable = type == adCmdTable || type == adCmdTableDirect
        || ((type == adCmdUnknown || type == adCmdUnspecified) && name && IsTableOrView(connection, *name));
    if (asTable)
        text = QStringLiteral("SELECT * FROM [%1]").arg(name ? *name : m_text.trimmed());
    plan->statement = jetsql::Translate(text, connection->Handle());
    return plan;
}

std::shared_ptr<Recordset> Command::Execute(Variant* recordsAffected, long options)
{
    const std::shared_ptr<Connection> connection = m_connection;
    if (!connection || connection->State() != adStateOpen)
        ThrowAdo(adErrInvalidConnection, QString::fromLatin1(adotext::kInvalidConnection), kSource);

    long type = m_type;
    bool noRecords = false;
    if (options != adOptionUnspecified) {
        if (options & ~(kCommandTypeBits | adAsyncExecute | adExecuteNoRecords | adExecuteRecord))
            ThrowInvalidArgument();
        if (const long optionType = options & kCommandTypeBits)
            type = optionType;
        noRecords = (options & adExecuteNoRecords) != 0;
    }
    if (type == adCmdFile)
        ThrowInvalidArgument();
    // A kept plan was made from this text, so the text is not empty.
    const bool reuse = m_plan && m_plan->connection == connection.get() && m_plan->type == type
        && m_plan->generation == connection->SchemaGeneration();
    if (!reuse && m_text.trimmed().isEmpty())
        ThrowJet(DB_E_NOCOMMAND, QStringLiteral("Command text was not set for the command object."));

    std::vector<Variant> values = ParameterValues();
    std::unique_ptr<Plan> made;
    if (!reuse) {
        made = MakePlan(connection, type);
        if (m_prepared)
            m_plan = std::move(made);
    }
    Plan& plan = made ? *made : *m_plan;
    // The statement SQLite prepared is kept on the connection, which lets it
    // go when it closes.
    const auto runTranslated = [&](const std::vector<Variant>& bound) {
        if (m_prepared && !plan.keptTried) {
            plan.keptTried = true;
            plan.kept = connection->PrepareKept(plan.statement);
        }
        return plan.kept ? connection->ExecuteKept(*plan.kept, plan.statement, bound)
                         : connection->ExecuteTranslated(plan.statement, bound);
    };

    long affected = -1;
    std::shared_ptr<Recordset> rows;
    if (plan.saved) {
        rows = savedqueries::RunSaved(connection, *plan.saved, values, &affected);
    } else {
        switch (plan.statement.kind) {
        case jetsql::Translation::CreateProcedure:
        case jetsql::Translation::DropProcedure:
        case jetsql::Translation::CreateView:
        case jetsql::Translation::DropView:
        case jetsql::Translation::ExecuteProcedure:
            rows = savedqueries::Run(connection, plan.statement, values, &affected);
            break;
        case jetsql::Translation::Select: {
            const std::vector<Variant> bound = ValuesFor(plan.statement, std::move(values));
            if (noRecords) {
                runTranslated(bound);
            } else {
                rows = Recordset::Create();
                rows->OpenTranslated(connection, plan.statement, bound, adOpenStatic, adLockReadOnly);
            }
            affected = -1;
            break;
        }
        default:
            affected = runTranslated(ValuesFor(plan.statement, std::move(values)));
            break;
        }
    }

    if (recordsAffected)
        *recordsAffected = Variant::FromI4(static_cast<std::int32_t>(affected));
    if (noRecords || !rows)
        return Recordset::Create();
    return rows;
}

} // namespace engine
