// The file server behind a file-server DCC chat, driven through a fake peer over a real
// folder tree: greeting and listing, "get" with its limit, "cd" and "cd.." kept inside the
// root whatever the names and links say.
#include "fileserver/fileserver.h"
#include "core/options.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Offer
{
    QString folder;
    QString fileName;
    bool operator==(const Offer&) const = default;
};

class FakePeer : public FileServerPeer
{
public:
    QString peerNickname() const override { return QStringLiteral("Bob"); }
    void sendLine(const QString& text) override { sent << text; }
    void offerFile(const QString& folder, const QString& fileName) override
    {
        offers.push_back({folder, fileName});
    }

    QStringList takeSent()
    {
        QStringList lines = sent;
        sent.clear();
        return lines;
    }

    QStringList sent;
    std::vector<Offer> offers;
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class FileServerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The tree served in every test:
    //   root/  ReadMe.TXT (5 bytes)  .hidden (1)  Music/  Music/Deeper/  Music/song.mid (3)
    //          in-link -> Music      out-link -> outside/   secret-link -> outside/secret.txt
    //          dangling -> nowhere
    //   outside/  secret.txt         fileserver/  hello.txt  other.txt
    void init()
    {
        QVERIFY(dir_.isValid());
        QDir base(dir_.path());
        for (const char* folder : {"root/Music/Deeper", "outside", "fileserver"})
            QVERIFY(base.mkpath(QLatin1String(folder)));
        QVERIFY(writeFile(path("root/ReadMe.TXT"), "hello"));
        QVERIFY(writeFile(path("root/.hidden"), "h"));
        QVERIFY(writeFile(path("root/Music/song.mid"), "mid"));
        QVERIFY(writeFile(path("outside/secret.txt"), "secret"));
        QVERIFY(QFile::link(path("root/Music"), path("root/in-link")));
        QVERIFY(QFile::link(path("outside"), path("root/out-link")));
        QVERIFY(QFile::link(path("outside/secret.txt"), path("root/secret-link")));
        QVERIFY(QFile::link(path("nowhere"), path("root/dangling")));
        QVERIFY(writeFile(path("fileserver/hello.txt"), "Welcome\r\nto my files\r\n"));
        QVERIFY(writeFile(path("fileserver/other.txt"), "Other greeting"));

        options_ = FileServerOptions();
        options_.enabled = true;
        options_.root = path("root") + u'/';
        options_.greeting = QStringLiteral("hello.txt");
        status_.clear();
    }

    void cleanup() { QVERIFY(dir_.remove()); }

    // Greeting, root, listing, root again; links are listed as what they lead to, and only
    // when that is inside the root.
    void greetingAndListing()
    {
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);

        const QString root = rootShown();
        QCOMPARE(peer.sent, QStringList({
                                QStringLiteral("Welcome\nto my files\n"),
                                root,
                                QStringLiteral(" [in-link]"),
                                QStringLiteral(" [music]"),
                                QStringLiteral("  .hidden - 1"),
                                QStringLiteral("  readme.txt - 5"),
                                root,
                            }));
        QVERIFY(status_.isEmpty());
        QCOMPARE(server.userCount(), 1);
        server.endSession(peer);
        QCOMPARE(server.userCount(), 0);
    }

    void greetingChoice_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("firstLine");

        QTest::newRow("chosen file") << "other.txt"
                                     << "Other greeting";
        QTest::newRow("none chosen: the first") << ""
                                                << "Welcome\nto my files\n";
        // The setting comes from a file the user can edit; it names a greeting, never a
        // path to some other text.
        QTest::newRow("a path is not a greeting") << "../outside/secret.txt"
                                                  << "Welcome\nto my files\n";
    }

    void greetingChoice()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, firstLine);
        options_.greeting = chosen;
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);
        QVERIFY(!peer.sent.isEmpty());
        QCOMPARE(peer.sent.first(), firstLine);
    }

    // Without a greeting nothing is sent, yet the session stands at the root: "dir" must
    // not list the folder the client runs in.
    void noGreetingStillServesTheRoot()
    {
        QVERIFY(QFile::remove(path("fileserver/hello.txt")));
        QVERIFY(QFile::remove(path("fileserver/other.txt")));
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);
        QVERIFY(peer.sent.isEmpty());

        server.handleLine(peer, QStringLiteral("DIR"));
        QCOMPARE(peer.sent.size(), 5);
        QCOMPARE(peer.sent.last(), rootShown());
    }

    void invalidRoot_data()
    {
        QTest::addColumn<QString>("root");
        QTest::newRow("missing folder") << path("gone");
        QTest::newRow("a file") << path("root/ReadMe.TXT");
        QTest::newRow("empty: never the working folder") << "  ";
    }

    void invalidRoot()
    {
        QFETCH(QString, root);
        options_.root = root;
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);
        QCOMPARE(peer.takeSent(), QStringList{QStringLiteral("Welcome\nto my files\n")});
        QCOMPARE(status_,
                 QStringList{QStringLiteral("Can't start FileServer - Invalid Root Folder.")});

        for (const char* line : {"dir", "cd..", "cd music", "get readme.txt"})
            server.handleLine(peer, QLatin1String(line));
        QCOMPARE(peer.sent, QStringList({QStringLiteral("Can't find music"),
                                         QStringLiteral("Can't find readme.txt")}));
        QVERIFY(peer.offers.empty());
    }

    void get_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("offeredName");

        QTest::newRow("any letter case, opened under its own name") << "GET readme.txt"
                                                                    << "Sending readme.txt"
                                                                    << "ReadMe.TXT";
        QTest::newRow("line end of another system") << "get ReadMe.TXT\r"
                                                    << "Sending readme.txt"
                                                    << "ReadMe.TXT";
        QTest::newRow("a folder is no file") << "get music"
                                             << "Can't find music"
                                             << "";
        QTest::newRow("not in this folder") << "get song.mid"
                                            << "Can't find song.mid"
                                            << "";
        QTest::newRow("a path is no name") << "get music/song.mid"
                                           << "Can't find music/song.mid"
                                           << "";
        QTest::newRow("upward") << "get ../outside/secret.txt"
                                << "Can't find ../outside/secret.txt"
                                << "";
        QTest::newRow("link leading outside") << "get secret-link"
                                              << "Can't find secret-link"
                                              << "";
        QTest::newRow("dangling link") << "get dangling"
                                       << "Can't find dangling"
                                       << "";
    }

    void get()
    {
        QFETCH(QString, line);
        QFETCH(QString, answer);
        QFETCH(QString, offeredName);
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);
        peer.takeSent();

        server.handleLine(peer, line);

        QCOMPARE(peer.sent, QStringList{answer});
        if (offeredName.isEmpty()) {
            QVERIFY(peer.offers.empty());
            QCOMPARE(server.session(peer)->gets, 0);
        } else {
            QCOMPARE(peer.offers.size(), size_t(1));
            QCOMPARE(peer.offers.front(), (Offer{canonical("root") + u'/', offeredName}));
            QCOMPARE(server.session(peer)->gets, 1);
        }
    }

    // "Max. Gets per User" is the number of files a session may fetch; refused gets do
    // not count, and each session keeps its own count.
    void getLimit()
    {
        options_.maxGets = 3;
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        FakePeer other;
        server.startSession(peer);
        server.startSession(other);
        peer.takeSent();

        server.handleLine(peer, QStringLiteral("get nothing.txt"));
        for (int i = 0; i < 3; ++i)
            server.handleLine(peer, QStringLiteral("get readme.txt"));
        server.handleLine(peer, QStringLiteral("get readme.txt"));
        server.handleLine(peer, QStringLiteral("get nothing.txt"));

        QCOMPARE(peer.sent, QStringList({
                                QStringLiteral("Can't find nothing.txt"),
                                QStringLiteral("Sending readme.txt"),
                                QStringLiteral("Sending readme.txt"),
                                QStringLiteral("Sending readme.txt"),
                                QStringLiteral("File Limit Exceeded."),
                                QStringLiteral("File Limit Exceeded."),
                            }));
        QCOMPARE(peer.offers.size(), size_t(3));

        other.takeSent();
        server.handleLine(other, QStringLiteral("get readme.txt"));
        QCOMPARE(other.sent, QStringList{QStringLiteral("Sending readme.txt")});

        // A new chat is a new session.
        server.endSession(peer);
        server.startSession(peer);
        peer.takeSent();
        server.handleLine(peer, QStringLiteral("get readme.txt"));
        QCOMPARE(peer.sent, QStringList{QStringLiteral("Sending readme.txt")});
    }

    void changeFolder_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("folder"); // relative to root, "" for the root

        const QString music = QStringLiteral("/music/");
        QTest::newRow("into a folder, any case")
            << QStringList{"cd MUSIC"} << QStringList{"@" + music} << "Music";
        QTest::newRow("two levels, either separator")
            << QStringList{"cd music\\deeper"} << QStringList{"@/music/deeper/"} << "Music/Deeper";
        QTest::newRow("up inside the root") << QStringList{"cd music/deeper", "cd ../.."}
                                            << QStringList{"@/music/deeper/", "@/"} << "";
        QTest::newRow("cd .. at the root")
            << QStringList{"cd .."} << QStringList{"Can't find .."} << "";
        QTest::newRow("out and back in")
            << QStringList{"cd ../root/music"} << QStringList{"@/music/"} << "Music";
        QTest::newRow("out through a sibling")
            << QStringList{"cd ../outside"} << QStringList{"Can't find ../outside"} << "";
        QTest::newRow("absolute path stays below")
            << QStringList{"cd /tmp"} << QStringList{"Can't find /tmp"} << "";
        QTest::newRow("link leading outside")
            << QStringList{"cd out-link"} << QStringList{"Can't find out-link"} << "";
        QTest::newRow("link inside resolves")
            << QStringList{"cd in-link"} << QStringList{"@/music/"} << "Music";
        QTest::newRow("a file is no folder")
            << QStringList{"cd readme.txt"} << QStringList{"Can't find readme.txt"} << "";
        QTest::newRow("unknown") << QStringList{"cd music", "cd nothing"}
                                 << QStringList{"@/music/", "Can't find nothing"} << "Music";
        QTest::newRow("cd.. at the root sends the root")
            << QStringList{"cd.."} << QStringList{"@/"} << "";
        QTest::newRow("cd.. climbs one level")
            << QStringList{"cd music/deeper", "cd..", "cd.."}
            << QStringList{"@/music/deeper/", "@/music/", "@/"} << "";
        QTest::newRow("other words: no answer")
            << QStringList{"hello", "cdrom", "ls"} << QStringList{} << "";
    }

    void changeFolder()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, answers);
        QFETCH(QString, folder);
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);
        peer.takeSent();

        for (const QString& line : lines)
            server.handleLine(peer, line);

        // "@" stands for the root as shown; shown folders are lower case.
        QStringList expected;
        for (const QString& answer : answers)
            expected << (answer.startsWith(u'@') ? rootShown().chopped(1) + answer.mid(1) : answer);
        QCOMPARE(peer.sent, expected);
        const QString where = canonical(QStringLiteral("root/") + folder);
        QCOMPARE(server.session(peer)->folder, folder.isEmpty() ? canonical("root") : where);
    }

    // "dir" lists the current folder only, then names it.
    void dirInSubfolder()
    {
        FileServer server(options_, path("fileserver"), statusSink());
        FakePeer peer;
        server.startSession(peer);
        server.handleLine(peer, QStringLiteral("cd music"));
        peer.takeSent();
        server.handleLine(peer, QStringLiteral("dir"));
        const QString music = rootShown() + QStringLiteral("music/");
        QCOMPARE(peer.sent, QStringList({QStringLiteral(" [deeper]"),
                                         QStringLiteral("  song.mid - 3"), music}));
    }

    void trigger_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("starts");

        QTest::newRow("same") << true << "!FileServe"
                              << "!FileServe" << true;
        QTest::newRow("other case") << true << "!FileServe"
                                    << "!fILEsERVE" << true;
        QTest::newRow("trigger trimmed") << true << " !files "
                                         << "!files" << true;
        QTest::newRow("text not trimmed") << true << "!files"
                                          << "!files " << false;
        QTest::newRow("within a sentence") << true << "!files"
                                           << "say !files" << false;
        QTest::newRow("server off") << false << "!FileServe"
                                    << "!FileServe" << false;
        QTest::newRow("empty trigger never matches") << true << "  "
                                                     << "" << false;
    }

    void trigger()
    {
        QFETCH(bool, enabled);
        QFETCH(QString, trigger);
        QFETCH(QString, text);
        QFETCH(bool, starts);
        options_.enabled = enabled;
        options_.trigger = trigger;
        QCOMPARE(FileServer::isTrigger(options_, text), starts);
    }

    // Waiting offers and open sessions together stay below "Max. Simultaneous Users".
    void simultaneousUsers()
    {
        options_.maxUsers = 2;
        FileServer server(options_, path("fileserver"), statusSink());
        QVERIFY(server.hasRoomForUser(1));
        QVERIFY(!server.hasRoomForUser(2));
        FakePeer first;
        server.startSession(first);
        QVERIFY(server.hasRoomForUser(0));
        QVERIFY(!server.hasRoomForUser(1));
        FakePeer second;
        server.startSession(second);
        QVERIFY(!server.hasRoomForUser(0));
        server.endSession(first);
        QVERIFY(server.hasRoomForUser(0));
    }

private:
    QString path(const char* relative) const { return dir_.filePath(QLatin1String(relative)); }
    QString canonical(const QString& relative) const
    {
        return QFileInfo(dir_.filePath(relative)).canonicalFilePath();
    }
    QString canonical(const char* relative) const { return canonical(QLatin1String(relative)); }
    QString rootShown() const { return canonical("root").toLower() + u'/'; }
    std::function<void(const QString&)> statusSink()
    {
        return [this](const QString& line) { status_ << line; };
    }

    QTemporaryDir dir_;
    FileServerOptions options_;
    QStringList status_;
};

QUORL_TEST(FileServerTest)
#include "fileservertest.moc"
