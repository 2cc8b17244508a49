#pragma once

#include "history/historyline.h"
#include "history/historyquery.h"
#include "history/linepacker.h"
#include "history/sqlite.h"

#include <QHash>

#include <vector>

struct sqlite3_context;
struct sqlite3_value;

// The history file itself, used from one thread: the schema, batches of lines written in
// one transaction each, a window's lines, full-text search. The store's own thread writes
// through one; `--search` reads through one opened read-only.
class HistoryDatabase
{
public:
    enum class Access { ReadWrite, ReadOnly };
    // Lines written as they come take rows from here up; lines imported from older logs
    // take the rows below, so that rows follow time.
    static constexpr qint64 FirstRow = qint64(1) << 27;
    // Once a file holds this many lines, a dictionary is made from the newest of them, and
    // from then on a line's text is kept packed with it.
    static constexpr int DictionaryAfter = 10000;

    // Opens (and for ReadWrite creates, mode 0600, in WAL mode) the file; a file of an
    // older layout is rewritten in this one first. False when it cannot be used; error()
    // says why.
    bool open(const QString& path, Access access);
    void close();
    bool isOpen() const { return db_.isOpen(); }
    // Why the last call failed, as SQLite says it ("database is locked").
    QString error() const;
    int errorCode() const { return db_.errorCode(); }

    // Writes lines in one transaction; a line whose msgid is stored in its window, or a
    // line played back without msgid whose window, time, sender and text are stored, is
    // skipped. Returns the lines written, -1 when the transaction failed (nothing of it
    // is kept).
    int write(const std::vector<HistoryLine>& lines);
    // The same for lines whose rows were given beforehand (a row of 0 takes the next).
    // Rows start at FirstRow.
    int write(const std::vector<HistoryRow>& rows);
    // The row the next line written without one would take.
    qint64 nextRow();
    // Lines read from text logs, in batches after one beginImport(): of each window only
    // the lines older than its first stored line when the import began (that line's time
    // cut to the logs' precision) are written, on rows below every stored line, in the
    // order of their times. Returns the lines written, -1 when it failed.
    void beginImport(qint64 precisionMs = 1);
    int importLines(std::vector<HistoryLine> lines);

    // A window's last count lines, oldest first; and the count lines just before or just
    // after a position, oldest first.
    std::vector<HistoryRow> lastLines(const QString& network, const QString& window, int count);
    std::vector<HistoryRow> linesBefore(const QString& network, const QString& window,
                                        HistoryPosition before, int count);
    std::vector<HistoryRow> linesAfter(const QString& network, const QString& window,
                                       HistoryPosition after, int count);
    // About count lines of a window around the line on row, that line among them.
    std::vector<HistoryRow> linesAround(const QString& network, const QString& window, qint64 row,
                                        int count);
    // By time, newest first, at most query.limit: of the newest matches to arrive, ten
    // times the limit.
    std::vector<HistoryMatch> search(const HistoryQuery& query);

    // Drops lines older than timeMs, or every line of one window.
    bool forgetBefore(qint64 timeMs);
    bool forgetWindow(const QString& network, const QString& window);
    // PRAGMA integrity_check's first line: "ok" for a sound file.
    QString integrityCheck();

private:
    bool openAs(const QString& path, Access access);
    bool createSchema();
    bool finishOpening();
    int schemaVersion();
    int tableExists(const char* name);
    qint64 windowId(const QString& network, const QString& window, bool create);
    // 0 for no sender; -1 when it failed.
    qint64 senderId(const QString& sender);
    void forgetIds();
    template <typename Rows> int writeRows(const Rows& rows);
    // The count lines just before or just after a position, oldest first.
    std::vector<HistoryRow> linesBeside(const QString& network, const QString& window,
                                        HistoryPosition at, int count, bool before);
    bool unindex(const char* selectIdAndText, qint64 value);
    // The file's dictionary, read into the packer; made first when enough lines are in.
    void loadDictionary();
    void makeDictionary();
    // The SQL function unpack(text): a packed line's text, or the text as it is.
    static void unpackFunction(sqlite3_context* context, int, sqlite3_value** values);

    SqliteDatabase db_;
    bool newerFile_ = false;
    qint64 nextFree_ = FirstRow; // the row a line written without one takes
    QHash<std::pair<QString, QString>, qint64> windowIds_; // by network and window as given
    QHash<QString, qint64> windowIdsByName_;               // by lower-cased network and window
    QHash<QString, qint64> senderIds_;
    // Of each window met in this import, the time of its first line stored before it.
    QHash<qint64, qint64> importBefore_; // by window
    qint64 importPrecisionMs_ = 1;
    // Batches of this many lines or more are prepared on a helper thread, with a packer
    // of its own.
    static constexpr size_t HelperFrom = 512;
    LinePacker packer_;
    LinePacker helperPacker_;
    QByteArray unpacked_;
    // Lines to write before a dictionary is made (while there is none).
    qint64 linesToDictionary_ = DictionaryAfter;
    SqliteStatement insertLine_;
    SqliteStatement insertReplayed_;
    SqliteStatement insertById_;
    SqliteStatement indexLine_;
    SqliteStatement addSender_;
    SqliteStatement findSender_;
    SqliteStatement findWindow_;
    SqliteStatement readBefore_;
    SqliteStatement readAfter_;
};
