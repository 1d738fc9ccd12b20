// lexitrain-words: word lists in and out of a Lexitrain data file, and a
// look at how the collection stands. It works on the data file the trainer
// beside it would use (or on --data PATH) through the word store, and keeps
// its own logic to reading the command line and printing: import, export
// and the figures are the store's. Exit codes: 0 done, 1 failed (one line
// on standard error says why), 2 wrong usage.
#include "StatsReport.h"
#include "TerminalProgress.h"
#include "platform/Clock.h"
#include "platform/FileName.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/CollectionStats.h"
#include "store/WordExport.h"
#include "store/WordImport.h"
#include "store/WordListError.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2 };

const char* const kUsageText = "Usage: lexitrain-words [--data PATH] COMMAND [OPTIONS]\n"
                               "Word lists in and out of a Lexitrain data file, and how the collection stands.\n"
                               "\n"
                               "Commands:\n"
                               "  import [--format csv|tsv|xml] [--verbose] FILE...\n"
                               "      Add the words of the files to the new words, in one transaction, after\n"
                               "      a backup in Backup/ beside the data file. Words already among the new\n"
                               "      words or in study, and repeats inside the files, are skipped.\n"
                               "  export [--table new|study|all] [--format csv|tsv|xml] [-o FILE]\n"
                               "      Write the words out (default: new words, CSV, to standard output).\n"
                               "  stats [--plot FILE.png]\n"
                               "      New words, words in study, due today, learned today, words per\n"
                               "      interval and words due on each of the next 30 days.\n"
                               "\n"
                               "Options:\n"
                               "  --data PATH   the data file (default: the one the trainer uses)\n"
                               "  -h, --help    show this text\n"
                               "\n"
                               "See lexitrain-words(1).\n";

void PrintLine(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

int Fail(const QString& text)
{
    PrintLine(stderr, QStringLiteral("lexitrain-words: ") + text);
    return kFailed;
}

int Usage(const QString& text)
{
    PrintLine(stderr, QStringLiteral("lexitrain-words: ") + text);
    PrintLine(stderr, QStringLiteral("Try 'lexitrain-words --help'."));
    return kUsage;
}

// The command line once read.
struct Options {
    QString command;
    QString dataFile;
    std::optional<WordListFormat> format;
    bool verbose = false;
    WordExport::Table table = WordExport::Table::New;
    QString output;
    QString plot;
    QStringList files;
};

// Reads the arguments; an error text when they make no sense.
std::optional<QString> ReadOptions(const QStringList& args, Options& o)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString& into) -> std::optional<QString> {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(a);
            into = args[++i];
            return std::nullopt;
        };
        QString v;
        if (a == QLatin1String("--data")) {
            if (auto e = value(o.dataFile))
                return e;
        } else if (a == QLatin1String("--format")) {
            if (auto e = value(v))
                return e;
            o.format = WordListFormatFromName(v);
            if (!o.format)
                return QStringLiteral("unknown format '%1' (csv, tsv or xml)").arg(v);
        } else if (a == QLatin1String("--table")) {
            if (auto e = value(v))
                return e;
            if (v == QLatin1String("new"))
                o.table = WordExport::Table::New;
            else if (v == QLatin1String("study"))
                o.table = WordExport::Table::Study;
            else if (v == QLatin1String("all"))
                o.table = WordExport::Table::All;
            else
                return QStringLiteral("unknown table '%1' (new, study or all)").arg(v);
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (auto e = value(o.output))
                return e;
        } else if (a == QLatin1String("--plot")) {
            if (auto e = value(o.plot))
                return e;
        } else if (a == QLatin1String("--verbose") || a == QLatin1String("-v")) {
            o.verbose = true;
        } else if (a.startsWith(u'-') && a != QLatin1String("-")) {
            return QStringLiteral("unknown option '%1'").arg(a);
        } else if (o.command.isEmpty()) {
            o.command = a;
        } else {
            o.files.append(a);
        }
    }
    if (o.command != QLatin1String("import") && o.command != QLatin1String("export")
        && o.command != QLatin1String("stats"))
        return o.command.isEmpty() ? QStringLiteral("no command given")
                                   : QStringLiteral("unknown command '%1'").arg(o.command);
    if (o.command == QLatin1String("import") && o.files.isEmpty())
        return QStringLiteral("import needs at least one file");
    if (o.command != QLatin1String("import") && !o.files.isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(o.files.first());
    return std::nullopt;
}

QString ReasonText(WordImport::SkipReason reason)
{
    switch (reason) {
    case WordImport::SkipReason::AmongNewWords:
        return QStringLiteral("already among the new words");
    case WordImport::SkipReason::InStudy:
        return QStringLiteral("already in study");
    default:
        return QStringLiteral("repeated in the list");
    }
}

int Import(CWordStore& store, const Options& o)
{
    WordImport import(store);
    for (const QString& file : o.files)
        import.AddFile(file, o.format);
    for (const QString& warning : import.Warnings())
        PrintLine(stderr, QStringLiteral("lexitrain-words: warning: ") + warning);
    WordImport::Result result;
    {
        TerminalProgress progress(QStringLiteral("Importing"));
        result = import.Run([&](qint64 done, qint64 total) { progress.Update(done, total); });
    }
    PrintLine(stdout,
        QStringLiteral("Added %1 word(s); skipped %2 duplicate(s).").arg(result.added).arg(result.skipped.size()));
    if (o.verbose)
        for (const WordImport::Skipped& s : result.skipped)
            PrintLine(stdout,
                QStringLiteral("  skipped %1:%2: %3 (%4)")
                    .arg(s.file)
                    .arg(s.row.line)
                    .arg(s.row.word, ReasonText(s.reason)));
    return kDone;
}

int Export(CWordStore& store, const Options& o)
{
    WordListFormat format = o.format.value_or(
        o.output.isEmpty() ? WordListFormat::Csv : WordListFormatOfFile(o.output).value_or(WordListFormat::Csv));
    WordExport exporter(store);
    if (o.output.isEmpty() || o.output == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return Fail(QStringLiteral("cannot write to standard output"));
        exporter.Write(out, o.table, format);
        return kDone;
    }
    // Written whole under a temporary name, then renamed: a failed export
    // leaves no half list behind and an existing file as it was.
    QSaveFile out(o.output);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("%1: %2").arg(o.output, out.errorString()));
    const qint64 count = exporter.Write(out, o.table, format);
    if (!out.commit())
        return Fail(QStringLiteral("%1: %2").arg(o.output, out.errorString()));
    PrintLine(stderr, QStringLiteral("Wrote %1 word(s) to %2.").arg(count).arg(o.output));
    return kDone;
}

int Stats(CWordStore& store, const Options& o)
{
    const CollectionStats stats = ReadCollectionStats(store);
    const QDate today = platform::Clock::Now().date();
    std::fputs(StatsText(stats, today, ::isatty(STDOUT_FILENO) == 1).toUtf8().constData(), stdout);
    if (!o.plot.isEmpty()) {
        QString error;
        if (!WriteStatsPlot(stats, today, o.plot, error))
            return Fail(error);
    }
    return kDone;
}

} // namespace

int main(int argc, char** argv)
{
    // The picture needs a GUI application, which needs no display here.
    bool plotting = false;
    for (int i = 1; i < argc; ++i)
        plotting = plotting || std::string_view(argv[i]) == "--plot";
    if (plotting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the session it runs in (no runtime folder, and the
    // like) are not the user's business; its errors still show.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg)
            PrintLine(stderr, QStringLiteral("lexitrain-words: ") + text);
    });
    std::unique_ptr<QCoreApplication> app
        = plotting ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);

    // Arguments are read as file names are, so a path in no UTF-8 (a
    // Latin-1 folder name) still names its file.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << platform::DecodeFileName(QByteArray(argv[i]));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsageText, stdout);
        return kDone;
    }
    Options o;
    if (const std::optional<QString> error = ReadOptions(args, o))
        return Usage(*error);

    // The store's messages are for message boxes; here they would only
    // repeat, in several lines, what the one error line says.
    platform::SetMessageSink([](const QString&, unsigned) { return platform::IDOK; });
    CWordStore store;
    if (!o.dataFile.isEmpty())
        store.SetDataFile(platform::AbsoluteFileName(o.dataFile));
    QString dataFile;
    if (!store.GetDataFilePath(QStringLiteral("db.mdb"), dataFile))
        return Fail(QStringLiteral("cannot find the folder of the data file"));
    if (!platform::FileExists(dataFile) || platform::IsFolder(dataFile))
        return Fail(QStringLiteral("%1: no data file here; make one with lexitrain-makedb %1").arg(dataFile));

    try {
        if (o.command == QLatin1String("import"))
            return Import(store, o);
        if (o.command == QLatin1String("export"))
            return Export(store, o);
        return Stats(store, o);
    } catch (const WordListError& e) {
        return Fail(e.Text());
    }
}
