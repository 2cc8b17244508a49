// The event hook: which linked sound an event plays and on which player, and which
// script objects an event reaches.
#include "script/eventhook.h"
#include "core/soundlist.h"
#include "support/fakesoundplayer.h"
#include "support/testmain.h"

#include <QSignalSpy>
#include <QTest>

namespace {
class FakeObjects : public ScriptObjectList
{
public:
    int count() const override { return int(objects.size()); }
    ScriptObjectRef at(int index) const override { return objects.at(index); }

    void add(const QString& type, const QString& channel)
    {
        objects.append({int(objects.size()), type, channel});
    }

    QList<ScriptObjectRef> objects;
};

// The hook never looks inside a window record; any distinct address stands for one.
const ChatWindow* fakeWindow(const void* address)
{
    return static_cast<const ChatWindow*>(address);
}

struct Fixture
{
    SoundList list;
    FakeSoundPlayer* wav = new FakeSoundPlayer;
    FakeSoundPlayer* mid = new FakeSoundPlayer;
    Sounds sounds{std::unique_ptr<SoundPlayer>(wav), std::unique_ptr<SoundPlayer>(mid)};
    EventHook hook{list, sounds};
    FakeObjects objects;
    QStringList ran; // "index event" per behaviour run

    Fixture()
    {
        hook.setScriptObjects(&objects);
        hook.setBehaviourRunner(
            [this](const ScriptObjectRef& o, const ChatWindow*, Event event, const EventSlots&) {
                ran << QString::number(o.index) + u' ' + eventName(event);
            });
    }

    // "row|checked|path"
    void link(const QStringList& links)
    {
        for (const QString& link : links) {
            const QStringList parts = link.split(u'|');
            list.entry(parts.at(0).toInt()) = {parts.at(1) == u"1", parts.at(2)};
        }
    }
};
} // namespace

class EventHookTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every event has its own name and is found again by it, letter case included; a title
    // differs from its name in letter case alone, so a sound row is found by its own event.
    void eventNamesRoundTrip()
    {
        for (int i = 0; i < eventCount; ++i) {
            const Event event = Event(i);
            const QString name = eventName(event);
            const std::optional<Event> found = eventNamed(name);
            QVERIFY2(!name.isEmpty() && found && *found == event, qPrintable(name));
            QCOMPARE(eventName(*found), name);
            QCOMPARE(eventTitle(event).toLower(), name.toLower());
        }
        QVERIFY(!eventNamed(u"A User is Joining Channel"));
        QVERIFY(!eventNamed(u"inbound message"));
    }

    void eventSound_data()
    {
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<Event>("event");
        QTest::addColumn<bool>("wavBusy");
        QTest::addColumn<bool>("midBusy");
        QTest::addColumn<QStringList>("wavPlays");
        QTest::addColumn<QStringList>("midPlays");

        using L = QStringList;
        const Event join = Event::UserJoiningChannel; // "a user is joining channel"
        const Event message = Event::InboundMessage;  // row 25 "Inbound Message"
        // Row 7 "A User is Joining Channel" is the join's own row.
        QTest::newRow("linked row plays")
            << L{"7|1|/s/join.wav"} << join << false << false << L{"/s/join.wav"} << L{};
        // Row 26 "Inbound Action" matches "Inbound Message" through its path alone.
        QTest::newRow("name ignores case") << L{"26|1|/s/INBOUND MESSAGE.wav"} << message << false
                                           << false << L{"/s/INBOUND MESSAGE.wav"} << L{};
        QTest::newRow("first playable row wins")
            << L{"25|1|/s/me.mid", "26|1|/s/inbound message.mid"} << message << false << false
            << L{} << L{"/s/me.mid"};
        QTest::newRow("unchecked row passed over")
            << L{"25|0|/s/me.mid", "26|1|/s/inbound message.mid"} << message << false << false
            << L{} << L{"/s/inbound message.mid"};
        QTest::newRow("checked row without file passed over")
            << L{"25|1|", "26|1|/s/inbound message.mid"} << message << false << false << L{}
            << L{"/s/inbound message.mid"};
        QTest::newRow("unchecked only: silence")
            << L{"7|0|/s/join.wav"} << join << false << false << L{} << L{};
        QTest::newRow("no row matches")
            << L{"7|1|/s/join.wav"} << Event::FileSent << false << false << L{} << L{};
        // The name is sought in the whole row text, the linked path included.
        QTest::newRow("match inside the path")
            << L{"0|1|/s/inbound message.wav", "25|1|/s/msg.wav"} << message << false << false
            << L{"/s/inbound message.wav"} << L{};
        QTest::newRow("path after the first separator")
            << L{"25|1|  /s/a - b/Msg.MID  "} << message << false << false << L{}
            << L{"/s/a - b/Msg.MID"};
        QTest::newRow("upper-case wav goes to the wave player")
            << L{"25|1|/S/Ding.WAV"} << message << false << false << L{"/S/Ding.WAV"} << L{};

        QTest::newRow("yielding wav dropped while wave player busy")
            << L{"7|1|/s/join.wav"} << join << true << false << L{} << L{};
        QTest::newRow("yielding mid dropped while midi player busy")
            << L{"7|1|/s/join.mid"} << join << false << true << L{} << L{};
        QTest::newRow("busy wave player does not block midi")
            << L{"7|1|/s/join.mid"} << join << true << false << L{} << L{"/s/join.mid"};
        QTest::newRow("busy midi player does not block wav")
            << L{"7|1|/s/join.wav"} << join << false << true << L{"/s/join.wav"} << L{};
        QTest::newRow("interrupting row cuts in") << L{"4|1|/s/me.wav"} << Event::YouJoiningChannel
                                                  << true << false << L{"/s/me.wav"} << L{};
    }

    void eventSound()
    {
        QFETCH(QStringList, links);
        QFETCH(Event, event);
        QFETCH(bool, wavBusy);
        QFETCH(bool, midBusy);
        Fixture f;
        f.link(links);
        f.wav->busy = wavBusy;
        f.mid->busy = midBusy;

        f.hook.fireEvent(event);

        QTEST(f.wav->played, "wavPlays");
        QTEST(f.mid->played, "midPlays");
    }

    // Every row, linked alone and fired by its own event while the player is busy: only
    // the rows that must never wait get through.
    void interruptingRows_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < SoundList::rowCount; ++row)
            QTest::addRow("%d %s", row, qPrintable(SoundList::caption(row))) << row;
    }

    void interruptingRows()
    {
        QFETCH(int, row);
        Fixture f;
        f.list.entry(row) = {true, QStringLiteral("/s/x.wav")};
        f.wav->busy = true;

        f.hook.fireEvent(SoundList::event(row));

        const QStringList interrupting{
            "You Connecting to Server",
            "You Disconnecting from Server",
            "You Joining Channel",
            "You Leaving Channel",
            "You Being Kicked from Channel",
            "You are Promoted to Channel Operator",
            "You Changing Nickname",
            "A User is Requesting a Private Chat",
            "A User is Requesting a DCC Chat",
            "You are being Flooded",
        };
        const bool interrupts = interrupting.contains(SoundList::caption(row));
        QCOMPARE(f.wav->played, interrupts ? QStringList{"/s/x.wav"} : QStringList{});
    }

    void windowDecidesSoundNotObjects_data()
    {
        QTest::addColumn<bool>("withWindow");
        QTest::addColumn<bool>("windowPlays");
        QTest::addColumn<bool>("sounds");

        QTest::newRow("shown window with sound on") << true << true << true;
        QTest::newRow("hidden or muted window") << true << false << false;
        QTest::newRow("no window: always") << false << false << true;
    }

    void windowDecidesSoundNotObjects()
    {
        QFETCH(bool, withWindow);
        QFETCH(bool, windowPlays);
        Fixture f;
        const int record = 0;
        const ChatWindow* window = withWindow ? fakeWindow(&record) : nullptr;
        const ChatWindow* asked = nullptr;
        f.hook.setWindowPlaysSounds([&](const ChatWindow* w) {
            asked = w;
            return windowPlays;
        });
        f.list.entry(7) = {true, QStringLiteral("/s/join.wav")};
        f.objects.add(QStringLiteral("channelautogreet"), QStringLiteral("#chan"));

        f.hook.fireEvent(window, Event::UserJoiningChannel,
                         EventSlots().set(1, "bob").set(8, "#chan"));

        QTEST(!f.wav->played.isEmpty(), "sounds");
        QCOMPARE(asked, window);
        QCOMPARE(f.ran, QStringList{"0 a user is joining channel"});
    }

    void objectTriggers_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("slot7");
        QTest::addColumn<QString>("slot8");
        QTest::addColumn<bool>("runs");

        const QString join = QStringLiteral("a user is joining channel");
        const QString inbound = QStringLiteral("Inbound Message");
        const QString kick = QStringLiteral("a user is kicked from channel");
        const QString deop = QStringLiteral("A User is No longer Channel Operator");
        QTest::newRow("greet on join") << "channelautogreet"
                                       << "#c" << join << ""
                                       << "#c" << true;
        QTest::newRow("op on join") << "channelautoop"
                                    << "#c" << join << ""
                                    << "#c" << true;
        QTest::newRow("voice on join") << "channelautovoice"
                                       << "#c" << join << ""
                                       << "#c" << true;
        QTest::newRow("farewell on leave") << "channelautofarewell"
                                           << "#c"
                                           << "a user is leaving channel"
                                           << ""
                                           << "#c" << true;
        QTest::newRow("send on message") << "channelautosend"
                                         << "#c" << inbound << "hi"
                                         << "#c" << true;
        QTest::newRow("on-text on message") << "channelautoontext"
                                            << "#c" << inbound << "hi"
                                            << "#c" << true;
        QTest::newRow("protect on kick") << "channelautoprotect"
                                         << "#c" << kick << "#c"
                                         << "victim" << true;
        QTest::newRow("protect on de-op") << "channelautoprotect"
                                          << "#c" << deop << "#c"
                                          << "victim" << true;

        QTest::newRow("farewell ignores join") << "channelautofarewell"
                                               << "#c" << join << ""
                                               << "#c" << false;
        QTest::newRow("greet ignores message") << "channelautogreet"
                                               << "#c" << inbound << ""
                                               << "#c" << false;
        QTest::newRow("unknown type") << "channelautokick"
                                      << "#c" << join << ""
                                      << "#c" << false;
        QTest::newRow("event case must match") << "channelautogreet"
                                               << "#c"
                                               << "A User is Joining Channel"
                                               << ""
                                               << "#c" << false;
        QTest::newRow("de-op case must match") << "channelautoprotect"
                                               << "#c"
                                               << "a user is no longer channel operator"
                                               << "#c"
                                               << "victim" << false;
        QTest::newRow("type case must match") << "ChannelAutoGreet"
                                              << "#c" << join << ""
                                              << "#c" << false;

        QTest::newRow("channel ignores case") << "channelautogreet"
                                              << "#Chan" << join << ""
                                              << "#cHAN" << true;
        QTest::newRow("other channel") << "channelautogreet"
                                       << "#c" << join << ""
                                       << "#d" << false;
        QTest::newRow("greet reads slot 8, not 7") << "channelautogreet"
                                                   << "#c" << join << "#c"
                                                   << "#d" << false;
        QTest::newRow("protect reads slot 7, not 8") << "channelautoprotect"
                                                     << "#c" << kick << "#d"
                                                     << "#c" << false;
        QTest::newRow("all serves every channel") << "channelautogreet"
                                                  << "ALL" << join << ""
                                                  << "#x" << true;
        QTest::newRow("all serves an empty channel") << "channelautosend"
                                                     << "all" << inbound << ""
                                                     << "" << true;
        QTest::newRow("no channel serves nothing") << "channelautosend"
                                                   << "" << inbound << ""
                                                   << "" << false;
    }

    void objectTriggers()
    {
        QFETCH(QString, type);
        QFETCH(QString, channel);
        QFETCH(QString, event);
        QFETCH(QString, slot7);
        QFETCH(QString, slot8);
        QFETCH(bool, runs);
        Fixture f;
        f.objects.add(type, channel);

        // Objects react to the event of exactly that name: another letter case names none.
        const std::optional<Event> named = eventNamed(event);
        QVERIFY(named || !runs);
        if (named)
            f.hook.fireEvent(nullptr, *named,
                             EventSlots().set(1, "nick").set(7, slot7).set(8, slot8));

        QCOMPARE(f.ran, runs ? QStringList{"0 " + event} : QStringList{});
    }

    // Objects run in list order, each one, after the sound; each gets the event as raised.
    void objectsRunInOrder()
    {
        Fixture f;
        f.list.entry(7) = {true, QStringLiteral("/s/join.wav")};
        f.objects.add(QStringLiteral("channelautogreet"), QStringLiteral("#c"));
        f.objects.add(QStringLiteral("channelautoop"), QStringLiteral("all"));
        f.objects.add(QStringLiteral("channelautogreet"), QStringLiteral("#other"));
        f.objects.add(QStringLiteral("channelautogreet"), QStringLiteral("#C"));
        QStringList seen;
        bool soundFirst = true;
        const int record = 0;
        const EventSlots raised = EventSlots().set(1, "bob").set(7, "~b@host").set(8, "#c");
        f.hook.setBehaviourRunner([&](const ScriptObjectRef& o, const ChatWindow* window,
                                      Event event, const EventSlots& s) {
            soundFirst = soundFirst && !f.wav->played.isEmpty();
            QCOMPARE(window, fakeWindow(&record));
            QCOMPARE(s.toList(), raised.toList());
            seen << o.type + u'@' + QString::number(o.index) + u' ' + eventName(event);
        });

        f.hook.fireEvent(fakeWindow(&record), Event::UserJoiningChannel, raised);

        QCOMPARE(seen, (QStringList{"channelautogreet@0 a user is joining channel",
                                    "channelautoop@1 a user is joining channel",
                                    "channelautogreet@3 a user is joining channel"}));
        QVERIFY(soundFirst);
    }

    // The short form other modules call, with no window; the slots as scripts see them.
    void channelMessageSlots()
    {
        Fixture f;
        QSignalSpy spy(&f.hook, &EventHook::eventFired);
        f.objects.add(QStringLiteral("channelautoontext"), QStringLiteral("#c"));
        QStringList slots8;
        f.hook.setBehaviourRunner([&](const ScriptObjectRef&, const ChatWindow*, Event,
                                      const EventSlots& s) { slots8 << s.at(7) << s.at(8); });

        f.hook.fireEvent(Event::InboundMessage,
                         EventSlots::userInChannel(QStringLiteral("bob"), QStringLiteral("#c"),
                                                   QStringLiteral("hello")));

        QCOMPARE(slots8, (QStringList{"hello", "#c"}));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Inbound Message"));
        QCOMPARE(spy.at(0).at(1).toStringList(),
                 (QStringList{"bob", "", "", "", "", "", "hello", "#c"}));
    }
};

QUORL_TEST(EventHookTest)
#include "eventhooktest.moc"
