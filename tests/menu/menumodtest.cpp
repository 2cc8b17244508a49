// Menu mods: compiling menupile's lines into entries, the mod file, and running a chosen
// entry's commands with their placeholders.
#include "menu/menumod.h"
#include "core/privateprofile.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// "caption>parent" for every placed entry, in placement order; the top entry is "^".
QStringList tree(const CompiledMenuMod& mod)
{
    QStringList placed;
    for (int index : mod.placement) {
        const MenuModEntry& e = mod.entries.at(index);
        placed << e.caption + u'>' +
                      (e.parent == MenuModEntry::TopEntry ? u"^"_s
                                                          : mod.entries.at(e.parent).caption);
    }
    return placed;
}
} // namespace

class MenuModTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void compile_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QStringList>("placed");
        QTest::addColumn<int>("stoppedAt");
        QTest::newRow("nested") << QStringList{u"  Friends "_s,
                                               u".Greet:/msg <nick> hi"_s,
                                               u""_s,
                                               u".More"_s,
                                               u"..Op:/mode <channel> +o <nick>"_s,
                                               u"..Voice:/mode x"_s}
                                << u"Friends"_s
                                << QStringList{u"Greet>^"_s, u"More>^"_s, u"Op>More"_s,
                                               u"Voice>More"_s}
                                << -1;
        // A command entry can also be the parent of a header below it.
        QTest::newRow("header under a command")
            << QStringList{u"Top"_s, u".Run:/clear"_s, u"..Header"_s} << u"Top"_s
            << QStringList{u"Run>^"_s, u"Header>Run"_s} << -1;
        // Level 3 straight after level 1 has no parent: the compile stops there, with
        // everything of the lower levels already placed.
        QTest::newRow("level jump") << QStringList{u"Top"_s,   u".A:/a"_s,  u"...Deep:/d"_s,
                                                   u".B:/b"_s, u"..C:/c"_s, u"....Deeper"_s}
                                    << u"Top"_s << QStringList{u"A>^"_s, u"B>^"_s, u"C>B"_s} << 1;
        QTest::newRow("dot first line")
            << QStringList{u".Top"_s, u".A:/a"_s} << QString() << QStringList() << -1;
        QTest::newRow("dash first line")
            << QStringList{u"-"_s, u".A:/a"_s} << QString() << QStringList() << -1;
        QTest::newRow("level zero and fifteen are ignored")
            << QStringList{u"Top"_s, u"Zero:/z"_s, u".A"_s, u"..............."_s + u"Fifteen"_s}
            << u"Top"_s << QStringList{u"A>^"_s} << -1;
        QTest::newRow("empty") << QStringList{u"   "_s} << QString() << QStringList() << -1;
    }
    void compile()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, top);
        QFETCH(QStringList, placed);
        QFETCH(int, stoppedAt);
        const CompiledMenuMod mod = MenuModText::compile(lines);
        QCOMPARE(mod.hasTop, !top.isEmpty());
        QCOMPARE(mod.topCaption, top);
        QCOMPARE(tree(mod), placed);
        QCOMPARE(mod.stoppedAt, stoppedAt);
    }

    void captionAndCommandSplitAtTheFirstColon()
    {
        const CompiledMenuMod mod =
            MenuModText::compile({u"Top"_s, u".Say: it:/me says: hi  /msg a b"_s});
        QCOMPARE(mod.entries.size(), 1);
        QCOMPARE(mod.entries.first().caption, u"Say"_s);
        QCOMPARE(mod.entries.first().command, u" it:/me says: hi  /msg a b"_s);
        QCOMPARE(MenuModText::commandPieces(u" /me a  /msg b c  /  "_s),
                 (QStringList{u"/me a"_s, u"/msg b c"_s, u"/  "_s}));
        QCOMPARE(MenuModText::commandPieces(u"/msg a one space /x"_s),
                 QStringList{u"/msg a one space /x"_s});
    }

    // The chosen entry's commands run in order in the window, with the last selected
    // nick and the channel in place.
    void entryRunsItsCommandsInOrder()
    {
        SessionFixture f;
        QVERIFY(f.registerAs(u"me"_s));
        f.server.sendLine(u":me!u@h JOIN :#room"_s);
        QVERIFY(f.sync());
        ChatWindow* window = f.client.windows().findChannelWindow(u"#room"_s);
        QVERIFY(window);
        MenuMods& mods = f.client.menuMods();
        mods.setLines({u"Mine"_s,
                       u".Hug:/me hugs <nick>  /msg <nick> from <yournick> in <channel>"_s,
                       u".Hug:/msg never ran"_s, u".Head"_s});
        mods.compile();
        f.server.clearReceived();
        QVERIFY(mods.runEntry(u"Hug"_s, window, {u"ann"_s, u"Bob"_s}));
        QVERIFY(mods.runEntry(u"Head"_s, window, {}));
        QVERIFY(!mods.runEntry(u"Nothing"_s, window, {}));
        QVERIFY(f.sync());
        QStringList sent = f.server.received();
        sent.removeIf([](const QString& line) { return line.startsWith(u"PONG"_s); });
        QCOMPARE(sent, (QStringList{u"PRIVMSG #room :\x01"
                                    "ACTION hugs Bob\x01"_s,
                                    u"PRIVMSG Bob :from me in #room"_s}));
    }

    void modFileLoadAndSave()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + u'/';
        QDir(root).mkpath(u"Menu Mods"_s);
        ScriptedPrompts prompts;
        Client client(root, prompts);
        MenuMods& mods = client.menuMods();
        QSignalSpy labels(&mods, &MenuMods::labelChanged);

        mods.setLines({u"Top"_s, QString(), u".A:/a"_s});
        QVERIFY(mods.saveMod(root + u"Menu Mods/Mine.mnu"_s));
        QCOMPARE(mods.label(), u"Current Menu Mod is: Mine.mnu"_s);
        QCOMPARE(client.options().menuMod.modName, u"Mine.mnu"_s);
        const PrivateProfile saved(root + u"Menu Mods/Mine.mnu"_s);
        QCOMPARE(saved.value(u"MOD"_s, u"maxmod"_s), u"2"_s);
        QCOMPARE(saved.value(u"MOD"_s, u"1"_s, u"<none>"_s), QString());
        QCOMPARE(saved.value(u"MOD"_s, u"2"_s), u".A:/a"_s);
        QVERIFY(mods.compiled().hasTop);

        // Loading reads the file of the chosen name from "Menu Mods", whatever folder
        // the dialog was in; blank lines are not kept.
        mods.setLines({});
        mods.loadMod(u"/elsewhere/Mine.mnu"_s);
        QCOMPARE(mods.lines(), (QStringList{u"Top"_s, u".A:/a"_s}));
        QCOMPARE(tree(mods.compiled()), QStringList{u"A>^"_s});
        QCOMPARE(labels.size(), 2);

        // A missing file is an empty mod.
        client.options().menuMod.modName = u"gone.mnu"_s;
        mods.loadCurrent();
        QVERIFY(mods.lines().isEmpty());
        QVERIFY(!mods.compiled().hasTop);
    }
};

QUORL_TEST(MenuModTest)
#include "menumodtest.moc"
