#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

class Clock;
struct ChatWindow;
struct Options;

// Shows a desktop notification. The client's own is DesktopNotifier; tests hand in one
// that records.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

// org.freedesktop.Notifications on the session bus. Without a session bus, or without a
// notification service on it, nothing is shown and nothing is said: the call is sent
// without waiting for an answer.
class DesktopNotifier : public Notifier
{
public:
    // Empty: the session bus; else the bus connection of that name (tests).
    explicit DesktopNotifier(const QString& connectionName = QString())
        : connectionName_(connectionName)
    {
    }
    void notify(const QString& summary, const QString& body) override;

private:
    QString connectionName_;
};

// Decides which messages that want the user's attention become notifications: only
// while the main window is not active, only with the option on, and at most one per
// window in any IntervalSeconds.
class AttentionNotifications : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalSeconds = 10;

    AttentionNotifications(const Options& options, const Clock& clock, Notifier& notifier,
                           QObject* parent = nullptr);

    // Tests put a recording notifier in place of the desktop's.
    void setNotifier(Notifier& notifier) { notifier_ = &notifier; }

    // The front end says when the main window gains or loses the focus.
    void setWindowActive(bool active) { windowActive_ = active; }
    bool windowActive() const { return windowActive_; }

    void onAttentionWanted(ChatWindow* window, const QString& sender, const QString& message,
                           bool highlight);

private:
    const Options& options_;
    const Clock& clock_;
    Notifier* notifier_;
    bool windowActive_ = true;
    // When each window (by kind and lower-cased name) last notified.
    QHash<QString, QDateTime> lastShown_;
};
