// ADO's Command: a text, a table name or a saved query (Jet's stored
// procedure), run on a connection with a list of parameters.
#pragma once

#include "engine/common/AdoEnums.h"
#include "engine/ado/Parameter.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>

namespace engine {

class Connection;
class Recordset;

class Command {
public:
    static std::shared_ptr<Command> Create();

    std::shared_ptr<Connection> ActiveConnection() const { return m_connection; }
    void SetActiveConnection(const std::shared_ptr<Connection>& connection);  // by reference
    QString CommandText() const { return m_text; }
    void SetCommandText(const QString& text) { m_text = text; }
    long CommandType() const { return m_type; }
    void SetCommandType(long type);  // an unknown CommandTypeEnum value fails
    std::shared_ptr<Parameters> GetParameters() const { return m_parameters; }

    std::shared_ptr<Parameter> CreateParameter(const QString& name, long type, long direction, long size,
                                               const platform::Variant& value = platform::Variant::Missing());

    // Runs the command. recordsAffected (if given) receives a VT_I4 count.
    // The result is an open static recordset when the statement gives rows,
    // otherwise a closed one. options: a CommandTypeEnum value, possibly
    // with adExecuteNoRecords; -1 uses CommandType.
    std::shared_ptr<Recordset> Execute(platform::Variant* recordsAffected = nullptr, long options = -1);

private:
    std::shared_ptr<Connection> m_connection;
    QString m_text;
    long m_type = adCmdUnknown;
    std::shared_ptr<Parameters> m_parameters = std::make_shared<Parameters>();
};

}  // namespace engine
