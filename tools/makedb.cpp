// lexitrain-makedb: creates an empty data file with the program's tables
// (Words and NewWords), for a first run or for tests. It never overwrites a
// file. Its one argument is the file's path as it stands, whatever
// characters it holds. Exit codes: 0 made, 1 the file could not be made,
// 2 wrong usage.
#include "platform/ComError.h"
#include "platform/FileName.h"
#include "store/DataFileSchema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

enum ExitCode { kMade = 0, kFailed = 1, kUsage = 2 };

void PrintLine(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The argument is a path, taken byte for byte: Qt's own reading of the
    // command line would lose a name that is not UTF-8.
    const QString argument = argc == 2 ? platform::DecodeFileName(QByteArray(argv[1])) : QString();
    if (argc != 2 || argument.isEmpty() || argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
        PrintLine(stderr,
            QStringLiteral("Usage: lexitrain-makedb <path>\n"
                           "Creates a new, empty Lexitrain data file (tables Words and NewWords) at "
                           "<path>. An existing file is never overwritten."));
        return kUsage;
    }
    const QString path = QFileInfo(platform::AbsoluteFileName(argument)).absoluteFilePath();
    try {
        CreateDataFile(path);
    } catch (const platform::ComError& e) {
        PrintLine(stderr,
            QStringLiteral("lexitrain-makedb: cannot create '%1': %2")
                .arg(path, e.Description().value_or(platform::CodeMeaning(e.Error()))));
        return kFailed;
    }
    PrintLine(stdout, QStringLiteral("Created the data file '%1'.").arg(path));
    return kMade;
}
