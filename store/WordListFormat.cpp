// Format names and file extensions.
#include "store/WordListFormat.h"

#include <QFileInfo>

std::optional<WordListFormat> WordListFormatFromName(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("csv"))
        return WordListFormat::Csv;
    if (lower == QLatin1String("tsv"))
        return WordListFormat::Tsv;
    if (lower == QLatin1String("xml"))
        return WordListFormat::Xml;
    return std::nullopt;
}

std::optional<WordListFormat> WordListFormatOfFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    // Other trainers write their plain-text notes as .txt.
    if (suffix.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
        return WordListFormat::Tsv;
    return WordListFormatFromName(suffix);
}
