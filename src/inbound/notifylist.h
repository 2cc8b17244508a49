#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <map>

class EventHook;
class LineLog;
class Prompts;
struct NotifyOptions;
struct PendingInquiry;

// The detail columns after the nickname, in the order the list shows them.
enum class NotifyColumn { Name, Address, Server, Idle, Ping, Time, Version, Channels };
constexpr int notifyColumnCount = 8;

struct NotifyEntry
{
    QString nickname;
    bool present = false; // on at least one network
    QList<int> networks;  // the networks the user is on, by number
    std::array<QString, notifyColumnCount> details;

    const QString& detail(NotifyColumn column) const { return details.at(std::size_t(column)); }
};

// Which of the notify buttons may be pressed.
struct NotifyButtons
{
    bool addUser = true;             // ToolButton5
    bool editUser = false;           // ToolButton18
    bool deleteUser = false;         // ToolButton19
    bool refreshUser = false;        // ToolButton23
    bool requestDccChat = false;     // ToolButton24
    bool requestPrivateChat = false; // ToolButton26
};

// The users whose presence is followed, on every network the client is connected to: their
// entries, the MONITOR watch on a network whose server offers it (its replies tell of
// arrivals and departures at once), the ISON poll and its answers elsewhere, and the
// details asked of a user when they arrive.
class NotifyList : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxEntries = 29;
    // A server line, CR LF included.
    static constexpr int MaxLineBytes = 255;

    // How the details of an arriving user are asked for; each takes the nickname.
    struct Queries
    {
        std::function<void(const QString&)> ping;
        std::function<void(const QString&)> version;
        std::function<void(const QString&)> time;
        std::function<void(const QString&)> whois;
    };

    // Sends a line on the network with that number.
    using Send = std::function<void(int network, const QString& line)>;

    NotifyList(NotifyOptions& options, LineLog& status, EventHook& events, Prompts& prompts,
               Send sendLine, QObject* parent = nullptr);
    ~NotifyList() override;

    // The details are asked on the network the user arrived on: the caller's, which
    // handles the answer that told of the arrival.
    void setQueries(Queries queries) { queries_ = std::move(queries); }
    // What an arrival or departure names the network by; empty (nothing named) while one
    // network is in use.
    void setNetworkLabel(std::function<QString(int network)> label) { label_ = std::move(label); }

    const QList<NotifyEntry>& entries() const { return entries_; }
    int count() const { return int(entries_.size()); }
    int indexOf(const QString& nickname) const;
    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int index);
    NotifyButtons buttons() const;

    // Appends an absent entry and selects it. Refused when the list is full, or the name
    // is empty, already listed or not a usable nickname.
    bool addEntry(const QString& nickname);
    // "Add User": the next free "NewNick" + number.
    bool addUser();
    static QString nextNewNick(const QStringList& nicknames);
    // The end of an edit of an entry's nickname; false when the edit was undone.
    bool renameEntry(int index, const QString& text);
    // "Delete User": the selection goes to the last entry.
    void deleteSelected();
    void clear();

    QStringList nicknames() const;
    // The saved list, in order; unusable names are skipped.
    void setNicknames(const QStringList& nicknames);

    static QString forbiddenCharacters();
    static QString forbiddenWarning();

    // Column toggles, one button each.
    bool columnShown(NotifyColumn column) const;
    void setColumnShown(NotifyColumn column, bool shown);
    void toggleColumn(NotifyColumn column) { setColumnShown(column, !columnShown(column)); }
    // The eight toggles as "0"/"1" in the stored order: address, channels, idle, name,
    // ping, server, time, version. Anything but "0" means shown.
    QString columnStates() const;
    void setColumnStates(const QString& states);
    static int minimumColumnWidth(int column); // 0 is the nickname

    // The ISON lines polling every entry once, none over MaxLineBytes with its CR LF.
    static QStringList isonLines(const QStringList& nicknames);
    // "MONITOR +" (or "-") lines naming every nickname once, within the same bound.
    static QStringList monitorLines(bool add, const QStringList& nicknames);
    // Polls the network, unless it is watched by MONITOR.
    void sendIson(int network = 0);
    // A reply 303 on that network. The answers to one poll are merged before anyone is
    // judged.
    void handleIsonAnswer(const QString& parameters, int network = 0);
    // The network registered with a server that offers MONITOR, watching at most limit
    // nicknames (0: no limit named): the list is watched there from now on, and the
    // list's edits follow; nothing is polled there.
    void startMonitor(int network, int limit);
    bool monitoring(int network) const;
    // A MONITOR reply on that network: 730 (on line), 731 (off line), 734 (the server's
    // watch list is full); parameters after the nickname addressed, as received.
    void handleMonitorReply(int numeric, const QString& parameters, int network);
    // The connection of that network ended: nobody is present there any more (silently),
    // and its next answer is a first answer.
    void resetPresence(int network = 0);
    bool firstAnswerPending(int network = 0) const;

    // Puts the reply of a "radar" inquiry into the row of its nickname.
    bool radar(const PendingInquiry& record);
    // Asks for the details of a listed user again.
    void refreshUser(int index);

Q_SIGNALS:
    void entriesChanged();
    void entryChanged(int index);
    void selectionChanged(int index);
    void columnsChanged();

private:
    void judge(int network, const QSet<QString>& online);
    // One entry found on line or off line on a network; first says the network had not
    // told of it yet.
    void follow(int index, int network, bool onLine, bool first);
    void arrive(NotifyEntry& entry, int network, bool first);
    void depart(NotifyEntry& entry, int network);
    void askDetails(const QString& nickname);
    bool isUsable(const QString& nickname) const;
    // What the watching networks are told of an added or removed nickname.
    void watch(const QString& nickname, bool add);
    QString where(int network) const;

    NotifyOptions& options_;
    LineLog& status_;
    EventHook& events_;
    Prompts& prompts_;
    Send sendLine_;
    Queries queries_;
    std::function<QString(int)> label_;
    QList<NotifyEntry> entries_;
    int selected_ = -1;

    // One poll may need several ISON lines: the nicknames the server reported so far and
    // how many answers are still due.
    struct Poll
    {
        int answersDue = 0;
        QSet<QString> online;
    };
    // What one network's connection knows: its polls, or what MONITOR watches there and
    // which of those nicknames it has reported (lower case).
    struct Watch
    {
        bool firstAnswer = true;
        std::deque<Poll> polls;
        bool monitor = false;
        int limit = 0;
        QSet<QString> watched;
        QSet<QString> reported;
    };
    std::map<int, Watch> networks_;
};
