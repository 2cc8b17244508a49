#include "inbound/notifylist.h"

#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "core/prompts.h"
#include "inbound/inquiries.h"
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
    entry.details.fill(QString());
}

QString& detail(NotifyEntry& entry, NotifyColumn column)
{
    return entry.details.at(std::size_t(column));
}
} // namespace

NotifyList::NotifyList(NotifyOptions& options, LineLog& status, EventHook& events, Prompts& prompts,
                       std::function<void(const QString&)> sendLine, QObject* parent)
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
    entries_[index].nickname = name;
    Q_EMIT entryChanged(index);
    return true;
}

void NotifyList::deleteSelected()
{
    if (selected_ < 0)
        return;
    entries_.removeAt(selected_);
    Q_EMIT entriesChanged();
    selected_ = -1;
    setSelectedIndex(count() - 1);
}

void NotifyList::clear()
{
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

QStringList NotifyList::isonLines(const QStringList& nicknames)
{
    const qsizetype room = MaxLineBytes - 2 - Outbound::ison({}).toUtf8().size();
    QStringList lines;
    QStringList names;
    qsizetype bytes = 0;
    for (const QString& nickname : nicknames) {
        const qsizetype size = nickname.toUtf8().size();
        if (!names.isEmpty() && bytes + 1 + size > room) {
            lines << Outbound::ison(names);
            names.clear();
            bytes = 0;
        }
        if (!names.isEmpty())
            ++bytes;
        names << nickname;
        bytes += size;
    }
    if (!names.isEmpty())
        lines << Outbound::ison(names);
    return lines;
}

void NotifyList::sendIson()
{
    const QStringList lines = isonLines(nicknames());
    if (lines.isEmpty())
        return;
    polls_.push_back(Poll{int(lines.size()), {}});
    for (const QString& line : lines)
        sendLine_(line);
}

void NotifyList::handleIsonAnswer(const QString& parameters)
{
    const QStringList names = parameters.toLower().split(u' ', Qt::SkipEmptyParts);
    // An answer to an ISON of someone else's making stands on its own.
    if (polls_.empty()) {
        judge(QSet<QString>(names.cbegin(), names.cend()));
        return;
    }
    Poll& poll = polls_.front();
    for (const QString& name : names)
        poll.online.insert(name);
    if (--poll.answersDue > 0)
        return;
    const QSet<QString> online = std::move(poll.online);
    polls_.pop_front();
    judge(online);
}

void NotifyList::judge(const QSet<QString>& online)
{
    for (int i = 0; i < count(); ++i) {
        NotifyEntry& entry = entries_[i];
        const bool onLine = online.contains(entry.nickname.toLower());
        if (onLine == entry.present)
            continue;
        if (onLine)
            arrive(entry);
        else
            depart(entry);
        Q_EMIT entryChanged(i);
    }
    firstAnswer_ = false;
}

void NotifyList::arrive(NotifyEntry& entry)
{
    entry.present = true;
    const QString name = entry.nickname;
    status_.add(
        name + (firstAnswer_ ? QStringLiteral(" is on IRC.") : QStringLiteral(" has joined IRC.")));
    events_.fireEvent(Event::NotifyUserJoined, EventSlots::about(name));
    askDetails(name);
}

void NotifyList::depart(NotifyEntry& entry)
{
    clearDetails(entry);
    const QString name = entry.nickname;
    status_.add(name + QStringLiteral(" has Left IRC."));
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

void NotifyList::resetPresence()
{
    firstAnswer_ = true;
    polls_.clear();
    for (NotifyEntry& entry : entries_)
        clearDetails(entry);
    Q_EMIT entriesChanged();
    Q_EMIT columnsChanged();
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
