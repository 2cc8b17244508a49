#include "client/notifier.h"

#include "chat/chatwindow.h"
#include "core/clock.h"
#include "core/formatting.h"
#include "core/options.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = connectionName_.isEmpty() ? QDBusConnection::sessionBus()
                                                    : QDBusConnection(connectionName_);
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("QuorlIRC") << uint(0) << QString() << summary << body << QStringList()
         << QVariantMap() << int(-1);
    // No answer is awaited; a bus without the service just drops it.
    bus.send(call);
}

AttentionNotifications::AttentionNotifications(const Options& options, const Clock& clock,
                                               Notifier& notifier, QObject* parent)
    : QObject(parent), options_(options), clock_(clock), notifier_(&notifier)
{
}

void AttentionNotifications::onAttentionWanted(ChatWindow* window, const QString& sender,
                                               const QString& message, bool highlight)
{
    if (!window || windowActive_ || !options_.display.notifications)
        return;
    const QString key =
        QString::number(int(window->conversationKind)) + u' ' + window->windowName().toLower();
    const QDateTime now = clock_.now();
    const auto last = lastShown_.constFind(key);
    if (last != lastShown_.constEnd() && last->secsTo(now) < IntervalSeconds &&
        last->secsTo(now) >= 0)
        return;
    lastShown_.insert(key, now);
    const bool inChannel = window->conversationKind == ConversationKind::Channel;
    QString summary = sender;
    if (inChannel)
        summary += QStringLiteral(" in ") + window->channelName;
    else if (!highlight)
        summary = QStringLiteral("Private message from ") + sender;
    notifier_->notify(summary, stripFormatting(message));
}
