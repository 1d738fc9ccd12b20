// Fuzzes the reader of ADO's XML persistence files: any bytes in a file are
// either read into a rowset whose every row has one value per field, or
// refused with a ComError; nothing else may happen (no crash, no hang, no
// read outside the file). The input goes through a real file because
// reading a file is what the reader does. A rowset that is read is then
// made into a recordset and every value read back, as opening the file
// as a recordset does; the recordset is then saved, and what was saved
// must read back with the same rows and fields.
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "engine/xml/XmlPersistence.h"
#include "platform/ComError.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("input.xml"));
    static const QString savedPath = folder.filePath(QStringLiteral("saved.xml"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        if (file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();
    }
    try {
        engine::xmlpersist::Rowset rowset = engine::xmlpersist::Load(path);
        for (const auto& row : rowset.rows) {
            if (row.size() != rowset.columns.size())
                std::abort();
        }
        const std::size_t rows = rowset.rows.size();
        auto recordset = engine::Recordset::FromRows(std::move(rowset.columns), std::move(rowset.rows), true);
        auto fields = recordset->GetFields();
        std::size_t seen = 0;
        for (; !recordset->IsEOF(); recordset->MoveNext(), ++seen) {
            for (long i = 0; i < fields->Count(); ++i) {
                auto field = fields->Item(static_cast<int>(i));
                field->Value();
                field->ActualSize();
            }
        }
        if (seen != rows)
            std::abort();

        // What Save writes of it must read back: as many rows and fields.
        // Save may refuse a value the format has no form for (a NaN), but
        // never write a file that Load then refuses.
        QFile::remove(savedPath);
        try {
            recordset->Save(savedPath, engine::adPersistXML);
        } catch (const platform::ComError&) {
            return 0;
        }
        const engine::xmlpersist::Rowset again = engine::xmlpersist::Load(savedPath);
        if (again.rows.size() != rows || static_cast<long>(again.columns.size()) != fields->Count())
            std::abort();
    } catch (const platform::ComError&) {
        // Refused with a description: what a bad file should give.
    }
    return 0;
}
