// ADO's Command: a text, a table name or a saved query (Jet's stored
// procedure), run on a connection with a list of parameters. A Prepared
// command keeps what it made of its text between runs.
#pragma once

#include "engine/ado/Parameter.h"
#include "engine/common/AdoEnums.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <vector>

namespace engine {

class Connection;
class Recordset;

class Command {
public:
    static std::shared_ptr<Command> Create();
    Command();
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    std::shared_ptr<Connection> ActiveConnection() const { return m_connection; }
    void SetActiveConnection(const std::shared_ptr<Connection>& connection); // by reference
    QString CommandText() const { return m_text; }
    void SetCommandText(const QString& text);
    long CommandType() const { return m_type; }
    void SetCommandType(long type); // an unknown CommandTypeEnum value fails
    std::shared_ptr<Parameters> GetParameters() const { return m_parameters; }
    // When set, the first run keeps its translation (and, for one SELECT,
    // INSERT, UPDATE or DELETE, the statement SQLite prepared) and later
    // runs reuse it with the parameters' new values. What is kept goes when
    // the text, the type or the connection changes, when the connection
    // closes or rolls back, and when the schema or the saved queries may
    // have changed; results and errors are those of an unprepared run.
    bool Prepared() const { return m_prepared; }
    void SetPrepared(bool prepared);

    std::shared_ptr<Parameter> CreateParameter(const QString& name, long type, long direction, long size,
        const platform::Variant& value = platform::Variant::Missing());

    // Runs the command. recordsAffected (if given) receives a VT_I4 count.
    // The result is an open static recordset when the statement gives rows,
    // otherwise a closed one. options: a CommandTypeEnum value, possibly
    // with adExecuteNoRecords; -1 uses CommandType.
    std::shared_ptr<Recordset> Execute(platform::Variant* recordsAffected = nullptr, long options = -1);

private:
    struct Plan;
    std::vector<platform::Variant> ParameterValues() const;
    std::unique_ptr<Plan> MakePlan(const std::shared_ptr<Connection>& connection, long type) const;

    std::shared_ptr<Connection> m_connection;
    QString m_text;
    long m_type = adCmdUnknown;
    std::shared_ptr<Parameters> m_parameters = std::make_shared<Parameters>();
    bool m_prepared = false;
    std::unique_ptr<Plan> m_plan; // what a prepared command kept
};

} // namespace engine
