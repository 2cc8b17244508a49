#pragma once

#include "history/historyline.h"
#include "history/historyquery.h"
#include "history/logimport.h"

#include <QList>
#include <QObject>
#include <QThread>

#include <memory>
#include <mutex>
#include <vector>

class HistoryWriter;

// The history store: every line the windows show, kept in history.db in the program
// folder. Lines handed in on the GUI thread wait in a queue that the store's own thread
// writes in batches (one transaction at least every half second, or sooner once many
// lines wait), so the GUI never waits on the disk. Reads and searches run on that thread
// too, after the lines queued before them, and come back by queued signals.
// A file that cannot be used (corrupt, locked by another program, read-only, a full disk)
// is reported once by failed(); the store is then off for the rest of the run.
class HistoryStore : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        bool enabled = true;
        bool privateChats = true; // private and DCC chats
        int keepDays = 0;         // 0 keeps every line
    };
    static constexpr int BatchLines = 20000;
    static constexpr int BatchIntervalMs = 500;
    // Lines past keepDays go when it is set, and again every day.
    static constexpr int RetentionIntervalMs = 24 * 3600 * 1000;

    static QString pathIn(const QString& programFolder);

    explicit HistoryStore(const QString& path, QObject* parent = nullptr);
    // Writes what still waits, then ends the thread.
    ~HistoryStore() override;

    QString path() const { return path_; }
    void setSettings(const Settings& settings);
    const Settings& settings() const { return settings_; }
    // Off after a failure: lines handed in are dropped.
    bool isOff() const { return off_; }

    // Queues a line; a password typed as a command is masked before it is written.
    // Returns the row the line will have, so that reading can go on from it; 0 when it is
    // not kept, or while the file is still being opened (the row is given on writing).
    qint64 add(HistoryLine line, bool privateChat = false);
    // Each request returns its number, which its answer carries.
    quint64 readLastLines(const QString& network, const QString& window, int count);
    quint64 readLinesBefore(const QString& network, const QString& window, HistoryPosition before,
                            int count);
    quint64 readLinesAfter(const QString& network, const QString& window, HistoryPosition after,
                           int count);
    quint64 readLinesAround(const QString& network, const QString& window, qint64 row, int count);
    quint64 search(const HistoryQuery& query);
    void forgetWindow(const QString& network, const QString& window);
    // Reads the chat logs of setup.folder into the store, on the store's thread, in
    // batches; each log once (listed in importListPath()), and of each window only the
    // lines older than the minute of its first stored line (the rest were stored as they
    // were shown).
    // Answered by logsImported.
    void importLogs(const LogImport::Setup& setup);
    QString importListPath() const;
    // Blocks until every line queued so far is written; for shutdown and tests.
    void sync();

Q_SIGNALS:
    // A status line: why the store is off.
    void failed(const QString& statusLine);
    // Rows oldest first.
    void linesRead(quint64 request, const QList<HistoryRow>& rows);
    // Matches newest first.
    void searched(quint64 request, const QList<HistoryMatch>& matches);
    // An import of logs ended: the lines it added and the logs it read, or why it could not
    // go on (error not empty).
    void logsImported(int lines, int logs, const QString& error);

private:
    friend class HistoryWriter;
    struct Queue
    {
        std::mutex mutex;
        std::vector<HistoryRow> lines;
        bool wakeAsked = false;
        // The row the next line takes, once the file is open (0 before).
        qint64 nextRow = 0;
        // Gives rows to the lines that have none (queued before the file was open).
        void number(std::vector<HistoryRow>& rows);
    };
    void onWriterFailed(const QString& why);
    // The lines queued so far, for a read to write before it: lines queued after the
    // read stay out of its answer.
    std::vector<HistoryRow> takeQueued();
    template <typename Work> void onWriter(Work work);
    // A read of rows on the store's thread, after the lines queued so far.
    template <typename Read> quint64 read(Read rows);

    QString path_;
    Settings settings_;
    bool keepSet_ = false;
    bool off_ = false;
    quint64 lastRequest_ = 0;
    std::shared_ptr<Queue> queue_;
    QThread thread_;
    HistoryWriter* writer_ = nullptr; // lives on thread_, deleted when it ends
};
