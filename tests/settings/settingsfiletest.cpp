// quorl.ini: every value survives a write and a read, each key follows its own read rule,
// damaged values keep their defaults without ending the read, and what the client does
// not know stays in the file.
#include "settings/settingsfile.h"
#include "settings/filledsettings.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>

namespace {
struct Loaded
{
    Options options;
    StoredState state;
    QStringList problems;
};

// Reads an INI text through every read pass, in start-up order.
Loaded readText(const QByteArray& ini, const std::function<void(Options&)>& preset = {})
{
    SettingsFile file(QStringLiteral("unused.ini"));
    file.profile().setBytes(ini);
    Loaded l;
    if (preset)
        preset(l.options);
    file.readPoster(l.options);
    file.readSettings(l.options, l.state);
    file.readWindowPlacement(l.state);
    l.problems = file.problems();
    return l;
}

// Writes over an INI text (empty for a new file) and returns the document.
PrivateProfile written(const Options& options, const StoredState& state,
                       const QByteArray& before = QByteArray())
{
    SettingsFile file(QStringLiteral("unused.ini"));
    file.profile().setBytes(before);
    file.writeSettings(options, state);
    return file.profile();
}

QString flag(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

// A value of the model or the stored state, as text, by a short name.
QString probe(const QString& name, const Loaded& l)
{
    const Options& o = l.options;
    const std::map<QString, std::function<QString()>> probes{
        {"autolog", [&] { return flag(o.display.autoLog); }},
        {"invisible", [&] { return flag(o.connection.invisible); }},
        {"reconnect", [&] { return flag(o.connection.reconnect); }},
        {"ignoreall", [&] { return flag(o.display.ignorePrivateChats); }},
        {"raccept", [&] { return flag(o.sound.acceptRequests); }},
        {"noPoster", [&] { return flag(o.appearance.noPoster); }},
        {"flood", [&] { return flag(o.ignore.floodProtection); }},
        {"chatAction", [&] { return QString::number(int(o.dcc.chatInboundAction)); }},
        {"fileAction", [&] { return QString::number(int(o.dcc.fileInboundAction)); }},
        {"useOther", [&] { return flag(o.browser.useOther); }},
        {"browserPath", [&] { return o.browser.path; }},
        {"bookmark", [&] { return QString::number(l.state.serverListBookmark); }},
        {"ignoreTime", [&] { return QString::number(o.ignore.ignoreTime); }},
        {"floodLines", [&] { return QString::number(o.ignore.floodLines); }},
        {"historyLimit", [&] { return QString::number(o.display.historyLimit); }},
        {"history",
         [&] {
             const HistoryOptions& h = o.history;
             return flag(h.enabled) + u'|' + flag(h.privateChats) + u'|' +
                    QString::number(h.keepDays) + u'|' + QString::number(h.reopenLines);
         }},
        {"fileServer",
         [&] {
             const FileServerOptions& f = o.fileServer;
             return flag(f.enabled) + u'|' + f.root + u'|' + f.trigger + u'|' +
                    QString::number(f.maxUsers) + u'|' + QString::number(f.maxGets) + u'|' +
                    f.greeting;
         }},
        {"maximized", [&] { return flag(l.state.window.maximized); }},
        {"bounds",
         [&] {
             const QRect r = l.state.window.bounds;
             return QStringLiteral("%1 %2 %3 %4")
                 .arg(r.x())
                 .arg(r.y())
                 .arg(r.width())
                 .arg(r.height());
         }},
        {"sound3",
         [&] {
             const SoundEntry& e = o.sound.soundlist.entry(3);
             return flag(e.checked) + u'|' + e.path;
         }},
        {"nicknames", [&] { return o.user.nicknames.join(u'|'); }},
        {"nickname", [&] { return o.user.nickname; }},
        {"notify",
         [&] {
             const NotifyOptions& n = o.notify;
             QString s;
             for (bool b : {n.showAddress, n.showChannels, n.showIdle, n.showName, n.showPing,
                            n.showServer, n.showTime, n.showVersion})
                 s += b ? u'1' : u'0';
             return s;
         }},
        {"notifies", [&] { return o.notify.nicknames.join(u'|'); }},
        {"filters", [&] { return o.dcc.filters.join(u'|'); }},
        {"aliases", [&] { return o.textEntry.aliases.join(u'|'); }},
        {"favourites", [&] { return o.channels.favourites.join(u'|'); }},
        {"themeUses", [&] { return o.display.themeUses.join(u'|'); }},
        {"editorTheme", [&] { return l.state.editorTheme; }},
        {"versionSwitch", [&] { return flag(o.ctcp.answerVersion); }},
        {"versionText", [&] { return o.ctcp.versionText; }},
        {"timeSwitch", [&] { return flag(o.ctcp.messageOnTime); }},
        {"quitSwitch", [&] { return flag(o.connection.sendQuitMessage); }},
        {"quit", [&] { return o.connection.quitMessage; }},
        {"away", [&] { return flag(o.connection.away); }},
        {"joinOnInvite", [&] { return flag(o.connection.autoJoinOnInvite); }},
        {"realName", [&] { return o.user.realName; }},
        {"email", [&] { return o.user.email; }},
        {"ident", [&] { return o.user.ident; }},
        {"lastPoster", [&] { return o.appearance.lastPoster; }},
        {"tileFrameColor", [&] { return QString::number(o.appearance.tileFrameColor); }},
        {"modName", [&] { return o.menuMod.modName; }},
        {"lastScript", [&] { return o.scripts.lastScript; }},
        {"hideTraffic", [&] { return flag(o.display.hideTraffic); }},
        {"saveFolder", [&] { return o.dcc.saveFolder; }},
        {"soundFolder", [&] { return o.sound.soundFolder; }},
        {"rprivate", [&] { return flag(o.sound.privateRequests); }},
        {"recent2",
         [&] {
             const RecentServerSlot& s = l.state.recentServers.at(2);
             return s.label + u'|' + s.host + u'|' + s.port;
         }},
    };
    const auto found = probes.find(name);
    return found == probes.end() ? QStringLiteral("<no probe ") + name + u'>' : found->second();
}

} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTripKeepsEveryValue()
    {
        Options o;
        StoredState s;
        fillEverything(o, s);
        QTemporaryDir dir;
        // The theme open in the editor is read back only while its file is there.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("themes")));
        QFile theme(dir.filePath(QStringLiteral("themes/dark.qth")));
        QVERIFY(theme.open(QIODevice::WriteOnly));
        theme.close();
        const QString path = SettingsFile::fileName(dir.path() + u'/');
        {
            SettingsFile file(path);
            QVERIFY(file.load());
            file.writeSettings(o, s);
            QVERIFY(file.save());
        }
        SettingsFile file(path);
        QVERIFY(file.load());
        Options r;
        StoredState t;
        file.readPoster(r);
        file.readSettings(r, t);
        file.readWindowPlacement(t);
        QCOMPARE(file.problems(), QStringList());

        // Written again from what was read, every key comes out the same: no value was
        // lost or changed on the way.
        QCOMPARE(written(r, t).toBytes(), written(o, s).toBytes());
        QCOMPARE(r.user.nickname, QStringLiteral("Bob"));
        QCOMPARE(r.textEntry.aliases, o.textEntry.aliases);
        QVERIFY(r.sound.soundlist == o.sound.soundlist);
        QCOMPARE(t.window.bounds, s.window.bounds);
        QVERIFY(t.recentServers == s.recentServers);
        QCOMPARE(t.permanentIgnores, s.permanentIgnores);
    }

    // Sections appear in the order the write pass first reaches them.
    void newFileHasSectionsInWriteOrder()
    {
        Options o;
        StoredState s;
        s.recentServers.at(0) = {"Home", "irc.home", "6667"};
        QStringList headers;
        for (const QByteArray& line : written(o, s).toBytes().split('\n')) {
            if (line.startsWith('['))
                headers << QString::fromLatin1(line.trimmed());
        }
        QCOMPARE(headers, (QStringList{"[MISC]", "[SCRIPTS]", "[FILTERS]", "[ALIASES]", "[servers]",
                                       "[SOUND]", "[user]", "[IGNORE]", "[DCC]", "[FILESERVER]",
                                       "[NOTIFY]", "[DISPLAY]", "[MESSAGES]", "[CHANNELS]",
                                       "[PRIVATECHAT]", "[HISTORY]"}));
    }

    void messageSwitchesUseCrossedKeys_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("key");
        QTest::newRow("quit") << 0 << "xquit";
        QTest::newRow("leave") << 1 << "xleave";
        QTest::newRow("version is xtime") << 2 << "xtime";
        QTest::newRow("away is xversion") << 3 << "xversion";
        QTest::newRow("time is xaway") << 4 << "xaway";
        QTest::newRow("ping") << 5 << "xping";
    }
    void messageSwitchesUseCrossedKeys()
    {
        QFETCH(int, which);
        QFETCH(QString, key);
        const auto switches = [](Options& o) {
            return std::array<bool*, 6>{&o.connection.sendQuitMessage, &o.display.sayOnLeave,
                                        &o.ctcp.answerVersion,         &o.connection.away,
                                        &o.ctcp.messageOnTime,         &o.ctcp.messageOnPing};
        };
        Options o;
        for (bool* b : switches(o))
            *b = false;
        *switches(o)[which] = true;
        const PrivateProfile doc = written(o, StoredState());
        for (const char* k : {"xquit", "xleave", "xtime", "xversion", "xaway", "xping"}) {
            const QString expected = QLatin1String(k) == key ? "1" : "0";
            QCOMPARE(doc.value("MESSAGES", QLatin1String(k)), expected);
        }

        QByteArray ini = "[MESSAGES]\n";
        for (const char* k : {"xquit", "xleave", "xtime", "xversion", "xaway", "xping"})
            ini += QByteArray(k) + (QLatin1String(k) == key ? "=1\n" : "=0\n");
        Loaded l = readText(ini);
        const auto read = switches(l.options);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(*read[i], i == which);
    }

    // Each key's read rule, and what a value outside it leaves behind.
    void readRules_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("any-but-zero: 2") << QByteArray("[MISC]\nautolog=2") << "autolog"
                                         << "true";
        QTest::newRow("any-but-zero: empty") << QByteArray("[MISC]\nautolog=") << "autolog"
                                             << "true";
        QTest::newRow("any-but-zero: 0") << QByteArray("[MISC]\nautolog=0") << "autolog"
                                         << "false";
        QTest::newRow("any-but-zero: sound") << QByteArray("[SOUND]\nraccept=yes") << "raccept"
                                             << "true";
        QTest::newRow("one-only: 2") << QByteArray("[MESSAGES]\ninvisible=2") << "invisible"
                                     << "false";
        QTest::newRow("one-only: 1") << QByteArray("[messages]\nINVISIBLE=1") << "invisible"
                                     << "true";
        QTest::newRow("one-only: private")
            << QByteArray("[PRIVATECHAT]\nignoreall=1") << "ignoreall"
            << "true";
        QTest::newRow("one-only: poster") << QByteArray("[MISC]\nuseposter=1") << "noPoster"
                                          << "true";
        QTest::newRow("flood 0 clears") << QByteArray("[IGNORE]\nfloodprotection=0") << "flood"
                                        << "false";
        QTest::newRow("flood 2 leaves") << QByteArray("[IGNORE]\nfloodprotection=2") << "flood"
                                        << "true";
        QTest::newRow("choice in range") << QByteArray("[DCC]\nchatinboundaction=1") << "chatAction"
                                         << "1";
        QTest::newRow("choice out of range")
            << QByteArray("[DCC]\nchatinboundaction=3") << "chatAction"
            << "2";
        QTest::newRow("choice not a number")
            << QByteArray("[DCC]\nfileinboundaction=x") << "fileAction"
            << "1";
        QTest::newRow("browser path read when overridden")
            << QByteArray("[MISC]\nbrowseroverride=1\nbrowserpath=/bin/b") << "browserPath"
            << "/bin/b";
        QTest::newRow("browser path unread by default")
            << QByteArray("[MISC]\nbrowseroverride=0\nbrowserpath=/bin/b") << "browserPath"
            << "";
        QTest::newRow("browser choice out of range")
            << QByteArray("[MISC]\nbrowseroverride=7") << "useOther"
            << "false";
        QTest::newRow("bookmark") << QByteArray("[servers]\nserverlistbookmark=7") << "bookmark"
                                  << "7";
        QTest::newRow("negative bookmark is 1")
            << QByteArray("[servers]\nserverlistbookmark=-4") << "bookmark"
            << "1";
        QTest::newRow("bookmark +3") << QByteArray("[servers]\nserverlistbookmark=+3") << "bookmark"
                                     << "3";
        QTest::newRow("bookmark 3.0")
            << QByteArray("[servers]\nserverlistbookmark=3.0") << "bookmark"
            << "1";
        QTest::newRow("ignore time out of range")
            << QByteArray("[IGNORE]\nignoretime=8") << "ignoreTime"
            << "3";
        QTest::newRow("flood lines too many")
            << QByteArray("[IGNORE]\nfloodlines=1000") << "floodLines"
            << "10";
        QTest::newRow("history without end")
            << QByteArray("[DISPLAY]\nhistorylimit=0") << "historyLimit"
            << "0";
        QTest::newRow("history limit below zero")
            << QByteArray("[DISPLAY]\nhistorylimit=-5") << "historyLimit"
            << "200000";
        // The switch is never stored: the server starts off; sliders keep their range.
        QTest::newRow("file server")
            << QByteArray("[FILESERVER]\non=1\nroot=/srv/x/\ntrigger=!get\nmaxusers=20\n"
                          "maxgets=1\ngreet=hi.txt")
            << "fileServer"
            << "false|/srv/x/|!get|20|1|hi.txt";
        QTest::newRow("file server sliders out of range")
            << QByteArray("[FILESERVER]\nmaxusers=0\nmaxgets=21") << "fileServer"
            << "false||!FileServe|5|3|";
        QTest::newRow("no winstate: maximized") << QByteArray("[MISC]\nwinx=5") << "maximized"
                                                << "true";
        QTest::newRow("winstate 2: maximized")
            << QByteArray("[MISC]\nwinstate=2\nwinx=5\nwiny=6\nwinwidth=7\nwinheight=8") << "bounds"
            << "100 100 100 100";
        QTest::newRow("winstate 0: placed")
            << QByteArray("[MISC]\nwinstate=0\nwinx=5\nwiny=6\nwinwidth=700\nwinheight=500")
            << "bounds"
            << "5 6 700 500";
        QTest::newRow("sound with blanks")
            << QByteArray("[SOUND]\ns3=1,  /snd/a b.wav  ") << "sound3"
            << "true|/snd/a b.wav";
        QTest::newRow("sound 0,") << QByteArray("[SOUND]\ns3=0,") << "sound3"
                                  << "false|";
        QTest::newRow("sound flag x") << QByteArray("[SOUND]\ns3=x,/a.wav") << "sound3"
                                      << "false|/a.wav";
        QTest::newRow("notifylimit short") << QByteArray("[NOTIFY]\nnotifylimit=10") << "notify"
                                           << "10111111";
        QTest::newRow("notifylimit all off")
            << QByteArray("[NOTIFY]\nnotifylimit=00000000") << "notify"
            << "00000000";
        QTest::newRow("notifies") << QByteArray("[NOTIFY]\nnotifies=zed,amy") << "notifies"
                                  << "zed|amy";
        QTest::newRow("notifies empty") << QByteArray("[NOTIFY]\nnotifies=") << "notifies"
                                        << "";
        QTest::newRow("editor theme none") << QByteArray("[DISPLAY]\nrecent=f") << "editorTheme"
                                           << "";
        QTest::newRow("recent slot in use")
            << QByteArray("[servers]\nrecent2=Home\nrecenthost2=irc.home") << "recent2"
            << "Home|irc.home|empty";
        QTest::newRow("recent slot unused")
            << QByteArray("[servers]\nrecent2=\nrecenthost2=irc.home\nrecentport2=1") << "recent2"
            << "|empty|empty";
    }
    void readRules()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        // Flood protection starts ticked and the DCC offers at "Prompt", so that "leaves
        // it" can be seen.
        const Loaded l = readText(ini, [](Options& o) {
            o.ignore.floodProtection = true;
            o.dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
            o.dcc.fileInboundAction = DccOptions::FileOffer::Prompt;
        });
        QCOMPARE(::probe(probe, l), expected);
    }

    // A key that is missing takes its read default, whatever the model held
    // before: a file of another release, or a new one, is read the same way every time.
    void missingKeysTakeTheirReadDefaults_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        const QList<std::pair<const char*, const char*>> defaults{
            {"versionSwitch", "false"},
            {"versionText", ""},
            {"timeSwitch", "false"},
            {"quitSwitch", "false"},
            {"quit", ""},
            {"away", "false"},
            {"joinOnInvite", "false"},
            {"invisible", "false"},
            {"reconnect", "true"},
            {"ignoreall", "false"},
            {"realName", ""},
            {"email", ""},
            {"ident", ""},
            {"lastPoster", "fl2xfvc.dcm"},
            {"noPoster", "false"},
            {"tileFrameColor", "0"},
            {"modName", "1"},
            {"lastScript", "0dsae"},
            {"autolog", "false"},
            {"hideTraffic", "false"},
            {"useOther", "false"},
            {"bookmark", "1"},
            {"raccept", "false"},
            {"rprivate", "false"},
            {"sound3", "false|"},
            {"soundFolder", ""},
            {"nicknames", "Yournick"},
            {"nickname", "Yournick"},
            {"chatAction", "0"},
            {"fileAction", "0"},
            {"saveFolder", ""},
            {"ignoreTime", "3"},
            {"flood", "false"},
            {"floodLines", "10"},
            {"historyLimit", "200000"},
            {"history", "true|true|0|500"},
            {"notify", "11111111"},
            {"notifies", ""},
            {"themeUses", ""},
            {"editorTheme", ""},
            {"maximized", "true"},
            {"recent2", "|empty|empty"},
        };
        for (const auto& [probe, expected] : defaults)
            QTest::newRow(probe) << QString::fromLatin1(probe) << QString::fromLatin1(expected);
    }
    void missingKeysTakeTheirReadDefaults()
    {
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        const Loaded l = readText("[OTHER]\nkey=value\n", [](Options& o) {
            StoredState unused;
            fillEverything(o, unused);
        });
        QCOMPARE(::probe(probe, l), expected);
        QCOMPARE(l.problems, QStringList());
    }

    void missingKeysBesideOthers_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("browser path missing when overridden")
            << QByteArray("[MISC]\nbrowseroverride=1") << "browserPath"
            << "0";
        QTest::newRow("VERSION text stored, switch missing")
            << QByteArray("[MESSAGES]\nversion=Mine") << "versionSwitch"
            << "false";
        QTest::newRow("e-mail stored, ident missing") << QByteArray("[USER]\nemail=me@x") << "ident"
                                                      << "";
    }
    void missingKeysBesideOthers()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        QCOMPARE(::probe(probe, readText(ini)), expected);
    }

    // DISPLAY recent names the theme open in the editor: one whose file does not exist
    // (the read default "0" included) opens none, and is written back as "f".
    void editorThemeNeedsItsFile_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("written");
        QTest::newRow("missing") << QByteArray("[DISPLAY]\nlasttheme=-1\n") << "f";
        QTest::newRow("no such theme") << QByteArray("[DISPLAY]\nrecent=gone\n") << "f";
        QTest::newRow("none") << QByteArray("[DISPLAY]\nrecent=f\n") << "f";
        QTest::newRow("theme file there") << QByteArray("[DISPLAY]\nrecent=dark\n") << "dark";
    }
    void editorThemeNeedsItsFile()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, written);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("themes")));
        QFile theme(dir.filePath(QStringLiteral("themes/dark.qth")));
        QVERIFY(theme.open(QIODevice::WriteOnly));
        theme.close();
        const QString path = SettingsFile::fileName(dir.path() + u'/');
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        SettingsFile settings(path);
        QVERIFY(settings.load());
        Options o;
        StoredState s;
        settings.readSettings(o, s);
        settings.writeSettings(o, s);
        QCOMPARE(settings.profile().value("DISPLAY", "recent"), written);
    }

    void nicknames_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("nicknames");
        QTest::addColumn<QString>("nickname");
        QTest::newRow("empty list") << QByteArray("[USER]\nnicks=\nlastnick=Ghost") << "Yournick"
                                    << "Yournick";
        QTest::newRow("only commas") << QByteArray("[USER]\nnicks=,,\nlastnick=x") << "Yournick"
                                     << "Yournick";
        QTest::newRow("no trailing comma") << QByteArray("[USER]\nnicks=alpha,beta") << "alpha"
                                           << "alpha";
        QTest::newRow("trailing comma")
            << QByteArray("[USER]\nnicks=beta,alpha,\nlastnick=alpha") << "alpha|beta"
            << "alpha";
        QTest::newRow("lastnick in other case")
            << QByteArray("[USER]\nnicks=Alpha,Beta,\nlastnick=bETA") << "Alpha|Beta"
            << "Beta";
        QTest::newRow("lastnick unknown")
            << QByteArray("[USER]\nnicks=zed,Amy,\nlastnick=nobody") << "Amy|zed"
            << "Amy";
    }
    void nicknames()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, nicknames);
        QFETCH(QString, nickname);
        const Loaded l = readText(ini);
        QCOMPARE(probe("nicknames", l), nicknames);
        QCOMPARE(probe("nickname", l), nickname);
    }

    void numberedLists_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("filters skip gaps")
            << QByteArray("[FILTERS]\ntop=3\n0=*.wav /a\n2=*.mid /b\n3=") << "filters"
            << "*.wav /a|*.mid /b";
        QTest::newRow("aliases keep blanks")
            << QByteArray("[ALIASES]\ntop=2\n0=/a x\n2=/c z") << "aliases"
            << "/a x||/c z";
        QTest::newRow("favourites keep blanks")
            << QByteArray("[CHANNELS]\ntopfav=2\nfav0=#a\nfav2=#c") << "favourites"
            << "#a||#c";
        QTest::newRow("theme uses skip blanks")
            << QByteArray("[DISPLAY]\nlasttheme=1\n0=\n1=dark,CH#a") << "themeUses"
            << "dark,CH#a";
        QTest::newRow("count -1 is empty") << QByteArray("[ALIASES]\ntop=-1") << "aliases"
                                           << "";
        QTest::newRow("count -1 with entries keeps them")
            << QByteArray("[ALIASES]\ntop=-1\n0=/a x") << "aliases"
            << "/a x";
        QTest::newRow("count stops the read")
            << QByteArray("[ALIASES]\ntop=0\n0=/a\n1=/b") << "aliases"
            << "/a";
        QTest::newRow("huge count")
            << QByteArray("[ALIASES]\ntop=2147483647\n0=/a\n1=/b") << "aliases"
            << "/a|/b";
        // lasttheme reads as "0" when missing: the first entry is still read.
        QTest::newRow("missing lasttheme reads entry 0")
            << QByteArray("[DISPLAY]\n0=dark,CH#a\n1=light,CH#b") << "themeUses"
            << "dark,CH#a";
        QTest::newRow("broken count keeps the entries")
            << QByteArray("[CHANNELS]\ntopfav=two\nfav0=#a") << "favourites"
            << "#a";
        QTest::newRow("broken count without entries keeps default")
            << QByteArray("[CHANNELS]\ntopfav=two") << "favourites"
            << "";
    }
    void numberedLists()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        QCOMPARE(::probe(probe, readText(ini)), expected);
    }

    // A count that is no usable number loses no entry: the entries present are read,
    // in index order, and written back under a true count.
    void unusableCountKeepsTheEntries_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("countKey");
        QTest::addColumn<QStringList>("entries");
        const QStringList aliases{"/j /join", "/q /quit"};
        for (const char* count : {"abc", "", "-1", "-2", "0x10", "1e3", "99999999999", " 1"})
            QTest::addRow("aliases top=%s", count)
                << QByteArray("[ALIASES]\ntop=") + count + "\n0=/j /join\n1=/q /quit\n"
                << "ALIASES"
                << "top" << aliases;
        QTest::newRow("favourites topfav=99999999999")
            << QByteArray("[CHANNELS]\ntopfav=99999999999\nfav0=#a\nfav1=#b\nfav2=#c\n")
            << "CHANNELS"
            << "topfav" << QStringList{"#a", "#b", "#c"};
        QTest::newRow("favourites with a gap")
            << QByteArray("[CHANNELS]\ntopfav=x\nfav0=#a\nfav5=#f\nfavorite=no\n") << "CHANNELS"
            << "topfav" << QStringList{"#a", "#f"};
        QTest::newRow("filters top=abc")
            << QByteArray("[FILTERS]\ntop=abc\n0=*.wav /a\n2=*.mid /b\n3=\n") << "FILTERS"
            << "top" << QStringList{"*.wav /a", "*.mid /b"};
    }
    void unusableCountKeepsTheEntries()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, section);
        QFETCH(QString, countKey);
        QFETCH(QStringList, entries);
        const Loaded l = readText(ini);
        const QString prefix = countKey == QStringLiteral("topfav") ? QStringLiteral("fav") : "";
        const QStringList& list = section == QStringLiteral("ALIASES") ? l.options.textEntry.aliases
                                  : section == QStringLiteral("CHANNELS")
                                      ? l.options.channels.favourites
                                      : l.options.dcc.filters;
        QCOMPARE(list, entries);

        const PrivateProfile doc = written(l.options, l.state, ini);
        QCOMPARE(doc.value(section, countKey), QString::number(entries.size() - 1));
        QStringList back;
        for (qsizetype i = 0; i < entries.size(); ++i)
            back << doc.value(section, prefix + QString::number(i));
        QCOMPARE(back, entries);
    }

    void filterGapsAreWrittenAsGaps()
    {
        Options o;
        o.dcc.filters = QStringList{"*.wav /snd", "  ", "*.mid /midi", ""};
        o.textEntry.aliases = QStringList{"/a", ""};
        const PrivateProfile doc = written(o, StoredState(), "[FILTERS]\ntop=9\n9=*.old /x\n");
        QCOMPARE(doc.keys("FILTERS"), (QStringList{"top", "0", "2"}));
        QCOMPARE(doc.value("FILTERS", "top"), QStringLiteral("3"));
        QCOMPARE(doc.keys("ALIASES"), (QStringList{"top", "0", "1"}));
        QCOMPARE(doc.value("ALIASES", "top"), QStringLiteral("1"));
    }

    void brokenValuesKeepDefaultsAndTheReadGoesOn()
    {
        const Loaded l = readText("[MISC]\ntileframecolor=12x\nwinstate=0\nwinx=left\nwiny=7\n"
                                  "[IGNORE]\nfloodlines=\ni0=pest\n"
                                  "[DCC]\nchatinboundaction=99999999999\n"
                                  "[CHANNELS]\ntopfav=many\n"
                                  "[PRIVATECHAT]\nignoreall=1\n");
        QCOMPARE(l.options.appearance.tileFrameColor, 0);
        QCOMPARE(l.options.ignore.floodLines, 10);
        QCOMPARE(l.options.dcc.chatInboundAction, DccOptions().chatInboundAction);
        QCOMPARE(l.state.window.bounds, QRect(100, 7, 100, 100));
        // Keys after the broken ones are still read.
        QCOMPARE(l.state.permanentIgnores, QStringList{"pest"});
        QCOMPARE(l.options.display.ignorePrivateChats, true);
        // Each pass reads its keys in the order of the key table.
        QCOMPARE(l.problems,
                 (QStringList{"MISC tileframecolor", "IGNORE floodlines", "DCC chatinboundaction",
                              "CHANNELS topfav", "MISC winx"}));
    }

    void writtenValues()
    {
        Options o;
        o.display.autoLog = true;
        o.sound.soundlist.entry(3) = {true, " /snd/x.wav "};
        o.notify.showChannels = false;
        o.notify.nicknames = QStringList{"zed", "amy"};
        o.user.nicknames = QStringList{"a", "b"};
        o.user.realName = "  Ada  ";
        o.browser.path = " /bin/b ";
        o.scripts.lastScript = "greet.sct";
        StoredState s;
        s.editorTheme.clear();
        s.window.maximized = true;
        s.window.bounds = QRect(1, 2, 3, 4);
        s.serverListBookmark = -1;
        s.permanentIgnores = QStringList{"one", "two"};
        const PrivateProfile doc = written(o, s);
        const QList<std::array<QString, 3>> expected{
            {"MISC", "autolog", "1"},
            {"MISC", "ignoretraffic", "0"},
            {"MISC", "winstate", "1"},
            {"MISC", "winx", "1"},
            {"MISC", "winheight", "4"},
            {"MISC", "browserpath", "/bin/b"},
            {"MISC", "lastposter", "fl2xfvc.dcm"},
            {"MISC", "useposter", "0"},
            {"SCRIPTS", "last", "greet"},
            {"servers", "serverlistbookmark", "-1"},
            {"SOUND", "s3", "1,/snd/x.wav"},
            {"SOUND", "s4", "0,"},
            {"USER", "nicks", "a,b,"},
            {"USER", "name", "Ada"},
            {"NOTIFY", "notifylimit", "10111111"},
            {"NOTIFY", "notifies", "zed,amy"},
            {"DISPLAY", "recent", "f"},
            {"DISPLAY", "lasttheme", "0"},
            {"IGNORE", "i0", "one"},
            {"IGNORE", "i1", "two"},
            // A model that read no file holds what a file without the keys reads.
            {"DCC", "chatinboundaction", "0"},
            {"DCC", "fileinboundaction", "0"},
            {"CHANNELS", "topfav", "-1"},
        };
        for (const auto& [section, key, value] : expected)
            QCOMPARE(section + u' ' + key + u'=' + doc.value(section, key, "<missing>"),
                     section + u' ' + key + u'=' + value);
    }

    // Ignore slots are read in slot order whatever the file's order or the keys' case;
    // empty slots and keys past the last slot give nothing.
    void permanentIgnoresComeFromTheSlotsPresent()
    {
        const Loaded l = readText("[IGNORE]\ni499=last\nI3=pest\ni0=\ni500=beyond\ni07=odd\n"
                                  " i1 = spaced \n");
        QCOMPARE(l.state.permanentIgnores, (QStringList{"spaced", "pest", "last"}));
    }

    void unknownKeysAndSectionsSurvive()
    {
        const QByteArray before = "; my notes\n[OLD]\nkeep=me\n[MISC]\nfuture=yes\nautolog=0\n"
                                  "[servers]\nrecent5=Gone\nrecenthost5=old.host\n"
                                  "[IGNORE]\ni7=stale\n";
        Options o;
        o.display.autoLog = true;
        const PrivateProfile doc = written(o, StoredState(), before);
        const QByteArray bytes = doc.toBytes();
        QVERIFY(bytes.startsWith(
            "; my notes\r\n[OLD]\r\nkeep=me\r\n[MISC]\r\nfuture=yes\r\nautolog=1\r\n"));
        // A slot no longer in use leaves the file, as do the old keys of erased sections.
        QVERIFY(!doc.contains("servers", "recent5"));
        QVERIFY(!doc.contains("servers", "recenthost5"));
        QVERIFY(!doc.contains("IGNORE", "i7"));
    }
};

QUORL_TEST(SettingsFileTest)
#include "settingsfiletest.moc"
