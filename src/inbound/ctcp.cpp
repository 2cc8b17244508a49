#include "inbound/ctcp.h"

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/formatting.h"
#include "core/options.h"
#include "inbound/inquiries.h"
#include "irc/ircnames.h"
#include "irc/outbound.h"
#include "irc/session.h"
#include "irc/userline.h"
#include "script/eventhook.h"
#include "sound/sharedsounds.h"

#include <QLocale>

namespace {
bool startsWithWord(const QString& body, const char* word)
{
    return body.startsWith(QLatin1String(word), Qt::CaseInsensitive);
}
} // namespace

Ctcp::Ctcp(Session& session, WindowRegistry& windows, EventHook& events, Inquiries& inquiries,
           SharedSounds& sharedSounds, Options& options, const Clock& clock)
    : session_(session), windows_(windows), events_(events), inquiries_(inquiries),
      sharedSounds_(sharedSounds), options_(options), clock_(clock)
{
}

bool Ctcp::isDccOffer(const QString& body)
{
    const QString lower = body.toLower();
    return lower.startsWith(QStringLiteral("dcc send ")) ||
           lower.startsWith(QStringLiteral("dcc chat chat")) ||
           lower.startsWith(QStringLiteral("dcc accept ")) ||
           lower.startsWith(QStringLiteral("dcc resume"));
}

bool Ctcp::isInquiryReply(const QString& body)
{
    const QString trimmed = body.trimmed();
    return startsWithWord(trimmed, "version") || startsWithWord(trimmed, "time") ||
           startsWithWord(trimmed, "ping");
}

qint64 Ctcp::nowStamp(const Clock& clock)
{
    const QDateTime local = clock.now();
    return QDateTime(local.date(),
                     QTime(local.time().hour(), local.time().minute(), local.time().second()),
                     Qt::UTC)
        .toSecsSinceEpoch();
}

void Ctcp::handleQuery(const UserLine& m, const QString& body)
{
    const QString to = m.senderLower();
    const EventSlots who = EventSlots::userFrom(m.sender, m.address);
    const CtcpReplyOptions& replies = options_.ctcp;

    if (body.compare(QStringLiteral("version"), Qt::CaseInsensitive) == 0) {
        if (replies.answerVersion && !replies.versionText.trimmed().isEmpty() && answers_.take()) {
            session_.sendLine(Outbound::ctcpReply(to, QStringLiteral("VERSION ") +
                                                          expandEscapes(replies.versionText)));
            events_.fireEvent(Event::InboundVersion, who);
        }
        return;
    }
    if (body.compare(QStringLiteral("time"), Qt::CaseInsensitive) == 0) {
        if (!answers_.take())
            return;
        const QString now = QLocale::system().toString(clock_.now(), QLocale::ShortFormat);
        session_.sendLine(Outbound::ctcpReply(to, QStringLiteral("TIME ") + now));
        if (replies.messageOnTime)
            session_.sendLine(Outbound::privmsg(to, expandEscapes(replies.timeMessage)));
        events_.fireEvent(Event::InboundTime, who);
        return;
    }
    if (startsWithWord(body, "ping")) {
        if (!answers_.take())
            return;
        session_.sendLine(Outbound::ctcpReply(to, body));
        if (replies.messageOnPing)
            session_.sendLine(Outbound::privmsg(to, expandEscapes(replies.pingMessage)));
        events_.fireEvent(Event::InboundPing, who);
        return;
    }
    const QString keyword = body.section(u' ', 0, 0);
    if (keyword.compare(QStringLiteral("sound"), Qt::CaseInsensitive) == 0) {
        sound(m, body);
        return;
    }
    if (startsWithWord(body, "action")) {
        action(m, body);
        return;
    }
    // Any other query is not answered.
}

void Ctcp::sound(const UserLine& m, const QString& body)
{
    const QString rest = body.mid(6);
    sharedSounds_.playReceived(rest);
    const QString line = u'*' + m.sender + QStringLiteral(" Plays ") + rest;
    ChatWindow* window = isChannelName(m.target) ? windows_.findChannelWindow(m.target)
                                                 : windows_.findPrivateWindow(m.sender);
    if (window)
        windows_.addLine(window, line, LineClass::Other);
    events_.fireEvent(
        Event::InboundSound,
        EventSlots::userFrom(m.sender, window ? window->peerAddress : QString(), rest));
}

void Ctcp::action(const UserLine& m, const QString& body)
{
    const QString rest = body.mid(7);
    const QString text = u'*' + m.sender + u' ' + rest;
    if (!isChannelName(m.target)) {
        windows_.routePrivateMessage(m.sender, m.address, text, rest);
        return;
    }
    ChatWindow* window = windows_.findChannelWindow(m.target);
    if (!window)
        return;
    windows_.addMessage(window, m.sender, rest, text);
    events_.fireEvent(window, Event::InboundAction, EventSlots::userSays(m.sender, rest));
}

void Ctcp::handleReply(const UserLine& m, const QString& rawBody)
{
    const QString body = rawBody.trimmed();
    const QString who = m.senderLower();
    auto complete = [&](PendingInquiry* record, Event event, const QString& answer, auto fill) {
        if (!record)
            return;
        fill(*record);
        inquiries_.completeInquiry(record);
        events_.fireEvent(event, EventSlots::userFrom(m.sender, m.address, answer));
    };

    if (startsWithWord(body, "version")) {
        const QString answer = body.mid(8);
        complete(inquiries_.findInquiry(QStringLiteral("version"), who), Event::VersionReply,
                 answer, [&](PendingInquiry& r) { r.versionReply = answer; });
    } else if (startsWithWord(body, "time")) {
        const QString answer = body.mid(5);
        complete(inquiries_.findInquiry(QStringLiteral("time"), who), Event::TimeReply, answer,
                 [&](PendingInquiry& r) { r.timeReply = answer; });
    } else if (startsWithWord(body, "ping")) {
        const QString payload = body.mid(5);
        // The answer echoes the stamp our query carried; a payload that is not one of our
        // pending stamps answers nothing of ours, whatever its shape.
        PendingInquiry* record = inquiries_.findInquiry(QStringLiteral("ping"), who, payload);
        bool ok = false;
        const qint64 sent = payload.toLongLong(&ok);
        if (!record || !ok)
            return;
        const QString lag = QString::number(nowStamp(clock_) - sent) + QStringLiteral(" secs.");
        complete(record, Event::PingReply, payload, [&](PendingInquiry& r) { r.pingResult = lag; });
    }
}
