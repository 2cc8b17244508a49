#include "history/historydatabase.h"

#include "core/formatting.h"

#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The lines' text as the full-text index holds it: without formatting codes, so a
// coloured word is found by the word.
void plainTextFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const QByteArray plain =
        stripFormatting(QString::fromUtf8(data, sqlite3_value_bytes(values[0]))).toUtf8();
    sqlite3_result_text(context, plain.constData(), int(plain.size()), SQLITE_TRANSIENT);
}

// The file is the user's alone from the start: SQLite gives its -wal and -shm files the
// same mode.
void createPrivately(const QString& path)
{
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

constexpr const char* schema = R"(
CREATE TABLE IF NOT EXISTS windows(
  id INTEGER PRIMARY KEY,
  network TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(network, name));
CREATE TABLE IF NOT EXISTS lines(
  id INTEGER PRIMARY KEY,
  window INTEGER NOT NULL,
  time INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  sender TEXT NOT NULL,
  text TEXT NOT NULL,
  msgid TEXT);
CREATE INDEX IF NOT EXISTS lines_by_window ON lines(window, time);
CREATE UNIQUE INDEX IF NOT EXISTS lines_by_msgid ON lines(window, msgid) WHERE msgid IS NOT NULL;
CREATE VIRTUAL TABLE IF NOT EXISTS lines_text USING fts5(text, content='', columnsize=0);
)";

HistoryRow rowFrom(const SqliteStatement& s, const QString& network, const QString& window)
{
    HistoryRow row;
    row.id = s.int64(0);
    row.line.network = network;
    row.line.window = window;
    row.line.timeMs = s.int64(1);
    row.line.kind = int(s.int64(2));
    row.line.sender = s.text(3);
    row.line.text = s.text(4);
    row.line.msgid = s.text(5);
    return row;
}

} // namespace

bool HistoryDatabase::open(const QString& path, Access access)
{
    close();
    int flags = SQLITE_OPEN_NOMUTEX;
    if (access == Access::ReadWrite) {
        createPrivately(path);
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    } else {
        flags |= SQLITE_OPEN_READONLY;
    }
    if (!db_.open(path, flags))
        return false;
    // Another writer holds the file: wait a little (this is never the GUI thread), then
    // give up with "database is locked".
    sqlite3_busy_timeout(db_.handle(), 1000);
    sqlite3_create_function_v2(db_.handle(), "plain_text", 1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               plainTextFunction, nullptr, nullptr, nullptr);
    const bool ready =
        access == Access::ReadOnly
            ? db_.exec("SELECT count(*) FROM sqlite_schema") == SQLITE_OK
            : db_.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL") == SQLITE_OK &&
                  createSchema();
    if (!ready) {
        close();
        return false;
    }
    return true;
}

bool HistoryDatabase::createSchema()
{
    if (db_.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return false;
    if (db_.exec(schema) != SQLITE_OK || db_.exec("COMMIT") != SQLITE_OK) {
        db_.rollback();
        return false;
    }
    // ?7 is the line's row when it was given one beforehand; unbound, SQLite picks it.
    insertLine_ = db_.prepare(
        "INSERT INTO lines(id, window, time, kind, sender, text) SELECT ?7, ?1, ?2, ?3, ?4, ?5 "
        "WHERE NOT EXISTS (SELECT 1 FROM lines WHERE window = ?1 AND time = ?2 "
        "AND sender = ?4 AND text = ?5)");
    insertById_ = db_.prepare("INSERT OR IGNORE INTO lines(id, window, time, kind, sender, text, "
                              "msgid) VALUES(?7, ?1, ?2, ?3, ?4, ?5, ?6)");
    indexLine_ = db_.prepare("INSERT INTO lines_text(rowid, text) VALUES(?1, ?2)");
    return insertLine_.isValid() && insertById_.isValid() && indexLine_.isValid();
}

void HistoryDatabase::close()
{
    insertLine_ = SqliteStatement();
    insertById_ = SqliteStatement();
    indexLine_ = SqliteStatement();
    windowIds_.clear();
    db_.close();
}

qint64 HistoryDatabase::windowId(const QString& network, const QString& window, bool create)
{
    const QString key = network.toLower() + u'\n' + window.toLower();
    if (const auto it = windowIds_.constFind(key); it != windowIds_.cend())
        return *it;
    SqliteStatement find = db_.prepare("SELECT id FROM windows WHERE network = ?1 AND name = ?2");
    if (!find.isValid())
        return -1;
    find.bind(1, network);
    find.bind(2, window);
    qint64 id = -1;
    const int rc = db_.note(find.step());
    if (rc == SQLITE_ROW) {
        id = find.int64(0);
    } else if (rc == SQLITE_DONE && create) {
        SqliteStatement add = db_.prepare("INSERT INTO windows(network, name) VALUES(?1, ?2)");
        if (!add.isValid())
            return -1;
        add.bind(1, network);
        add.bind(2, window);
        if (db_.note(add.step()) != SQLITE_DONE)
            return -1;
        id = db_.lastInsertRowId();
    }
    if (id >= 0)
        windowIds_.insert(key, id);
    return id;
}

namespace {
const HistoryLine& lineOf(const HistoryLine& line)
{
    return line;
}
const HistoryLine& lineOf(const HistoryRow& row)
{
    return row.line;
}
qint64 rowOf(const HistoryLine&)
{
    return 0;
}
qint64 rowOf(const HistoryRow& row)
{
    return row.id;
}
} // namespace

int HistoryDatabase::write(const std::vector<HistoryLine>& lines)
{
    return writeRows(lines);
}

int HistoryDatabase::write(const std::vector<HistoryRow>& rows)
{
    return writeRows(rows);
}

qint64 HistoryDatabase::nextRow()
{
    SqliteStatement s = db_.prepare("SELECT coalesce(max(id), 0) + 1 FROM lines");
    return s.isValid() && db_.note(s.step()) == SQLITE_ROW ? s.int64(0) : -1;
}

template <typename Rows> int HistoryDatabase::writeRows(const Rows& rows)
{
    if (!isOpen() || db_.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return -1;
    // The rows first, then their words: a statement on another table between two index
    // inserts would make the full-text index write out what it holds each time.
    std::vector<std::pair<qint64, const HistoryLine*>> written;
    written.reserve(rows.size());
    bool ok = true;
    for (const auto& row : rows) {
        const HistoryLine& line = lineOf(row);
        const qint64 window = windowId(line.network, line.window, true);
        if (window < 0) {
            ok = false;
            break;
        }
        SqliteStatement& insert = line.msgid.isEmpty() ? insertLine_ : insertById_;
        insert.bind(1, window);
        insert.bind(2, line.timeMs);
        insert.bind(3, qint64(line.kind));
        insert.bind(4, line.sender.isNull() ? QStringLiteral("") : line.sender);
        insert.bind(5, line.text.isNull() ? QStringLiteral("") : line.text);
        if (!line.msgid.isEmpty())
            insert.bind(6, line.msgid);
        if (rowOf(row) > 0)
            insert.bind(7, rowOf(row));
        const int rc = db_.note(insert.step());
        insert.reset();
        if (rc != SQLITE_DONE) {
            ok = false;
            break;
        }
        if (db_.changes() > 0) // else already stored
            written.emplace_back(db_.lastInsertRowId(), &line);
    }
    for (size_t i = 0; ok && i < written.size(); ++i) {
        indexLine_.bind(1, written[i].first);
        indexLine_.bind(2, stripFormatting(written[i].second->text));
        ok = db_.note(indexLine_.step()) == SQLITE_DONE;
        indexLine_.reset();
    }
    if (ok && db_.exec("COMMIT") == SQLITE_OK)
        return int(written.size());
    db_.rollback();
    windowIds_.clear(); // windows made in the lost transaction are gone with it
    return -1;
}

std::vector<HistoryRow> HistoryDatabase::readRows(SqliteStatement& statement,
                                                  const QString& network, const QString& window,
                                                  bool newestFirst)
{
    std::vector<HistoryRow> rows;
    while (db_.note(statement.step()) == SQLITE_ROW)
        rows.push_back(rowFrom(statement, network, window));
    if (newestFirst)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<HistoryRow> HistoryDatabase::lastLines(const QString& network, const QString& window,
                                                   int count)
{
    // From past every line there is, going back.
    return linesBefore(network, window, {std::numeric_limits<qint64>::max(), 0}, count);
}

std::vector<HistoryRow> HistoryDatabase::linesBefore(const QString& network, const QString& window,
                                                     HistoryPosition before, int count)
{
    return linesBeside(network, window, before, count, true);
}

std::vector<HistoryRow> HistoryDatabase::linesAfter(const QString& network, const QString& window,
                                                    HistoryPosition after, int count)
{
    return linesBeside(network, window, after, count, false);
}

std::vector<HistoryRow> HistoryDatabase::linesBeside(const QString& network, const QString& window,
                                                     HistoryPosition at, int count, bool before)
{
    const qint64 id = isOpen() ? windowId(network, window, false) : -1;
    if (id < 0)
        return {};
    SqliteStatement s = db_.prepare(
        before ? "SELECT id, time, kind, sender, text, msgid FROM lines WHERE window = ?1 "
                 "AND time <= ?3 AND (time < ?3 OR id < ?4) ORDER BY time DESC, id DESC LIMIT ?2"
               : "SELECT id, time, kind, sender, text, msgid FROM lines WHERE window = ?1 "
                 "AND time >= ?3 AND (time > ?3 OR id > ?4) ORDER BY time, id LIMIT ?2");
    if (!s.isValid())
        return {};
    s.bind(1, id);
    s.bind(2, qint64(count));
    s.bind(3, at.timeMs);
    s.bind(4, at.id);
    return readRows(s, network, window, before);
}

std::vector<HistoryMatch> HistoryDatabase::search(const HistoryQuery& query)
{
    if (!isOpen() || !query.error.isEmpty())
        return {};
    QString sql = query.hasTerms()
                      ? QStringLiteral("SELECT l.id, w.network, w.name, l.time, l.kind, l.sender, "
                                       "l.text, l.msgid FROM lines_text t JOIN lines l ON l.id = "
                                       "t.rowid JOIN windows w ON w.id = l.window WHERE "
                                       "lines_text MATCH ?1")
                      : QStringLiteral("SELECT l.id, w.network, w.name, l.time, l.kind, l.sender, "
                                       "l.text, l.msgid FROM lines l JOIN windows w ON w.id = "
                                       "l.window WHERE ?1 IS NULL");
    QList<std::pair<int, QVariant>> binds;
    int next = 2;
    const auto where = [&](const char* condition, const QVariant& value) {
        sql += QStringLiteral(" AND ") + QString::fromLatin1(condition).arg(next);
        binds.append({next++, value});
    };
    if (!query.net.isEmpty())
        where("w.network = ?%1", query.net);
    if (!query.in.isEmpty())
        where("w.name = ?%1", query.in);
    if (!query.from.isEmpty())
        where("l.sender = ?%1 COLLATE NOCASE", query.from);
    if (query.afterMs >= 0)
        where("l.time >= ?%1", query.afterMs);
    if (query.beforeMs >= 0)
        where("l.time < ?%1", query.beforeMs);
    sql += query.hasTerms() ? QStringLiteral(" ORDER BY t.rowid DESC")
                            : QStringLiteral(" ORDER BY l.id DESC");
    sql += QStringLiteral(" LIMIT ?%1").arg(next);
    binds.append({next, qint64(std::max(0, query.limit))});

    SqliteStatement s = db_.prepare(sql.toUtf8().constData());
    if (!s.isValid())
        return {};
    if (query.hasTerms())
        s.bind(1, query.matchExpression());
    for (const auto& [index, value] : binds) {
        if (value.typeId() == QMetaType::QString)
            s.bind(index, value.toString());
        else
            s.bind(index, value.toLongLong());
    }
    std::vector<HistoryMatch> matches;
    while (db_.note(s.step()) == SQLITE_ROW) {
        HistoryMatch m;
        m.row.id = s.int64(0);
        m.row.line.network = s.text(1);
        m.row.line.window = s.text(2);
        m.row.line.timeMs = s.int64(3);
        m.row.line.kind = int(s.int64(4));
        m.row.line.sender = s.text(5);
        m.row.line.text = s.text(6);
        m.row.line.msgid = s.text(7);
        m.plainText = stripFormatting(m.row.line.text);
        m.marks = query.marksIn(m.plainText);
        matches.push_back(std::move(m));
    }
    return matches;
}

bool HistoryDatabase::unindex(const char* condition, qint64 value)
{
    const QByteArray unindexSql =
        QByteArray("INSERT INTO lines_text(lines_text, rowid, text) SELECT 'delete', id, "
                   "plain_text(text) FROM lines WHERE ") +
        condition;
    const QByteArray deleteSql = QByteArray("DELETE FROM lines WHERE ") + condition;
    if (db_.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return false;
    for (const QByteArray& sql : {unindexSql, deleteSql}) {
        SqliteStatement s = db_.prepare(sql.constData());
        if (s.isValid())
            s.bind(1, value);
        if (!s.isValid() || db_.note(s.step()) != SQLITE_DONE) {
            db_.rollback();
            return false;
        }
    }
    return db_.exec("COMMIT") == SQLITE_OK;
}

bool HistoryDatabase::forgetBefore(qint64 timeMs)
{
    return isOpen() && unindex("time < ?1", timeMs);
}

bool HistoryDatabase::forgetWindow(const QString& network, const QString& window)
{
    const qint64 id = isOpen() ? windowId(network, window, false) : -1;
    return id < 0 || unindex("window = ?1", id);
}

QString HistoryDatabase::integrityCheck()
{
    if (!isOpen())
        return error();
    SqliteStatement s = db_.prepare("PRAGMA integrity_check");
    if (!s.isValid())
        return error();
    return db_.note(s.step()) == SQLITE_ROW ? s.text(0) : error();
}
