#include "settings/recentservers.h"

#include "irc/session.h"

#include <algorithm>

RecentServers::RecentServers(RecentServerSlots& slots, Session& session, QObject* parent)
    : QObject(parent), slots_(slots), session_(session)
{
}

void RecentServers::remember(const QString& label, const QString& host, int port)
{
    const RecentServer entry{label, host, QString::number(port)};
    auto found = std::find(slots_.begin(), slots_.end(), entry);
    // Everything above the old place (or the whole list) moves down one slot; the last
    // one falls out when the entry is new.
    auto end = found != slots_.end() ? found : slots_.end() - 1;
    std::move_backward(slots_.begin(), end, end + 1);
    slots_[0] = entry;
    Q_EMIT changed();
}

bool RecentServers::choose(int n)
{
    if (n < 0 || n >= SlotCount || !slots_[size_t(n)].inUse())
        return false;
    const RecentServer& entry = slots_[size_t(n)];
    bool ok = false;
    const int port = entry.port.toInt(&ok, 10);
    // A port outside the TCP range cannot be connected to; it is refused like a non-number.
    if (!ok || port < 1 || port > 65535)
        return false;
    if (connector_)
        connector_(entry.host, port, entry.label);
    else
        session_.connectToKnownHost(entry.host, port, entry.label);
    return true;
}

void RecentServers::clear()
{
    slots_.fill(RecentServer{});
    Q_EMIT changed();
}

void RecentServers::setSlots(const RecentServerSlots& slots)
{
    slots_ = slots;
    Q_EMIT changed();
}
