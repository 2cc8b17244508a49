// The history store: lines kept once and read back in order across a restart, searches
// with their filters and marks, passwords masked, the file sound after kills during a
// flood, a file that cannot be used reported once without harm, and the text logs read in.
#include "history/historystore.h"
#include "chat/chatwindow.h"
#include "history/historydatabase.h"
#include "history/historyquery.h"
#include "history/redaction.h"
#include "history/sqlite.h"
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

Q_DECLARE_METATYPE(HistoryQuery)

namespace {

HistoryLine line(const QString& network, const QString& window, qint64 time, const QString& sender,
                 const QString& text, const QString& msgid = QString())
{
    return {network, window, time, 1, sender, text, msgid};
}

QStringList texts(const QList<HistoryRow>& rows)
{
    QStringList result;
    for (const HistoryRow& r : rows)
        result << r.line.text;
    return result;
}

// The rows of the next answer the store gives to request.
QList<HistoryRow> answer(HistoryStore& store, QSignalSpy& spy, quint64 request)
{
    for (int tries = 0; tries < 50; ++tries) {
        for (const QList<QVariant>& args : std::as_const(spy)) {
            if (args.at(0).value<quint64>() == request)
                return args.at(1).value<QList<HistoryRow>>();
        }
        spy.wait(100);
    }
    Q_UNUSED(store);
    return {};
}

qint64 dayMs(int year, int month, int day)
{
    return QDate(year, month, day).startOfDay().toMSecsSinceEpoch();
}

qint64 localMs(int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second, ms)).toMSecsSinceEpoch();
}

// A stored line as (time, kind, sender, text).
using Seen = std::tuple<qint64, int, QString, QString>;
QList<Seen> seen(const QList<HistoryRow>& rows)
{
    QList<Seen> result;
    for (const HistoryRow& r : rows)
        result.append({r.line.timeMs, r.line.kind, r.line.sender, r.line.text});
    return result;
}

} // namespace

class HistoryStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsEachLineOnceAndReadsItBackInOrder()
    {
        QTemporaryDir dir;
        const QString path = HistoryStore::pathIn(dir.path());
        const QString coded = QStringLiteral("\x02hello\x02 world");
        {
            HistoryStore store(path);
            store.setSettings({true, false, 0});
            store.add(line("A", "#chan", 1000, "alice", coded));
            HistoryLine again = line("A", "#chan", 1000, "alice", coded);
            again.replayed = true; // the same line played back
            store.add(again);
            store.add(line("A", "#chan", 1000, "alice", "hello world"));
            store.add(line("A", "#Chan", 2000, "bob", "second", "m1"));
            store.add(line("A", "#chan", 2500, "bob", "second, played back", "m1"));
            store.add(line("B", "#chan", 1000, "alice", coded)); // another network
            store.add(line("A", "#chan", 500, "carol", "older, played back later"));
            store.add(line("A", "carol", 600, "carol", "a private word"), true);
            store.sync();
            QVERIFY(!store.isOff());
        }
        struct stat st = {};
        QCOMPARE(::stat(path.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(int(file.read(20).at(18)), 2); // write-ahead log

        // A store opened again (the next run) reads what the last one wrote.
        HistoryStore store(path);
        QSignalSpy spy(&store, &HistoryStore::linesRead);
        const QList<HistoryRow> all = answer(store, spy, store.readLastLines("a", "#CHAN", 10));
        QCOMPARE(texts(all),
                 (QStringList{"older, played back later", coded, "hello world", "second"}));
        QCOMPARE(texts(answer(store, spy, store.readLastLines("A", "#chan", 2))),
                 (QStringList{"hello world", "second"}));
        QCOMPARE(texts(answer(store, spy,
                              store.readLinesBefore("A", "#chan",
                                                    {all.at(2).line.timeMs, all.at(2).id}, 10))),
                 (QStringList{"older, played back later", coded}));
        QCOMPARE(texts(answer(store, spy, store.readLastLines("B", "#chan", 10))),
                 QStringList{coded});
        QVERIFY(answer(store, spy, store.readLastLines("A", "carol", 10)).isEmpty());

        // Lines queued just before a read are part of its answer; a window forgotten is
        // gone, and its text no longer found.
        store.add(line("A", "#chan", 3000, "dave", "just now"));
        QCOMPARE(answer(store, spy, store.readLastLines("A", "#chan", 1)).value(0).line.text,
                 QStringLiteral("just now"));
        store.forgetWindow("B", "#chan");
        QVERIFY(answer(store, spy, store.readLastLines("B", "#chan", 10)).isEmpty());
        store.sync();
        HistoryDatabase db;
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadOnly));
        QCOMPARE(int(db.search(HistoryQuery::parse("hello")).size()), 2);
        QCOMPARE(db.integrityCheck(), QStringLiteral("ok"));
    }

    void searchesWithFiltersNewestFirst()
    {
        QTemporaryDir dir;
        const QString path = HistoryStore::pathIn(dir.path());
        HistoryStore store(path);
        const qint64 march1 = dayMs(2026, 3, 1);
        const qint64 march2 = dayMs(2026, 3, 2);
        store.add(line("libera", "#linux", march1 + 10, "alice", "the kernel build is green"));
        store.add(line("oftc", "#debian", march1 + 20, "bob",
                       "Kernel \x03"
                       "04build\x03 failed again"));
        store.add(line("libera", "#linux", march2 + 30, "Bob", "build the kernel tonight"));
        store.add(line("libera", "#linux", march2 + 40, "alice", "tonight the green kernel"));
        store.add(line("libera", "status", march2 + 50, "", "kernelspace news"));
        QSignalSpy spy(&store, &HistoryStore::searched);
        const quint64 request = store.search(HistoryQuery::parse("kernel build"));
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint64>(), request);
        const auto matches = spy.at(0).at(1).value<QList<HistoryMatch>>();
        QStringList found;
        for (const HistoryMatch& m : matches)
            found << m.plainText;
        QCOMPARE(found, (QStringList{"build the kernel tonight", "Kernel build failed again",
                                     "the kernel build is green"}));
        // Marks point into the text without codes, at every searched word.
        QCOMPARE(matches.at(1).marks, (QList<std::pair<int, int>>{{0, 6}, {7, 5}}));

        store.sync();
        HistoryDatabase db;
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadOnly));
        const auto windowsOf = [&db](const QString& query) {
            QStringList result;
            for (const HistoryMatch& m : db.search(HistoryQuery::parse(query)))
                result << m.row.line.sender + u'@' + m.row.line.window;
            return result;
        };
        QCOMPARE(windowsOf("kernel from:bob"), (QStringList{"Bob@#linux", "bob@#debian"}));
        QCOMPARE(windowsOf("kernel in:#LINUX after:2026-03-02"),
                 (QStringList{"alice@#linux", "Bob@#linux"}));
        QCOMPARE(windowsOf("kernel net:oftc"), QStringList{"bob@#debian"});
        QCOMPARE(windowsOf("kernel before:2026-03-02 in:#linux"), QStringList{"alice@#linux"});
        QCOMPARE(windowsOf("\"green kernel\""), QStringList{"alice@#linux"});
        QCOMPARE(windowsOf("kernel*"), (QStringList{"@status", "alice@#linux", "Bob@#linux",
                                                    "bob@#debian", "alice@#linux"}));
        QCOMPARE(windowsOf("from:alice"), (QStringList{"alice@#linux", "alice@#linux"}));
        QCOMPARE(windowsOf("AND OR \"\" NEAR( kernel"), QStringList{});
        QCOMPARE(windowsOf("-kernel"), windowsOf("kernel"));
    }

    void readsQueries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("match");
        QTest::addColumn<QStringList>("filters"); // from, in, net
        QTest::addColumn<qint64>("after");
        QTest::addColumn<qint64>("before");
        QTest::addColumn<bool>("valid");
        const QStringList none{"", "", ""};
        QTest::newRow("words") << "hello world"
                               << "\"hello\" \"world\"" << none << -1LL << -1LL << true;
        QTest::newRow("phrase and filters")
            << "\"hello  world\" from:alice in:#linux NET:libera"
            << "\"hello\" \"world\"" << QStringList{"alice", "#linux", "libera"} << -1LL << -1LL
            << true;
        QTest::newRow("dates") << "after:2026-03-01 before:2026-03-02 x"
                               << "\"x\"" << none << dayMs(2026, 3, 1) << dayMs(2026, 3, 2) << true;
        QTest::newRow("not a date") << "after:2026-13-01 x"
                                    << "\"x\"" << none << -1LL << -1LL << false;
        QTest::newRow("prefix") << "kern*"
                                << "\"kern\"*" << none << -1LL << -1LL << true;
        QTest::newRow("punctuation splits words")
            << "c++ foo-bar"
            << "\"c\" \"foo\" \"bar\"" << none << -1LL << -1LL << true;
        QTest::newRow("a link is words, not a filter")
            << "http://x.org"
            << "\"http\" \"x\" \"org\"" << none << -1LL << -1LL << true;
        QTest::newRow("the index's syntax is only words")
            << "a AND \"b\"\"c\" NEAR("
            << "\"a\" \"AND\" \"NEAR\" \"b\" \"c\"" << none << -1LL << -1LL << true;
        QTest::newRow("open quote runs to the end")
            << "x \"still open"
            << "\"x\" \"still\" \"open\"" << none << -1LL << -1LL << true;
        QTest::newRow("empty filter is a word")
            << "from: in:"
            << "\"from\" \"in\"" << none << -1LL << -1LL << true;
        QTest::newRow("filters only") << "from:bob"
                                      << "" << QStringList{"bob", "", ""} << -1LL << -1LL << true;
    }

    void readsQueries()
    {
        QFETCH(QString, text);
        QFETCH(QString, match);
        QFETCH(QStringList, filters);
        QFETCH(qint64, after);
        QFETCH(qint64, before);
        QFETCH(bool, valid);
        const HistoryQuery q = HistoryQuery::parse(text);
        QCOMPARE(q.matchExpression(), match);
        QCOMPARE((QStringList{q.from, q.in, q.net}), filters);
        QCOMPARE(q.afterMs, after);
        QCOMPARE(q.beforeMs, before);
        QCOMPARE(q.error.isEmpty(), valid);
    }

    void masksPasswords_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        const QString m = QString::fromUtf16(Redaction::Mask);
        QTest::newRow("msg identify") << "Status"
                                      << "/msg NickServ IDENTIFY hunter2"
                                      << "/msg NickServ IDENTIFY " + m;
        QTest::newRow("identify with account") << "Status"
                                               << "/msg NickServ identify alice hunter2"
                                               << "/msg NickServ identify alice " + m;
        QTest::newRow("as the client shows it") << "#chan"
                                                << "-- Message to NickServ: IDENTIFY hunter2"
                                                << "-- Message to NickServ: IDENTIFY " + m;
        QTest::newRow("ns") << "Status"
                            << "/ns identify hunter2"
                            << "/ns identify " + m;
        QTest::newRow("nickserv command") << "Status"
                                          << "/nickserv id alice hunter2"
                                          << "/nickserv id alice " + m;
        QTest::newRow("service with host") << "Status"
                                           << "/msg NickServ@services.libera.chat IDENTIFY hunter2"
                                           << "/msg NickServ@services.libera.chat IDENTIFY " + m;
        QTest::newRow("register") << "Status"
                                  << "/msg NickServ REGISTER hunter2 me@example.org"
                                  << "/msg NickServ REGISTER " + m + " me@example.org";
        QTest::newRow("ghost") << "Status"
                               << "/ns ghost bob hunter2"
                               << "/ns ghost bob " + m;
        QTest::newRow("ghost without password") << "Status"
                                                << "/ns ghost bob"
                                                << "/ns ghost bob";
        QTest::newRow("set password") << "Status"
                                      << "/ns SET PASSWORD hunter2"
                                      << "/ns SET PASSWORD " + m;
        QTest::newRow("in the service's own window") << "NickServ"
                                                     << "<me> identify hunter2"
                                                     << "<me> identify " + m;
        QTest::newRow("pass") << "Status"
                              << "PASS hunter2"
                              << "PASS " + m;
        QTest::newRow("quoted pass") << "Status"
                                     << "/quote PASS hunter2"
                                     << "/quote PASS " + m;
        QTest::newRow("oper") << "Status"
                              << "/oper admin hunter2"
                              << "/oper admin " + m;
        QTest::newRow("authenticate") << "Status"
                                      << "AUTHENTICATE YWxpY2UAYWxpY2UAaHVudGVyMg=="
                                      << "AUTHENTICATE " + m;
        QTest::newRow("authenticate mechanism") << "Status"
                                                << "AUTHENTICATE PLAIN"
                                                << "AUTHENTICATE PLAIN";
        QTest::newRow("talk about identifying") << "#chan"
                                                << "<bob> please identify yourself"
                                                << "<bob> please identify yourself";
        QTest::newRow("talk about passing") << "#chan"
                                            << "<bob> pass the salt"
                                            << "<bob> pass the salt";
    }

    void masksPasswords()
    {
        QFETCH(QString, window);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QCOMPARE(Redaction::redact(window, text), stored);
    }

    // A file written by the former layout (senders by name, word positions in the index)
    // opens with its lines; lines that arrive late, and lines imported from older logs,
    // take their place by time in a window and in search results.
    void olderFilesAndLateLinesKeepTheOrderOfTime()
    {
        QTemporaryDir dir;
        const QString path = HistoryStore::pathIn(dir.path());
        {
            SqliteDatabase old;
            QVERIFY(old.open(path, 0x2 | 0x4)); // read-write, create
            QCOMPARE(old.exec(R"(
CREATE TABLE windows(id INTEGER PRIMARY KEY, network TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE, UNIQUE(network, name));
CREATE TABLE lines(id INTEGER PRIMARY KEY, window INTEGER NOT NULL, time INTEGER NOT NULL,
  kind INTEGER NOT NULL, sender TEXT NOT NULL, text TEXT NOT NULL, msgid TEXT);
CREATE INDEX lines_by_window ON lines(window, time);
CREATE UNIQUE INDEX lines_by_msgid ON lines(window, msgid) WHERE msgid IS NOT NULL;
CREATE VIRTUAL TABLE lines_text USING fts5(text, content='', columnsize=0);
INSERT INTO windows VALUES(1, 'libera', '#linux');
INSERT INTO lines VALUES(1, 1, 5000, 1, 'alice', '<alice> kernel one', 'a1');
INSERT INTO lines VALUES(2, 1, 6000, 1, 'Bob', '<Bob> kernel two', NULL);
INSERT INTO lines_text(rowid, text) VALUES(1, '<alice> kernel one'), (2, '<Bob> kernel two');
)"),
                     0);
        }
        HistoryDatabase db;
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadWrite));
        const auto texts = [](const auto& rows) {
            QStringList result;
            for (const auto& r : rows) {
                if constexpr (std::is_same_v<std::decay_t<decltype(r)>, HistoryMatch>)
                    result << r.row.line.sender + u':' + r.plainText;
                else
                    result << r.line.sender + u':' + r.line.text;
            }
            return result;
        };
        QCOMPARE(texts(db.lastLines("LIBERA", "#linux", 10)),
                 (QStringList{"alice:<alice> kernel one", "Bob:<Bob> kernel two"}));
        QCOMPARE(texts(db.search(HistoryQuery::parse("kernel from:BOB"))),
                 QStringList{"Bob:<Bob> kernel two"});
        // The msgid still keeps a played-back line out.
        QCOMPARE(db.write(std::vector<HistoryLine>{
                     line("libera", "#linux", 5000, "alice", "<alice> kernel one", "a1")}),
                 0);

        // A line comes live, then one from before it fetched late.
        QCOMPARE(db.write(std::vector<HistoryLine>{
                     line("libera", "#linux", 9000, "carol", "<carol> kernel live")}),
                 1);
        QCOMPARE(db.write(std::vector<HistoryLine>{
                     line("libera", "#linux", 7000, "dave", "<dave> kernel fetched")}),
                 1);
        // Older logs: the line before the window's first stored one comes in, the one
        // after it is in the store already; a window the store never had takes all.
        db.beginImport();
        QCOMPARE(db.importLines({line("libera", "#linux", 1000, "erin", "<erin> kernel logged"),
                                 line("libera", "#linux", 5500, "alice", "<alice> kernel one"),
                                 line("libera", "#old", 2000, "fay", "<fay> kernel elsewhere")}),
                 2);
        QCOMPARE(db.importLines({line("libera", "#linux", 1500, "erin", "<erin> kernel later")}),
                 1);
        db.beginImport();
        QCOMPARE(db.importLines({line("libera", "#linux", 1000, "erin", "<erin> kernel logged")}),
                 0);

        const QStringList byTime{"carol:<carol> kernel live",  "dave:<dave> kernel fetched",
                                 "Bob:<Bob> kernel two",       "alice:<alice> kernel one",
                                 "fay:<fay> kernel elsewhere", "erin:<erin> kernel later",
                                 "erin:<erin> kernel logged"};
        QCOMPARE(texts(db.search(HistoryQuery::parse("kernel"))), byTime);
        QStringList windowOrder = byTime;
        windowOrder.removeAt(4);
        std::reverse(windowOrder.begin(), windowOrder.end());
        QCOMPARE(texts(db.lastLines("libera", "#linux", 10)), windowOrder);
        const auto all = db.lastLines("libera", "#linux", 10);
        QCOMPARE(
            texts(db.linesBefore("libera", "#linux", {all.at(3).line.timeMs, all.at(3).id}, 10)),
            windowOrder.mid(0, 3));
        QCOMPARE(db.integrityCheck(), QStringLiteral("ok"));

        // A new file leaves room below its first line for older ones.
        HistoryDatabase fresh;
        QVERIFY(fresh.open(dir.filePath("fresh.db"), HistoryDatabase::Access::ReadWrite));
        QCOMPARE(fresh.write(std::vector<HistoryLine>{line("n", "#w", 9000, "a", "<a> now")}), 1);
        fresh.beginImport();
        QCOMPARE(fresh.importLines({line("n", "#w", 1000, "a", "<a> then")}), 1);
        QCOMPARE(texts(fresh.search(HistoryQuery::parse("in:#w"))),
                 (QStringList{"a:<a> now", "a:<a> then"}));
    }

    // Once the file holds enough lines it makes a dictionary from them, and lines written
    // after it are kept packed: they read back, are found, keep a played-back copy out, and
    // read in another connection, even one opened before the dictionary was made. A
    // damaged packed line reads as empty without harm to the rest.
    void packsLinesWithTheFilesOwnDictionary()
    {
        QTemporaryDir dir;
        const QString path = HistoryStore::pathIn(dir.path());
        const auto raw = [&path](const char* sql) {
            SqliteDatabase file;
            file.open(path, 0x2); // read-write
            SqliteStatement s = file.prepare(sql);
            return s.isValid() && s.step() == 100 /* a row */ ? s.int64(0) : qint64(-1);
        };
        HistoryDatabase db;
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadWrite));
        QCOMPARE(db.write(std::vector<HistoryLine>{line("n", "#w", 1, "a", "<a> first words")}), 1);
        // A file of the layout before the dictionary is brought up to date.
        db.close();
        raw("DROP TABLE dictionary");
        raw("PRAGMA user_version = 2");
        HistoryDatabase early;
        QVERIFY(early.open(path, HistoryDatabase::Access::ReadOnly));
        QCOMPARE(raw("PRAGMA user_version"), 3);
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadWrite));

        const QStringList words{"kernel", "build", "patch",  "driver", "release",
                                "mirror", "boot",  "window", "module", "branch",
                                "merge",  "crash", "screen", "cable"};
        QRandomGenerator random(31);
        std::vector<HistoryLine> lines;
        for (int i = 0; i < HistoryDatabase::DictionaryAfter + 700; ++i) {
            QString text = QStringLiteral("<nick%1> ").arg(i % 7);
            for (int w = 0; w < 8; ++w)
                text += words.at(random.bounded(int(words.size()))) + u' ';
            lines.push_back(line("n", "#w", 10 + i, QStringLiteral("nick%1").arg(i % 7), text));
        }
        const std::vector<HistoryLine> before(lines.begin(),
                                              lines.begin() + HistoryDatabase::DictionaryAfter);
        QCOMPARE(db.write(before), HistoryDatabase::DictionaryAfter);
        // Written after the dictionary: a large batch and a few lines of every sort.
        const std::vector<HistoryLine> after(lines.begin() + HistoryDatabase::DictionaryAfter,
                                             lines.end());
        QCOMPARE(db.write(after), 700);
        const qint64 t = 20000;
        const std::vector<HistoryLine> odd{
            line("n", "#w", t, "alice", "<alice> привет мир 👋 ünïcode kernel build patch"),
            line("n", "#w", t + 1, "",
                 "\x02bold\x02 \x03"
                 "04red\x03 kernel build patch driver"),
            line("n", "#w", t + 2, "bob", QStringLiteral("kernel build ").repeated(500)),
            line("n", "#w", t + 3, "bob", ""),
            line("n", "#w", t + 4, "carol", "<carol> kernel build patch with an id", "m1")};
        QCOMPARE(db.write(odd), 5);
        QCOMPARE(raw("SELECT count(*) FROM lines WHERE typeof(text) = 'text' AND id < "
                     "(SELECT min(id) + 10001 FROM lines)"),
                 HistoryDatabase::DictionaryAfter + 1);
        QVERIFY(raw("SELECT count(*) FROM lines WHERE typeof(text) = 'blob'") >= 700);

        QStringList expected;
        for (const HistoryLine& l : after)
            expected << l.text;
        for (const HistoryLine& l : odd)
            expected << l.text;
        const auto read = db.lastLines("n", "#w", 705);
        QCOMPARE(texts(QList<HistoryRow>(read.begin(), read.end())), expected);
        const auto found = db.search(HistoryQuery::parse("\"привет мир\""));
        QCOMPARE(found.size(), size_t(1));
        QCOMPARE(found.front().row.line.text, odd.front().text);
        // A packed line played back again, and the line with an id again.
        HistoryLine again = after.back();
        again.replayed = true;
        QCOMPARE(raw("SELECT count(*) FROM lines WHERE typeof(text) = 'blob' AND "
                     "id = (SELECT max(id) - 5 FROM lines)"),
                 1);
        QCOMPARE(db.write(std::vector<HistoryLine>{again, odd.back()}), 0);
        // The other connection read the file before it had a dictionary.
        QCOMPARE(early.lastLines("n", "#w", 6).front().line.text, after.back().text);

        raw("UPDATE lines SET text = x'0102030405' WHERE id = (SELECT max(id) - 3 FROM lines)");
        const auto last = db.lastLines("n", "#w", 5);
        QCOMPARE(last.size(), size_t(5));
        QCOMPARE(last.at(0).line.text, odd.at(0).text);
        QCOMPARE(last.at(1).line.text, QString());
        QCOMPARE(last.at(2).line.text, odd.at(2).text);
        QCOMPARE(db.integrityCheck(), QStringLiteral("ok"));
        QVERIFY(db.forgetWindow("n", "#w"));
        QVERIFY(db.search(HistoryQuery::parse("kernel")).empty());
        QVERIFY(db.write(after) > 0);

        // A damaged dictionary, with or without its mark: the lines read as something, or as
        // empty, and nothing breaks.
        for (const char* damage : {"UPDATE dictionary SET data = x'37a430ec' || randomblob(300)",
                                   "UPDATE dictionary SET data = randomblob(300)"}) {
            raw(damage);
            HistoryDatabase damaged;
            QVERIFY(damaged.open(path, HistoryDatabase::Access::ReadOnly));
            QCOMPARE(damaged.lastLines("n", "#w", 100).size(), size_t(100));
        }
        // Another file opened after this one has no dictionary of its own yet: its lines
        // are kept as they are, not packed with this file's dictionary.
        QVERIFY(db.open(path, HistoryDatabase::Access::ReadWrite));
        QVERIFY(db.open(dir.filePath("other.db"), HistoryDatabase::Access::ReadWrite));
        QCOMPARE(db.write(after), 700);
        SqliteDatabase other;
        other.open(dir.filePath("other.db"), 0x1);
        SqliteStatement packed =
            other.prepare("SELECT count(*) FROM lines WHERE typeof(text) = 'blob'");
        QCOMPARE(packed.step(), 100);
        QCOMPARE(packed.int64(0), 0);
    }

    // The store's writer is killed while a flood goes on: the file stays sound every time,
    // and what is lost is no more than about the last second.
    void survivesKillsDuringAFlood()
    {
        QTemporaryDir dir;
        const QString path = HistoryStore::pathIn(dir.path());
        for (int kill = 0; kill < 20; ++kill) {
            QProcess flood;
            flood.start(QStringLiteral(QUORL_HISTORY_FLOOD), {path});
            QVERIFY(flood.waitForStarted());
            QVERIFY(flood.waitForReadyRead(10000));
            QCOMPARE(flood.readLine().trimmed(), QByteArray("flooding"));
            QTest::qWait(1200 + QRandomGenerator::global()->bounded(800));
            ::kill(pid_t(flood.processId()), SIGKILL);
            const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
            QVERIFY(flood.waitForFinished());

            HistoryDatabase db;
            QVERIFY(db.open(path, HistoryDatabase::Access::ReadOnly));
            QCOMPARE(db.integrityCheck(), QStringLiteral("ok"));
            const auto last = db.lastLines("net", "#flood", 1);
            QCOMPARE(int(last.size()), 1);
            const qint64 lostMs = killedAt - last.front().line.timeMs;
            QVERIFY2(
                lostMs <= 1500,
                qPrintable(QStringLiteral("kill %1 lost %2 ms of lines").arg(kill).arg(lostMs)));
        }
    }

    void reportsAnUnusableFileOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("corrupt") << "corrupt";
        QTest::newRow("locked by another program") << "locked";
        QTest::newRow("read-only") << "read-only";
    }

    void reportsAnUnusableFileOnce()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString path = HistoryStore::pathIn(dir.path());
        QProcess holder;
        bool immutable = false;
        if (how == "corrupt") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("SQLite format 3").append(8192, '\x5a'));
        } else if (how == "locked") {
            {
                HistoryStore first(path);
            }
            holder.start(QStringLiteral("sqlite3"), {path});
            QVERIFY(holder.waitForStarted());
            holder.write("BEGIN EXCLUSIVE; CREATE TABLE held(x);\n.print held\n");
            QVERIFY(holder.waitForReadyRead(5000));
            QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
        } else {
            {
                HistoryStore first(path);
                first.add(line("A", "#chan", 1, "a", "kept"));
            }
            // Root writes through file modes, not through the immutable flag.
            immutable = QProcess::execute(QStringLiteral("chattr"), {"+i", path}) == 0;
            if (!immutable)
                QFile::setPermissions(path, QFile::ReadOwner);
        }

        {
            HistoryStore store(path);
            QSignalSpy failed(&store, &HistoryStore::failed);
            store.add(line("A", "#chan", 2, "a", "lost quietly"));
            store.sync();
            QTRY_COMPARE(failed.size(), 1);
            QVERIFY(store.isOff());
            QVERIFY(failed.at(0).at(0).toString().contains(path));
            store.add(line("A", "#chan", 3, "a", "dropped"));
            QSignalSpy read(&store, &HistoryStore::linesRead);
            store.readLastLines("A", "#chan", 10);
            QTRY_COMPARE(read.size(), 1);
            QTest::qWait(HistoryStore::BatchIntervalMs * 2);
            QCOMPARE(failed.size(), 1);
        }
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {"-i", path});
        if (holder.state() != QProcess::NotRunning) {
            holder.write("ROLLBACK;\n.quit\n");
            holder.closeWriteChannel();
            QVERIFY(holder.waitForFinished());
        }
    }

    // quorlirc --search prints matches without a display and says by its status whether
    // it found any.
    void searchesFromATerminal()
    {
        QTemporaryDir dir;
        {
            HistoryStore store(HistoryStore::pathIn(dir.path()));
            store.add(line("libera", "#linux", dayMs(2026, 3, 1) + 61000, "alice",
                           "the \x02kernel\x02 builds"));
            store.add(line("libera", "#other", dayMs(2026, 3, 1), "bob", "kernel elsewhere"));
        }
        const auto run = [&dir](const QStringList& args, QByteArray* out = nullptr) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            p.setProcessEnvironment(env);
            p.start(qEnvironmentVariable("QUORL_BINARY"), QStringList{"--home", dir.path()} + args);
            p.waitForFinished();
            if (out)
                *out = p.readAllStandardOutput();
            return p.exitCode();
        };
        QByteArray out;
        QCOMPARE(run({"--search", "kernel", "--in", "#linux"}, &out), 0);
        QCOMPARE(out,
                 QByteArray("2026-03-01 00:01:01\tlibera\t#linux\talice\tthe kernel builds\n"));
        QCOMPARE(run({"--search", "kernel", "--limit", "1"}, &out), 0);
        QCOMPARE(out.count('\n'), 1);
        QCOMPARE(run({"--search", "kernel", "--from", "carol"}, &out), 1);
        QVERIFY(out.isEmpty());
        QCOMPARE(run({"--search", "kernel after:2026-02-30"}), 2);
        QTemporaryDir empty;
        QCOMPARE(run({"--search", "kernel", "--home", empty.path()}), 2);
    }

    // The logs the windows wrote come in once, each line in its window with its sender and
    // its date; of a window the store already holds, only what is older than its first
    // stored line. Binary junk in the folder is passed over.
    void importsTheLogsOnce()
    {
        RegistryFixture f;
        f.options.display.autoLog = true;
        f.clock.set(QDateTime(QDate(2026, 3, 14), QTime(23, 58)));
        ChatWindow* channel = f.registry.createChannelWindow("#linux");
        f.registry.addMessage(channel, "alice", "late", "<alice> late");
        f.clock.advanceSeconds(150); // past midnight
        f.registry.addMessage(channel, "bob", "early", "<bob> early");
        f.clock.advanceSeconds(120);
        f.registry.addMessage(channel, "carol", "kept", "<carol> kept");
        f.clock.advanceSeconds(60);
        f.registry.addMessage(channel, "carol", "kept too", "<carol> kept too");
        f.registry.destroyChatWindow(channel, true);
        f.clock.set(QDateTime(QDate(2026, 3, 15), QTime(9, 30)));
        ChatWindow* chat = f.registry.createPrivateWindow("dave", "d@host");
        f.registry.addMessage(chat, "dave", "psst", "<dave> psst");
        f.registry.addLine(chat, "<Me> yes?", LineClass::You);
        f.registry.addLine(chat, "*dave waves", LineClass::Other);
        f.registry.addLine(chat, "dave is away", LineClass::Server);
        f.registry.destroyChatWindow(chat, true);
        // A DCC chat with the same peer logs to the same file.
        ChatWindow* dcc = f.registry.createDccChatWindow("dave", {}, nullptr);
        f.clock.advanceSeconds(60);
        f.registry.addLine(dcc, "<dave> direct", LineClass::Other);
        f.registry.destroyChatWindow(dcc, true);
        // A network's log without a header is dated by the file.
        QFile other(f.logsFolder() + "erin (oftc).txt");
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("[10:15] <erin> hi\r\n");
        other.flush();
        other.setFileTime(QDateTime(QDate(2026, 2, 1), QTime(20, 0)),
                          QFileDevice::FileModificationTime);
        other.close();
        QFile junk(f.logsFolder() + "junk.txt");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        QRandomGenerator random(7);
        for (int i = 0; i < 200000; ++i)
            junk.putChar(char(random.bounded(256)));
        junk.close();

        HistoryStore store(HistoryStore::pathIn(f.home.path()));
        store.setSettings({true, true, 0});
        // The last two channel lines were stored as they were shown.
        store.add(line("libera", "#linux", localMs(3, 15, 0, 2, 10, 500), "carol", "<carol> kept"));
        store.add(
            line("libera", "#linux", localMs(3, 15, 0, 3, 40, 0), "carol", "<carol> kept too"));
        QSignalSpy imported(&store, &HistoryStore::logsImported);
        QSignalSpy read(&store, &HistoryStore::linesRead);
        LogImport::Setup setup{f.logsFolder(),    "libera",         "me",          true,
                               LineClass::Server, LineClass::Other, LineClass::You};
        store.importLogs(setup);
        QVERIFY(imported.wait(10000));
        QCOMPARE(imported.at(0), (QVariantList{8, 4, QString()}));

        const int other_ = LineClass::Other;
        QCOMPARE(seen(answer(store, read, store.readLastLines("libera", "#linux", 10))),
                 (QList<Seen>{{localMs(3, 14, 23, 58), other_, "alice", "<alice> late"},
                              {localMs(3, 15, 0, 0), other_, "bob", "<bob> early"},
                              {localMs(3, 15, 0, 2, 10, 500), 1, "carol", "<carol> kept"},
                              {localMs(3, 15, 0, 3, 40), 1, "carol", "<carol> kept too"}}));
        QCOMPARE(seen(answer(store, read, store.readLastLines("libera", "dave", 10))),
                 (QList<Seen>{{localMs(3, 15, 9, 30), other_, "dave", "<dave> psst"},
                              {localMs(3, 15, 9, 30), LineClass::You, "Me", "<Me> yes?"},
                              {localMs(3, 15, 9, 30), other_, "dave", "*dave waves"},
                              {localMs(3, 15, 9, 30), LineClass::Server, "", "dave is away"}}));
        QCOMPARE(seen(answer(store, read, store.readLastLines("libera", "=dave", 10))),
                 (QList<Seen>{{localMs(3, 15, 9, 31), other_, "dave", "<dave> direct"}}));
        QCOMPARE(seen(answer(store, read, store.readLastLines("oftc", "erin", 10))),
                 (QList<Seen>{{localMs(2, 1, 10, 15), other_, "erin", "<erin> hi"}}));

        // Again: nothing new, and nothing doubled.
        store.importLogs(setup);
        QVERIFY(imported.wait(10000));
        QCOMPARE(imported.at(1), (QVariantList{0, 0, QString()}));
        QCOMPARE(answer(store, read, store.readLastLines("libera", "#linux", 10)).size(), 4);
    }
};

QUORL_TEST(HistoryStoreTest)
#include "historystoretest.moc"
