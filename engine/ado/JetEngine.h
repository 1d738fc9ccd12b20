// Jet and Replication Objects' JetEngine: compacting a data file into a new
// one.
#pragma once

#include <QString>
#include <memory>

namespace engine {

class JetEngine {
public:
    static std::shared_ptr<JetEngine> Create();
    // Both arguments are connection strings naming the files. Fails,
    // changing nothing, when the destination exists or the source is
    // missing or no database.
    void CompactDatabase(const QString& sourceConnection, const QString& destConnection);
    // Creates a new, empty data file (ADOX's Catalog.Create); fails when
    // the file exists. The only way the engine makes a file.
    void CreateDatabase(const QString& connectionString);
};

}  // namespace engine
