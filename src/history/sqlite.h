#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

struct sqlite3;
struct sqlite3_stmt;

// A prepared statement; finalized when it goes. Binding indexes start at 1, columns at 0.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    SqliteStatement(SqliteStatement&& other) noexcept { *this = std::move(other); }
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    ~SqliteStatement();

    bool isValid() const { return stmt_ != nullptr; }
    void bind(int index, qint64 value);
    // A null string binds SQL NULL.
    void bind(int index, const QString& value);
    // Text without a copy, for a string that stays as it is until the statement has run
    // (a temporary does not).
    void bindKept(int index, QStringView value);
    // The same for UTF-8 text, and for bytes.
    void bindKeptUtf8(int index, QByteArrayView value);
    void bindKeptBlob(int index, QByteArrayView value);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Ready to run again with new bindings.
    void reset();
    qint64 int64(int column) const;
    QString text(int column) const;
    QByteArray bytes(int column) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// One connection to a database file; closed when it goes. Calls report SQLite's result
// codes; the last error's text stays readable until the next call fails.
class SqliteDatabase
{
public:
    SqliteDatabase() = default;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;
    ~SqliteDatabase();

    // flags are sqlite3_open_v2's. False, with the error kept, when it cannot be opened.
    bool open(const QString& path, int flags);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }

    // Runs one or more statements without results; SQLITE_OK or an error code.
    int exec(const char* sql);
    // Ends the open transaction, keeping the error that made it fail.
    void rollback();
    // An invalid statement when the text does not compile; the error is kept.
    SqliteStatement prepare(const char* sql);
    // Keeps the connection's current error (code and text) when rc is one.
    int note(int rc);
    int errorCode() const { return errorCode_; }
    QString errorText() const { return errorText_; }
    qint64 lastInsertRowId() const;
    int changes() const;

private:
    sqlite3* db_ = nullptr;
    int errorCode_ = 0;
    QString errorText_;
};
