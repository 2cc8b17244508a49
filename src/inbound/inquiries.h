#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class Clock;
class EventHook;
class IgnoreList;
class LineLog;

// A request to the server or to another user that waits for its reply, and what to do
// with the reply once it is complete.
struct PendingInquiry
{
    QString kind;    // "whois", "version", "time", "ping", "names", "dnsuserhost", "dns", "banlist"
    QString action;  // "display", "radar", "ignore5" ... "ignorep", "kickban", "ban", "getbanlist"
    QString window;  // the name of the window results go to; empty for none
    QString subject; // the nickname, or the channel for "names" and "banlist"
    QString extra;   // whois: the channel of the window it came from; banlist: the channel;
                     // ping: the stamp the query carried
    QDateTime created;
    int network = 0; // the number of the network it was asked on; only its answers count
    QString label;   // the label it went out with (labeled-response); empty for none
    bool done = false;

    // Filled by the reply handlers.
    QString pingResult; // seconds followed by " secs."
    QString versionReply;
    QString timeReply;
    QString userHost; // user@host; for "dnsuserhost" the host alone may stand here
    QString realName;
    QString account; // the services account the user is logged in as
    QString server;
    QString ircOperator; // "yes" for an IRC operator
    QString idle;
    QString signon;
    QString channels;
    QString resolvedAddress;
    QString namesText;
    QString banMasks; // every mask followed by 0x01
};

// The pending inquiries, newest first, with the actions their replies complete.
class Inquiries : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 LifetimeSeconds = 600;

    // Puts a line into a named window in a line class; false when that window is gone.
    using WindowLines =
        std::function<bool(const QString& window, const QString& text, int lineClass)>;
    // Starts resolving a host name and later calls back with the address (empty when the
    // name did not resolve).
    using HostResolver =
        std::function<void(const QString& host, std::function<void(const QString&)> done)>;
    // Carries out a completed inquiry; true when the record is finished with.
    using Action = std::function<bool(PendingInquiry&)>;

    Inquiries(LineLog& status, EventHook& events, IgnoreList& ignores, const Clock& clock,
              QObject* parent = nullptr);
    ~Inquiries() override;

    void setWindowLines(WindowLines lines) { windowLines_ = std::move(lines); }
    // The number of the network being handled or typed on now: an inquiry is kept with
    // the network it was asked on and found only by answers from it. Network 0 until set.
    void setActiveNetwork(std::function<int()> network) { network_ = std::move(network); }
    void setHostResolver(HostResolver resolver) { resolver_ = std::move(resolver); }
    // Actions are looked up by name; a later registration replaces an earlier one.
    void registerAction(const QString& name, Action action);
    bool hasAction(const QString& name) const { return actions_.contains(name); }

    PendingInquiry& startInquiry(const QString& kind, const QString& action, const QString& subject,
                                 const QString& extra, const QString& window);
    PendingInquiry* findInquiry(const QString& kind, const QString& subject);
    // The one whose extra is extra as well: an answer that echoes what was asked finds
    // the question it answers.
    PendingInquiry* findInquiry(const QString& kind, const QString& subject, const QString& extra);
    // The one whose request went out with this label, on the active network.
    PendingInquiry* findLabeled(const QString& label);
    // Runs the record's action; the record is freed when the action is finished with it,
    // so the pointer must not be used afterwards.
    void completeInquiry(PendingInquiry* record);
    void expireInquiries();
    void clearInquiries();
    // The connection of that network ended: its inquiries go, the others' stay.
    void clearInquiries(int network);

    qsizetype count() const { return static_cast<qsizetype>(records_.size()); }
    const PendingInquiry& at(qsizetype index) const { return *records_.at(std::size_t(index)); }

    // The one host-name lookup that may run: the nickname it is for, or empty.
    QString pendingLookup() const { return pendingLookup_; }
    bool lookupPending() const { return !pendingLookup_.isEmpty(); }
    void clearPendingLookup();
    // The resolver's answer for the pending nickname.
    void addressLookupFinished(const QString& address);

    // The lines "display" shows for a completed inquiry of any kind but "dnsuserhost".
    static QStringList displayLines(const PendingInquiry& record);

private:
    bool display(PendingInquiry& record);
    bool displayUserHost(PendingInquiry& record);
    bool ignoreFor(PendingInquiry& record, int minutes);
    void showLine(const QString& window, const QString& text);
    void remove(const PendingInquiry* record);

    LineLog& status_;
    EventHook& events_;
    IgnoreList& ignores_;
    const Clock& clock_;
    int activeNetwork() const { return network_ ? network_() : 0; }

    WindowLines windowLines_;
    std::function<int()> network_;
    HostResolver resolver_;
    QHash<QString, Action> actions_;
    std::vector<std::unique_ptr<PendingInquiry>> records_;
    QString pendingLookup_;
    // Tells a late answer of an abandoned lookup from the answer to the current one.
    quint64 lookupSerial_ = 0;
};
