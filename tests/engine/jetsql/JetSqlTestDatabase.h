// A scratch SQLite data file for the Jet SQL tests: statements go through
// jetsql::Translate and then straight to SQLite's C API, with Jet's
// functions registered, so that the translation is judged by what it does
// on real rows rather than by the text it produces.
#pragma once

#include "engine/jetsql/JetSql.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sqlite3.h>
#include <stdexcept>
#include <utility>
#include <vector>

// GoogleTest shows a QString as its text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace lexitest {

class JetSqlTestDatabase {
public:
    JetSqlTestDatabase()
    {
        if (!m_dir.isValid())
            throw std::runtime_error("no temporary folder");
        const QByteArray path = m_dir.filePath(QStringLiteral("db.mdb")).toUtf8();
        sqlite3* raw = nullptr;
        if (sqlite3_open(path.constData(), &raw) != SQLITE_OK) {
            sqlite3_close(raw);
            throw std::runtime_error("cannot open the scratch data file");
        }
        m_db.reset(raw);
        engine::jetsql::RegisterFunctions(raw);
    }

    sqlite3* Handle() const { return m_db.get(); }

    // Runs a Jet statement that gives no rows; returns the rows changed.
    int Exec(const QString& jet)
    {
        return static_cast<int>(RunSqlite(engine::jetsql::Translate(jet, m_db.get()).sql).changes);
    }

    // Runs a Jet SELECT; each row's values as QVariant (Null as an invalid
    // QVariant, integers as qlonglong, reals as double, text as QString).
    std::vector<QVariantList> Rows(const QString& jet)
    {
        return RunSqlite(engine::jetsql::Translate(jet, m_db.get()).sql).rows;
    }

    // The first column of every row, as text ("" for Null).
    QStringList Column(const QString& jet)
    {
        QStringList values;
        for (const QVariantList& row : Rows(jet))
            values.append(row.isEmpty() ? QString() : row.front().toString());
        return values;
    }

    // The one value of a Jet expression: "SELECT <expression>".
    QVariant Value(const QString& jetExpression)
    {
        const std::vector<QVariantList> rows = Rows(QStringLiteral("SELECT ") + jetExpression);
        if (rows.size() != 1 || rows.front().size() != 1)
            throw std::runtime_error("expected one value");
        return rows.front().front();
    }

    // SQLite's error text when the statement fails at run time, empty when
    // it succeeds.
    QString RunError(const QString& jet)
    {
        try {
            RunSqlite(engine::jetsql::Translate(jet, m_db.get()).sql);
        } catch (const std::runtime_error& e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    }

    struct Result {
        std::vector<QVariantList> rows;
        long long changes = 0;
    };

    Result RunSqlite(const QString& sql)
    {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_db.get(), utf8.constData(), static_cast<int>(utf8.size()), &raw, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(m_db.get())) + " in " + utf8.toStdString());
        std::unique_ptr<sqlite3_stmt, StatementCloser> stmt(raw);
        Result result;
        for (;;) {
            const int rc = sqlite3_step(raw);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                throw std::runtime_error(sqlite3_errmsg(m_db.get()));
            QVariantList row;
            for (int i = 0; i < sqlite3_column_count(raw); ++i) {
                switch (sqlite3_column_type(raw, i)) {
                case SQLITE_NULL:
                    row.append(QVariant());
                    break;
                case SQLITE_INTEGER:
                    row.append(QVariant(static_cast<qlonglong>(sqlite3_column_int64(raw, i))));
                    break;
                case SQLITE_FLOAT:
                    row.append(QVariant(sqlite3_column_double(raw, i)));
                    break;
                default:
                    row.append(QVariant(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(raw, i)), sqlite3_column_bytes(raw, i))));
                }
            }
            result.rows.push_back(row);
        }
        result.changes = sqlite3_changes(m_db.get());
        return result;
    }

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };
    struct StatementCloser {
        void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
    };
    QTemporaryDir m_dir;
    std::unique_ptr<sqlite3, Closer> m_db;
};

// Each expression's value as text ("SELECT <expression>"); nullptr stands
// for Null.
inline void ExpectValues(JetSqlTestDatabase& db, std::initializer_list<std::pair<const char*, const char*>> values)
{
    for (const auto& [expression, shown] : values) {
        const QVariant value = db.Value(QString::fromUtf8(expression));
        if (shown == nullptr)
            EXPECT_TRUE(value.isNull()) << expression;
        else
            EXPECT_EQ(value.toString(), QString::fromUtf8(shown)) << expression;
    }
}

} // namespace lexitest
