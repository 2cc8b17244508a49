#include "history/historydatabase.h"

#include "core/formatting.h"

#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The lines' text as the full-text index holds it: without formatting codes, so a
// coloured word is found by the word.
void plainTextFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const int size = sqlite3_value_bytes(values[0]);
    // Most lines hold no control character (C0, DEL, or C1 as UTF-8's C2 80 to C2 9F):
    // they are indexed as they are.
    bool plain = true;
    for (int i = 0; plain && i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        plain = c >= 0x20 && c != 0x7F &&
                !(c == 0xC2 && i + 1 < size && static_cast<unsigned char>(data[i + 1]) < 0xA0);
    }
    if (plain) {
        sqlite3_result_value(context, values[0]);
        return;
    }
    const QByteArray stripped = stripFormatting(QString::fromUtf8(data, size)).toUtf8();
    sqlite3_result_text(context, stripped.constData(), int(stripped.size()), SQLITE_TRANSIENT);
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

// The file's layout; user_version holds it. Version 1 kept each sender's name on every line
// and word positions in the index; a file of it is rewritten on opening. Version 2 had no
// dictionary: its lines are kept as they are, and lines written later are packed.
constexpr int SchemaVersion = 3;

// A line's text is kept as text, or, once the file has its dictionary, as the bytes that
// the dictionary packs it into (a blob).
#define DICTIONARY_TABLE "CREATE TABLE dictionary(id INTEGER PRIMARY KEY, data BLOB NOT NULL);"

constexpr const char* schema = R"(
CREATE TABLE IF NOT EXISTS windows(
  id INTEGER PRIMARY KEY,
  network TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(network, name));
CREATE TABLE senders(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE);
CREATE TABLE lines(
  id INTEGER PRIMARY KEY,
  window INTEGER NOT NULL,
  time INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  sender INTEGER NOT NULL,
  text TEXT NOT NULL,
  msgid TEXT);
CREATE INDEX lines_by_window ON lines(window, time);
CREATE UNIQUE INDEX lines_by_msgid ON lines(window, msgid) WHERE msgid IS NOT NULL;
CREATE VIRTUAL TABLE lines_text USING fts5(text, content='', columnsize=0, detail=none);
)" DICTIONARY_TABLE "PRAGMA user_version = 3;";
constexpr const char* fromVersion2 = DICTIONARY_TABLE "PRAGMA user_version = 3;";

// A version 1 file: its lines move into the new tables, their rows moved up to where rows
// written as they come start (so that imported lines can take the rows below), and the
// index is made again.
constexpr const char* fromVersion1 = R"(
DROP INDEX IF EXISTS lines_by_window;
DROP INDEX IF EXISTS lines_by_msgid;
DROP TABLE IF EXISTS lines_text;
ALTER TABLE lines RENAME TO old_lines;
)";
constexpr const char* fromVersion1Copy = R"(
INSERT INTO senders(name) SELECT DISTINCT sender FROM old_lines WHERE sender <> '';
INSERT INTO lines SELECT o.id + FIRST_ROW, o.window, o.time, o.kind, coalesce(s.id, 0), o.text,
  o.msgid FROM old_lines o LEFT JOIN senders s ON s.name = o.sender ORDER BY o.id;
INSERT INTO lines_text(rowid, text) SELECT id, plain_text(text) FROM lines;
DROP TABLE old_lines;
)";

// A line shown as "<sender> text" keeps only the text, with this mark on its kind: the
// name is kept once, in senders.
constexpr int SenderBefore = 0x40;
// A line's kind and its whole text, of lines l joined with senders s.
#define KIND_AND_TEXT                                                                              \
    "l.kind & 63, CASE WHEN l.kind & 64 THEN '<' || s.name || '> ' || unpack(l.text) "             \
    "ELSE unpack(l.text) END"
#define FROM_LINES "FROM lines l LEFT JOIN senders s ON s.id = l.sender "

// What a read of a window's lines selects, for rowFrom.
constexpr const char* lineColumns =
    "SELECT l.id, l.time, " KIND_AND_TEXT ", coalesce(s.name, ''), l.msgid " FROM_LINES;

HistoryRow rowFrom(const SqliteStatement& s, const QString& network, const QString& window)
{
    HistoryRow row;
    row.id = s.int64(0);
    row.line.network = network;
    row.line.window = window;
    row.line.timeMs = s.int64(1);
    row.line.kind = int(s.int64(2));
    row.line.text = s.text(3);
    row.line.sender = s.text(4);
    row.line.msgid = s.text(5);
    return row;
}

} // namespace

bool HistoryDatabase::open(const QString& path, Access access)
{
    close();
    newerFile_ = false;
    if (access == Access::ReadOnly && !openAs(path, Access::ReadOnly))
        return false;
    // A file of an older layout is brought up to date first, once, by a writer.
    if (access == Access::ReadOnly && schemaVersion() >= SchemaVersion)
        return finishOpening();
    if (!openAs(path, Access::ReadWrite))
        return false;
    if (access == Access::ReadWrite)
        return finishOpening();
    close();
    return openAs(path, Access::ReadOnly) && finishOpening();
}

bool HistoryDatabase::openAs(const QString& path, Access access)
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
    sqlite3_create_function_v2(db_.handle(), "unpack", 1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, this,
                               unpackFunction, nullptr, nullptr, nullptr);
    // A new file takes pages of 8 KiB: fewer splits as lines come in, so faster writing (a
    // file once made keeps its page size).
    const bool ready = access == Access::ReadOnly
                           ? db_.exec("SELECT count(*) FROM sqlite_schema") == SQLITE_OK
                           : db_.exec("PRAGMA page_size=8192; PRAGMA journal_mode=WAL; "
                                      "PRAGMA synchronous=NORMAL") == SQLITE_OK &&
                                 createSchema();
    if (!ready)
        close();
    return ready;
}

int HistoryDatabase::schemaVersion()
{
    SqliteStatement s = db_.prepare("PRAGMA user_version");
    return s.isValid() && db_.note(s.step()) == SQLITE_ROW ? int(s.int64(0)) : -1;
}

bool HistoryDatabase::finishOpening()
{
    const int version = schemaVersion();
    if (version != SchemaVersion) {
        newerFile_ = version > SchemaVersion;
        close();
        return false;
    }
    const QByteArray columns(lineColumns);
    readBefore_ = db_.prepare(columns + "WHERE l.window = ?1 AND l.time <= ?3 AND (l.time < ?3 OR "
                                        "l.id < ?4) ORDER BY l.time DESC, l.id DESC LIMIT ?2");
    readAfter_ = db_.prepare(columns + "WHERE l.window = ?1 AND l.time >= ?3 AND (l.time > ?3 OR "
                                       "l.id > ?4) ORDER BY l.time, l.id LIMIT ?2");
    findWindow_ = db_.prepare("SELECT id FROM windows WHERE network = ?1 AND name = ?2");
    findSender_ = db_.prepare("SELECT id FROM senders WHERE name = ?1");
    nextFree_ = nextRow();
    loadDictionary();
    if (!packer_.isReady()) {
        // Rows are dense but for forgotten lines: near enough for when to make one.
        SqliteStatement s = db_.prepare("SELECT coalesce(max(id) - min(id) + 1, 0) FROM lines");
        if (s.isValid() && db_.note(s.step()) == SQLITE_ROW)
            linesToDictionary_ = DictionaryAfter - s.int64(0);
    }
    if (!readBefore_.isValid() || !readAfter_.isValid() || !findWindow_.isValid() ||
        !findSender_.isValid()) {
        close();
        return false;
    }
    return true;
}

bool HistoryDatabase::createSchema()
{
    if (db_.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return false;
    const int hasLines = tableExists("lines");
    const bool fresh = hasLines == 0;
    const int version = schemaVersion();
    bool ok = version >= 0 && hasLines >= 0;
    if (ok && fresh)
        ok = db_.exec(schema) == SQLITE_OK;
    else if (ok && version == 2)
        ok = db_.exec(fromVersion2) == SQLITE_OK;
    else if (ok && version < 2)
        ok = db_.exec(fromVersion1) == SQLITE_OK && db_.exec(schema) == SQLITE_OK &&
             db_.exec(QByteArray(fromVersion1Copy)
                          .replace("FIRST_ROW", QByteArray::number(FirstRow))
                          .constData()) == SQLITE_OK;
    if (!ok || db_.exec("COMMIT") != SQLITE_OK) {
        db_.rollback();
        return false;
    }
    if (schemaVersion() != SchemaVersion)
        return true; // a newer program's file: finishOpening says so
    // ?7 is the line's row.
    insertLine_ = db_.prepare("INSERT INTO lines(id, window, time, kind, sender, text) "
                              "VALUES(?7, ?1, ?2, ?3, ?4, ?5)");
    insertReplayed_ = db_.prepare(
        "INSERT INTO lines(id, window, time, kind, sender, text) SELECT ?7, ?1, ?2, ?3, ?4, ?5 "
        "WHERE NOT EXISTS (SELECT 1 FROM lines WHERE window = ?1 AND time = ?2 "
        "AND sender = ?4 AND unpack(text) = ?8)");
    insertById_ = db_.prepare("INSERT OR IGNORE INTO lines(id, window, time, kind, sender, text, "
                              "msgid) VALUES(?7, ?1, ?2, ?3, ?4, ?5, ?6)");
    indexLine_ = db_.prepare("INSERT INTO lines_text(rowid, text) VALUES(?1, ?2)");
    addSender_ = db_.prepare("INSERT INTO senders(name) VALUES(?1)");
    return insertLine_.isValid() && insertReplayed_.isValid() && insertById_.isValid() &&
           indexLine_.isValid() && addSender_.isValid();
}

int HistoryDatabase::tableExists(const char* name)
{
    SqliteStatement s = db_.prepare("SELECT count(*) FROM sqlite_schema WHERE name = ?1");
    if (!s.isValid())
        return -1;
    s.bind(1, QString::fromLatin1(name));
    return db_.note(s.step()) == SQLITE_ROW ? int(s.int64(0)) : -1;
}

QString HistoryDatabase::error() const
{
    return newerFile_ ? QStringLiteral("the file was written by a newer version of the program")
                      : db_.errorText();
}

void HistoryDatabase::close()
{
    for (SqliteStatement* s : {&indexLine_, &insertLine_, &insertReplayed_, &insertById_,
                               &addSender_, &findSender_, &findWindow_, &readBefore_, &readAfter_})
        *s = SqliteStatement();
    forgetIds();
    packer_.clear();
    helperPacker_.clear();
    linesToDictionary_ = DictionaryAfter;
    db_.close();
}

void HistoryDatabase::forgetIds()
{
    windowIds_.clear();
    windowIdsByName_.clear();
    senderIds_.clear();
}

qint64 HistoryDatabase::windowId(const QString& network, const QString& window, bool create)
{
    // Most lines name a window as the last one did: no lower-casing for them.
    const auto exact = windowIds_.constFind({network, window});
    if (exact != windowIds_.cend())
        return *exact;
    const QString key = network.toLower() + u'\n' + window.toLower();
    if (const auto it = windowIdsByName_.constFind(key); it != windowIdsByName_.cend()) {
        windowIds_.insert({network, window}, *it);
        return *it;
    }
    // A line from before any server was named is kept under an empty network name.
    static const QString none = QStringLiteral("");
    const QString& networkName = network.isNull() ? none : network;
    const QString& windowName = window.isNull() ? none : window;
    findWindow_.bind(1, networkName);
    findWindow_.bind(2, windowName);
    qint64 id = -1;
    const int rc = db_.note(findWindow_.step());
    if (rc == SQLITE_ROW)
        id = findWindow_.int64(0);
    findWindow_.reset();
    if (rc == SQLITE_DONE && create) {
        SqliteStatement add = db_.prepare("INSERT INTO windows(network, name) VALUES(?1, ?2)");
        if (!add.isValid())
            return -1;
        add.bind(1, networkName);
        add.bind(2, windowName);
        if (db_.note(add.step()) != SQLITE_DONE)
            return -1;
        id = db_.lastInsertRowId();
    }
    if (id >= 0) {
        windowIdsByName_.insert(key, id);
        windowIds_.insert({network, window}, id);
    }
    return id;
}

qint64 HistoryDatabase::senderId(const QString& sender)
{
    if (sender.isEmpty())
        return 0;
    if (const auto it = senderIds_.constFind(sender); it != senderIds_.cend())
        return *it;
    // Nicknames come and go over the years: the names looked up lately are enough.
    if (senderIds_.size() > 50000)
        senderIds_.clear();
    findSender_.bind(1, sender);
    int rc = db_.note(findSender_.step());
    qint64 id = rc == SQLITE_ROW ? findSender_.int64(0) : -1;
    findSender_.reset();
    if (rc == SQLITE_DONE) {
        addSender_.bind(1, sender);
        rc = db_.note(addSender_.step());
        addSender_.reset();
        if (rc == SQLITE_DONE)
            id = db_.lastInsertRowId();
    }
    if (id > 0)
        senderIds_.insert(sender, id);
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
    SqliteStatement s = db_.prepare("SELECT max(coalesce(max(id), 0) + 1, ?1) FROM lines");
    if (!s.isValid())
        return -1;
    s.bind(1, FirstRow);
    return db_.note(s.step()) == SQLITE_ROW ? s.int64(0) : -1;
}

namespace {

// A line as it is written: worked out beside the writing, on a thread of its own for a
// large batch.
struct LineToWrite
{
    bool senderBefore = false;
    QByteArray kept;   // UTF-8, without "<sender> " when senderBefore
    QByteArray packed; // empty when kept as text
    QByteArray plain;  // UTF-8 without formatting, for the word index
};

void prepareLine(const HistoryLine& line, LinePacker& packer, LineToWrite& out)
{
    const QString& text = line.text;
    const qsizetype named = line.sender.size() + 3;
    out.senderBefore = !line.sender.isEmpty() && line.kind >= 0 && line.kind < SenderBefore &&
                       text.size() >= named && text.startsWith(u'<') &&
                       text.at(named - 2) == u'>' && text.at(named - 1) == u' ' &&
                       QStringView(text).mid(1, named - 3) == line.sender;
    out.kept = (out.senderBefore ? QStringView(text).mid(named) : QStringView(text)).toUtf8();
    out.packed = packer.pack(out.kept).toByteArray();
    out.plain = stripFormatting(text).toUtf8();
}

// The lines of a batch made ready to write, in chunks taken in turn. The writer takes the
// next chunk itself whenever the one it needs is not ready; for a large batch a helper
// thread takes chunks ahead of it, on a core that nothing else wants (packing and
// stripping are about a third of a line's time). So a spare core speeds writing up, and a
// busy machine (a flood, with the GUI thread at work) is asked for nothing more.
template <typename Rows> class LinePreparation
{
public:
    static constexpr size_t Chunk = 32;

    LinePreparation(const Rows& rows, LinePacker& own, LinePacker* helperPacker)
        : rows_(rows), lines_(rows.size()), done_((rows.size() + Chunk - 1) / Chunk), own_(own)
    {
        if (!helperPacker)
            return;
        try {
            helper_ = std::jthread([this, helperPacker] {
                sched_param idle = {};
                pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
                while (prepareNext(*helperPacker)) {
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: the writer does it all.
        }
    }
    ~LinePreparation() { stop_.store(true, std::memory_order_relaxed); }

    const LineToWrite& at(size_t i)
    {
        std::atomic<int>& done = done_[i / Chunk];
        while (done.load(std::memory_order_acquire) == 0) {
            if (!prepareNext(own_))
                done.wait(0, std::memory_order_acquire); // the helper is at it
        }
        return lines_[i];
    }

private:
    bool prepareNext(LinePacker& packer)
    {
        const size_t chunk = next_.fetch_add(1, std::memory_order_relaxed);
        if (chunk >= done_.size() || stop_.load(std::memory_order_relaxed))
            return false;
        const size_t end = std::min(lines_.size(), (chunk + 1) * Chunk);
        for (size_t i = chunk * Chunk; i < end; ++i)
            prepareLine(lineOf(rows_[i]), packer, lines_[i]);
        done_[chunk].store(1, std::memory_order_release);
        done_[chunk].notify_one();
        return true;
    }

    const Rows& rows_;
    std::vector<LineToWrite> lines_;
    std::vector<std::atomic<int>> done_;
    std::atomic<size_t> next_ = 0;
    std::atomic<bool> stop_ = false;
    LinePacker& own_;
    std::jthread helper_; // last: it ends before what it uses goes
};

} // namespace

template <typename Rows> int HistoryDatabase::writeRows(const Rows& rows)
{
    if (!isOpen() || db_.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return -1;
    LinePreparation<Rows> prepared(rows, packer_,
                                   rows.size() >= HelperFrom ? &helperPacker_ : nullptr);
    int written = 0;
    std::vector<std::pair<qint64, size_t>> indexed; // rows and what their words are
    indexed.reserve(rows.size());
    bool ok = true;
    for (size_t i = 0; i < rows.size(); ++i) {
        const HistoryLine& line = lineOf(rows[i]);
        const qint64 window = windowId(line.network, line.window, true);
        const qint64 sender = senderId(line.sender);
        if (window < 0 || sender < 0) {
            ok = false;
            break;
        }
        const LineToWrite& what = prepared.at(i);
        SqliteStatement& insert = !line.msgid.isEmpty() ? insertById_
                                  : line.replayed       ? insertReplayed_
                                                        : insertLine_;
        insert.bind(1, window);
        insert.bind(2, line.timeMs);
        insert.bind(3, qint64(line.kind | (what.senderBefore ? SenderBefore : 0)));
        insert.bind(4, sender);
        if (what.packed.isEmpty())
            insert.bindKeptUtf8(5, what.kept);
        else
            insert.bindKeptBlob(5, what.packed);
        if (&insert == &insertReplayed_)
            insert.bindKeptUtf8(8, what.kept);
        if (!line.msgid.isEmpty())
            insert.bindKept(6, line.msgid);
        const qint64 id = rowOf(rows[i]) > 0 ? rowOf(rows[i]) : nextFree_;
        insert.bind(7, id);
        nextFree_ = std::max(nextFree_, id + 1);
        const int rc = db_.note(insert.step());
        insert.reset();
        if (rc != SQLITE_DONE) {
            ok = false;
            break;
        }
        if (db_.changes() > 0) { // else already stored
            ++written;
            indexed.emplace_back(db_.lastInsertRowId(), i);
        }
    }
    // The words after the rows: a statement on another table between two index inserts
    // would make the full-text index write out what it holds each time.
    for (size_t i = 0; ok && i < indexed.size(); ++i) {
        indexLine_.bind(1, indexed[i].first);
        indexLine_.bindKeptUtf8(2, prepared.at(indexed[i].second).plain);
        ok = db_.note(indexLine_.step()) == SQLITE_DONE;
        indexLine_.reset();
    }
    if (ok && db_.exec("COMMIT") == SQLITE_OK) {
        linesToDictionary_ -= written;
        if (!packer_.isReady() && linesToDictionary_ <= 0)
            makeDictionary();
        return written;
    }
    db_.rollback();
    forgetIds(); // windows and senders made in the lost transaction are gone with it
    nextFree_ = nextRow();
    return -1;
}

void HistoryDatabase::beginImport(qint64 precisionMs)
{
    importBefore_.clear();
    importPrecisionMs_ = std::max<qint64>(1, precisionMs);
}

int HistoryDatabase::importLines(std::vector<HistoryLine> lines)
{
    if (!isOpen())
        return -1;
    // A window's lines from before its first stored line: the logs go on being written
    // beside the store, so what is newer is in it already.
    std::vector<HistoryRow> rows;
    rows.reserve(lines.size());
    for (HistoryLine& line : lines) {
        const qint64 window = windowId(line.network, line.window, true);
        if (window < 0)
            return -1;
        auto before = importBefore_.find(window);
        if (before == importBefore_.end()) {
            SqliteStatement s = db_.prepare("SELECT min(time) FROM lines WHERE window = ?1");
            if (!s.isValid())
                return -1;
            s.bind(1, window);
            qint64 first = std::numeric_limits<qint64>::max();
            if (db_.note(s.step()) == SQLITE_ROW && s.int64(0) != 0)
                first = s.int64(0) - s.int64(0) % importPrecisionMs_;
            before = importBefore_.insert(window, first);
        }
        if (line.timeMs < *before) {
            line.replayed = true;
            rows.push_back({0, std::move(line)});
        }
    }
    if (rows.empty())
        return 0;
    // Older lines take the rows below every stored one, in the order of their times.
    std::stable_sort(rows.begin(), rows.end(), [](const HistoryRow& a, const HistoryRow& b) {
        return a.line.timeMs < b.line.timeMs;
    });
    SqliteStatement lowest = db_.prepare("SELECT min(coalesce(min(id), ?1), ?1) FROM lines");
    if (!lowest.isValid())
        return -1;
    lowest.bind(1, FirstRow);
    if (db_.note(lowest.step()) != SQLITE_ROW)
        return -1;
    qint64 next = lowest.int64(0) - qint64(rows.size());
    if (next < 1)
        return -1;
    for (HistoryRow& row : rows)
        row.id = next++;
    return writeRows(rows);
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
    SqliteStatement& s = before ? readBefore_ : readAfter_;
    s.bind(1, id);
    s.bind(2, qint64(count));
    s.bind(3, at.timeMs);
    s.bind(4, at.id);
    std::vector<HistoryRow> rows;
    while (db_.note(s.step()) == SQLITE_ROW)
        rows.push_back(rowFrom(s, network, window));
    s.reset();
    if (before)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<HistoryRow> HistoryDatabase::linesAround(const QString& network, const QString& window,
                                                     qint64 row, int count)
{
    if (!isOpen())
        return {};
    SqliteStatement s = db_.prepare("SELECT time FROM lines WHERE id = ?1");
    if (!s.isValid())
        return {};
    s.bind(1, row);
    if (db_.note(s.step()) != SQLITE_ROW)
        return {};
    const qint64 time = s.int64(0);
    std::vector<HistoryRow> rows = linesBefore(network, window, {time, row}, count / 2);
    // From just before the row: the line itself comes first.
    const std::vector<HistoryRow> after =
        linesAfter(network, window, {time, row - 1}, count - count / 2);
    rows.insert(rows.end(), after.begin(), after.end());
    return rows;
}

std::vector<HistoryMatch> HistoryDatabase::search(const HistoryQuery& query)
{
    if (!isOpen() || !query.error.isEmpty())
        return {};
    QString sql = QStringLiteral("SELECT l.id, w.network, w.name, l.time, " KIND_AND_TEXT
                                 ", coalesce(s.name, ''), l.msgid FROM ");
    sql += query.hasTerms() ? QStringLiteral("lines_text t JOIN lines l ON l.id = t.rowid ")
                            : QStringLiteral("lines l ");
    sql += QStringLiteral("JOIN windows w ON w.id = l.window LEFT JOIN senders s ON s.id = "
                          "l.sender WHERE ");
    sql += query.hasTerms() ? QStringLiteral("lines_text MATCH ?1") : QStringLiteral("?1 IS NULL");
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
        where("l.sender IN (SELECT id FROM senders WHERE name = ?%1 COLLATE NOCASE)", query.from);
    if (query.afterMs >= 0)
        where("l.time >= ?%1", query.afterMs);
    if (query.beforeMs >= 0)
        where("l.time < ?%1", query.beforeMs);
    sql += query.hasTerms() ? QStringLiteral(" ORDER BY t.rowid DESC")
                            : QStringLiteral(" ORDER BY l.id DESC");

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
    // Rows follow arrival; a line fetched or played back late arrives after newer ones. So
    // the newest arrivals are taken, ten times as many as asked for, and put in the order
    // of their times.
    const size_t limit = size_t(std::max(0, query.limit));
    const size_t candidates = limit * 10;
    std::vector<HistoryMatch> matches;
    while (matches.size() < candidates && db_.note(s.step()) == SQLITE_ROW) {
        HistoryMatch m;
        m.row.line.text = s.text(5);
        m.plainText = stripFormatting(m.row.line.text);
        // The index knows words, not where they stand: phrases are checked here.
        if (!query.phrasesIn(m.plainText))
            continue;
        m.row.id = s.int64(0);
        m.row.line.network = s.text(1);
        m.row.line.window = s.text(2);
        m.row.line.timeMs = s.int64(3);
        m.row.line.kind = int(s.int64(4));
        m.row.line.sender = s.text(6);
        m.row.line.msgid = s.text(7);
        matches.push_back(std::move(m));
    }
    std::stable_sort(
        matches.begin(), matches.end(), [](const HistoryMatch& a, const HistoryMatch& b) {
            return a.row.line.timeMs != b.row.line.timeMs ? a.row.line.timeMs > b.row.line.timeMs
                                                          : a.row.id > b.row.id;
        });
    if (matches.size() > limit)
        matches.resize(limit);
    for (HistoryMatch& m : matches)
        m.marks = query.marksIn(m.plainText);
    return matches;
}

bool HistoryDatabase::unindex(const char* condition, qint64 value)
{
    const QByteArray unindexSql =
        QByteArray("INSERT INTO lines_text(lines_text, rowid, text) SELECT 'delete', l.id, "
                   "plain_text(text) FROM (SELECT l.id, " KIND_AND_TEXT " AS text " FROM_LINES
                   "WHERE l.") +
        condition + ") l";
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

void HistoryDatabase::loadDictionary()
{
    SqliteStatement s = db_.prepare("SELECT data FROM dictionary WHERE id = 1");
    if (!s.isValid() || db_.note(s.step()) != SQLITE_ROW)
        return;
    const QByteArray dictionary = s.bytes(0);
    if (packer_.load(dictionary))
        helperPacker_.load(dictionary);
}

void HistoryDatabase::makeDictionary()
{
    // Whatever happens, not again before as many lines more.
    linesToDictionary_ = DictionaryAfter;
    SqliteStatement s =
        db_.prepare("SELECT text FROM lines WHERE typeof(text) = 'text' ORDER BY id DESC LIMIT ?1");
    if (!s.isValid())
        return;
    s.bind(1, qint64(DictionaryAfter));
    std::vector<QByteArray> samples;
    while (db_.note(s.step()) == SQLITE_ROW)
        samples.push_back(s.bytes(0));
    const QByteArray dictionary = LinePacker::makeDictionary(samples);
    if (dictionary.isEmpty())
        return;
    // Another connection may have made one first: the file's own is the one used.
    SqliteStatement add = db_.prepare("INSERT OR IGNORE INTO dictionary(id, data) VALUES(1, ?1)");
    if (!add.isValid())
        return;
    add.bindKeptBlob(1, dictionary);
    if (db_.note(add.step()) == SQLITE_DONE)
        loadDictionary();
}

void HistoryDatabase::unpackFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    if (sqlite3_value_type(values[0]) != SQLITE_BLOB) {
        sqlite3_result_value(context, values[0]);
        return;
    }
    auto* db = static_cast<HistoryDatabase*>(sqlite3_user_data(context));
    // A line packed by another connection after this one read the file's dictionary.
    if (!db->packer_.isReady())
        db->loadDictionary();
    const QByteArrayView packed(static_cast<const char*>(sqlite3_value_blob(values[0])),
                                sqlite3_value_bytes(values[0]));
    // A damaged line reads as empty; the rest of the file is still of use.
    if (!db->packer_.unpack(packed, db->unpacked_))
        db->unpacked_.clear();
    sqlite3_result_text(context, db->unpacked_.constData(), int(db->unpacked_.size()),
                        SQLITE_TRANSIENT);
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
