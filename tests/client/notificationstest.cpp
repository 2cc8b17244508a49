// Desktop notifications: which messages become one, and the one-per-window limit.
#include "client/notifier.h"
#include "core/options.h"
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <QVariantMap>

namespace {
// The notification service as a desktop runs it, on a bus of the test's own.
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        received << appName + u'|' + QString::number(replacesId) + u'|' + summary + u'|' + body +
                        u'|' + QString::number(timeout);
        return uint(received.size());
    }
};

struct RecordingNotifier : Notifier
{
    QStringList shown;
    void notify(const QString& summary, const QString& body) override
    {
        shown << summary + QStringLiteral(" | ") + body;
    }
};
} // namespace

class NotificationsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void onlyWhileAwayAndAtMostOnePerWindowInTenSeconds()
    {
        RegistryFixture f;
        RecordingNotifier notifier;
        AttentionNotifications notifications(f.options, f.clock, notifier);
        QObject::connect(&f.registry, &WindowRegistry::attentionWanted, &notifications,
                         &AttentionNotifications::onAttentionWanted);
        ChatWindow* a = f.registry.createChannelWindow("#a");
        ChatWindow* b = f.registry.createChannelWindow("#b");
        const auto say = [&f](ChatWindow* w, const QString& nick, const QString& text) {
            f.registry.addMessage(w, nick, text, u'<' + nick + QStringLiteral("> ") + text);
        };

        say(a, "bob", "Me: while you look"); // the window is active
        QVERIFY(notifier.shown.isEmpty());

        notifications.setWindowActive(false);
        say(a, "bob", "no mention");
        QVERIFY(notifier.shown.isEmpty());
        say(a, "bob", "Me: \x02up?\x02");
        f.clock.advanceSeconds(9);
        say(a, "amy", "me too?");      // same window within ten seconds
        say(b, "amy", "and here, me"); // another window has its own limit
        f.registry.routePrivateMessage("zoe", "z@h", "<zoe> psst", "psst");
        f.registry.routePrivateMessage("zoe", "z@h", "<zoe> again", "again");
        f.clock.advanceSeconds(1);
        say(a, "amy", "me, ten seconds on");
        QCOMPARE(notifier.shown, (QStringList{"bob in #a | Me: up?", "amy in #b | and here, me",
                                              "Private message from zoe | psst",
                                              "amy in #a | me, ten seconds on"}));

        notifier.shown.clear();
        f.clock.advanceSeconds(60);
        f.options.display.notifications = false;
        say(a, "bob", "Me, switched off");
        QVERIFY(notifier.shown.isEmpty());
        f.options.display.notifications = true;
        notifications.setWindowActive(true);
        say(a, "bob", "Me, back at the window");
        QVERIFY(notifier.shown.isEmpty());
    }
};

class DesktopNotifierTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reachesTheServiceOnTheBus()
    {
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (!daemon.waitForStarted(5000))
            QSKIP("no dbus-daemon on this machine");
        QVERIFY(daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        QDBusConnection service = QDBusConnection::connectToBus(address, "notify-service");
        QVERIFY(service.isConnected());
        FakeNotificationService fake;
        QVERIFY(service.registerObject("/org/freedesktop/Notifications", &fake,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.Notifications"));
        QVERIFY(QDBusConnection::connectToBus(address, "notify-client").isConnected());

        DesktopNotifier notifier("notify-client");
        notifier.notify("bob in #a", "Me: look");
        QTRY_COMPARE(fake.received, QStringList{"QuorlIRC|0|bob in #a|Me: look|-1"});

        QDBusConnection::disconnectFromBus("notify-client");
        QDBusConnection::disconnectFromBus("notify-service");
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void withoutABusNothingHappens()
    {
        const QDBusConnection gone =
            QDBusConnection::connectToBus("unix:path=/nonexistent/quorl-bus", "notify-nowhere");
        QVERIFY(!gone.isConnected());
        DesktopNotifier notifier("notify-nowhere");
        notifier.notify("bob", "hello"); // must neither fail nor wait
        QVERIFY(!QDBusConnection("notify-nowhere").isConnected());
        QDBusConnection::disconnectFromBus("notify-nowhere");
    }
};

QUORL_TEST(NotificationsTest)
QUORL_TEST(DesktopNotifierTest)
#include "notificationstest.moc"
