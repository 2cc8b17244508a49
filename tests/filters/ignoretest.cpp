// The ignore list (matching, durations, count-down, capacity) and flood protection
// (bursts, what a tripped flood leaves behind, bounded memory).
#include "client/client.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "filters/floodguard.h"
#include "filters/ignorelist.h"
#include "script/eventhook.h"
#include "sound/soundplayer.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/settings/ignoresettingspage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace {
struct FiredEvent
{
    QString name;
    QStringList texts;
};

struct Fixture
{
    ManualClock clock;
    Options options;
    LineLog status;
    Sounds sounds;
    EventHook events{options.sound.soundlist, sounds};
    IgnoreList list{options.ignore, status, events};
    QString nickname = QStringLiteral("Me");
    QStringList nicknameChanges;
    FloodGuard guard{options,
                     list,
                     status,
                     events,
                     clock,
                     NicknameControl{[this] { return nickname; },
                                     [this](const QString& next) { nicknameChanges << next; }}};
    QList<FiredEvent> fired;

    Fixture()
    {
        options.user.nicknames = {QStringLiteral("Me"), QStringLiteral("Me2")};
        options.ignore.floodProtection = true;
        QObject::connect(&events, &EventHook::eventFired,
                         [this](const QString& e, const QStringList& t) {
                             fired << FiredEvent{e, t};
                         });
    }

    // One PRIVMSG from the sender, after the clock has moved on by the given time.
    bool message(qint64 afterMs, const QString& target = QStringLiteral("#chan"),
                 const QString& nick = QStringLiteral("bad"),
                 const QString& address = QStringLiteral("bad@flood.example"))
    {
        clock.set(clock.now().addMSecs(afterMs));
        return guard.shouldDrop(QStringLiteral("PRIVMSG"), target, nick, address);
    }
};

QStringList eventSlots(const QString& first, const QString& eighth)
{
    QStringList texts(8);
    texts[0] = first;
    texts[7] = eighth;
    return texts;
}
} // namespace

class IgnoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matching_data()
    {
        QTest::addColumn<QString>("entryNick");
        QTest::addColumn<QString>("entryAddress");
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("matches");
        QTest::newRow("same nickname, other address") << "Troll"
                                                      << "t@a.example"
                                                      << "troll"
                                                      << "x@b.example" << true;
        QTest::newRow("new nickname, same address") << "Troll"
                                                    << "t@a.example"
                                                    << "Other"
                                                    << "T@A.Example" << true;
        QTest::newRow("neither") << "Troll"
                                 << "t@a.example"
                                 << "Other"
                                 << "t@b.example" << false;
        QTest::newRow("address is not a substring match") << "Troll"
                                                          << "t@a.example"
                                                          << "Other"
                                                          << "t@a.example.org" << false;
        QTest::newRow("restored entry, sender without address") << "Troll"
                                                                << ""
                                                                << "Other"
                                                                << "" << false;
        QTest::newRow("restored entry by nickname") << "Troll"
                                                    << ""
                                                    << "TROLL"
                                                    << "" << true;
    }
    void matching()
    {
        QFETCH(QString, entryNick);
        QFETCH(QString, entryAddress);
        QFETCH(QString, nick);
        QFETCH(QString, address);
        QFETCH(bool, matches);
        QCOMPARE(
            ignoreEntryMatches(IgnoreEntry{entryNick, entryAddress, QStringLiteral("Permanent")},
                               nick, address),
            matches);
        Fixture f;
        QVERIFY(f.list.addIgnore(entryNick, entryAddress, IgnoreList::Permanent));
        QCOMPARE(f.list.isIgnored(nick, address), matches);
    }

    void durations_data()
    {
        QTest::addColumn<int>("comboIndex");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("timeLeft");
        QTest::newRow("ComboBox1 1 minute") << 0 << -1 << "1 minute";
        QTest::newRow("ComboBox1 60 minutes") << 6 << -1 << "60 minutes";
        QTest::newRow("ComboBox1 Permanent") << 7 << -1 << "Permanent";
        QTest::newRow("ComboBox1 out of range") << 42 << -1 << "10 minutes";
        QTest::newRow("permanent") << 0 << 0 << "Permanent";
        QTest::newRow("one minute") << 3 << 1 << "1 minute";
        QTest::newRow("thirty minutes") << 3 << 30 << "30 minutes";
    }
    void durations()
    {
        QFETCH(int, comboIndex);
        QFETCH(int, minutes);
        QFETCH(QString, timeLeft);
        Fixture f;
        f.options.ignore.ignoreTime = comboIndex;
        QVERIFY(f.list.addIgnore(QStringLiteral("Troll"), QStringLiteral("t@a.example"), minutes));
        QCOMPARE(f.list.entries().first().timeLeft, timeLeft);
        QCOMPARE(f.list.ignoreTimer().isActive(), timeLeft != QLatin1String("Permanent"));
    }

    void addingReportsAndRefuses()
    {
        Fixture f;
        QVERIFY(f.list.addIgnore(QStringLiteral("Troll"), QStringLiteral("t@a.example"), 5));
        QCOMPARE(f.status.last(), QStringLiteral("Now Ignoring Troll t@a.example"));
        QCOMPARE(f.fired.last().name, QStringLiteral("Ignoring User"));
        QCOMPARE(f.fired.last().texts, eventSlots("Troll", "t@a.example"));
        QCOMPARE(f.list.selectedIndex(), 0);

        QVERIFY(!f.list.addIgnore(QStringLiteral("Troll"), QStringLiteral("u@b.example"), 5));
        QCOMPARE(f.status.last(), QStringLiteral("Already ignoring u@b.example (Troll)."));
        QCOMPARE(f.list.count(), 1);

        for (int i = 1; i < IgnoreList::Capacity; ++i)
            QVERIFY(f.list.addIgnore(QStringLiteral("n%1").arg(i), QString(), 0));
        QVERIFY(!f.list.addIgnore(QStringLiteral("last"), QStringLiteral("l@c.example"), 0));
        QCOMPARE(f.status.last(), QStringLiteral("Ignore list is full."));
        QCOMPARE(f.list.count(), IgnoreList::Capacity);
    }

    void countDown()
    {
        Fixture f;
        f.list.addIgnore(QStringLiteral("Slow"), QStringLiteral("s@a.example"), 3);
        f.list.addIgnore(QStringLiteral("Keep"), QString(), IgnoreList::Permanent);
        f.list.addIgnore(QStringLiteral("Quick"), QStringLiteral("q@a.example"), 1);
        f.fired.clear();

        f.list.countDownMinute();
        // The entry removed at this tick must not cost the entries before it a minute more.
        QCOMPARE(f.list.count(), 2);
        QCOMPARE(f.list.entries().at(0).timeLeft, QStringLiteral("2 minutes"));
        QCOMPARE(f.status.last(), QStringLiteral("Quick is now off the Ignore List"));
        QCOMPARE(f.fired.size(), 1);
        QCOMPARE(f.fired.last().name, QStringLiteral("User UnIgnored"));
        QCOMPARE(f.fired.last().texts, eventSlots("Quick", "q@a.example"));

        f.list.countDownMinute();
        QCOMPARE(f.list.entries().at(0).timeLeft, QStringLiteral("1 minute"));
        QVERIFY(f.list.ignoreTimer().isActive());
        f.list.countDownMinute();
        QCOMPARE(f.list.count(), 1);
        QCOMPARE(f.list.entries().at(0).nickname, QStringLiteral("Keep"));
        QVERIFY(!f.list.ignoreTimer().isActive());
        for (int i = 0; i < 5; ++i)
            f.list.countDownMinute();
        QCOMPARE(f.list.count(), 1);
    }

    void permanentEntriesAreWhatIsKept()
    {
        Fixture f;
        f.list.addIgnore(QStringLiteral("One"), QStringLiteral("o@a.example"), 0);
        f.list.addIgnore(QStringLiteral("Timed"), QStringLiteral("t@a.example"), 10);
        f.list.addIgnore(QStringLiteral("Two"), QStringLiteral("w@a.example"), 0);
        QCOMPARE(f.list.permanentNicknames(), (QStringList{"One", "Two"}));

        Fixture next;
        next.list.restorePermanent(f.list.permanentNicknames() << QString());
        QCOMPARE(next.list.count(), 2);
        QCOMPARE(next.list.entries().at(1).address, QString());
        QVERIFY(next.list.isIgnored(QStringLiteral("two"), QStringLiteral("new@b.example")));
        QVERIFY(!next.list.isIgnored(QStringLiteral("Three"), QStringLiteral("w@a.example")));
    }

    void deleteButtons()
    {
        Fixture f;
        for (const char* nick : {"A", "B", "C"})
            f.list.addIgnore(QString::fromLatin1(nick), QString(), 5);
        f.list.setSelectedIndex(1);
        f.list.deleteSelected();
        QCOMPARE(f.status.last(), QStringLiteral("B is now off the Ignore List"));
        QCOMPARE(f.list.selectedIndex(), 0);
        QVERIFY(f.list.deleteEnabled());

        const qsizetype statusLines = f.status.count();
        f.fired.clear();
        f.list.deleteAll();
        QCOMPARE(f.list.count(), 0);
        QCOMPARE(f.status.count(), statusLines);
        QVERIFY(f.fired.isEmpty());
        QVERIFY(!f.list.deleteEnabled());
        QVERIFY(!f.list.ignoreTimer().isActive());
        QCOMPARE(f.list.selectedIndex(), -1);
        f.list.deleteSelected(); // nothing selected: nothing happens
        QCOMPARE(f.status.count(), statusLines);
    }

    // Threshold T: the (T + 1)-th line of a burst trips, while the burst's first line is
    // at most 5 whole seconds old.
    void floodThreshold_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("spacingMs");
        QTest::addColumn<int>("tripsAt"); // 0: never
        QTest::newRow("11 lines in 4 s") << 10 << 11 << 400 << 11;
        QTest::newRow("10 lines pass") << 10 << 10 << 400 << 0;
        QTest::newRow("11 lines over 7 s") << 10 << 11 << 700 << 0;
        QTest::newRow("last line at 5.9 s") << 3 << 4 << 1966 << 4;
        QTest::newRow("last line at 6 s") << 3 << 4 << 2000 << 0;
        QTest::newRow("threshold 1") << 1 << 2 << 0 << 2;
    }
    void floodThreshold()
    {
        QFETCH(int, threshold);
        QFETCH(int, lines);
        QFETCH(int, spacingMs);
        QFETCH(int, tripsAt);
        Fixture f;
        f.guard.setThreshold(threshold);
        int tripped = 0;
        for (int i = 1; i <= lines && tripped == 0; ++i) {
            if (f.message(i == 1 ? 0 : spacingMs))
                tripped = i;
        }
        QCOMPARE(tripped, tripsAt);
        QCOMPARE(f.list.isIgnored(QStringLiteral("bad"), QStringLiteral("bad@flood.example")),
                 tripsAt != 0);
    }

    void trippedFlood_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("nicknameChanges");
        QTest::newRow("channel") << "#chan" << QStringList{};
        QTest::newRow("private") << "Me" << QStringList{"Me2"};
    }
    void trippedFlood()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, nicknameChanges);
        Fixture f;
        f.guard.setThreshold(2);
        QVERIFY(!f.message(0, target));
        QVERIFY(!f.message(100, target));
        QVERIFY(f.message(100, target));

        const QStringList expected{
            QStringLiteral("WARNING!  bad is Flooding you and has been placed on the Ignore List."),
            QStringLiteral("Now Ignoring bad bad@flood.example"),
        };
        QCOMPARE(f.status.lines().mid(0, 2), expected);
        QCOMPARE(f.list.entries().first().timeLeft, QStringLiteral("10 minutes"));
        QCOMPARE(f.fired.last().name, QStringLiteral("You are being Flooded"));
        QCOMPARE(f.fired.last().texts, eventSlots("bad", "bad@flood.example"));
        QVERIFY(f.guard.records().isEmpty());
        QCOMPARE(f.nicknameChanges, nicknameChanges);
        if (!nicknameChanges.isEmpty()) {
            QCOMPARE(f.status.last(),
                     QStringLiteral(
                         "WARNING!  Due to Flooding, your Nickname is being changed to Me2."));
        }
        // From now on the ignore entry drops the sender's lines without counting them.
        QVERIFY(f.message(100, target));
        QVERIFY(f.guard.records().isEmpty());
    }

    void floodDroppedEvenWhenListIsFull()
    {
        Fixture f;
        for (int i = 0; i < IgnoreList::Capacity; ++i)
            f.list.addIgnore(QStringLiteral("n%1").arg(i), QString(), 0);
        f.guard.setThreshold(1);
        QVERIFY(!f.message(0));
        QVERIFY(f.message(10));
        QCOMPARE(f.status.last(), QStringLiteral("Ignore list is full."));
    }

    void gateLeavesOtherTrafficAlone()
    {
        Fixture f;
        f.list.addIgnore(QStringLiteral("Troll"), QStringLiteral("t@a.example"), 0);
        QVERIFY(f.guard.shouldDrop(QStringLiteral("NOTICE"), QStringLiteral("Me"),
                                   QStringLiteral("troll"), QStringLiteral("x@b.example")));
        QVERIFY(!f.guard.shouldDrop(QStringLiteral("JOIN"), QStringLiteral("#chan"),
                                    QStringLiteral("Troll"), QStringLiteral("t@a.example")));

        f.guard.setEnabled(false);
        f.guard.setThreshold(1);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!f.message(0));
        QVERIFY(f.guard.records().isEmpty());
    }

    void thresholdChangeDiscardsRecords()
    {
        Fixture f;
        f.guard.setThreshold(3);
        f.message(0);
        f.message(0);
        f.message(0);
        QCOMPARE(f.guard.records().size(), 1);
        f.guard.setThreshold(4);
        QVERIFY(f.guard.records().isEmpty());
        // The burst starts again: three more lines do not reach the new threshold.
        for (int i = 0; i < 4; ++i)
            QVERIFY(!f.message(0));
        QVERIFY(f.message(0));

        f.guard.setThreshold(0);
        QCOMPARE(f.options.ignore.floodLines, 1);
        f.guard.setThreshold(1000);
        QCOMPARE(f.options.ignore.floodLines, 100);
    }

    void distinctSendersCannotExhaustMemory()
    {
        Fixture f;
        f.guard.setThreshold(2);
        QVERIFY(!f.message(0));
        for (int i = 0; i < 20 * FloodGuard::MaxRecords; ++i) {
            f.guard.shouldDrop(QStringLiteral("PRIVMSG"), QStringLiteral("Me"),
                               QStringLiteral("bot%1").arg(i),
                               QStringLiteral("bot%1@net.example").arg(i));
        }
        QCOMPARE(f.guard.records().size(), FloodGuard::MaxRecords);
        QCOMPARE(f.guard.records().first().nickname,
                 QStringLiteral("bot%1").arg(20 * FloodGuard::MaxRecords - 1));

        // A flooder among them is still caught while its burst lasts.
        QVERIFY(!f.message(0));
        QVERIFY(!f.message(0));
        QVERIFY(f.message(0));

        // Once the bursts are over they go at the next line.
        QVERIFY(!f.message(6000, QStringLiteral("#chan"), QStringLiteral("late"),
                           QStringLiteral("late@a.example")));
        QCOMPARE(f.guard.records().size(), 1);
    }
};

// The settings page shows the list and the flood settings and writes changes back.
class IgnoreSettingsPageTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void boundBothWays()
    {
        ScriptedPrompts prompts;
        ManualClock clock;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts, clock);
        client.options().ignore.floodLines = 7;
        client.options().ignore.floodProtection = true;
        IgnoreSettingsPage page(client);
        auto* view = page.findChild<QTreeWidget*>(QStringLiteral("ignorelistview"));
        auto* durations = page.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        auto* remove = page.findChild<QPushButton*>(QStringLiteral("Button10"));
        auto* removeAll = page.findChild<QPushButton*>(QStringLiteral("Button4"));
        auto* enable = page.findChild<QCheckBox*>(QStringLiteral("CheckBox3"));
        auto* lines = page.findChild<QSpinBox*>(QStringLiteral("SpinEdit2"));
        QVERIFY(view && durations && remove && removeAll && enable && lines);
        QCOMPARE(durations->currentIndex(), 3);
        QCOMPARE(durations->count(), 8);
        QVERIFY(enable->isChecked());
        QCOMPARE(lines->value(), 7);
        QCOMPARE(lines->maximum(), 100);
        QVERIFY(!remove->isEnabled());

        durations->setCurrentIndex(0);
        QCOMPARE(client.options().ignore.ignoreTime, 0);
        IgnoreList& list = client.ignoreList();
        list.addIgnore(QStringLiteral("A"), QStringLiteral("a@x.example"), -1);
        list.addIgnore(QStringLiteral("B"), QString(), 0);
        QCOMPARE(view->topLevelItemCount(), 2);
        QCOMPARE(view->topLevelItem(0)->text(0), QStringLiteral("A"));
        QCOMPARE(view->topLevelItem(0)->text(1), QStringLiteral("a@x.example"));
        QCOMPARE(view->topLevelItem(0)->text(2), QStringLiteral("1 minute"));
        QVERIFY(remove->isEnabled() && removeAll->isEnabled());

        view->setCurrentItem(view->topLevelItem(1));
        remove->click();
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.entries().first().nickname, QStringLiteral("A"));
        QCOMPARE(view->topLevelItemCount(), 1);
        removeAll->click();
        QCOMPARE(view->topLevelItemCount(), 0);
        QVERIFY(!remove->isEnabled());

        client.floodGuard().floodTest(QStringLiteral("#c"), QStringLiteral("n"),
                                      QStringLiteral("n@x.example"));
        lines->setValue(12);
        QCOMPARE(client.options().ignore.floodLines, 12);
        QVERIFY(client.floodGuard().records().isEmpty());
        enable->click();
        QVERIFY(!client.options().ignore.floodProtection);
    }
};

QUORL_TEST(IgnoreTest)
QUORL_TEST(IgnoreSettingsPageTest)
#include "ignoretest.moc"
