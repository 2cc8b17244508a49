#pragma once

#include "chat/pickeritem.h"
#include "chat/pickerlayout.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class Clock;
class EventHook;
class LineLog;
struct Options;

// The window list: the picker's five section entries and every chat window, in the order
// the picker shows them. It creates, finds, routes to and closes chat windows, adds their
// lines and keeps their logs.
class WindowRegistry : public QObject
{
    Q_OBJECT
public:
    using SendLine = std::function<void(const QString&)>;
    using OwnNickname = std::function<QString()>;
    using ThemeChooser = std::function<ThemeRecord(int conversationKind, const QString& name)>;

    static constexpr int LogRuleLength = 55;

    WindowRegistry(SendLine sendline, LineLog& status, EventHook& events, Options& options,
                   const QString& programFolder, OwnNickname ownNickname,
                   QObject* parent = nullptr);
    ~WindowRegistry() override;

    // Without a chooser every window gets the theme file defaults.
    void setThemeChooser(ThemeChooser chooser) { chooseTheme_ = std::move(chooser); }
    void setClock(const Clock* clock);

    qsizetype count() const { return static_cast<qsizetype>(items_.size()); }
    Tpickeritem* at(qsizetype index) const { return items_.at(size_t(index)).get(); }
    qsizetype indexOf(const Tpickeritem* item) const;
    PickerLayout& picker() { return picker_; }

    Tpickeritem* createChannelWindow(const QString& channel);
    Tpickeritem* createPrivateWindow(const QString& nick, const QString& address);
    // An outgoing DCC chat request: the window owns the offer until the peer answers.
    Tpickeritem* createDccChatWindow(const QString& nick, const QString& address,
                                     std::unique_ptr<QObject> pendingChat);
    // An accepted DCC chat: the window owns the connection and its session.
    Tpickeritem* createDccChatWindowConnected(const QString& nick, const QString& address,
                                              std::unique_ptr<QAbstractSocket> socket,
                                              std::unique_ptr<QObject> session);

    Tpickeritem* findChannelWindow(const QString& name) const;
    Tpickeritem* findPrivateWindow(const QString& nick) const;
    Tpickeritem* findWindowByView(const ChatDocument* view) const;
    Tpickeritem* findWindowByContainer(const QObject* container) const;

    void addLine(Tpickeritem* window, const QString& text, int lineClass);
    void addStatusLine(const QString& text);

    void joinChannel(const QString& name);
    void openPrivateChat(const QString& nick);
    void routePrivateMessage(const QString& nick, const QString& address, const QString& text);

    // The user closes a window. raiseEvent is for "/leave" and the context menu's "Leave";
    // the picker's own close command raises nothing.
    void leaveWindow(Tpickeritem* window, bool raiseEvent = false);
    void closeChannelWindow(const QString& name);
    void closePrivateWindow(const QString& nick);
    void closeDccChatWindow(const QString& nick);
    void destroyChatWindow(Tpickeritem* window, bool quiet);
    // At exit: chat windows destroyed quietly, last first; section entries dropped.
    void closeAllWindows();
    // The server connection closed: every chat window goes, and "Settings" is shown.
    void closeChatWindowsForDisconnect();

    // A channel window's caption: the channel, ": " and the topic without its codes.
    static QString captionFor(const Tpickeritem* window);
    void setTopic(Tpickeritem* channel, const QString& topic);

    // Chat logs under the program folder's logs/.
    bool startLog(Tpickeritem* window);
    void endLog(Tpickeritem* window);
    QString logPathFor(const Tpickeritem* window) const;

    // The nick list as the server's replies maintain it; the user's own entry decides
    // their status in the channel.
    void addNames(Tpickeritem* channel, const QStringList& names);
    void addMember(Tpickeritem* channel, const QString& nick);
    void removeMember(Tpickeritem* channel, const QString& nick);
    void setMemberRank(Tpickeritem* channel, const QString& nick, QChar rank);
    void renameMember(Tpickeritem* channel, const QString& oldNick, const QString& newNick);

Q_SIGNALS:
    void windowCreated(Tpickeritem* window);
    // Sent before the record goes: the front end drops the window's widgets.
    void windowDestroying(Tpickeritem* window);
    // The picker's rows need painting again (a label, a mark or the list changed).
    void pickerChanged();
    void topicChanged(Tpickeritem* channel);

private:
    void pickersetup();
    qsizetype insertionIndex(int sectionKind, int windowKind) const;
    Tpickeritem* insertChatWindow(std::unique_ptr<Tpickeritem> item, int sectionKind);
    std::unique_ptr<Tpickeritem> newChatItem(int kindNumber, int conversationKind,
                                             const QString& name);
    void followOwnRank(Tpickeritem* channel, const QString& nick, QChar rank);
    bool writeLog(Tpickeritem* window, const QString& text);
    void finishLogFile(Tpickeritem* window);
    QString logTimestamp() const;
    static bool isService(const QString& nick);

    SendLine sendline_;
    LineLog& status_;
    EventHook& events_;
    Options& options_;
    QString programFolder_;
    OwnNickname ownNickname_;
    ThemeChooser chooseTheme_;
    const Clock* clock_;
    std::vector<std::unique_ptr<Tpickeritem>> items_;
    PickerLayout picker_;
};
