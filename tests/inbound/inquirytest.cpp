// The inquiry registry: order, lookup, expiry, and what completing an inquiry shows or does.
#include "client/client.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "filters/ignorelist.h"
#include "inbound/inquiries.h"
#include "script/eventhook.h"
#include "sound/soundplayer.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QTest>

namespace {
struct Fixture
{
    ManualClock clock;
    IgnoreOptions ignoreOptions;
    LineLog status;
    SoundList soundlist;
    Sounds sounds;
    EventHook events{soundlist, sounds};
    IgnoreList ignores{ignoreOptions, status, events};
    Inquiries inquiries{status, events, ignores, clock};
    // Window name, then the text, then its line class.
    QList<QStringList> shown;
    QStringList resolving;
    std::function<void(const QString&)> finishLookup;
    QStringList fired;

    Fixture()
    {
        inquiries.setWindowLines([this](const QString& window, const QString& text, int lineClass) {
            if (window == QLatin1String("#closed"))
                return false;
            shown << QStringList{window, text, QString::number(lineClass)};
            return true;
        });
        inquiries.setHostResolver(
            [this](const QString& host, std::function<void(const QString&)> done) {
                resolving << host;
                finishLookup = std::move(done);
            });
        QObject::connect(
            &events, &EventHook::eventFired,
            [this](const QString& e, const QStringList& t) { fired << e + u':' + t.join(u'|'); });
    }

    QStringList textsIn(const QString& window) const
    {
        QStringList texts;
        for (const QStringList& line : shown) {
            if (line.at(0) == window)
                texts << line.at(1);
        }
        return texts;
    }
};
} // namespace

class InquiryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newestIsFoundAndCompletedFirst()
    {
        Fixture f;
        f.inquiries.startInquiry("whois", "display", "Bob", "#a", "#a");
        f.inquiries.startInquiry("whois", "display", "Bob", "#b", "#b");
        PendingInquiry* newer = f.inquiries.findInquiry("whois", "bob");
        QVERIFY(newer);
        QCOMPARE(newer->window, QStringLiteral("#b"));
        newer->userHost = "bob@host.example";
        f.inquiries.completeInquiry(newer);
        QCOMPARE(f.textsIn("#b").first(),
                 QStringLiteral("********  Who Is Response For Bob  ********"));
        QVERIFY(f.textsIn("#a").isEmpty());
        QCOMPARE(f.inquiries.count(), 1);
        QCOMPARE(f.inquiries.findInquiry("whois", "BOB")->window, QStringLiteral("#a"));
    }

    void findInquiry_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("foundWindow");
        QTest::newRow("subject in another case") << "version"
                                                 << "ALICE"
                                                 << "#v";
        QTest::newRow("kind is exact") << "Version"
                                       << "Alice"
                                       << "";
        QTest::newRow("other kind") << "time"
                                    << "Alice"
                                    << "#t";
        QTest::newRow("subject is whole") << "version"
                                          << "Ali"
                                          << "";
    }
    void findInquiry()
    {
        QFETCH(QString, kind);
        QFETCH(QString, subject);
        QFETCH(QString, foundWindow);
        Fixture f;
        f.inquiries.startInquiry("time", "display", "alice", "", "#t");
        f.inquiries.startInquiry("version", "display", "Alice", "", "#v");
        const PendingInquiry* found = f.inquiries.findInquiry(kind, subject);
        QCOMPARE(found ? found->window : QString(), foundWindow);
    }

    void expiry()
    {
        Fixture f;
        f.inquiries.startInquiry("dnsuserhost", "display", "old", "", "#a");
        f.clock.advanceSeconds(100);
        f.inquiries.startInquiry("ping", "display", "young", "", "#a");
        f.clock.advanceSeconds(500);
        f.clock.set(f.clock.now().addMSecs(999)); // 600.999 s: still 600 whole seconds
        f.inquiries.expireInquiries();
        QCOMPARE(f.inquiries.count(), 2);
        f.clock.set(f.clock.now().addMSecs(1));
        f.inquiries.expireInquiries();
        QCOMPARE(f.inquiries.count(), 1);
        QCOMPARE(f.inquiries.at(0).subject, QStringLiteral("young"));
    }

    void expiredLookupFreesTheResolver()
    {
        Fixture f;
        PendingInquiry& lookup =
            f.inquiries.startInquiry("dnsuserhost", "display", "bob", "", "#a");
        lookup.userHost = "bob@host.example";
        f.inquiries.completeInquiry(&lookup);
        QCOMPARE(f.inquiries.pendingLookup(), QStringLiteral("bob"));
        f.clock.advanceSeconds(300);
        f.inquiries.startInquiry("version", "display", "carol", "", "#a");
        f.clock.advanceSeconds(301);
        f.inquiries.expireInquiries();
        QVERIFY(!f.inquiries.lookupPending());
        QCOMPARE(f.inquiries.count(), 1);
        // The answer that comes after all shows nothing.
        f.finishLookup("192.0.2.7");
        QVERIFY(f.shown.isEmpty());
    }

    void clearInquiries()
    {
        Fixture f;
        f.inquiries.startInquiry("whois", "display", "a", "", "#a");
        f.inquiries.startInquiry("names", "display", "#c", "", "#a");
        f.inquiries.clearInquiries();
        QCOMPARE(f.inquiries.count(), 0);
        QVERIFY(!f.inquiries.findInquiry("whois", "a"));
    }

    void display_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QStringList>("fields"); // name=value pairs
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("whois, everything")
            << "whois"
            << "Bob"
            << QStringList{"userHost=bob@h.example", "realName=Bob B", "server=irc.x (X net)",
                           "ircOperator=yes",        "idle=30 secs.",  "channels=#a @#b"}
            << QStringList{"********  Who Is Response For Bob  ********",
                           "*** Bob is bob@h.example",
                           "*** Bob's Name is Bob B.",
                           "*** Bob is connected to irc.x (X net).",
                           "*** Bob is an IRC-COP.",
                           "*** Bob has been idle for 30 secs.",
                           "*** Bob is on: #a @#b",
                           "*******************************"};
        QTest::newRow("whois, no operator, idle or channels")
            << "whois"
            << "Bob" << QStringList{"userHost=b@h", "ircOperator=no"}
            << QStringList{"********  Who Is Response For Bob  ********", "*** Bob is b@h",
                           "*** Bob's Name is .", "*** Bob is connected to .",
                           "*******************************"};
        QTest::newRow("version") << "version"
                                 << "Bob" << QStringList{"versionReply=xchat 2"}
                                 << QStringList{"*** Bob is using xchat 2"};
        QTest::newRow("time") << "time"
                              << "Bob" << QStringList{"timeReply=Mon 12:00"}
                              << QStringList{"*** Bob Time is Mon 12:00"};
        QTest::newRow("ping") << "ping"
                              << "Bob" << QStringList{"pingResult=3 secs."}
                              << QStringList{"*** Bob Ping is 3 secs."};
        QTest::newRow("names") << "names"
                               << "#chan" << QStringList{"namesText= @op +v plain "}
                               << QStringList{"--- Names list for #chan...", "- @op +v plain",
                                              "--- End of Names List."};
        QTest::newRow("dns") << "dns"
                             << "Bob" << QStringList{"resolvedAddress=192.0.2.1"}
                             << QStringList{"- Bob is at 192.0.2.1"};
        QTest::newRow("numeric userhost")
            << "dnsuserhost"
            << "Bob" << QStringList{"userHost=192.0.2.9"} << QStringList{"- Bob is at 192.0.2.9"};
    }
    void display()
    {
        QFETCH(QString, kind);
        QFETCH(QString, subject);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, lines);
        Fixture f;
        PendingInquiry& r = f.inquiries.startInquiry(kind, "display", subject, "", "#win");
        QHash<QString, QString*> slots{
            {"userHost", &r.userHost},
            {"realName", &r.realName},
            {"server", &r.server},
            {"ircOperator", &r.ircOperator},
            {"idle", &r.idle},
            {"channels", &r.channels},
            {"versionReply", &r.versionReply},
            {"timeReply", &r.timeReply},
            {"pingResult", &r.pingResult},
            {"namesText", &r.namesText},
            {"resolvedAddress", &r.resolvedAddress},
        };
        for (const QString& field : fields)
            *slots.value(field.section(u'=', 0, 0)) = field.section(u'=', 1);
        f.inquiries.completeInquiry(&r);
        QCOMPARE(f.textsIn("#win"), lines);
        for (const QStringList& line : f.shown)
            QCOMPARE(line.at(2), QStringLiteral("0"));
        QCOMPARE(f.inquiries.count(), 0);
        QVERIFY(!f.inquiries.lookupPending());
    }

    void hostNameIsLookedUp()
    {
        Fixture f;
        PendingInquiry& r = f.inquiries.startInquiry("dnsuserhost", "display", "Bob", "", "#win");
        r.userHost = "host.example";
        f.inquiries.completeInquiry(&r);
        QCOMPARE(f.resolving, QStringList{"host.example"});
        QCOMPARE(f.inquiries.pendingLookup(), QStringLiteral("Bob"));
        QCOMPARE(f.inquiries.count(), 1);
        QCOMPARE(f.inquiries.at(0).kind, QStringLiteral("dns"));
        QVERIFY(f.shown.isEmpty());

        f.finishLookup("198.51.100.4");
        QCOMPARE(f.textsIn("#win"), QStringList{"- Bob is at 198.51.100.4"});
        QCOMPARE(f.fired, QStringList{"Response to my dns:Bob||||||198.51.100.4|198.51.100.4"});
        QVERIFY(!f.inquiries.lookupPending());
        QCOMPARE(f.inquiries.count(), 0);
    }

    void lateLookupAnswerAfterDisconnect()
    {
        Fixture f;
        PendingInquiry& r = f.inquiries.startInquiry("dnsuserhost", "display", "Bob", "", "#win");
        r.userHost = "host.example";
        f.inquiries.completeInquiry(&r);
        const auto abandoned = f.finishLookup;
        f.inquiries.clearInquiries();
        f.inquiries.clearPendingLookup();

        PendingInquiry& again =
            f.inquiries.startInquiry("dnsuserhost", "display", "Bob", "", "#win");
        again.userHost = "other.example";
        f.inquiries.completeInquiry(&again);
        abandoned("203.0.113.1");
        QVERIFY(f.shown.isEmpty());
        QVERIFY(f.inquiries.lookupPending());
        f.finishLookup("198.51.100.9");
        QCOMPARE(f.textsIn("#win"), QStringList{"- Bob is at 198.51.100.9"});
    }

    void closedWindowFallsBackToStatus()
    {
        Fixture f;
        PendingInquiry& r = f.inquiries.startInquiry("version", "display", "Bob", "", "#closed");
        r.versionReply = "irssi";
        f.inquiries.completeInquiry(&r);
        QCOMPARE(f.status.last(), QStringLiteral("*** Bob is using irssi"));
        QCOMPARE(f.inquiries.count(), 0);
    }

    void ignoreActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("timeLeft");
        QTest::addColumn<QString>("statusLine");
        QTest::newRow("5") << "ignore5"
                           << "5 minutes"
                           << "Now Ignoring Bob (bob@h.example) for 5 minutes.";
        QTest::newRow("60") << "ignore60"
                            << "60 minutes"
                            << "Now Ignoring Bob (bob@h.example) for 60 minutes.";
        QTest::newRow("permanent") << "ignorep"
                                   << "Permanent"
                                   << "Now Ignoring Bob (bob@h.example) Permanently.";
    }
    void ignoreActions()
    {
        QFETCH(QString, action);
        QFETCH(QString, timeLeft);
        QFETCH(QString, statusLine);
        Fixture f;
        PendingInquiry& r = f.inquiries.startInquiry("whois", action, "Bob", "#c", "#c");
        r.userHost = "bob@h.example";
        f.inquiries.completeInquiry(&r);
        QCOMPARE(f.ignores.count(), 1);
        QCOMPARE(f.ignores.entries().first().address, QStringLiteral("bob@h.example"));
        QCOMPARE(f.ignores.entries().first().timeLeft, timeLeft);
        QCOMPARE(f.status.last(), statusLine);
        QCOMPARE(f.inquiries.count(), 0);

        // A second ignore of the same user is refused, and nothing claims otherwise.
        PendingInquiry& again = f.inquiries.startInquiry("whois", action, "Bob", "#c", "#c");
        again.userHost = "bob@h.example";
        f.inquiries.completeInquiry(&again);
        QCOMPARE(f.status.last(), QStringLiteral("Already ignoring bob@h.example (Bob)."));
        QCOMPARE(f.ignores.count(), 1);
    }

    void actionWithoutHandlerWaits()
    {
        Fixture f;
        PendingInquiry& r = f.inquiries.startInquiry("whois", "kickban", "Bob", "#c", "#c");
        f.inquiries.completeInquiry(&r);
        QCOMPARE(f.inquiries.count(), 1);
        f.inquiries.registerAction("kickban",
                                   [](PendingInquiry& item) { return item.subject == "Bob"; });
        f.inquiries.completeInquiry(&r);
        QCOMPARE(f.inquiries.count(), 0);
    }

    void closingTheSessionDiscardsInquiries()
    {
        ScriptedPrompts prompts;
        ManualClock clock;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts, clock);
        Inquiries& inquiries = client.inquiries();
        inquiries.setHostResolver([](const QString&, std::function<void(const QString&)>) {});
        PendingInquiry& r = inquiries.startInquiry("dnsuserhost", "display", "Bob", "", "");
        r.userHost = "host.example";
        inquiries.completeInquiry(&r);
        inquiries.startInquiry("whois", "display", "Carol", "", "");
        QCOMPARE(inquiries.at(0).created, clock.now());
        QVERIFY(inquiries.lookupPending());
        client.session().endSession();
        QCOMPARE(inquiries.count(), 0);
        QVERIFY(!inquiries.lookupPending());
    }
};

QUORL_TEST(InquiryTest)
#include "inquirytest.moc"
