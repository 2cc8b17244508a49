// Settings import: mIRC server entries with and without groups, the notify list's 30
// entries, the identity and nicknames, the 1.24 and 1.2x forms, a folder imported twice, a
// large server list, and folders whose files are missing or malformed, which change
// nothing.
#include "client/client.h"
#include "import/settingsimport.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
void write(const QTemporaryDir& dir, const char* name, const QByteArray& text)
{
    QFile file(dir.filePath(QLatin1String(name)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QStringList notifyNames(NotifyList& list)
{
    QStringList names;
    for (const NotifyEntry& entry : list.entries())
        names << entry.nickname;
    return names;
}

// Each node's text indented by its depth below the import folder.
QStringList outline(const ServerNode* node, int depth = 0)
{
    QStringList lines{QString(depth * 2, u' ') + node->text};
    for (const auto& child : node->children)
        lines += outline(child.get(), depth + 1);
    return lines;
}

struct ImportFixture
{
    ScriptedPrompts prompts;
    Client client{QStringLiteral("/tmp/quorl-test/"), prompts};
    QTemporaryDir dir;
    ImportFixture() { client.session().ident().setPort(0); }
    bool import(const QString& source)
    {
        ImportedSettings settings = SettingsImport::read(source, dir.path());
        const bool found = settings.found();
        SettingsImport::apply(settings, client.options().user, client.notifyList(),
                              client.serverTree());
        return found;
    }
    const ServerNode* lastImport()
    {
        const ServerNode* root = client.serverTree().root();
        return root && root->hasChildren() ? root->child(root->childCount() - 1) : nullptr;
    }
};
} // namespace

class ImportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mircServerEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("parsed"); // group, description, host, ports; empty: skipped
        QTest::newRow("with group")
            << "EFnet: EU, Sweden, StockholmSERVER:irc.example.se:6667GROUP:EFnet"
            << QStringList{"EFnet", "EU, Sweden, Stockholm", "irc.example.se", "6667"};
        QTest::newRow("no group: space before the first colon")
            << "Random US server SERVER:irc.example.net:6660-6670GROUP:01"
            << QStringList{"", "Random US server ", "irc.example.net", "6660-6670"};
        QTest::newRow("no SERVER:") << "EFnet: broken entry" << QStringList{};
        QTest::newRow("no GROUP:") << "EFnet: xSERVER:irc.example.se:6667" << QStringList{};
        QTest::newRow("no colon at all") << "nothing here" << QStringList{};
    }
    void mircServerEntry()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, parsed);
        const auto server = SettingsImport::parseMircServer(entry);
        QCOMPARE(server.has_value(), !parsed.isEmpty());
        if (server)
            QCOMPARE((QStringList{server->group, server->description, server->host, server->ports}),
                     parsed);
    }

    // Files another program wrote are read as that program reads them: values are cut
    // at 1023 characters.
    void otherProgramsValuesAreCutAsTheyReadThem()
    {
        ImportFixture f;
        write(f.dir, "mirc.ini",
              "[mirc]\r\nnick=" + QByteArray(1500, 'j') +
                  "\r\n[NOTIFY]\r\nn0=" + QByteArray(1100, 'a') + "\r\n");
        const ImportedSettings read =
            SettingsImport::read(QStringLiteral("Mirc 5.02"), f.dir.path());
        // Even cut, such a nickname is no nickname a server would take.
        QCOMPARE(read.nickname, QString());
        QCOMPARE(read.notify.value_or(QStringList()), QStringList{QString(1023, u'a')});
    }

    void mircFolderImportedTwice()
    {
        ImportFixture f;
        QByteArray mirc = "[mirc]\r\nuser=Jane Doe\r\nemail=jane@example.org\r\nnick=jane\r\n"
                          "anick=jane_\r\n[Ident]\r\nuserid=YourIdent\r\n[NOTIFY]\r\n"
                          "n0=alice NOTE met at the party\r\n";
        for (int i = 1; i < 35; ++i)
            mirc += "n" + QByteArray::number(i) + "=friend" + QByteArray::number(i) + "\r\n";
        write(f.dir, "mirc.ini", mirc);
        write(f.dir, "servers.ini",
              "[servers]\r\n"
              "n0=EFnet: EU, StockholmSERVER:irc.example.se:6667GROUP:EFnet\r\n"
              "n1=Random US server SERVER:irc.example.net:6660-6670GROUP:01\r\n"
              "n2=broken\r\n"
              "n3=EFnet: US, ChicagoSERVER:irc.example.com:6667GROUP:EFnet\r\n");
        const QString identBefore = f.client.options().user.ident;
        const ImportedSettings read =
            SettingsImport::read(QStringLiteral("Mirc 5.02"), f.dir.path());
        QVERIFY(read.notify);
        QCOMPARE(read.notify->size(), 30);
        QCOMPARE(read.notify->last(), QStringLiteral("friend29"));
        QVERIFY(f.import(QStringLiteral("Mirc 5.02")));
        QCOMPARE(
            outline(f.lastImport()),
            (QStringList{"Imported Mirc 5.02", "  EFnet", "    EU, Stockholm",
                         "      HOST: irc.example.se", "      PORT: 6667", "    US, Chicago",
                         "      HOST: irc.example.com", "      PORT: 6667", "  Random US server ",
                         "    HOST: irc.example.net", "    PORT: 6660-6670"}));
        QCOMPARE(f.lastImport()->child(0)->kind, ServerKind::Folder);
        QCOMPARE(f.lastImport()->child(1)->kind, ServerKind::Server);
        const QStringList notify = notifyNames(f.client.notifyList());
        // The notify list holds what it can: its own limit stays.
        QCOMPARE(notify.size(), NotifyList::MaxEntries);
        QCOMPARE(notify.first(), QStringLiteral("alice"));
        QCOMPARE(notify.last(), read.notify->at(NotifyList::MaxEntries - 1));
        const UserOptions& user = f.client.options().user;
        QCOMPARE(user.realName, QStringLiteral("Jane Doe"));
        QCOMPARE(user.email, QStringLiteral("jane@example.org"));
        QCOMPARE(user.ident, identBefore); // still the mIRC default: not taken
        QCOMPARE(user.nicknames, (QStringList{"jane", "jane_"}));
        QCOMPARE(user.nickname, QStringLiteral("jane"));

        const int before = f.client.serverTree().root()->childCount();
        QVERIFY(f.import(QStringLiteral("Mirc 5.02")));
        QCOMPARE(f.client.serverTree().root()->childCount(), before + 1);
        QCOMPARE(f.lastImport()->text, QStringLiteral("Imported Mirc 5.02"));
        // The tree written and read back keeps both imports.
        ServerTree reread(f.prompts);
        QVERIFY(!reread.parse(f.client.serverTree().serialise()));
        QCOMPARE(reread.root()->child(reread.root()->childCount() - 1)->text,
                 QStringLiteral("Imported Mirc 5.02"));
        QCOMPARE(reread.count(), f.client.serverTree().count());
    }

    void olderReleases_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("quorlirc");
        QTest::addColumn<QByteArray>("servmstr");
        QTest::addColumn<QStringList>("servers"); // the import folder's outline; empty: not found
        QTest::newRow("mirc 4.10 keeps servers in mirc.ini")
            << "Mirc 4.10" << QByteArray() << QByteArray() << QStringList{};
        QTest::newRow("1.24")
            << "QuorlIRC 1.24" << QByteArray()
            << QByteArray("[Servers]\ntopserver=2\n0server=Home|irc.home.net|x|6667|\n"
                          "1server=short|entry\n2server=Work|irc.work.org|y|7000,7001|z\n")
            << QStringList{"Imported QuorlIRC 1.24", "  Home", "    HOST: irc.home.net",
                           "    PORT: 6667",         "  Work", "    HOST: irc.work.org",
                           "    PORT: 7000,7001"};
        QTest::newRow("1.24 without topserver")
            << "QuorlIRC 1.24" << QByteArray()
            << QByteArray("[SERVERS]\n0server=Home|irc.home.net|x|6667|\n") << QStringList{};
        QTest::newRow("1.24 with a word for topserver")
            << "QuorlIRC 1.24" << QByteArray()
            << QByteArray("[Servers]\ntopserver=many\n0server=Home|irc.home.net|x|6667|\n")
            << QStringList{};
        QTest::newRow("1.22") << "QuorlIRC 1.22"
                              << QByteArray(
                                     "[Servers]\ntopserver=2\n0serverdescription=Home\n"
                                     "0serverhostname=irc.home.net\n0serverport=6667\n"
                                     "2serverdescription=Work\n2serverhostname=irc.work.org\n"
                                     "2serverport=7000\n")
                              << QByteArray()
                              << QStringList{
                                     "Imported QuorlIRC 1.22", "  Home", "    HOST: irc.home.net",
                                     "    PORT: 6667",         "  Work", "    HOST: irc.work.org",
                                     "    PORT: 7000"};
        QTest::newRow("1.22 without topserver")
            << "QuorlIRC 1.22" << QByteArray("[user]\nname=Someone\n") << QByteArray()
            << QStringList{};
    }
    void olderReleases()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, quorlirc);
        QFETCH(QByteArray, servmstr);
        QFETCH(QStringList, servers);
        ImportFixture f;
        if (source.startsWith(QLatin1String("Mirc")))
            write(f.dir, "mirc.ini",
                  "[servers]\nsv0=DALnet: RandomSERVER:irc.dal.example:7000GROUP:1\n");
        if (!quorlirc.isEmpty())
            write(f.dir, "quorlirc.ini", quorlirc);
        if (!servmstr.isEmpty())
            write(f.dir, "servmstr.ini", servmstr);
        QVERIFY(f.client.notifyList().addEntry(QStringLiteral("keeper")));
        const UserOptions before = f.client.options().user;
        const int nodes = f.client.serverTree().count();
        const bool found = f.import(source);
        if (source.startsWith(QLatin1String("Mirc"))) {
            QVERIFY(found);
            QCOMPARE(outline(f.lastImport()),
                     (QStringList{"Imported Mirc 4.10", "  DALnet", "    Random",
                                  "      HOST: irc.dal.example", "      PORT: 7000"}));
            return;
        }
        QCOMPARE(found, !servers.isEmpty());
        if (found)
            QCOMPARE(outline(f.lastImport()), servers);
        else
            QCOMPARE(f.client.serverTree().count(), nodes);
        // No quorlirc.ini, or nothing found: notify list and identity stay as they were.
        QCOMPARE(notifyNames(f.client.notifyList()), QStringList{"keeper"});
        QCOMPARE(f.client.options().user.realName, before.realName);
        QCOMPARE(f.client.options().user.nicknames, before.nicknames);
    }

    // mIRC's alternative nickname alone joins the list and leaves the current nickname; a
    // nickname servers would refuse is not taken from any source.
    void importedNicknames_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("nicknames");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("anick alone") << "Mirc 5.02" << QByteArray("[mirc]\nanick=second\n")
                                     << QStringList{"mine", "second"} << "mine" << QStringList{};
        QTest::newRow("anick already listed") << "Mirc 5.02" << QByteArray("[mirc]\nanick=MINE\n")
                                              << QStringList{"mine"} << "mine" << QStringList{};
        QTest::newRow("nick not valid, anick valid")
            << "Mirc 5.02" << QByteArray("[mirc]\nnick=../../..\nanick=other\n")
            << QStringList{"mine", "other"} << "mine" << QStringList{"../../.."};
        QTest::newRow("nick valid, anick not valid")
            << "Mirc 5.02" << QByteArray("[mirc]\nnick=jane\nanick=a b\n") << QStringList{"jane"}
            << "jane" << QStringList{"a b"};
        QTest::newRow("older release: one not valid")
            << "QuorlIRC 1.20"
            << QByteArray("[user]\ntopnick=1\nnick0=../../..\nnick1=bob\n"
                          "[Servers]\ntopserver=0\n0serverdescription=Home\n"
                          "0serverhostname=irc.home.net\n0serverport=6667\n")
            << QStringList{"bob"} << "bob" << QStringList{"../../.."};
        QTest::newRow("older release: none valid")
            << "QuorlIRC 1.20"
            << QByteArray("[user]\ntopnick=1\nnick0=#chan\nnick1=\x01x\n"
                          "[Servers]\ntopserver=0\n0serverdescription=Home\n"
                          "0serverhostname=irc.home.net\n0serverport=6667\n")
            << QStringList{"YourNick"} << "YourNick" << QStringList{"#chan", "\x01x"};
    }
    void importedNicknames()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, nicknames);
        QFETCH(QString, current);
        QFETCH(QStringList, refused);
        ImportFixture f;
        if (source.startsWith(QLatin1String("Mirc"))) {
            write(f.dir, "mirc.ini", file);
            write(f.dir, "servers.ini", "[servers]\nn0=Net: xSERVER:irc.example.net:6667GROUP:N\n");
        } else {
            write(f.dir, "quorlirc.ini", file);
        }
        UserOptions& user = f.client.options().user;
        user.nicknames = QStringList{"mine"};
        user.nickname = QStringLiteral("mine");
        ImportedSettings settings = SettingsImport::read(source, f.dir.path());
        QCOMPARE(settings.refusedNicknames, refused);
        QVERIFY(settings.found());
        SettingsImport::apply(settings, user, f.client.notifyList(), f.client.serverTree());
        QCOMPARE(user.nicknames, nicknames);
        QCOMPARE(user.nickname, current);
    }

    // A large mIRC server list, many groups among it, is read in time proportional to its
    // length.
    void largeMircServerList()
    {
        ImportFixture f;
        QByteArray servers = "[servers]\r\n";
        constexpr int count = 50000;
        for (int i = 0; i < count; ++i)
            servers += "n" + QByteArray::number(i) + "=Net" + QByteArray::number(i / 2) +
                       ": Server " + QByteArray::number(i) + "SERVER:irc" + QByteArray::number(i) +
                       ".example.net:6667GROUP:x\r\n";
        write(f.dir, "servers.ini", servers);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(f.import(QStringLiteral("Mirc 5.02")));
        const qint64 took = clock.elapsed();
        qInfo("%d servers imported in %lld ms", count, took);
        const ServerNode* folder = f.lastImport();
        QCOMPARE(folder->childCount(), count / 2);
        QCOMPARE(folder->child(count / 2 - 1)->text, QStringLiteral("Net%1").arg(count / 2 - 1));
        QCOMPARE(folder->child(count / 2 - 1)->childCount(), 2);
        // Linear work takes about a second here (a few on a busy machine); a lookup that
        // rescans the list or the groups for every entry takes minutes.
        QVERIFY2(took < 20000, qPrintable(QString::number(took)));
    }

    void ownIdentityFromQuorlIni()
    {
        ImportFixture f;
        write(f.dir, "quorlirc.ini",
              "[NOTIFY]\ntopnotify=1\nnotify0=bob\nnotify1=carol\n[user]\nname=Bob B\n"
              "email=YourEmail\nuseridentdid=bobid\ntopnick=1\nnick0=bob\nnick1=bobby\n"
              "[Servers]\ntopserver=0\n0serverdescription=Home\n"
              "0serverhostname=irc.home.net\n0serverport=6667\n");
        QVERIFY(f.client.notifyList().addEntry(QStringLiteral("keeper")));
        const QString email = f.client.options().user.email;
        QVERIFY(f.import(QStringLiteral("QuorlIRC 1.20")));
        QCOMPARE(notifyNames(f.client.notifyList()), (QStringList{"bob", "carol"}));
        const UserOptions& user = f.client.options().user;
        QCOMPARE(user.realName, QStringLiteral("Bob B"));
        QCOMPARE(user.email, email);
        QCOMPARE(user.ident, QStringLiteral("bobid"));
        QCOMPARE(user.nicknames, (QStringList{"bob", "bobby"}));
        QCOMPARE(user.nickname, QStringLiteral("bob"));
    }
};

QUORL_TEST(ImportTest)
#include "importtest.moc"
