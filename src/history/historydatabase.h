#pragma once

#include "history/historyline.h"
#include "history/historyquery.h"
#include "history/sqlite.h"

#include <QHash>

#include <vector>

// The history file itself, used from one thread: the schema, batches of lines written in
// one transaction each, a window's lines, full-text search. The store's own thread writes
// through one; `--search` reads through one opened read-only.
class HistoryDatabase
{
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens (and for ReadWrite creates, mode 0600, in WAL mode) the file. False when it
    // cannot be used; error() says why.
    bool open(const QString& path, Access access);
    void close();
    bool isOpen() const { return db_.isOpen(); }
    // Why the last call failed, as SQLite says it ("database is locked").
    QString error() const { return db_.errorText(); }
    int errorCode() const { return db_.errorCode(); }

    // Writes lines in one transaction; a line whose msgid is stored in its window, or
    // without msgid one with the same window, time, sender and text, is skipped. Returns
    // the lines written, -1 when the transaction failed (nothing of it is kept).
    int write(const std::vector<HistoryLine>& lines);
    // The same for lines whose rows were given beforehand (a row of 0 takes the next).
    int write(const std::vector<HistoryRow>& rows);
    // The row the next line written without one would take.
    qint64 nextRow();

    // A window's last count lines, oldest first; and the count lines just before or just
    // after a position, oldest first.
    std::vector<HistoryRow> lastLines(const QString& network, const QString& window, int count);
    std::vector<HistoryRow> linesBefore(const QString& network, const QString& window,
                                        HistoryPosition before, int count);
    std::vector<HistoryRow> linesAfter(const QString& network, const QString& window,
                                       HistoryPosition after, int count);
    // Newest first, at most query.limit.
    std::vector<HistoryMatch> search(const HistoryQuery& query);

    // Drops lines older than timeMs, or every line of one window.
    bool forgetBefore(qint64 timeMs);
    bool forgetWindow(const QString& network, const QString& window);
    // PRAGMA integrity_check's first line: "ok" for a sound file.
    QString integrityCheck();

private:
    bool createSchema();
    qint64 windowId(const QString& network, const QString& window, bool create);
    std::vector<HistoryRow> readRows(SqliteStatement& statement, const QString& network,
                                     const QString& window, bool newestFirst);
    template <typename Rows> int writeRows(const Rows& rows);
    // The count lines just before or just after a position, oldest first.
    std::vector<HistoryRow> linesBeside(const QString& network, const QString& window,
                                        HistoryPosition at, int count, bool before);
    bool unindex(const char* selectIdAndText, qint64 value);

    SqliteDatabase db_;
    QHash<QString, qint64> windowIds_; // by lower-cased network and window
    SqliteStatement insertLine_;
    SqliteStatement insertById_;
    SqliteStatement indexLine_;
};
