#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>

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
    bool present = false;
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

// The users whose presence on the network is followed: their entries, the ISON poll and
// its answers, and the details asked of a user when they arrive.
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

    NotifyList(NotifyOptions& options, LineLog& status, EventHook& events, Prompts& prompts,
               std::function<void(const QString&)> sendLine, QObject* parent = nullptr);
    ~NotifyList() override;

    void setQueries(Queries queries) { queries_ = std::move(queries); }

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
    void sendIson();
    // A reply 303. The answers to one poll are merged before anyone is judged.
    void handleIsonAnswer(const QString& parameters);
    // The connection ended: nobody is present, and the next answer is a first answer.
    void resetPresence();
    bool firstAnswerPending() const { return firstAnswer_; }

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
    void judge(const QSet<QString>& online);
    void arrive(NotifyEntry& entry);
    void depart(NotifyEntry& entry);
    void askDetails(const QString& nickname);
    bool isUsable(const QString& nickname) const;

    NotifyOptions& options_;
    LineLog& status_;
    EventHook& events_;
    Prompts& prompts_;
    std::function<void(const QString&)> sendLine_;
    Queries queries_;
    QList<NotifyEntry> entries_;
    int selected_ = -1;
    bool firstAnswer_ = true;

    // One poll may need several ISON lines: the nicknames the server reported so far and
    // how many answers are still due.
    struct Poll
    {
        int answersDue = 0;
        QSet<QString> online;
    };
    std::deque<Poll> polls_;
};
