// Start and shutdown: the settings are read before the window shows anything, every
// start step runs whatever happened before it, and shutdown says goodbye to the server
// before it writes the settings.
#include "client/client.h"
#include "settings/startsequence.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/settingstabs.h"
#include "support/testmain.h"
#include "ui/mainwindow.h"

#include "ui/settings/channellistpage.h"
#include "ui/settings/recentserversmenu.h"
#include "ui/settings/servertreepage.h"
#include "ui/settings/themepage.h"
#include "ui/settings/usersettingspage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <stdexcept>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString folderOf(const QTemporaryDir& dir)
{
    return dir.path() + u'/';
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyStepRunsAfterAFailedOne()
    {
        QStringList ran;
        StepSequence steps;
        steps.add("a", [&] {
            ran << "a";
            return true;
        });
        steps.add("b", [&] {
            ran << "b";
            return false;
        });
        steps.add("c", [&]() -> bool {
            ran << "c";
            throw std::runtime_error("broken");
        });
        steps.add("d", [&] {
            ran << "d";
            return true;
        });
        QCOMPARE(steps.run(), (QStringList{"b", "c"}));
        QCOMPARE(ran, (QStringList{"a", "b", "c", "d"}));
    }

    void windowShowsTheLoadedSettings()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"),
                  "[USER]\nnicks=ada,Bob,\nlastnick=BOB\nname=Ada Lovelace\n"
                  "[IGNORE]\nfloodlines=25\ni0=pest\n"
                  "[MISC]\nwinstate=0\nwinx=40\nwiny=30\nwinwidth=900\nwinheight=600\n");
        MainWindow form(folderOf(home));
        QCOMPARE(form.windowTitle(), Product::mainCaption());
        // The application's title, shown for the minimized window.
        QCOMPARE(form.windowIconText(), QStringLiteral("QuorlIRC 2.00"));
        QCOMPARE(form.settingsPage<UserSettingsPage>()->findChild<QLineEdit*>("nametext")->text(),
                 QStringLiteral("Ada Lovelace"));
        QCOMPARE(form.findChild<QLabel*>("Panel6")->text(),
                 QStringLiteral("Your Nickname is: Bob"));
        QCOMPARE(form.client().session().currentNickname(), QStringLiteral("Bob"));
        QCOMPARE(form.client().ignoreList().permanentNicknames(), QStringList{"pest"});
        QVERIFY(!form.isMaximized());
        QCOMPARE(form.size(), QSize(900, 600));
        QVERIFY(form.client().statusLog().lines().contains(Product::welcome()));
    }

    // Only the server list is made with the window. Another page is made when its tab is
    // first shown, or when something needs it: a favourite added from the channel list
    // reaches a favourites page that was never shown, and the settings.
    void settingsPagesAreMadeWhenFirstNeeded()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"),
                  "[USER]\nname=Ada\n[CHANNELS]\ntopfav=0\nfav0=#old Old friends\n");
        MainWindow form(folderOf(home));
        QVERIFY(form.findChild<ServerTreePage*>());
        QVERIFY(!form.findChild<UserSettingsPage*>());
        QVERIFY(!form.findChild<ThemePage*>());
        QVERIFY(!form.findChild<FavouritesPage*>());

        auto* tabs = form.findChild<QTabWidget*>("settingspanel");
        QCOMPARE(tabs->tabText(1), QStringLiteral("User"));
        tabs->setCurrentIndex(1);
        auto* user = form.findChild<UserSettingsPage*>();
        QVERIFY(user);
        QCOMPARE(user->findChild<QLineEdit*>("nametext")->text(), QStringLiteral("Ada"));
        QCOMPARE(user->parentWidget(), tabs->widget(1));
        QVERIFY(!form.findChild<ChannelListPage*>());

        ChannelListPage* list = form.settingsPage<ChannelListPage>();
        QVERIFY(list);
        QCOMPARE(form.settingsPage<ChannelListPage>(), list);
        QVERIFY(!form.findChild<FavouritesPage*>());
        Q_EMIT list->addFavourite(QStringLiteral("#new New friends"));
        auto* favourites = form.findChild<FavouritesPage*>();
        QVERIFY(favourites);
        // The list keeps its entries sorted.
        QCOMPARE(form.client().options().channels.favourites,
                 QStringList({"#new New friends", "#old Old friends"}));
        auto* shown = favourites->findChild<QListWidget*>();
        QVERIFY(shown);
        QCOMPARE(shown->count(), 2);
        QCOMPARE(shown->item(0)->text(), QStringLiteral("#new New friends"));
        // The tab that was made by request shows the same page, not a second one.
        tabs->setCurrentWidget(favourites->parentWidget());
        QCOMPARE(form.findChildren<FavouritesPage*>().size(), 1);
        QVERIFY(!form.findChild<ThemePage*>());
    }

    // Every settings page shows what was read, whichever was built first; a restart
    // keeps what the user added, and the stored values too.
    void everyPageShowsWhatWasReadAcrossARestart()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"),
                  "[USER]\nnicks=ada,\nlastnick=ada\nname=Ada\nemail=ada@x.org\nidentd=adal\n"
                  "[MESSAGES]\nquit=bye\nxquit=1\nversion=MyClient\nxtime=1\n"
                  "[PRIVATECHAT]\nignoreall=1\n"
                  "[IGNORE]\nignoretime=5\nfloodprotection=1\nfloodlines=25\ni0=pest\n"
                  "[NOTIFY]\nnotifies=alice,bob\nnotifylimit=01111111\n"
                  "[ALIASES]\ntop=0\n0=/hi /msg $1 hello\n"
                  "[servers]\nrecent0=Home - Net\nrecenthost0=irc.home\nrecentport0=6667\n"
                  "[MISC]\nautolog=1\nignoretraffic=1\n");
        {
            MainWindow form(folderOf(home));
            showEverySettingsTab(form);
            QCOMPARE(form.findChild<QLineEdit*>("nametext")->text(), QStringLiteral("Ada"));
            QCOMPARE(form.findChild<QLineEdit*>("emailtext")->text(), QStringLiteral("ada@x.org"));
            QCOMPARE(form.findChild<QLineEdit*>("identdtext")->text(), QStringLiteral("adal"));
            // The greeter's editor has an "Edit2" of its own: look on the user page.
            QCOMPARE(form.findChild<UserSettingsPage*>()->findChild<QLineEdit*>("Edit2")->text(),
                     QStringLiteral("bye"));
            QVERIFY(form.findChild<QCheckBox*>("CheckBox6")->isChecked());
            QVERIFY(form.findChild<QCheckBox*>("CheckBox4")->isChecked());
            QCOMPARE(form.findChild<QLineEdit*>("Edit11")->text(), QStringLiteral("MyClient"));
            QVERIFY(form.findChild<QCheckBox*>("CheckBox11")->isChecked());
            QCOMPARE(form.findChild<QComboBox*>("ComboBox1")->currentIndex(), 5);
            QVERIFY(form.findChild<QCheckBox*>("CheckBox3")->isChecked());
            QCOMPARE(form.findChild<QSpinBox*>("SpinEdit2")->value(), 25);
            auto* ignores = form.findChild<QTreeWidget*>("ignorelistview");
            QCOMPARE(ignores->topLevelItemCount(), 1);
            QCOMPARE(ignores->topLevelItem(0)->text(0), QStringLiteral("pest"));
            auto* notify = form.findChild<QTreeWidget*>("notifylistview");
            QCOMPARE(notify->topLevelItemCount(), 2);
            QCOMPARE(notify->topLevelItem(1)->text(0), QStringLiteral("bob"));
            QVERIFY(!form.findChild<QToolButton*>("addressbutton")->isChecked());
            QVERIFY(form.findChild<QToolButton*>("namebutton")->isChecked());
            auto* aliases = form.findChild<QPlainTextEdit*>("aliaslist");
            QCOMPARE(aliases->toPlainText(), QStringLiteral("/hi /msg $1 hello"));
            QVERIFY(form.findChild<QToolButton*>("ToolButton7")->isChecked());
            auto* hideAll = form.findChild<QToolButton*>("ToolButton4");
            QVERIFY(hideAll);
            QVERIFY(hideAll->isChecked());
            QVERIFY(form.connectMenu()->entry(0)->isVisible());
            QCOMPARE(form.connectMenu()->entry(0)->text(), QStringLiteral("Home - Net"));
            QVERIFY(!form.connectMenu()->entry(1)->isVisible());
            // The hint is for a user with no recent server to offer.
            QCOMPARE(form.findChild<QToolButton*>("connectbuttonconnect")->toolTip(), QString());

            aliases->appendPlainText(QStringLiteral("/bye /quit"));
            form.close();
        }
        MainWindow again(folderOf(home));
        showEverySettingsTab(again);
        QCOMPARE(again.findChild<QPlainTextEdit*>("aliaslist")->toPlainText(),
                 QStringLiteral("/hi /msg $1 hello\n/bye /quit"));
        QVERIFY(again.connectMenu()->entry(0)->isVisible());
        QCOMPARE(again.connectMenu()->entry(0)->text(), QStringLiteral("Home - Net"));
        QCOMPARE(again.findChild<QLineEdit*>("Edit11")->text(), QStringLiteral("MyClient"));
    }

    // ToolButton4 "Hide All Channel Joins/Parts/Quits": the global switch the settings
    // file keeps as ignoretraffic, given to every channel window opened afterwards.
    void hideTrafficSwitchOnTheToolbar()
    {
        QTemporaryDir home;
        MainWindow form(folderOf(home));
        auto* hideAll = form.findChild<QToolButton*>("ToolButton4");
        QVERIFY(hideAll);
        QCOMPARE(hideAll->toolTip(), QStringLiteral("Hide All Channel Joins/Parts/Quits"));
        QVERIFY(hideAll->isCheckable());
        QVERIFY(!hideAll->isChecked());
        hideAll->click();
        QVERIFY(form.client().options().display.hideTraffic);
        const ChatWindow* w = form.client().windows().createChannelWindow("#a");
        QVERIFY(w->hideJoins && w->hideParts && w->hideQuits);
        hideAll->click();
        QVERIFY(!form.client().options().display.hideTraffic);
        form.close();
        QCOMPARE(PrivateProfile(home.filePath("quorl.ini")).value("MISC", "ignoretraffic"),
                 QStringLiteral("0"));
    }

    void threePermanentIgnoresSurviveARestart()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        {
            Client client(folderOf(home), prompts);
            QVERIFY(client.readSettings());
            for (const char* nick : {"one", "two", "three"})
                QVERIFY(client.ignoreList().addIgnore(nick, QString(nick) + "@h", 0));
            QVERIFY(client.ignoreList().addIgnore("brief", "brief@h", 10));
            client.shutdown();
        }
        Client client(folderOf(home), prompts);
        QVERIFY(client.readSettings());
        QCOMPARE(client.ignoreList().permanentNicknames(), (QStringList{"one", "two", "three"}));
        QCOMPARE(client.ignoreList().count(), 3);
    }

    // The settings read fails (the file is a folder); the window is still placed, as
    // with a missing file: maximized.
    void showSequenceGoesOnAfterAFailedRead()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("quorl.ini"));
        MainWindow form(folderOf(home));
        QVERIFY(!form.client().settingsRead());
        QVERIFY(form.windowState() & Qt::WindowMaximized);
        QCOMPARE(form.findChild<QComboBox*>("statuslist")->currentText(), Product::welcome());
        // What could not be read is not overwritten with defaults.
        form.close();
        QVERIFY(QFileInfo(home.filePath("quorl.ini")).isDir());
    }

    void closingWhileNotConnectedSendsNothingAndWritesSettings()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"), "[MISC]\nwinstate=0\nwinx=10\nwiny=10\n"
                                              "winwidth=640\nwinheight=480\n[OLD]\nkeep=me\n");
        MainWindow form(folderOf(home));
        form.client().options().display.autoLog = true;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(930, 690);
        QSignalSpy raw(&form.client().session(), &Session::rawLineRecorded);
        QVERIFY(form.close());
        QCOMPARE(raw.count(), 0);
        QVERIFY(form.client().shuttingDown());

        PrivateProfile ini(home.filePath("quorl.ini"));
        QCOMPARE(ini.value("MISC", "autolog"), QStringLiteral("1"));
        QCOMPARE(ini.value("MISC", "winstate"), QStringLiteral("0"));
        QCOMPARE(ini.value("MISC", "winwidth"), QStringLiteral("930"));
        QCOMPARE(ini.value("MISC", "winheight"), QStringLiteral("690"));
        QCOMPARE(ini.value("OLD", "keep"), QStringLiteral("me"));
    }

    void shutdownQuitsThenWritesSettings()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"), "[USER]\nnicks=Yournick,\n[IGNORE]\ni0=old\n");
        ScriptedPrompts prompts;
        Client client(folderOf(home), prompts);
        client.session().ident().setPort(0);
        QVERIFY(client.readSettings());
        client.options().connection.sendQuitMessage = true;
        client.options().connection.quitMessage = "bye";
        // Only the permanent entry is kept.
        QVERIFY(client.ignoreList().addIgnore("brief", "*!*@x", 10));

        FakeIrcServer server;
        QVERIFY(server.listen());
        client.session().connectToKnownHost("127.0.0.1", server.port(), "Local - test");
        QVERIFY(server.waitForLine("USER "));
        // The file as it stood when QUIT left.
        QByteArray fileAtQuit;
        connect(&client.session(), &Session::rawLineRecorded, this, [&](const QString& line) {
            if (line.startsWith("QUIT")) {
                QFile f(client.settingsFileName());
                if (f.open(QIODevice::ReadOnly))
                    fileAtQuit = f.readAll();
            }
        });
        client.shutdown();
        QVERIFY(server.waitForLine("QUIT"));
        QCOMPARE(server.received().last(), QStringLiteral("QUIT :bye"));
        QVERIFY(!fileAtQuit.contains("bye"));
        QVERIFY(server.waitForDisconnect());

        PrivateProfile ini(client.settingsFileName());
        QCOMPARE(ini.value("MESSAGES", "quit"), QStringLiteral("bye"));
        QCOMPARE(ini.value("MESSAGES", "xquit"), QStringLiteral("1"));
        QCOMPARE(ini.value("IGNORE", "i0"), QStringLiteral("old"));
        QVERIFY(!ini.contains("IGNORE", "i1"));
        QVERIFY(client.statusLog().lines().contains("Shutting Down..."));
    }

    void settingsNeverReadAreNotWritten()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(folderOf(home), prompts);
        client.shutdown();
        QVERIFY(!QFile::exists(client.settingsFileName()));
    }

    void unwritableFileIsReported()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(folderOf(home) + "missing/", prompts);
        QVERIFY(client.readSettings());
        client.shutdown();
        QVERIFY(
            client.statusLog().lines().contains("Unable to write to " + client.settingsFileName()));
    }
};

QUORL_TEST(StartupTest)
#include "startuptest.moc"
