// Script and object files: what a script loads, what saving writes, numbered copies and
// renames across every script.
#include "script/scriptobjects.h"
#include "core/privateprofile.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Folder
{
    QTemporaryDir dir;
    QString root = dir.path() + u'/';
    Scripts scripts{root};

    Folder() { QDir(root).mkpath(QStringLiteral("scripts/objects")); }

    // "key=value" lines under [DATA].
    void write(const QString& relative, const QStringList& lines) const
    {
        QFile file(root + relative);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[DATA]\r\n" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    }
    void object(const QString& name, const QString& type, const QStringList& more = {}) const
    {
        QStringList lines = more;
        if (!type.isEmpty())
            lines.prepend(QStringLiteral("type=") + type);
        write(QStringLiteral("scripts/objects/") + name + QStringLiteral(".obj"), lines);
    }
    QString value(const QString& relative, const QString& key) const
    {
        return PrivateProfile(root + relative).value(QStringLiteral("DATA"), key, u"<none>"_s);
    }
    QStringList entryTexts() const
    {
        QStringList texts;
        for (const ScriptEntry& e : scripts.entries())
            texts << (e.enabled ? u"1,"_s : u"0,"_s) + e.name;
        return texts;
    }
};
} // namespace

class ScriptObjectsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyScriptSavesMinusOneAndLoadsEmpty()
    {
        Folder f;
        f.object(QStringLiteral("Greeter"), QStringLiteral("channelautogreet"));
        QVERIFY(!f.scripts.addObject(QStringLiteral("Greeter.obj")).isEmpty());
        f.scripts.newScript();
        QCOMPARE(f.scripts.caption(), u"Current Script is: NewScript"_s);
        QVERIFY(f.scripts.save(QStringLiteral("Empty.sct")));
        QCOMPARE(f.value(u"scripts/Empty.sct"_s, u"maxobject"_s), u"-1"_s);
        QCOMPARE(f.value(u"scripts/Empty.sct"_s, u"0"_s), u"<none>"_s);
        f.scripts.load(QStringLiteral("Empty.sct"));
        QVERIFY(f.scripts.entries().isEmpty());
        QCOMPARE(f.scripts.count(), 0);
        QCOMPARE(f.scripts.caption(), u"Current Script is: Empty.sct"_s);
    }

    // Flags, missing object files, an object without "type", and the round trip of save.
    void loadKeepsFlagsAndSkipsWhatIsMissing()
    {
        Folder f;
        f.object(QStringLiteral("Off"), QStringLiteral("channelautoop"),
                 {u"channel=#a"_s, u"addresslist=*!*@ppp1.x,"_s});
        f.object(QStringLiteral("On"), QStringLiteral("channelautogreet"),
                 {u"channel=#b"_s, u"message=Hi <nick>"_s});
        f.object(QStringLiteral("Typeless"), QString(), {u"channel=#c"_s});
        f.object(QStringLiteral("Last"), QStringLiteral("channelautovoice"), {u"channel=all"_s});
        f.write(u"scripts/Chat.sct"_s, {u"maxobject=5"_s, u"0=0,Off"_s, u"1=1,On"_s,
                                        u"2=1,Missing"_s, u"3=1,Typeless"_s, u"5=1,Last"_s});
        f.scripts.load(QStringLiteral("Chat.sct"));
        QCOMPARE(f.entryTexts(),
                 (QStringList{u"0,Off"_s, u"1,On"_s, u"1,Typeless"_s, u"1,Last"_s}));
        // Only the enabled objects with a known type are loaded, in list order; keys the
        // file lacks read as "x".
        QCOMPARE(f.scripts.count(), 2);
        QCOMPARE(f.scripts.at(0).type, u"channelautogreet"_s);
        QCOMPARE(f.scripts.at(0).channel, u"#b"_s);
        QCOMPARE(f.scripts.object(0).message, u"Hi <nick>"_s);
        QCOMPARE(f.scripts.object(0).sendAs, u"x"_s);
        QCOMPARE(f.scripts.at(1).type, u"channelautovoice"_s);

        f.scripts.setEnabled(0, true);
        QCOMPARE(f.scripts.count(), 3);
        QCOMPARE(f.scripts.at(0).type, u"channelautoop"_s);
        QVERIFY(f.scripts.moveEntry(3, -1));
        QVERIFY(!f.scripts.moveEntry(0, -1));
        QVERIFY(f.scripts.save(QStringLiteral("Chat.sct")));
        QCOMPARE(f.value(u"scripts/Chat.sct"_s, u"maxobject"_s), u"3"_s);
        QCOMPARE(f.value(u"scripts/Chat.sct"_s, u"2"_s), u"1,Last"_s);
        QCOMPARE(f.value(u"scripts/Chat.sct"_s, u"3"_s), u"1,Typeless"_s);
        // The old fifth key went with the section.
        QCOMPARE(f.value(u"scripts/Chat.sct"_s, u"5"_s), u"<none>"_s);
    }

    void wordListReadsALastWordWithoutComma_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("commas") << u"hello,bye,"_s << QStringList{u"hello"_s, u"bye"_s};
        QTest::newRow("last without") << u"hello,bye"_s << QStringList{u"hello"_s, u"bye"_s};
        QTest::newRow("blank tail") << u"hello, "_s << QStringList{u"hello"_s};
        QTest::newRow("empty") << QString() << QStringList();
    }
    void wordListReadsALastWordWithoutComma()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, words);
        Folder f;
        f.object(QStringLiteral("Resp"), QStringLiteral("channelautoontext"),
                 {u"channel=all"_s, u"wordlist="_s + stored});
        f.write(u"scripts/R.sct"_s, {u"maxobject=0"_s, u"0=1,Resp"_s});
        f.scripts.load(QStringLiteral("R.sct"));
        QCOMPARE(f.scripts.count(), 1);
        QCOMPARE(f.scripts.object(0).words, words);
    }

    // A name already listed gets the first free number and a new file with the defaults
    // of its type, never the settings of the original nor a file that already exists.
    void addingTwiceMakesANumberedObjectWithDefaults()
    {
        Folder f;
        f.object(QStringLiteral("Greeter"), QStringLiteral("channelautogreet"),
                 {u"channel=#mine"_s, u"message=Custom"_s, u"sendas=3"_s});
        f.object(QStringLiteral("Greeter1"), QStringLiteral("channelautoop"),
                 {u"channel=#other"_s});
        QCOMPARE(f.scripts.addObject(QStringLiteral("Greeter.obj")), u"Greeter"_s);
        QCOMPARE(f.scripts.addObject(QStringLiteral("Greeter.obj")), u"Greeter2"_s);
        QCOMPARE(f.entryTexts(), (QStringList{u"0,Greeter"_s, u"0,Greeter2"_s}));
        const QString copy = u"scripts/objects/Greeter2.obj"_s;
        QCOMPARE(f.value(copy, u"type"_s), u"channelautogreet"_s);
        QCOMPARE(f.value(copy, u"channel"_s), QString());
        QCOMPARE(f.value(copy, u"message"_s),
                 u"Welcome to <channel>, <nick>!  Thanks for stopping by! If you have any "
                 "questions about our channel, just ask <yournick>."_s);
        QCOMPARE(f.value(copy, u"sendto"_s), u"0"_s);
        QCOMPARE(f.value(copy, u"sendnicklist"_s), QString());
        QCOMPARE(f.value(copy, u"sendas"_s), u"0"_s);
        QCOMPARE(f.value(u"scripts/objects/Greeter1.obj"_s, u"channel"_s), u"#other"_s);
        // Adding leaves the object list alone: the new entries are unchecked.
        QCOMPARE(f.scripts.count(), 0);
    }

    void renameRewritesEveryScriptInAnyCase()
    {
        Folder f;
        f.object(QStringLiteral("Greeter"), QStringLiteral("channelautogreet"), {u"channel=all"_s});
        f.object(QStringLiteral("Other"), QStringLiteral("channelautoop"));
        f.write(u"scripts/a.sct"_s, {u"maxobject=1"_s, u"0=1,Greeter"_s, u"1=0,Other"_s});
        f.write(u"scripts/b.sct"_s, {u"maxobject=1"_s, u"0=0,GREETER"_s, u"1=1,greeter"_s});
        f.scripts.load(QStringLiteral("a.sct"));
        QCOMPARE(f.scripts.renameObject(0, QStringLiteral("  Hello ")),
                 Scripts::RenameResult::Renamed);
        QVERIFY(QFile::exists(f.root + u"scripts/objects/Hello.obj"_s));
        QVERIFY(!QFile::exists(f.root + u"scripts/objects/Greeter.obj"_s));
        QCOMPARE(f.entryTexts(), (QStringList{u"1,Hello"_s, u"0,Other"_s}));
        QCOMPARE(f.scripts.count(), 1);
        QCOMPARE(f.value(u"scripts/a.sct"_s, u"0"_s), u"1,Hello"_s);
        QCOMPARE(f.value(u"scripts/a.sct"_s, u"1"_s), u"0,Other"_s);
        QCOMPARE(f.value(u"scripts/b.sct"_s, u"0"_s), u"0,Hello"_s);
        QCOMPARE(f.value(u"scripts/b.sct"_s, u"1"_s), u"1,Hello"_s);
    }

    // File names here tell letter cases apart: an entry spelled like another object's
    // own file names that object and keeps it.
    void renameLeavesAnotherSpellingsOwnObject()
    {
        Folder f;
        f.object(QStringLiteral("Greeter"), QStringLiteral("channelautogreet"));
        f.object(QStringLiteral("GREETER"), QStringLiteral("channelautoop"));
        f.write(u"scripts/b.sct"_s, {u"maxobject=1"_s, u"0=0,GREETER"_s, u"1=1,greeter"_s});
        QVERIFY(!f.scripts.addObject(QStringLiteral("Greeter.obj")).isEmpty());
        QCOMPARE(f.scripts.renameObject(0, QStringLiteral("Hello")),
                 Scripts::RenameResult::Renamed);
        QCOMPARE(f.value(u"scripts/b.sct"_s, u"0"_s), u"0,GREETER"_s);
        QCOMPARE(f.value(u"scripts/b.sct"_s, u"1"_s), u"1,Hello"_s);
    }

    void renameRefusesTakenAndUnsafeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Scripts::RenameResult>("result");
        QTest::newRow("taken") << u"Other"_s << Scripts::RenameResult::NameTaken;
        QTest::newRow("empty") << u"   "_s << Scripts::RenameResult::InvalidName;
        QTest::newRow("slash") << u"../Escaped"_s << Scripts::RenameResult::InvalidName;
        QTest::newRow("dots") << u".."_s << Scripts::RenameResult::InvalidName;
        QTest::newRow("backslash") << u"a\\b"_s << Scripts::RenameResult::InvalidName;
    }
    void renameRefusesTakenAndUnsafeNames()
    {
        QFETCH(QString, name);
        QFETCH(Scripts::RenameResult, result);
        Folder f;
        f.object(QStringLiteral("Greeter"), QStringLiteral("channelautogreet"));
        f.object(QStringLiteral("Other"), QStringLiteral("channelautoop"));
        f.scripts.addObject(QStringLiteral("Greeter.obj"));
        QCOMPARE(f.scripts.renameObject(0, name), result);
        QVERIFY(QFile::exists(f.root + u"scripts/objects/Greeter.obj"_s));
        QCOMPARE(f.value(u"scripts/objects/Other.obj"_s, u"type"_s), u"channelautoop"_s);
        QVERIFY(!QFile::exists(f.root + u"scripts/Escaped.obj"_s));
        QCOMPARE(f.entryTexts(), QStringList{u"0,Greeter"_s});
    }

    void startLoadsTheLastScriptOnlyWhenItExists()
    {
        Folder f;
        f.object(QStringLiteral("G"), QStringLiteral("channelautogreet"));
        f.write(u"scripts/Mine.sct"_s, {u"maxobject=0"_s, u"0=1,G"_s});
        QVERIFY(!f.scripts.loadLast(QStringLiteral("0dsae")));
        QVERIFY(f.scripts.currentName().isEmpty());
        QVERIFY(f.scripts.loadLast(QStringLiteral("Mine")));
        QCOMPARE(f.scripts.currentName(), u"Mine.sct"_s);
        QCOMPARE(f.scripts.count(), 1);
    }
};

QUORL_TEST(ScriptObjectsTest)
#include "scriptobjectstest.moc"
