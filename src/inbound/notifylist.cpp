#include "inbound/notifylist.h"

#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "core/prompts.h"
#include "inbound/inquiries.h"
#include "irc/numerics.h"
#include "irc/outbound.h"
#include "script/eventhook.h"

#include <algorithm>

namespace {
const QString newNickStem = QStringLiteral("NewNick");
constexpr int newNickLimit = 100;

// The toggle of each detail column, in column order.
constexpr bool NotifyOptions::*const columnToggles[notifyColumnCount] = {
    &NotifyOptions::showName,    &NotifyOptions::showAddress,  &NotifyOptions::showServer,
    &NotifyOptions::showIdle,    &NotifyOptions::showPing,     &NotifyOptions::showTime,
    &NotifyOptions::showVersion, &NotifyOptions::showChannels,
};

// The stored order of the toggles, which is alphabetical rather than the column order.
constexpr NotifyColumn storedColumnOrder[notifyColumnCount] = {
    NotifyColumn::Address, NotifyColumn::Channels, NotifyColumn::Idle, NotifyColumn::Name,
    NotifyColumn::Ping,    NotifyColumn::Server,   NotifyColumn::Time, NotifyColumn::Version,
};

// The nickname column first, then the detail columns.
constexpr int minimumWidths[1 + notifyColumnCount] = {100, 25, 35, 30, 20, 25, 25, 35, 45};

QString orNotAvailable(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("N/A") : text;
}

void clearDetails(NotifyEntry& entry)
{
    entry.present = false;
    entry.networks.clear();
    entry.details.fill(QString());
}

QString& detail(NotifyEntry& entry, NotifyColumn column)
{
    return entry.details.at(std::size_t(column));
}
} // namespace

NotifyList::NotifyList(NotifyOptions& options, LineLog& status, EventHook& events, Prompts& prompts,
                       Send sendLine, QObject* parent)
    : QObject(parent), options_(options), status_(status), events_(events), prompts_(prompts),
      sendLine_(std::move(sendLine))
{
}

NotifyList::~NotifyList() = default;

int NotifyList::indexOf(const QString& nickname) const
{
    for (int i = 0; i < count(); ++i) {
        if (entries_.at(i).nickname.compare(nickname, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void NotifyList::setSelectedIndex(int index)
{
    if (index < -1 || index >= count())
        index = -1;
    if (index == selected_)
        return;
    selected_ = index;
    Q_EMIT selectionChanged(selected_);
}

NotifyButtons NotifyList::buttons() const
{
    NotifyButtons b;
    // A full list refuses another entry whatever is selected.
    b.addUser = count() < MaxEntries;
    if (selected_ < 0)
        return b;
    b.editUser = b.deleteUser = true;
    const bool present = entries_.at(selected_).present;
    b.refreshUser = b.requestDccChat = b.requestPrivateChat = present;
    return b;
}

QString NotifyList::forbiddenCharacters()
{
    return QStringLiteral(":;'\" ,.<>~!@#$%&*()+");
}

QString NotifyList::forbiddenWarning()
{
    return QStringLiteral("Cannot use the following characters in a Nickname: \r\n") +
           forbiddenCharacters();
}

namespace {
bool hasForbidden(const QString& text)
{
    const QString forbidden = NotifyList::forbiddenCharacters();
    return std::any_of(text.cbegin(), text.cend(), [&](QChar c) { return forbidden.contains(c); });
}
} // namespace

bool NotifyList::isUsable(const QString& nickname) const
{
    return !nickname.isEmpty() && !hasForbidden(nickname) && indexOf(nickname) < 0;
}

bool NotifyList::addEntry(const QString& nickname)
{
    const QString name = nickname.trimmed();
    if (count() >= MaxEntries || !isUsable(name))
        return false;
    NotifyEntry entry;
    entry.nickname = name;
    entries_.append(entry);
    watch(name, true);
    Q_EMIT entriesChanged();
    selected_ = -1;
    setSelectedIndex(count() - 1);
    return true;
}

QString NotifyList::nextNewNick(const QStringList& nicknames)
{
    int largest = 0;
    for (int n = 0; n <= newNickLimit; ++n) {
        const QString name = QStringLiteral("newnick") + QString::number(n);
        const bool taken = std::any_of(nicknames.cbegin(), nicknames.cend(), [&](const QString& s) {
            return s.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (taken)
            largest = n;
    }
    return newNickStem + QString::number(largest + 1);
}

bool NotifyList::addUser()
{
    return addEntry(nextNewNick(nicknames()));
}

bool NotifyList::renameEntry(int index, const QString& text)
{
    if (index < 0 || index >= count())
        return false;
    const QString name = text.trimmed();
    if (indexOf(name) >= 0)
        return false;
    if (hasForbidden(name)) {
        prompts_.warning(forbiddenWarning());
        return false;
    }
    if (name.isEmpty())
        return false;
    // Only the name changes: presence and details stay until the next poll answers for
    // the new name, so a user still on line is not announced again.
    watch(entries_.at(index).nickname, false);
    entries_[index].nickname = name;
    watch(name, true);
    Q_EMIT entryChanged(index);
    return true;
}

void NotifyList::deleteSelected()
{
    if (selected_ < 0)
        return;
    watch(entries_.at(selected_).nickname, false);
    entries_.removeAt(selected_);
    Q_EMIT entriesChanged();
    selected_ = -1;
    setSelectedIndex(count() - 1);
}

void NotifyList::clear()
{
    for (auto& [network, state] : networks_) {
        if (!state.monitor || state.watched.isEmpty())
            continue;
        for (const QString& line : monitorLines(false, state.watched.values()))
            sendLine_(network, line);
        state.watched.clear();
    }
    entries_.clear();
    Q_EMIT entriesChanged();
    setSelectedIndex(-1);
}

QStringList NotifyList::nicknames() const
{
    QStringList names;
    for (const NotifyEntry& entry : entries_)
        names << entry.nickname;
    return names;
}

void NotifyList::setNicknames(const QStringList& nicknames)
{
    clear();
    for (const QString& name : nicknames)
        addEntry(name);
    setSelectedIndex(count() > 0 ? 0 : -1);
}

bool NotifyList::columnShown(NotifyColumn column) const
{
    return options_.*columnToggles[int(column)];
}

void NotifyList::setColumnShown(NotifyColumn column, bool shown)
{
    options_.*columnToggles[int(column)] = shown;
    Q_EMIT columnsChanged();
}

QString NotifyList::columnStates() const
{
    QString states;
    for (NotifyColumn column : storedColumnOrder)
        states += columnShown(column) ? u'1' : u'0';
    return states;
}

void NotifyList::setColumnStates(const QString& states)
{
    for (int i = 0; i < notifyColumnCount; ++i)
        options_.*columnToggles[int(storedColumnOrder[i])] =
            states.mid(i, 1) != QStringLiteral("0");
    Q_EMIT columnsChanged();
}

int NotifyList::minimumColumnWidth(int column)
{
    return column >= 0 && column <= notifyColumnCount ? minimumWidths[column] : 0;
}

// --- polling -------------------------------------------------------------------------

namespace {
// The lines made by make, each naming as many of the nicknames as fit within the bound,
// every nickname once and none cut.
QStringList packed(const QStringList& nicknames, QString (*make)(const QStringList&))
{
    const qsizetype room = NotifyList::MaxLineBytes - 2 - make({}).toUtf8().size();
    QStringList lines;
    QStringList names;
    qsizetype bytes = 0;
    for (const QString& nickname : nicknames) {
        const qsizetype size = nickname.toUtf8().size();
        if (!names.isEmpty() && bytes + 1 + size > room) {
            lines << make(names);
            names.clear();
            bytes = 0;
        }
        if (!names.isEmpty())
            ++bytes;
        names << nickname;
        bytes += size;
    }
    if (!names.isEmpty())
        lines << make(names);
    return lines;
}

QString monitorAdd(const QStringList& nicknames)
{
    return Outbound::monitor(true, nicknames);
}

QString monitorRemove(const QStringList& nicknames)
{
    return Outbound::monitor(false, nicknames);
}
} // namespace

QStringList NotifyList::isonLines(const QStringList& nicknames)
{
    return packed(nicknames, Outbound::ison);
}

QStringList NotifyList::monitorLines(bool add, const QStringList& nicknames)
{
    return packed(nicknames, add ? monitorAdd : monitorRemove);
}

void NotifyList::sendIson(int network)
{
    Watch& state = networks_[network];
    if (state.monitor)
        return;
    const QStringList lines = isonLines(nicknames());
    if (lines.isEmpty())
        return;
    state.polls.push_back(Poll{int(lines.size()), {}});
    for (const QString& line : lines)
        sendLine_(network, line);
}

void NotifyList::handleIsonAnswer(const QString& parameters, int network)
{
    const QStringList names = parameters.toLower().split(u' ', Qt::SkipEmptyParts);
    Watch& state = networks_[network];
    // An answer to an ISON of someone else's making stands on its own.
    if (state.polls.empty()) {
        judge(network, QSet<QString>(names.cbegin(), names.cend()));
        return;
    }
    Poll& poll = state.polls.front();
    for (const QString& name : names)
        poll.online.insert(name);
    if (--poll.answersDue > 0)
        return;
    const QSet<QString> online = std::move(poll.online);
    state.polls.pop_front();
    judge(network, online);
}

void NotifyList::judge(int network, const QSet<QString>& online)
{
    bool& first = networks_[network].firstAnswer;
    const bool firstAnswer = first;
    first = false;
    for (int i = 0; i < count(); ++i)
        follow(i, network, online.contains(entries_.at(i).nickname.toLower()), firstAnswer);
}

void NotifyList::follow(int index, int network, bool onLine, bool first)
{
    NotifyEntry& entry = entries_[index];
    if (onLine == entry.networks.contains(network))
        return;
    if (onLine)
        arrive(entry, network, first);
    else
        depart(entry, network);
    Q_EMIT entryChanged(index);
}

// --- MONITOR -------------------------------------------------------------------------

bool NotifyList::monitoring(int network) const
{
    const auto found = networks_.find(network);
    return found != networks_.end() && found->second.monitor;
}

void NotifyList::startMonitor(int network, int limit)
{
    Watch& state = networks_[network];
    state.monitor = true;
    state.limit = std::max(limit, 0);
    state.polls.clear();
    QStringList names = nicknames();
    if (state.limit > 0 && names.size() > state.limit)
        names = names.mid(0, state.limit);
    for (const QString& name : names)
        state.watched.insert(name.toLower());
    for (const QString& line : monitorLines(true, names))
        sendLine_(network, line);
}

void NotifyList::watch(const QString& nickname, bool add)
{
    const QString key = nickname.toLower();
    for (auto& [network, state] : networks_) {
        if (!state.monitor || state.watched.contains(key) == add)
            continue;
        if (add && state.limit > 0 && state.watched.size() >= state.limit)
            continue;
        if (add) {
            state.watched.insert(key);
        } else {
            state.watched.remove(key);
            state.reported.remove(key);
        }
        sendLine_(network, Outbound::monitor(add, {nickname}));
    }
}

void NotifyList::handleMonitorReply(int numeric, const QString& parameters, int network)
{
    Watch& state = networks_[network];
    // "730 me :nick!user@host,..." and "731 me :nick,..."; "734 me limit nicks :text".
    QString targets = parameters;
    if (numeric == Numeric::ERR_MONLISTFULL) {
        const QStringList words = parameters.split(u' ', Qt::SkipEmptyParts);
        targets = words.value(1);
    }
    if (targets.startsWith(u':'))
        targets.remove(0, 1);
    QStringList names;
    for (const QString& target : targets.split(u',', Qt::SkipEmptyParts))
        names << target.section(u'!', 0, 0);
    if (numeric == Numeric::ERR_MONLISTFULL) {
        for (const QString& name : names)
            state.watched.remove(name.toLower());
        if (!names.isEmpty())
            status_.add(QStringLiteral("The server's watch list is full; not followed") +
                        where(network) + QStringLiteral(": ") + names.join(QStringLiteral(", ")) +
                        u'.');
        return;
    }
    if (numeric != Numeric::RPL_MONONLINE && numeric != Numeric::RPL_MONOFFLINE)
        return;
    for (const QString& name : names) {
        const int index = indexOf(name);
        if (index < 0)
            continue;
        const QString key = name.toLower();
        const bool first = !state.reported.contains(key);
        state.reported.insert(key);
        follow(index, network, numeric == Numeric::RPL_MONONLINE, first);
    }
}

QString NotifyList::where(int network) const
{
    const QString label = label_ ? label_(network) : QString();
    return label.isEmpty() ? QString() : QStringLiteral(" (") + label + u')';
}

void NotifyList::arrive(NotifyEntry& entry, int network, bool first)
{
    const bool wasPresent = entry.present;
    entry.present = true;
    entry.networks.append(network);
    const QString name = entry.nickname;
    status_.add(name + (first ? QStringLiteral(" is on IRC") : QStringLiteral(" has joined IRC")) +
                where(network) + u'.');
    events_.fireEvent(Event::NotifyUserJoined, EventSlots::about(name));
    // The details are the user's, whichever network they were asked on.
    if (!wasPresent)
        askDetails(name);
}

void NotifyList::depart(NotifyEntry& entry, int network)
{
    entry.networks.removeAll(network);
    if (entry.networks.isEmpty())
        clearDetails(entry);
    const QString name = entry.nickname;
    status_.add(name + QStringLiteral(" has Left IRC") + where(network) + u'.');
    events_.fireEvent(Event::NotifyUserLeft, EventSlots::about(name));
}

void NotifyList::askDetails(const QString& nickname)
{
    const std::pair<NotifyColumn, const std::function<void(const QString&)>*> ctcpQueries[] = {
        {NotifyColumn::Ping, &queries_.ping},
        {NotifyColumn::Version, &queries_.version},
        {NotifyColumn::Time, &queries_.time},
    };
    for (const auto& [column, query] : ctcpQueries) {
        if (columnShown(column) && *query)
            (*query)(nickname);
    }
    if (queries_.whois)
        queries_.whois(nickname);
}

void NotifyList::refreshUser(int index)
{
    if (index >= 0 && index < count() && entries_.at(index).present)
        askDetails(entries_.at(index).nickname);
}

void NotifyList::resetPresence(int network)
{
    networks_.erase(network);
    for (NotifyEntry& entry : entries_) {
        entry.networks.removeAll(network);
        if (entry.networks.isEmpty())
            clearDetails(entry);
    }
    Q_EMIT entriesChanged();
    Q_EMIT columnsChanged();
}

bool NotifyList::firstAnswerPending(int network) const
{
    const auto found = networks_.find(network);
    return found == networks_.end() || found->second.firstAnswer;
}

bool NotifyList::radar(const PendingInquiry& record)
{
    const int index = indexOf(record.subject);
    // Whoever left before the answer came keeps empty columns.
    if (index < 0 || !entries_.at(index).present)
        return true;
    NotifyEntry& entry = entries_[index];
    const QString& kind = record.kind;
    // The columns are plain cells: the formatting codes users put in their names and
    // replies are dropped.
    if (kind == QLatin1String("whois")) {
        detail(entry, NotifyColumn::Address) = orNotAvailable(record.userHost);
        detail(entry, NotifyColumn::Name) = orNotAvailable(stripFormatting(record.realName));
        detail(entry, NotifyColumn::Server) = orNotAvailable(stripFormatting(record.server));
        detail(entry, NotifyColumn::Idle) = orNotAvailable(record.idle);
        detail(entry, NotifyColumn::Channels) =
            record.channels.isEmpty() ? QStringLiteral("None") : record.channels;
    } else if (kind == QLatin1String("version")) {
        detail(entry, NotifyColumn::Version) = stripFormatting(record.versionReply);
    } else if (kind == QLatin1String("time")) {
        detail(entry, NotifyColumn::Time) = stripFormatting(record.timeReply);
    } else if (kind == QLatin1String("ping")) {
        detail(entry, NotifyColumn::Ping) = record.pingResult;
    }
    Q_EMIT entryChanged(index);
    return true;
}
