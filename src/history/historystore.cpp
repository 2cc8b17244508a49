#include "history/historystore.h"

#include "history/historydatabase.h"
#include "history/redaction.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

// The store's thread: owns the database connection, writes the queue, answers reads.
class HistoryWriter : public QObject
{
public:
    HistoryWriter(HistoryStore* store, QString path, std::shared_ptr<HistoryStore::Queue> queue)
        : store_(store), path_(std::move(path)), queue_(std::move(queue))
    {
    }

    void start()
    {
        timer_ = new QTimer(this);
        timer_->setInterval(HistoryStore::BatchIntervalMs);
        QObject::connect(timer_, &QTimer::timeout, this, [this] { writeQueue(); });
        timer_->start();
        if (!db_.open(path_, HistoryDatabase::Access::ReadWrite))
            return fail();
        const qint64 next = db_.nextRow();
        if (next <= 0)
            return fail();
        // From now on a line gets its row as it is queued.
        std::lock_guard lock(queue_->mutex);
        queue_->nextRow = next;
        queue_->number(queue_->lines);
    }

    void writeQueue()
    {
        std::vector<HistoryRow> batch;
        {
            std::lock_guard lock(queue_->mutex);
            batch.swap(queue_->lines);
            queue_->wakeAsked = false;
        }
        write(std::move(batch));
    }

    void write(std::vector<HistoryRow> batch)
    {
        if (batch.empty() || !db_.isOpen())
            return;
        {
            std::lock_guard lock(queue_->mutex);
            queue_->number(batch);
        }
        for (HistoryRow& row : batch)
            row.line.text = Redaction::redact(row.line.window, row.line.text);
        if (db_.write(batch) < 0)
            fail();
    }

    // Lines older than keepDays days go, now and once a day while the store is open.
    void keepFor(int keepDays)
    {
        keepDays_ = keepDays;
        if (!retention_) {
            retention_ = new QTimer(this);
            retention_->setInterval(HistoryStore::RetentionIntervalMs);
            QObject::connect(retention_, &QTimer::timeout, this, [this] { applyRetention(); });
        }
        if (keepDays_ > 0)
            retention_->start();
        else
            retention_->stop();
        applyRetention();
    }

    void applyRetention()
    {
        if (keepDays_ <= 0)
            return;
        writeQueue();
        const qint64 before =
            QDateTime::currentMSecsSinceEpoch() - qint64(keepDays_) * 24 * 3600 * 1000;
        if (db_.isOpen() && !db_.forgetBefore(before))
            fail();
    }

    void forgetWindow(const QString& network, const QString& window)
    {
        writeQueue();
        if (db_.isOpen() && !db_.forgetWindow(network, window))
            fail();
    }

    void startImport(const LogImport::Setup& setup, const QString& listPath)
    {
        if (import_)
            return endImport(QStringLiteral("Logs are being imported already."), false);
        if (!db_.isOpen())
            return endImport(QStringLiteral("History is off."), false);
        import_ = std::make_unique<LogImport>(setup, listPath);
        if (!import_->open())
            return endImport(QStringLiteral("Can't read the logs folder ") + setup.folder);
        // A log gives minutes: a line in the minute of a window's first stored line may be
        // that line, and stays out.
        db_.beginImport(60000);
        importStep();
    }

    // One batch; the next is queued behind the reads and writes asked for meanwhile.
    void importStep()
    {
        if (!db_.isOpen())
            return endImport(QStringLiteral("History is off."));
        std::vector<HistoryLine> lines;
        const bool more = import_->read(lines, HistoryStore::BatchLines);
        writeQueue();
        for (HistoryLine& line : lines)
            line.text = Redaction::redact(line.window, line.text);
        const int written = lines.empty() ? 0 : db_.importLines(std::move(lines));
        if (written < 0) {
            const QString why = db_.error();
            fail();
            return endImport(why);
        }
        imported_ += written;
        import_->markRead();
        if (!more)
            return endImport(QString());
        QMetaObject::invokeMethod(
            this, [this] { importStep(); }, Qt::QueuedConnection);
    }

    void readRows(quint64 request, std::vector<HistoryRow> rows)
    {
        handBack(&HistoryStore::linesRead, request, std::move(rows));
    }

    void found(quint64 request, std::vector<HistoryMatch> matches)
    {
        handBack(&HistoryStore::searched, request, std::move(matches));
    }

    HistoryDatabase& db() { return db_; }

    // Answers reach the store on its own thread, by a queued call.
    template <typename Item>
    void handBack(void (HistoryStore::*answer)(quint64, const QList<Item>&), quint64 request,
                  std::vector<Item> items)
    {
        HistoryStore* store = store_;
        QMetaObject::invokeMethod(
            store,
            [store, answer, request, list = QList<Item>(items.begin(), items.end())] {
                Q_EMIT(store->*answer)(request, list);
            },
            Qt::QueuedConnection);
    }

private:
    void endImport(const QString& error, bool running = true)
    {
        const int lines = running ? imported_ : 0;
        const int logs = running && import_ ? import_->logsRead() : 0;
        if (running) {
            import_.reset();
            imported_ = 0;
        }
        HistoryStore* store = store_;
        QMetaObject::invokeMethod(
            store, [store, lines, logs, error] { Q_EMIT store->logsImported(lines, logs, error); },
            Qt::QueuedConnection);
    }

    // Reported once: the connection closes, and whatever comes later is dropped.
    void fail()
    {
        const QString why = db_.error();
        db_.close();
        HistoryStore* store = store_;
        QMetaObject::invokeMethod(
            store, [store, why] { store->onWriterFailed(why); }, Qt::QueuedConnection);
    }

    HistoryStore* store_;
    QString path_;
    std::shared_ptr<HistoryStore::Queue> queue_;
    HistoryDatabase db_;
    QTimer* timer_ = nullptr;
    QTimer* retention_ = nullptr;
    int keepDays_ = 0;
    // The import of logs under way, and the lines it added.
    std::unique_ptr<LogImport> import_;
    int imported_ = 0;
};

void HistoryStore::Queue::number(std::vector<HistoryRow>& rows)
{
    if (nextRow <= 0)
        return;
    for (HistoryRow& row : rows) {
        if (row.id <= 0)
            row.id = nextRow++;
    }
}

QString HistoryStore::pathIn(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + QStringLiteral("history.db");
}

HistoryStore::HistoryStore(const QString& path, QObject* parent)
    : QObject(parent), path_(path), queue_(std::make_shared<Queue>())
{
    thread_.setObjectName(QStringLiteral("history"));
    writer_ = new HistoryWriter(this, path_, queue_);
    writer_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, writer_, &QObject::deleteLater);
    thread_.start();
    onWriter([](HistoryWriter& w) { w.start(); });
}

HistoryStore::~HistoryStore()
{
    sync();
    thread_.quit();
    thread_.wait();
}

template <typename Work> void HistoryStore::onWriter(Work work)
{
    HistoryWriter* writer = writer_;
    QMetaObject::invokeMethod(
        writer, [writer, work] { work(*writer); }, Qt::QueuedConnection);
}

void HistoryStore::setSettings(const Settings& settings)
{
    const bool keepChanged = settings.keepDays != settings_.keepDays || !keepSet_;
    settings_ = settings;
    keepSet_ = true;
    if (keepChanged)
        onWriter([days = settings.keepDays](HistoryWriter& w) { w.keepFor(days); });
}

qint64 HistoryStore::add(HistoryLine line, bool privateChat)
{
    if (off_ || !settings_.enabled || (privateChat && !settings_.privateChats))
        return 0;
    bool wake = false;
    qint64 row = 0;
    {
        std::lock_guard lock(queue_->mutex);
        if (queue_->nextRow > 0)
            row = queue_->nextRow++;
        queue_->lines.push_back({row, std::move(line)});
        if (queue_->lines.size() >= size_t(BatchLines) && !queue_->wakeAsked)
            wake = queue_->wakeAsked = true;
    }
    if (wake)
        onWriter([](HistoryWriter& w) { w.writeQueue(); });
    return row;
}

std::vector<HistoryRow> HistoryStore::takeQueued()
{
    std::vector<HistoryRow> lines;
    std::lock_guard lock(queue_->mutex);
    lines.swap(queue_->lines);
    return lines;
}

template <typename Read> quint64 HistoryStore::read(Read rows)
{
    const quint64 request = ++lastRequest_;
    onWriter([=, queued = takeQueued()](HistoryWriter& w) {
        w.write(queued);
        w.readRows(request, rows(w.db()));
    });
    return request;
}

quint64 HistoryStore::readLastLines(const QString& network, const QString& window, int count)
{
    return read([=](HistoryDatabase& db) { return db.lastLines(network, window, count); });
}

quint64 HistoryStore::readLinesBefore(const QString& network, const QString& window,
                                      HistoryPosition before, int count)
{
    return read(
        [=](HistoryDatabase& db) { return db.linesBefore(network, window, before, count); });
}

quint64 HistoryStore::readLinesAfter(const QString& network, const QString& window,
                                     HistoryPosition after, int count)
{
    return read([=](HistoryDatabase& db) { return db.linesAfter(network, window, after, count); });
}

quint64 HistoryStore::readLinesAround(const QString& network, const QString& window, qint64 row,
                                      int count)
{
    return read([=](HistoryDatabase& db) { return db.linesAround(network, window, row, count); });
}

quint64 HistoryStore::search(const HistoryQuery& query)
{
    const quint64 request = ++lastRequest_;
    onWriter([=, queued = takeQueued()](HistoryWriter& w) {
        w.write(queued);
        w.found(request, w.db().search(query));
    });
    return request;
}

void HistoryStore::forgetWindow(const QString& network, const QString& window)
{
    onWriter([=](HistoryWriter& w) { w.forgetWindow(network, window); });
}

QString HistoryStore::importListPath() const
{
    return QFileInfo(path_).absolutePath() + QStringLiteral("/importedlogs.txt");
}

void HistoryStore::importLogs(const LogImport::Setup& setup)
{
    // The lines shown so far are stored before the windows' first lines are looked up.
    onWriter([setup, list = importListPath(), queued = takeQueued()](HistoryWriter& w) {
        w.write(queued);
        w.startImport(setup, list);
    });
}

void HistoryStore::sync()
{
    HistoryWriter* writer = writer_;
    QMetaObject::invokeMethod(
        writer, [writer] { writer->writeQueue(); }, Qt::BlockingQueuedConnection);
}

void HistoryStore::onWriterFailed(const QString& why)
{
    if (off_)
        return;
    off_ = true;
    {
        std::lock_guard lock(queue_->mutex);
        queue_->lines.clear();
    }
    Q_EMIT failed(QStringLiteral("History is off for this session: %1: %2").arg(path_, why));
}
