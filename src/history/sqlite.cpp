#include "history/sqlite.h"

#include <sqlite3.h>

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(stmt_);
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(stmt_, index, value);
}

void SqliteStatement::bind(int index, const QString& value)
{
    if (value.isNull()) {
        sqlite3_bind_null(stmt_, index);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindKept(int index, QStringView value)
{
    // SQLite reads the text where it is and converts it once as it stores it.
    sqlite3_bind_text16(stmt_, index, value.isNull() ? u"" : value.utf16(),
                        int(value.size() * sizeof(char16_t)), SQLITE_STATIC);
}

void SqliteStatement::bindKeptUtf8(int index, QByteArrayView value)
{
    sqlite3_bind_text(stmt_, index, value.isNull() ? "" : value.data(), int(value.size()),
                      SQLITE_STATIC);
}

void SqliteStatement::bindKeptBlob(int index, QByteArrayView value)
{
    sqlite3_bind_blob(stmt_, index, value.isNull() ? "" : value.data(), int(value.size()),
                      SQLITE_STATIC);
}

int SqliteStatement::step()
{
    return sqlite3_step(stmt_);
}

void SqliteStatement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QString SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!data)
        return QString();
    return QString::fromUtf8(data, sqlite3_column_bytes(stmt_, column));
}

QByteArray SqliteStatement::bytes(int column) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return data ? QByteArray(data, sqlite3_column_bytes(stmt_, column)) : QByteArray();
}

SqliteDatabase::~SqliteDatabase()
{
    close();
}

bool SqliteDatabase::open(const QString& path, int flags)
{
    close();
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        errorCode_ = rc;
        errorText_ = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        close();
        return false;
    }
    sqlite3_extended_result_codes(db_, 0);
    return true;
}

void SqliteDatabase::close()
{
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

int SqliteDatabase::note(int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
        errorCode_ = rc;
        errorText_ = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    }
    return rc;
}

int SqliteDatabase::exec(const char* sql)
{
    return note(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

void SqliteDatabase::rollback()
{
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

SqliteStatement SqliteDatabase::prepare(const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (note(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr)) !=
        SQLITE_OK)
        return SqliteStatement();
    return SqliteStatement(db_, stmt);
}

qint64 SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(db_);
}

int SqliteDatabase::changes() const
{
    return sqlite3_changes(db_);
}
