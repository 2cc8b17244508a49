// The chat context menu: its shape, what it offers by window kind and by the user's rank,
// the fixed entries it runs, and the dialogs it opens.
#include "menu/chatmenu.h"
#include "client/client.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/chat/chatmenuwidget.h"
#include "ui/dialogs/nickformdialog.h"
#include "ui/dialogs/settopicdialog.h"
#include "ui/dialogs/setuserlimitdialog.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct MenuFixture
{
    QTemporaryDir home;
    ScriptedPrompts prompts;
    ManualClock clock;
    Client client{home.path() + u'/', prompts, clock};
    QWidget owner;
    ChatMenuWidget menu{client, &owner};

    ChatWindow* channel(const QString& rank)
    {
        ChatWindow* w = client.windows().createChannelWindow(QStringLiteral("#chan"));
        w->myStatus = rank;
        return w;
    }
    QStringList enabled(const QStringList& captions) const
    {
        QStringList result;
        for (const QString& caption : captions) {
            if (menu.entry(caption)->isEnabled())
                result << caption;
        }
        return result;
    }
    QStringList visible(const QStringList& captions) const
    {
        QStringList result;
        for (const QString& caption : captions) {
            if (menu.entry(caption)->isVisible())
                result << caption;
        }
        return result;
    }
};

const QStringList rankedEntries{"Give Ops",      "Remove Ops",       "Give Voice", "Remove Voice",
                                "Kick",          "Kick-Ban",         "Ban",        "Password...",
                                "User Limit...", "Secret",           "Topic...",   "Show Ban List",
                                "Who Is",        "Refresh User List"};
} // namespace

class ChatMenuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void topLevelOrder()
    {
        MenuFixture f;
        QStringList top;
        for (const QAction* action : f.menu.actions())
            top << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(top, (QStringList{"Misc", "Sound", "Send File...", "DCC Chat", "Private Chat", "-",
                                   "Channel", "User", "Inquire", "-", "Clear", "Tile", "Untile",
                                   "Server Messages", "-", "Leave", "-",
                                   "Forget this window's history"}));
        QStringList ignore;
        for (const QAction* action : f.menu.entry("Ignore")->menu()->actions())
            ignore << action->text();
        QCOMPARE(ignore,
                 (QStringList{"5 minutes", "10 minutes", "30 minutes", "60 minutes", "Permanent"}));
    }

    void enabledByRank_data()
    {
        QTest::addColumn<QString>("rank");
        QTest::addColumn<bool>("topicByOpsOnly");
        QTest::addColumn<QStringList>("enabled");
        const QStringList forAnyone{"Show Ban List", "Who Is", "Refresh User List"};
        QTest::newRow("op") << "op" << true << rankedEntries;
        QTest::newRow("voice, open topic")
            << "voice" << false << forAnyone + QStringList{"Topic..."};
        QTest::newRow("voice, topic by ops") << "voice" << true << forAnyone;
        QTest::newRow("member") << "slime" << false << forAnyone + QStringList{"Topic..."};
    }
    void enabledByRank()
    {
        QFETCH(QString, rank);
        QFETCH(bool, topicByOpsOnly);
        QFETCH(QStringList, enabled);
        MenuFixture f;
        ChatWindow* w = f.channel(rank);
        w->topicByOpsOnly = topicByOpsOnly;
        f.menu.prepare(w, {"bob"});
        std::sort(enabled.begin(), enabled.end());
        QStringList actual = f.enabled(rankedEntries);
        std::sort(actual.begin(), actual.end());
        QCOMPARE(actual, enabled);
        // The mode entries show the channel's modes whoever looks.
        QCOMPARE(f.menu.entry("Topic by Ops Only")->isChecked(), topicByOpsOnly);
    }

    void preparedByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("shown");
        const QStringList probe{"Show Topic",    "Channel",
                                "Ban",           "Kick-Ban",
                                "Show Ban List", "Refresh User List",
                                "Private Chat",  "DCC Chat",
                                "Ignore",        "Play Sound to Channel",
                                "Leave",         "Who Is"};
        QTest::newRow("channel") << int(ConversationKind::Channel) << probe;
        QTest::newRow("private") << int(ConversationKind::Private)
                                 << QStringList{"DCC Chat", "Ignore", "Leave", "Who Is"};
        QTest::newRow("dcc") << int(ConversationKind::DccChat)
                             << QStringList{"Private Chat", "Ignore", "Leave", "Who Is"};
    }
    void preparedByKind()
    {
        QFETCH(int, kind);
        const auto conversation = ConversationKind(kind);
        QFETCH(QStringList, shown);
        MenuFixture f;
        ChatWindow* w = conversation == ConversationKind::Channel ? f.channel("op")
                        : conversation == ConversationKind::Private
                            ? f.client.windows().createPrivateWindow("dora", "d@h")
                            : f.client.windows().createDccChatWindow("dora", "1.2.3.4", nullptr);
        // Prepare for another kind first: nothing may linger from the last opening.
        f.menu.prepare(f.client.windows().createPrivateWindow("zed", "z@h"), {});
        f.menu.prepare(w, {});
        const QStringList probe{"Show Topic",    "Channel",
                                "Ban",           "Kick-Ban",
                                "Show Ban List", "Refresh User List",
                                "Private Chat",  "DCC Chat",
                                "Ignore",        "Play Sound to Channel",
                                "Leave",         "Who Is"};
        QCOMPARE(f.visible(probe), shown);
    }

    void checkMarksFollowTheWindow()
    {
        MenuFixture f;
        ChatWindow* w = f.channel("op");
        w->hideParts = true;
        w->soundEnabled = false;
        w->secret = true;
        f.menu.prepare(w, {});
        QVERIFY(f.menu.entry("Joins")->isChecked());
        QVERIFY(!f.menu.entry("Parts")->isChecked());
        QVERIFY(!f.menu.entry("Enable for this Chat")->isChecked());
        QVERIFY(f.menu.entry("Secret")->isChecked());
        QVERIFY(!f.menu.entry("Moderated")->isChecked());
        QVERIFY(f.menu.entry("Tile")->isVisible());
        QVERIFY(!f.menu.entry("Untile")->isVisible());
        f.menu.choose("Parts");
        f.menu.choose("Enable for this Chat");
        QVERIFY(!w->hideParts);
        QVERIFY(w->soundEnabled);
    }

    // "Log to File" starts and ends the window's log; its tick shows the log's state.
    void logToFileStartsAndEndsTheLog()
    {
        MenuFixture f;
        QVERIFY(QDir(f.home.path()).mkdir(QStringLiteral("logs")));
        ChatWindow* w = f.channel("slime");
        f.menu.prepare(w, {});
        QVERIFY(!f.menu.entry("Log to File")->isChecked());
        f.menu.entry("Log to File")->trigger();
        QVERIFY(w->logging);
        const QString path = f.home.path() + QStringLiteral("/logs/#chan.txt");
        QCOMPARE(f.client.statusLog().last(), "Now Logging #chan as " + path);
        f.client.windows().addLine(w, "logged line", LineClass::Other);
        f.menu.prepare(w, {});
        QVERIFY(f.menu.entry("Log to File")->isChecked());
        f.menu.entry("Log to File")->trigger();
        QVERIFY(!w->logging);
        QVERIFY(!f.menu.entry("Log to File")->isChecked());
        QCOMPARE(f.client.statusLog().last(), "Logging Terminated. (" + path + ")");
        QFile log(path);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(log.readAll())
                    .contains(QRegularExpression("\r\n\\[\\d\\d:\\d\\d\\] logged line\r\n")));
    }

    // "Hide All" toggles: it hides all three kinds, and shows them all again when all
    // three were hidden.
    void hideAllToggles()
    {
        MenuFixture f;
        ChatWindow* w = f.channel("slime");
        w->hideParts = true;
        f.menu.prepare(w, {});
        f.menu.choose("Hide All");
        QVERIFY(w->hideJoins && w->hideParts && w->hideQuits);
        f.menu.choose("Hide All");
        QVERIFY(!w->hideJoins && !w->hideParts && !w->hideQuits);
        f.menu.choose("Hide All");
        QVERIFY(w->hideJoins && w->hideParts && w->hideQuits);
    }

    // Runs fixed entries through a registry that records what is sent.
    void fixedEntries_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("Show Topic") << "Show Topic" << QStringList{"old", "TOPIC: hello"};
        QTest::newRow("Clear") << "Clear" << QStringList();
        QTest::newRow("Show Theme Info")
            << "Show Theme Info"
            << QStringList{"old",           QString(30, u'-'), "------ Theme Information -----",
                           "--Name: Night", "--Author: ann",   "--Description: dark",
                           "--Errors:",     "-- bad colour",   QString(30, u'-')};
        QTest::newRow("a later entry does nothing") << "Send File..." << QStringList{"old"};
    }
    void fixedEntries()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, lines);
        MenuFixture f;
        ChatWindow* w = f.channel("op");
        w->topic = "hello";
        w->theme.name = "Night";
        w->theme.author = "ann";
        w->theme.description = "dark";
        w->theme.errors = QString("bad colour") + QChar(1);
        f.client.windows().addLine(w, "old", LineClass::Other);
        f.menu.prepare(w, {});
        f.menu.choose(caption);
        QCOMPARE(w->document->plainLines(), lines);
    }

    void onlyOtherEntriesAreForwarded_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("forwarded");
        QTest::newRow("a mod's own entry") << "Greet Everyone" << true;
        QTest::newRow("a mod entry named like a fixed one") << "Clear" << false;
        QTest::newRow("fixed entries match case-sensitively") << "clear" << true;
    }
    void onlyOtherEntriesAreForwarded()
    {
        QFETCH(QString, caption);
        QFETCH(bool, forwarded);
        MenuFixture f;
        ChatWindow* w = f.channel("op");
        f.client.windows().addLine(w, "old", LineClass::Other);
        QSignalSpy other(&f.menu, &ChatMenuWidget::otherEntryChosen);
        f.menu.prepare(w, {"bob"});
        f.menu.choose(caption);
        QCOMPARE(other.size(), forwarded ? 1 : 0);
        QCOMPARE(w->document->plainLines().isEmpty(), !forwarded);
        if (forwarded)
            QCOMPARE(other.at(0).at(2).toStringList(), QStringList{"bob"});
    }

    // A right click on the nick list opens the menu under the names it acts on; the title
    // is no entry, and the entries below it are the menu's own.
    void nickMenuNamesTheNicks()
    {
        MenuFixture f;
        ChatWindow* w = f.channel("op");
        f.menu.showChatMenu(w, QPoint(20, 20), {"bob", "carol"});
        QMenu* nicks = f.menu.nickMenu();
        QVERIFY(nicks->isVisible());
        QVERIFY(!f.menu.isVisible());
        const QList<QAction*> shown = nicks->actions();
        QCOMPARE(shown.first()->text(), QStringLiteral("bob, carol"));
        QVERIFY(!shown.first()->isEnabled());
        QVERIFY(shown.at(1)->isSeparator());
        QCOMPARE(shown.mid(2), f.menu.actions());
        QSignalSpy other(&f.menu, &ChatMenuWidget::otherEntryChosen);
        f.menu.entry("Send File...")->trigger();
        QCOMPARE(other.size(), 1);
        QCOMPARE(other.at(0).at(2).toStringList(), (QStringList{"bob", "carol"}));
        nicks->close();
        // From the window itself, without nicks: the menu alone, untitled.
        f.menu.showChatMenu(w, QPoint(20, 20), {});
        QVERIFY(f.menu.isVisible());
        f.menu.close();
    }

    void leaveClosesTheWindow()
    {
        MenuFixture f;
        f.menu.prepare(f.channel("slime"), {});
        f.menu.choose("Leave");
        QVERIFY(!f.client.windows().findChannelWindow("#chan"));
        QVERIFY(!f.menu.window());
        f.menu.choose("Clear"); // the menu outlived its window: nothing happens
        QVERIFY(f.client.statusLog().lines().contains("Left #chan."));
    }

    void userLimitDialogStartsAt100()
    {
        MenuFixture f;
        ChatWindow* w = f.channel("op");
        f.menu.prepare(w, {});
        f.menu.choose("User Limit...");
        auto* dialog = f.owner.findChild<SetUserLimitDialog*>("setuserlimit");
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Enter User Limit for #chan"));
        QCOMPARE(dialog->trackBar()->value(), 100);
        QCOMPARE(dialog->positionLabel()->text(), QStringLiteral("100"));
        QCOMPARE(dialog->trackBar()->minimum(), 1);
        QCOMPARE(dialog->trackBar()->maximum(), 1000);
        dialog->trackBar()->setValue(7);
        QCOMPARE(dialog->positionLabel()->text(), QStringLiteral("7"));
        dialog->reject();
    }

    void enterDoesNotCloseTheTopicDialog()
    {
        QWidget owner;
        auto* dialog = new SetTopicDialog("#chan", "old topic", &owner);
        QSignalSpy chosen(dialog, &SetTopicDialog::topicChosen);
        dialog->show();
        QCOMPARE(dialog->edit()->text(), QStringLiteral("old topic"));
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(chosen.size(), 0);
        dialog->findChild<QPushButton*>("okaybutton")->click();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), QStringLiteral("old topic"));
    }

    void nickFormTakesEnter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("a name") << "  Nick_1  " << QStringList{"Nick_1"};
        QTest::newRow("blank stays open") << "   " << QStringList();
        QTest::newRow("cut at 30") << QString(40, u'n') << QStringList{QString(30, u'n')};
    }
    void nickFormTakesEnter()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, chosen);
        QWidget owner;
        auto* dialog = new NickFormDialog(&owner);
        QStringList got;
        connect(dialog, &NickFormDialog::nicknameChosen, [&got](const QString& n) { got << n; });
        dialog->show();
        QTest::keyClicks(dialog->edit(), typed);
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        QCOMPARE(got, chosen);
        if (chosen.isEmpty())
            QVERIFY(dialog->isVisible());
    }
};

QUORL_TEST(ChatMenuTest)
#include "chatmenutest.moc"
