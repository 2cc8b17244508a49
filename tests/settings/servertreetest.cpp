// The server list: its file (round trip, the level rule, broken and missing files), the
// kinds derived on load, in-place edit rules, buttons, moves, deletes with their
// questions, drag and drop, the bookmark, the shipped list, and connecting from a node.
#include "settings/servertree.h"
#include "client/client.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/settings/servertreewidget.h"

#include <QApplication>
#include <QFile>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A tree in the file's own notation: one node a line, indented by tabs.
QByteArray file(std::initializer_list<const char*> lines)
{
    QByteArray out;
    for (const char* line : lines)
        out += QByteArray(line) + "\r\n";
    return out;
}

const QByteArray sample = file({
    "SERVER LIST",
    "\tNetwork A",
    "\t\tServer A1",
    "\t\t\tHOST: a1.example",
    "\t\t\tPORT: 6667,6668",
    "\t\tSub folder",
    "\t\t\tDeep",
    "\t\t\t\tDeeper",
    "\t\tServer A2",
    "\t\t\tHOST: a2.example",
    "\t\t\tPORT: 7000",
    "\tEmpty",
    "\tNetwork B",
    "\t\tServer B1",
    "\t\t\tHOST: b1.example",
    "\t\t\tPORT: 6667",
});

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<int> kinds(const ServerTree& tree)
{
    QList<int> out;
    for (const ServerNode* node : tree.nodes())
        out << node->kind;
    return out;
}

QStringList texts(const ServerTree& tree)
{
    QStringList out;
    for (const ServerNode* node : tree.nodes())
        out << node->text;
    return out;
}

struct Loaded
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    ServerTree tree{prompts};
    QString path() const { return dir.filePath(QStringLiteral("qrlsrvs.txt")); }
    explicit Loaded(const QByteArray& bytes, int bookmark = 1)
    {
        writeFile(path(), bytes);
        tree.load(path(), bookmark);
    }
    ServerNode* at(int position) const { return tree.nodeAt(position); }
};

// Counts the icons asked of the style.
class IconCountingStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    mutable int icons = 0;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        ++icons;
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

} // namespace

class ServerTreeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void saveWritesTheFileBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("one server")
            << file({"SERVER LIST", "\tFolder", "\t\tServer", "\t\t\tHOST: irc.example.org",
                     "\t\t\tPORT: 6667,6668"});
        QTest::newRow("folders, empty folders, servers") << sample;
        QTest::newRow("non-ASCII names") << file({"SERVER LIST", "\tRéseau ünïcode", "\t\tServeur",
                                                  "\t\t\tHOST: irc.example", "\t\t\tPORT: 6667"});
    }
    void saveWritesTheFileBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        Loaded l(bytes);
        QVERIFY(l.prompts.warnings.isEmpty());
        QVERIFY(QFile::remove(l.path()));
        QVERIFY(l.tree.save(l.path()));
        QCOMPARE(readFile(l.path()), bytes);
        QVERIFY(!QFile::exists(l.path() + QStringLiteral(".bak")));
    }

    void spacesAndBareLineFeedsReadAsTabsAndLines()
    {
        Loaded l("SERVER LIST\n Folder\n  Server\n\t\t HOST: h\n   PORT: 1\n");
        QVERIFY(l.prompts.warnings.isEmpty());
        QCOMPARE(texts(l.tree),
                 (QStringList{"SERVER LIST", "Folder", "Server", "HOST: h", "PORT: 1"}));
        QCOMPARE(l.at(3)->level(), 3);
        QCOMPARE(l.tree.serialise(),
                 file({"SERVER LIST", "\tFolder", "\t\tServer", "\t\t\tHOST: h", "\t\t\tPORT: 1"}));
    }

    // A first line one level in has no parent; it and the lines at its level that follow
    // hang at the top instead of below a node that was never read.
    void anIndentedFirstLineAndItsSiblingsHangAtTheTop()
    {
        Loaded l(file({"\tStray", "\tFolder", "\t\tServer", "\t\t\tHOST: h"}));
        QVERIFY(!l.tree.loadFailed());
        QCOMPARE(texts(l.tree), (QStringList{"Stray", "Folder", "Server", "HOST: h"}));
        QCOMPARE(l.at(1)->level(), 0);
        QCOMPARE(l.at(2)->parent, l.at(1));
    }

    void aLineTooDeepIsReportedAndTheNodesBeforeItKept_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("line");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("two levels deeper")
            << file({"SERVER LIST", "\tFolder", "\t\t\tToo deep", "\tNever read"})
            << QStringLiteral("Invalid level (3) for item \"Too deep\"") << 3
            << QStringList{"SERVER LIST", "Folder"};
        QTest::newRow("first line")
            << file({"\t\tStray", "SERVER LIST"})
            << QStringLiteral("Invalid level (2) for item \"Stray\"") << 1 << QStringList{};
    }
    void aLineTooDeepIsReportedAndTheNodesBeforeItKept()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(int, line);
        QFETCH(QStringList, kept);
        Loaded l(bytes);
        QVERIFY(l.tree.loadFailed());
        QVERIFY(!l.prompts.warnings.isEmpty());
        const QString warning = l.prompts.warnings.first();
        QVERIFY2(warning.startsWith(error), qPrintable(warning));
        QVERIFY2(warning.contains(l.path()), qPrintable(warning));
        QVERIFY2(warning.endsWith(QStringLiteral(", line ") + QString::number(line)),
                 qPrintable(warning));
        if (!kept.isEmpty())
            QCOMPARE(texts(l.tree), kept);
        // Whatever was kept is usable: there is a root, and something is selected.
        QCOMPARE(l.tree.root()->kind, ServerKind::Root);
        QVERIFY(l.tree.selected());
    }

    void aListThatFailedToLoadIsKeptAsBakWhenReplaced()
    {
        const QByteArray broken = file({"SERVER LIST", "\tFolder", "\t\t\tToo deep"});
        Loaded l(broken);
        QVERIFY(l.tree.loadFailed());
        QVERIFY(l.tree.save(l.path()));
        QCOMPARE(readFile(l.path() + QStringLiteral(".bak")), broken);
        QCOMPARE(readFile(l.path()), file({"SERVER LIST", "\tFolder"}));
        // Once written cleanly, later saves leave the backup alone.
        QVERIFY(!l.tree.loadFailed());
        QVERIFY(QFile::remove(l.path() + QStringLiteral(".bak")));
        QVERIFY(l.tree.save(l.path()));
        QVERIFY(!QFile::exists(l.path() + QStringLiteral(".bak")));
    }

    void aMissingOrEmptyListStartsWithANewFolderBeingNamed_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("warning");
        QTest::newRow("missing") << false << QByteArray()
                                 << QStringLiteral("Server List not found (qrlsrvs.txt).  A "
                                                   "blank Server List was created instead.");
        QTest::newRow("empty") << true << QByteArray() << QStringLiteral("is empty");
        QTest::newRow("blank lines only")
            << true << QByteArray("\r\n\r\n") << QStringLiteral("is empty");
        QTest::newRow("only the root") << true << file({"SERVER LIST"}) << QString();
    }
    void aMissingOrEmptyListStartsWithANewFolderBeingNamed()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, warning);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("qrlsrvs.txt"));
        if (exists)
            QVERIFY(writeFile(path, bytes));
        ScriptedPrompts prompts;
        ServerTree tree(prompts);
        QSignalSpy edits(&tree, &ServerTree::editRequested);
        tree.load(path, 5);
        if (warning.isEmpty()) {
            QVERIFY(prompts.warnings.isEmpty());
        } else {
            QCOMPARE(prompts.warnings.size(), 1);
            QVERIFY2(prompts.warnings.first().contains(warning), qPrintable(prompts.warnings[0]));
        }
        QCOMPARE(texts(tree), (QStringList{"SERVER LIST", ">> NEW FOLDER <<"}));
        QCOMPARE(kinds(tree), (QList<int>{ServerKind::Root, ServerKind::EmptyFolder}));
        QCOMPARE(tree.selected(), tree.nodeAt(1));
        QCOMPARE(edits.size(), 1);
        // An empty file is no reason to lose what a user might have meant to keep.
        QCOMPARE(tree.loadFailed(), exists && !bytes.startsWith("SERVER"));
    }

    void kindsAreDerivedOnLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("expected");
        using namespace ServerKind;
        QTest::newRow("sample") << sample
                                << QList<int>{Root,       Folder,     Server,     ServerData,
                                              ServerData, Folder,     Folder,     EmptyFolder,
                                              Server,     ServerData, ServerData, EmptyFolder,
                                              Folder,     Server,     ServerData, ServerData};
        QTest::newRow("server description without lines is an empty folder")
            << file({"SERVER LIST", "\tF", "\t\tLonely server"})
            << QList<int>{Root, Folder, EmptyFolder};
        QTest::newRow("HOST: anywhere in the first child")
            << file({"SERVER LIST", "\tS", "\t\tThe HOST: line", "\t\tPORT: 1"})
            << QList<int>{Root, Server, ServerData, ServerData};
        QTest::newRow("a server missing its port line leaves its sibling alone")
            << file({"SERVER LIST", "\tF", "\t\tS1", "\t\t\tHOST: h", "\t\tS2", "\t\t\tHOST: h",
                     "\t\t\tPORT: 1"})
            << QList<int>{Root, Folder, Server, ServerData, Server, ServerData, ServerData};
    }
    void kindsAreDerivedOnLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, expected);
        Loaded l(bytes);
        QCOMPARE(kinds(l.tree), expected);
        QVERIFY(l.tree.root()->expanded);
    }

    void editRules_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("host without space")
            << 3 << QStringLiteral("HOST:irc.new") << QStringLiteral("HOST: irc.new");
        QTest::newRow("host with space, trimmed")
            << 3 << QStringLiteral("  HOST: irc.new  ") << QStringLiteral("HOST: irc.new");
        QTest::newRow("host prefix is case-sensitive")
            << 3 << QStringLiteral("host: irc.new") << QStringLiteral("HOST: a1.example");
        QTest::newRow("host line emptied to the prefix")
            << 3 << QStringLiteral("HOST:") << QStringLiteral("HOST: ");
        QTest::newRow("port without prefix keeps old")
            << 4 << QStringLiteral("6667") << QStringLiteral("PORT: 6667,6668");
        QTest::newRow("port without space")
            << 4 << QStringLiteral("PORT:7000,7001") << QStringLiteral("PORT: 7000,7001");
        QTest::newRow("port line given a host prefix")
            << 4 << QStringLiteral("HOST: x") << QStringLiteral("PORT: 6667,6668");
        QTest::newRow("folder emptied keeps old")
            << 1 << QStringLiteral("   ") << QStringLiteral("Network A");
        QTest::newRow("folder trimmed")
            << 1 << QStringLiteral("  Renamed  ") << QStringLiteral("Renamed");
        QTest::newRow("server renamed")
            << 2 << QStringLiteral("My server") << QStringLiteral("My server");
        QTest::newRow("root renamed")
            << 0 << QStringLiteral(" Servers ") << QStringLiteral("Servers");
        QTest::newRow("root emptied keeps old")
            << 0 << QStringLiteral("") << QStringLiteral("SERVER LIST");
    }
    void editRules()
    {
        QFETCH(int, position);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        Loaded l(sample);
        l.tree.commitEdit(l.at(position), typed);
        QCOMPARE(l.at(position)->text, expected);
    }

    void buttonsFollowTheSelectedNode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("expected"); // F S E D U W: folder server edit del up down
        QTest::newRow("root") << sample << 0 << QStringLiteral("FSE...");
        QTest::newRow("first folder") << sample << 1 << QStringLiteral("FSED.W");
        QTest::newRow("middle folder") << sample << 11 << QStringLiteral("FSEDUW");
        QTest::newRow("last folder") << sample << 12 << QStringLiteral("FSEDU.");
        QTest::newRow("first server") << sample << 2 << QStringLiteral("..ED.W");
        QTest::newRow("only server") << sample << 13 << QStringLiteral("..ED..");
        QTest::newRow("host line") << sample << 3 << QStringLiteral("..E...");
        QTest::newRow("port line") << sample << 4 << QStringLiteral("..E...");
        const QByteArray deep = file({"SERVER LIST", "\tL1", "\t\tL2", "\t\t\tL3", "\t\t\t\tL4"});
        QTest::newRow("folder on level 3") << deep << 3 << QStringLiteral("FSED..");
        QTest::newRow("folder on level 4") << deep << 4 << QStringLiteral(".SED..");
    }
    void buttonsFollowTheSelectedNode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, position);
        QFETCH(QString, expected);
        Loaded l(bytes);
        l.tree.select(l.at(position));
        const ServerTreeButtons b = l.tree.buttons();
        const QString shown = QString(b.newFolder ? u'F' : u'.') + (b.newServer ? u'S' : u'.') +
                              (b.edit ? u'E' : u'.') + (b.remove ? u'D' : u'.') +
                              (b.up ? u'U' : u'.') + (b.down ? u'W' : u'.');
        QCOMPARE(shown, expected);
    }

    void addFolderAndServer()
    {
        Loaded l(sample);
        QSignalSpy edits(&l.tree, &ServerTree::editRequested);
        l.tree.select(l.at(11)); // "Empty"
        ServerNode* server = l.tree.addServer();
        QVERIFY(server);
        QCOMPARE(l.tree.selected(), server);
        QCOMPARE(server->parent->kind, ServerKind::OpenFolder);
        QCOMPARE(
            l.tree.serialise().mid(l.tree.serialise().indexOf("\tEmpty")),
            file({"\tEmpty", "\t\t-- NEW SERVER --", "\t\t\tHOST: ", "\t\t\tPORT: ", "\tNetwork B",
                  "\t\tServer B1", "\t\t\tHOST: b1.example", "\t\t\tPORT: 6667"}));
        // A server takes neither folders nor servers.
        QVERIFY(!l.tree.addServer());
        QVERIFY(!l.tree.addFolder());
        // A folder on level 1 that receives a folder shows as open, so deleting it asks.
        l.tree.select(l.at(11));
        ServerNode* folder = l.tree.addFolder();
        QCOMPARE(folder->text, QStringLiteral(">> NEW FOLDER <<"));
        QCOMPARE(folder->kind, ServerKind::EmptyFolder);
        QCOMPARE(folder->indexInParent(), 0);
        QCOMPARE(folder->parent->kind, ServerKind::OpenFolder);
        QCOMPARE(edits.size(), 2);
        // The root keeps its own kind when it receives a node.
        l.tree.select(l.tree.root());
        l.tree.addFolder();
        QCOMPARE(l.tree.root()->kind, ServerKind::Root);
    }

    void moveUpAndDown()
    {
        Loaded l(sample);
        ServerNode* empty = l.at(11);
        l.tree.select(empty);
        l.tree.moveUp();
        QCOMPARE(empty->indexInParent(), 0);
        QCOMPARE(l.tree.selected(), empty);
        l.tree.moveUp(); // already first: nothing happens
        QCOMPARE(empty->indexInParent(), 0);
        l.tree.moveDown();
        l.tree.moveDown();
        QCOMPARE(empty->indexInParent(), 2);
        l.tree.moveDown(); // already last
        QCOMPARE(empty->indexInParent(), 2);
        QCOMPARE(l.tree.root()->child(0)->text, QStringLiteral("Network A"));
        QCOMPARE(l.tree.root()->child(1)->text, QStringLiteral("Network B"));
        // The subtree moves with its node.
        l.tree.select(l.tree.root()->child(0)->child(2)); // Server A2
        l.tree.moveUp();
        l.tree.moveUp();
        QVERIFY(l.tree.serialise().startsWith(
            file({"SERVER LIST", "\tNetwork A", "\t\tServer A2", "\t\t\tHOST: a2.example",
                  "\t\t\tPORT: 7000", "\t\tServer A1"})));
    }

    void deleteAsksWhatItDeletes_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("question"); // empty: deleted without a question
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("countAfter");
        QTest::addColumn<int>("parentKindAfter");
        const int all = 16;
        QTest::newRow("empty folder")
            << 11 << QString() << true << all - 1 << int(ServerKind::Root);
        QTest::newRow("server, yes") << 13 << QStringLiteral("Delete this Server?") << true
                                     << all - 3 << int(ServerKind::EmptyFolder);
        QTest::newRow("server, no") << 13 << QStringLiteral("Delete this Server?") << false << all
                                    << int(ServerKind::Folder);
        QTest::newRow("folder, yes") << 5 << QStringLiteral("Delete this Folder and its contents?")
                                     << true << all - 3 << int(ServerKind::Folder);
        QTest::newRow("root is not deleted") << 0 << QString() << true << all << -1;
        QTest::newRow("host line is not deleted")
            << 3 << QString() << true << all << int(ServerKind::Server);
    }
    void deleteAsksWhatItDeletes()
    {
        QFETCH(int, position);
        QFETCH(QString, question);
        QFETCH(bool, answer);
        QFETCH(int, countAfter);
        QFETCH(int, parentKindAfter);
        Loaded l(sample);
        ServerNode* parent = l.at(position)->parent;
        l.prompts.yesNoAnswers << answer;
        l.tree.select(l.at(position));
        l.tree.deleteSelected();
        QCOMPARE(l.prompts.questions, question.isEmpty() ? QStringList{} : QStringList{question});
        QCOMPARE(l.tree.count(), countAfter);
        if (parentKindAfter >= 0)
            QCOMPARE(parent->kind, parentKindAfter);
        QVERIFY(l.tree.selected());
    }

    void aLateAnswerDeletesNothingThatIsGone()
    {
        Loaded l(sample);
        l.tree.select(l.at(13));
        l.tree.deleteSelected();
        QCOMPARE(l.prompts.questions.size(), 1);
        l.tree.load(l.path(), 1); // the tree is rebuilt while the question is open
        QVERIFY(l.prompts.answerPending(true));
        QCOMPARE(l.tree.count(), 16);
    }

    void openAndCloseChangeFolderKinds_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("kind");
        QTest::newRow("open closed folder") << 1 << true << int(ServerKind::OpenFolder);
        QTest::newRow("open empty folder") << 11 << true << int(ServerKind::OpenFolder);
        QTest::newRow("close empty folder") << 11 << false << int(ServerKind::EmptyFolder);
        QTest::newRow("close folder") << 1 << false << int(ServerKind::Folder);
        QTest::newRow("root stays open") << 0 << false << int(ServerKind::Root);
        QTest::newRow("server keeps its kind") << 2 << true << int(ServerKind::Server);
    }
    void openAndCloseChangeFolderKinds()
    {
        QFETCH(int, position);
        QFETCH(bool, open);
        QFETCH(int, kind);
        Loaded l(sample);
        ServerNode* node = l.at(position);
        l.tree.setExpanded(node, true);
        l.tree.setExpanded(node, open);
        QCOMPARE(node->kind, kind);
        if (node == l.tree.root())
            QVERIFY(node->expanded);
    }

    void dragAndDrop_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<QList<int>>("kindsAfter"); // of the old parent and the target
        using namespace ServerKind;
        QTest::newRow("server onto its own folder") << 2 << 1 << false << QList<int>{};
        QTest::newRow("server onto an empty folder")
            << 13 << 11 << true << QList<int>{EmptyFolder, OpenFolder};
        QTest::newRow("only child leaves an empty folder")
            << 7 << 11 << true << QList<int>{EmptyFolder, OpenFolder};
        QTest::newRow("folder onto the root") << 5 << 0 << true << QList<int>{Folder, Root};
        QTest::newRow("folder into its own descendant") << 1 << 6 << false << QList<int>{};
        QTest::newRow("folder onto itself") << 11 << 11 << false << QList<int>{};
        QTest::newRow("onto a server") << 11 << 2 << false << QList<int>{};
        QTest::newRow("onto a host line") << 11 << 3 << false << QList<int>{};
        QTest::newRow("a host line") << 3 << 11 << false << QList<int>{};
        QTest::newRow("the root") << 0 << 11 << false << QList<int>{};
    }
    void dragAndDrop()
    {
        QFETCH(int, dragged);
        QFETCH(int, target);
        QFETCH(bool, moved);
        QFETCH(QList<int>, kindsAfter);
        Loaded l(sample);
        const QByteArray before = l.tree.serialise();
        ServerNode* node = l.at(dragged);
        ServerNode* oldParent = node->parent;
        ServerNode* to = l.at(target);
        QCOMPARE(ServerTree::canDrop(node, to), moved);
        QCOMPARE(l.tree.drop(node, to), moved);
        if (!moved) {
            QCOMPARE(l.tree.serialise(), before);
            return;
        }
        QCOMPARE(node->parent, to);
        QCOMPARE(node->indexInParent(), 0);
        QCOMPARE(l.tree.selected(), node);
        QCOMPARE((QList<int>{oldParent->kind, to->kind}), kindsAfter);
        QCOMPARE(l.tree.count(), 16);
    }

    void bookmarkSelectsANode_data()
    {
        QTest::addColumn<int>("bookmark");
        QTest::addColumn<int>("selected");
        QTest::newRow("a host line") << 14 << 14;
        QTest::newRow("the last node") << 15 << 15;
        QTest::newRow("beyond the last node") << 16 << 0;
        QTest::newRow("far beyond") << 1000 << 0;
        QTest::newRow("negative") << -1 << 1;
    }
    void bookmarkSelectsANode()
    {
        QFETCH(int, bookmark);
        QFETCH(int, selected);
        Loaded l(sample, bookmark);
        QCOMPARE(l.tree.positionOf(l.tree.selected()), selected);
        QCOMPARE(l.tree.bookmark(), selected);
    }

    void theShippedListLoadsWithoutError()
    {
        ScriptedPrompts prompts;
        ServerTree tree(prompts);
        const QString path = QStringLiteral(QUORL_SOURCE_DATA_DIR "/qrlsrvs.txt");
        tree.load(path, 1);
        QCOMPARE(prompts.warnings, QStringList{});
        QVERIFY(!tree.loadFailed());
        QCOMPARE(tree.serialise(), readFile(path));
        int servers = 0;
        bool local = false;
        for (const ServerNode* node : tree.nodes()) {
            const auto target = ServerTree::targetOf(node);
            if (!target)
                continue;
            ++servers;
            QCOMPARE(node->childCount(), 2);
            QVERIFY2(!target->host.isEmpty(), qPrintable(node->text));
            // A "+" marks a TLS port.
            QVERIFY2(QRegularExpression(QStringLiteral("^\\+?\\d+(,\\+?\\d+)*$"))
                         .match(target->portList)
                         .hasMatch(),
                     qPrintable(target->portList));
            if (target->host == QStringLiteral("127.0.0.1") && target->portList == "6667" &&
                node->parent->text == QStringLiteral("Local"))
                local = true;
        }
        QVERIFY(servers >= 7);
        QVERIFY(local);
        // Networks that offer TLS are reached with it first.
        for (const char* host : {"irc.libera.chat", "irc.oftc.net", "irc.dal.net"})
            QVERIFY2(
                readFile(path).contains(QByteArray("HOST: ") + host + "\r\n\t\t\tPORT: +6697,"),
                host);
    }

    void connectingFromTheSelectedNodeReachesTheServer()
    {
        FakeIrcServer server;
        QVERIFY(server.listen());
        QTemporaryDir dir;
        const QString port = QString::number(server.port());
        // The first port of the list is the one tried first.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("qrlsrvs.txt")),
                          QByteArray("SERVER LIST\r\n\tLocal\r\n\t\tTest server\r\n"
                                     "\t\t\tHOST: 127.0.0.1\r\n\t\t\tPORT: ") +
                              port.toLatin1() + ",1\r\n"));
        ScriptedPrompts prompts;
        Client client(dir.path() + u'/', prompts);
        client.session().ident().setPort(0);
        client.options().servers.serverListBookmark = 1; // the folder
        client.loadServerList();
        QVERIFY(!client.connectToSelectedServer());
        QVERIFY(!client.session().lookupPending());
        client.serverTree().select(client.serverTree().nodeAt(2));
        QVERIFY(client.connectToSelectedServer());
        QVERIFY(server.waitForLine(QStringLiteral("USER ")));
        QCOMPARE(client.session().port(), int(server.port()));
        QCOMPARE(client.session().host(), QStringLiteral("127.0.0.1"));
        QVERIFY(!client.connectToSelectedServer()); // already connected
        QCOMPARE(server.connectionCount(), 1);
        QVERIFY(client.statusLog().lines().contains(
            QStringLiteral("Looking up Local - Test server...")));
        // At shutdown the list is written back and the selection becomes the bookmark.
        client.shutdown();
        QCOMPARE(client.options().servers.serverListBookmark, 2);
        QVERIFY(readFile(dir.filePath(QStringLiteral("qrlsrvs.txt"))).contains("\tLocal\r\n"));
    }

    void theViewEditsOnlyWithinASecondOfTheEditButton()
    {
        Loaded l(sample);
        ServerTreeWidget view(l.tree);
        view.show();
        l.tree.select(l.at(1));
        QTreeWidgetItem* item = view.itemFor(l.at(1));
        QVERIFY(item);
        QCOMPARE(view.currentItem(), item);
        QCOMPARE(item->data(0, ServerTreeWidget::KindRole).toInt(), int(ServerKind::Folder));
        QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
        view.editItem(item);
        QVERIFY(!view.isEditing());
        view.editSelected();
        QVERIFY(view.serverTreeEditTimer().isActive());
        QVERIFY(view.isEditing());
        // What the delegate writes back goes through the edit rules.
        item->setText(0, QStringLiteral("   "));
        QCOMPARE(l.at(1)->text, QStringLiteral("Network A"));
        QCOMPARE(item->text(0), QStringLiteral("Network A"));
        // Expanding in the view opens the folder in the model.
        item->setExpanded(true);
        QCOMPARE(l.at(1)->kind, ServerKind::OpenFolder);
        QCOMPARE(item->data(0, ServerTreeWidget::KindRole).toInt(), int(ServerKind::OpenFolder));
    }

    // The style decodes an image file for every icon asked of it, so a view that asked
    // once a node took minutes over a long list; it asks once a kind.
    void aLongListAsksTheStyleForEachKindsIconOnce()
    {
        QByteArray bytes = "SERVER LIST\r\n\tEmpty\r\n";
        for (int i = 0; i < 500; ++i) {
            const QByteArray n = QByteArray::number(i);
            bytes += "\tNetwork " + n + "\r\n\t\tServer " + n + "\r\n\t\t\tHOST: irc" + n +
                     ".example\r\n\t\t\tPORT: 6667\r\n";
        }
        Loaded l(bytes);
        const QString styleName = QApplication::style()->name();
        auto* counting = new IconCountingStyle(QStyleFactory::create(styleName));
        QApplication::setStyle(counting); // the application owns it from here
        int asked = -1;
        int shown = -1;
        {
            ServerTreeWidget view(l.tree);
            view.show();
            shown = view.topLevelItem(0)->childCount();
            view.itemFor(l.at(2))->setExpanded(true); // an open folder has an icon of its own
            asked = counting->icons;
        }
        QApplication::setStyle(QStyleFactory::create(styleName));
        QCOMPARE(shown, 501);
        // Root, empty folder, folder, open folder, server, server data.
        QVERIFY2(asked <= 6, qPrintable(QString::number(asked) + " icons asked"));
    }

    void dragScrollsOnlyInTheBandsAndStopsAtTheEnds()
    {
        QByteArray bytes = "SERVER LIST\r\n";
        for (int i = 0; i < 60; ++i)
            bytes += "\tFolder " + QByteArray::number(i) + "\r\n";
        Loaded l(bytes);
        ServerTreeWidget view(l.tree);
        view.resize(200, 150);
        view.show();
        QScrollBar* bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        const int bottom = view.viewport()->height() - 1;
        view.updateScrollBand(QPoint(50, view.viewport()->height() / 2));
        QVERIFY(!view.serverTreeTimer().isActive());
        view.updateScrollBand(QPoint(50, bottom));
        QCOMPARE(view.scrollDirection(), 1);
        QVERIFY(view.serverTreeTimer().isActive());
        view.autoScrollStep();
        QCOMPARE(bar->value(), bar->minimum() + 1);
        for (int i = 0; i < 100; ++i)
            view.autoScrollStep();
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(!view.serverTreeTimer().isActive());
        view.updateScrollBand(QPoint(50, 1));
        QCOMPARE(view.scrollDirection(), -1);
        view.autoScrollStep();
        QCOMPARE(bar->value(), bar->maximum() - 1);
        view.updateScrollBand(QPoint(50, 3)); // just outside the top band
        QVERIFY(!view.serverTreeTimer().isActive());
    }
};

QUORL_TEST(ServerTreeTest)
#include "servertreetest.moc"
