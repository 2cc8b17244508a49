#include "inbound/inquiries.h"

#include "core/clock.h"
#include "core/linelog.h"
#include "filters/ignorelist.h"
#include "script/eventhook.h"

#include <QHostAddress>
#include <QHostInfo>

namespace {
constexpr int serverLineClass = 0;

struct IgnoreAction
{
    const char* name;
    int minutes; // 0: permanently
};
constexpr IgnoreAction ignoreActions[] = {
    {"ignore5", 5}, {"ignore10", 10}, {"ignore30", 30}, {"ignore60", 60}, {"ignorep", 0},
};

QStringList whoisLines(const PendingInquiry& r)
{
    const QString& nick = r.subject;
    QStringList lines{
        QStringLiteral("********  Who Is Response For ") + nick + QStringLiteral("  ********"),
        QStringLiteral("*** ") + nick + QStringLiteral(" is ") + r.userHost,
        QStringLiteral("*** ") + nick + QStringLiteral("'s Name is ") + r.realName + u'.',
        QStringLiteral("*** ") + nick + QStringLiteral(" is connected to ") + r.server + u'.',
    };
    if (!r.account.isEmpty())
        lines << QStringLiteral("*** ") + nick + QStringLiteral(" is logged in as ") + r.account +
                     u'.';
    if (r.ircOperator == QLatin1String("yes"))
        lines << QStringLiteral("*** ") + nick + QStringLiteral(" is an IRC-COP.");
    if (!r.idle.isEmpty())
        lines << QStringLiteral("*** ") + nick + QStringLiteral(" has been idle for ") + r.idle;
    if (!r.channels.isEmpty())
        lines << QStringLiteral("*** ") + nick + QStringLiteral(" is on: ") + r.channels;
    lines << QStringLiteral("*******************************");
    return lines;
}

QStringList namesLines(const PendingInquiry& r)
{
    return {QStringLiteral("--- Names list for ") + r.subject + QStringLiteral("..."),
            QStringLiteral("- ") + r.namesText.trimmed(), QStringLiteral("--- End of Names List.")};
}

using LinesOf = QStringList (*)(const PendingInquiry&);
struct DisplayKind
{
    const char* kind;
    LinesOf lines;
};
const DisplayKind displayKinds[] = {
    {"whois", whoisLines},
    {"version",
     [](const PendingInquiry& r) {
         return QStringList{QStringLiteral("*** ") + r.subject + QStringLiteral(" is using ") +
                            r.versionReply};
     }},
    {"time",
     [](const PendingInquiry& r) {
         return QStringList{QStringLiteral("*** ") + r.subject + QStringLiteral(" Time is ") +
                            r.timeReply};
     }},
    {"ping",
     [](const PendingInquiry& r) {
         return QStringList{QStringLiteral("*** ") + r.subject + QStringLiteral(" Ping is ") +
                            r.pingResult};
     }},
    {"names", namesLines},
    {"dns",
     [](const PendingInquiry& r) {
         return QStringList{QStringLiteral("- ") + r.subject + QStringLiteral(" is at ") +
                            r.resolvedAddress};
     }},
};

// The host part of a USERHOST answer, which may carry the user name before an "@".
QString hostPart(const QString& userHost)
{
    const qsizetype at = userHost.lastIndexOf(u'@');
    return (at < 0 ? userHost : userHost.mid(at + 1)).trimmed();
}

void resolveWithQt(QObject* context, const QString& host, std::function<void(const QString&)> done)
{
    // A numeric address is its own answer; it still arrives through the event loop.
    if (const QHostAddress numeric(host); !numeric.isNull()) {
        QMetaObject::invokeMethod(
            context, [done = std::move(done), address = numeric.toString()] { done(address); },
            Qt::QueuedConnection);
        return;
    }
    QHostInfo::lookupHost(host, context, [done = std::move(done)](const QHostInfo& info) {
        const QList<QHostAddress> addresses = info.addresses();
        done(info.error() == QHostInfo::NoError && !addresses.isEmpty()
                 ? addresses.first().toString()
                 : QString());
    });
}
} // namespace

Inquiries::Inquiries(LineLog& status, EventHook& events, IgnoreList& ignores, const Clock& clock,
                     QObject* parent)
    : QObject(parent), status_(status), events_(events), ignores_(ignores), clock_(clock)
{
    resolver_ = [this](const QString& host, std::function<void(const QString&)> done) {
        resolveWithQt(this, host, std::move(done));
    };
    registerAction(QStringLiteral("display"), [this](PendingInquiry& r) { return display(r); });
    for (const IgnoreAction& a : ignoreActions) {
        registerAction(QLatin1String(a.name), [this, minutes = a.minutes](PendingInquiry& r) {
            return ignoreFor(r, minutes);
        });
    }
}

Inquiries::~Inquiries() = default;

void Inquiries::registerAction(const QString& name, Action action)
{
    actions_.insert(name, std::move(action));
}

PendingInquiry& Inquiries::startInquiry(const QString& kind, const QString& action,
                                        const QString& subject, const QString& extra,
                                        const QString& window)
{
    auto record = std::make_unique<PendingInquiry>();
    record->kind = kind;
    record->action = action;
    record->subject = subject;
    record->extra = extra;
    record->window = window;
    record->created = clock_.now();
    record->network = activeNetwork();
    records_.insert(records_.begin(), std::move(record));
    return *records_.front();
}

PendingInquiry* Inquiries::findInquiry(const QString& kind, const QString& subject)
{
    const int network = activeNetwork();
    for (const auto& record : records_) {
        if (record->kind == kind && record->network == network &&
            record->subject.compare(subject, Qt::CaseInsensitive) == 0)
            return record.get();
    }
    return nullptr;
}

PendingInquiry* Inquiries::findInquiry(const QString& kind, const QString& subject,
                                       const QString& extra)
{
    const int network = activeNetwork();
    for (const auto& record : records_) {
        if (record->kind == kind && record->extra == extra && record->network == network &&
            record->subject.compare(subject, Qt::CaseInsensitive) == 0)
            return record.get();
    }
    return nullptr;
}

PendingInquiry* Inquiries::findLabeled(const QString& label)
{
    const int network = activeNetwork();
    for (const auto& record : records_) {
        if (!label.isEmpty() && record->label == label && record->network == network)
            return record.get();
    }
    return nullptr;
}

void Inquiries::completeInquiry(PendingInquiry* record)
{
    const bool known = std::any_of(records_.cbegin(), records_.cend(),
                                   [record](const auto& r) { return r.get() == record; });
    if (!known)
        return;
    const auto action = actions_.constFind(record->action);
    if (action == actions_.cend())
        return; // its handler comes later; the record waits for expiry
    record->done = true;
    if ((*action)(*record))
        remove(record);
}

void Inquiries::remove(const PendingInquiry* record)
{
    const auto found = std::find_if(records_.begin(), records_.end(),
                                    [record](const auto& r) { return r.get() == record; });
    if (found != records_.end())
        records_.erase(found);
}

void Inquiries::expireInquiries()
{
    const QDateTime now = clock_.now();
    std::erase_if(records_, [&](const std::unique_ptr<PendingInquiry>& r) {
        if (r->created.msecsTo(now) / 1000 <= LifetimeSeconds)
            return false;
        if (r->kind == QLatin1String("dns"))
            clearPendingLookup();
        return true;
    });
}

void Inquiries::clearInquiries()
{
    records_.clear();
}

void Inquiries::clearInquiries(int network)
{
    std::erase_if(records_, [network](const std::unique_ptr<PendingInquiry>& r) {
        return r->network == network;
    });
}

void Inquiries::clearPendingLookup()
{
    pendingLookup_.clear();
    ++lookupSerial_;
}

QStringList Inquiries::displayLines(const PendingInquiry& record)
{
    for (const DisplayKind& k : displayKinds) {
        if (record.kind == QLatin1String(k.kind))
            return k.lines(record);
    }
    return {};
}

bool Inquiries::display(PendingInquiry& record)
{
    if (record.kind == QLatin1String("dnsuserhost"))
        return displayUserHost(record);
    for (const QString& line : displayLines(record))
        showLine(record.window, line);
    return true;
}

bool Inquiries::displayUserHost(PendingInquiry& record)
{
    const QString host = hostPart(record.userHost);
    if (host.isEmpty() || host.back().isDigit()) {
        showLine(record.window,
                 QStringLiteral("- ") + record.subject + QStringLiteral(" is at ") + host);
        clearPendingLookup();
        return true;
    }
    startInquiry(QStringLiteral("dns"), QStringLiteral("display"), record.subject, QString(),
                 record.window);
    clearPendingLookup();
    pendingLookup_ = record.subject;
    const quint64 serial = lookupSerial_;
    if (resolver_) {
        resolver_(host, [this, serial](const QString& address) {
            if (serial == lookupSerial_)
                addressLookupFinished(address);
        });
    }
    return true;
}

void Inquiries::addressLookupFinished(const QString& address)
{
    if (pendingLookup_.isEmpty())
        return;
    // The resolver answers outside any network's lines: the one lookup is found by name.
    PendingInquiry* record = nullptr;
    for (const auto& r : records_)
        if (!record && r->kind == QLatin1String("dns") &&
            r->subject.compare(pendingLookup_, Qt::CaseInsensitive) == 0)
            record = r.get();
    clearPendingLookup();
    if (!record)
        return;
    record->resolvedAddress = address;
    events_.fireEvent(Event::DnsReply, EventSlots::lookup(record->subject, address));
    completeInquiry(record);
}

bool Inquiries::ignoreFor(PendingInquiry& record, int minutes)
{
    const bool added = ignores_.addIgnore(record.subject, record.userHost,
                                          minutes > 0 ? minutes : IgnoreList::Permanent);
    // A refused entry was reported by the list itself; claiming it here would mislead.
    if (added) {
        status_.add(QStringLiteral("Now Ignoring ") + record.subject + QStringLiteral(" (") +
                    record.userHost +
                    (minutes > 0 ? QStringLiteral(") for ") + QString::number(minutes) +
                                       QStringLiteral(" minutes.")
                                 : QStringLiteral(") Permanently.")));
    }
    return true;
}

void Inquiries::showLine(const QString& window, const QString& text)
{
    // A window closed while its inquiry waited gets nothing; the status list shows it.
    if (window.isEmpty() || !windowLines_ || !windowLines_(window, text, serverLineClass))
        status_.add(text);
}
