#pragma once

#include "dcc/dcccontext.h"
#include "dcc/dccwire.h"
#include "dcc/transferlist.h"
#include "irc/userline.h"

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
enum class Event;

// The files other users offer this client, each received into a row of inboundfilelist.
class FileReceives : public QObject
{
    Q_OBJECT
public:
    enum class State { Looking, Connected, Receiving, Done, KilledBySender };

    // One file coming in.
    struct Transfer
    {
        int row = 0;
        // The network the offer came in on (ChatWindow::network).
        int network = 0;
        QString nick;
        QString offeredName; // after the theme suffix is removed
        QString fileName;    // as saved: the offered name, or the first free one beside it
        QString folder;      // ends in "/"
        QString address;
        quint16 port = 0;
        qint64 size = 0;
        qint64 received = 0; // file position after the last write
        qint64 resumePosition = 0;
        QDateTime startTime;
        QDateTime lastActivity;
        // When the last byte of the file arrived: the end of the rate's time.
        QDateTime lastByteAt;
        State state = State::Looking;
        bool complete = false; // the file reached its announced size
        // A passive offer: this side listens for the sender, who connects once it has the
        // answer carrying the offer's token.
        LaterPtr<QTcpServer> server;
        LaterPtr<QTcpSocket> socket;
        QFile file;
    };

    // A resume asked for, waiting for the sender's DCC ACCEPT.
    struct ResumeRecord
    {
        // The network the RESUME went out on: only its ACCEPT counts.
        int network = 0;
        QString nick;
        QString fileName;
        QString folder;
        qint64 size = 0;
        QString address;
        quint16 port = 0;
        qint64 position = 0;
        QDateTime created;
        // A passive offer's token and name as offered: once the sender accepts, this side
        // listens and answers as it does for a passive offer taken whole.
        QString token;
        QString offeredName;
    };

    static constexpr int TimerMilliseconds = 5000;
    static constexpr qint64 TimeoutMilliseconds = 240 * 1000;
    static constexpr qint64 FinishMilliseconds = 5 * 1000;
    static constexpr qint64 ResumeLifeMilliseconds = 240 * 1000;
    static constexpr int RefreshMilliseconds = 250;
    // What one transfer takes from the network in one pass of the event loop: a receiver
    // that falls behind its senders (a slow disk, a busy machine) no longer reads all the
    // kernel holds at once, so fifty transfers cost a pass at most about 12 MB.
    static constexpr qint64 ReadBytes = 256 * 1024;

    explicit FileReceives(const DccContext& context, QObject* parent = nullptr);
    ~FileReceives() override;

    TransferList& list() { return list_; }
    const std::vector<std::unique_ptr<Transfer>>& transfers() const { return transfers_; }
    const std::vector<ResumeRecord>& resumeRecords() const { return resumes_; }

    // A "DCC SEND" from another user.
    void handleDccSendOffer(const UserLine& line, const QString& body);
    // The sender agreed to a resume.
    void handleDccAccept(const QString& nick, const QString& body);
    // Connects to the sender and starts writing.
    void receiveFile(const QString& nick, const QString& fileName, const QString& folder,
                     qint64 resumePosition, quint16 port, const QString& address, qint64 size);
    // A passive offer taken: listen, and answer with the offer's name, size and token.
    void receivePassive(const QString& nick, const DccWire::SendOffer& offer,
                        const QString& offeredName, const QString& folder,
                        qint64 resumePosition = 0);
    // The size from which a file offered into folder could be resumed: the existing file's
    // size when it is smaller than the offer, else 0 (no resume).
    static qint64 resumableSize(const QString& folder, const QString& fileName, qint64 offered);

    // On every second tick of the session's lag timer: resume records older than 240 s go.
    void expireResumes();

    // "Remove a File Transfer Task from List Below": the given rows go.
    void removeRows(const QList<int>& rowIds);
    // "Remove All Dead File Transfers".
    void removeDeadRows();
    // "Open Selected File": the path of the first selected row that is done.
    QString openablePath(const QList<int>& rowIds) const;
    // As for sends: every transfer stops, its row says "Transfer Stopped".
    void stopAll();

    // Supervises the transfers every five seconds while there are any.
    QTimer& timer() { return timer_; }
    void supervise();
    void refreshRows();

    // Ports held by others that listen for DCC, which a passive answer must not take.
    void setPortsInUse(std::function<QList<int>()> ports) { portsInUse_ = std::move(ports); }
    QList<int> ports() const;

private:
    // Reports a transfer that has run its course; ended reports one whose sender has gone
    // without waiting for its idle time.
    bool endIfDue(Transfer* t, const QDateTime& now, bool ended);
    void onConnected(Transfer* t);
    void onReadyRead(Transfer* t);
    void onDisconnected(Transfer* t);
    void finish(Transfer* t);
    // Every transfer ends; the rows keep what they show.
    void finishAll();
    void fail(Transfer* t, const QString& status);
    void setStatus(const Transfer* t, const QString& text);
    void showProgress(Transfer* t);
    void fire(Event event, const Transfer* t);
    bool openFile(Transfer* t);
    Transfer* addTransfer(const QString& nick, const QString& fileName, const QString& folder,
                          qint64 resumePosition, quint16 port, const QString& address, qint64 size);
    void watchSocket(Transfer* t);
    void onPassiveConnection(Transfer* t);
    bool roomForAnother(const QString& nick, const QString& fileName);
    void requestResume(const QString& nick, const DccWire::SendOffer& offer,
                       const QString& offeredName, const QString& folder, qint64 position);
    void accept(const QString& nick, const DccWire::SendOffer& offer, const QString& offeredName,
                const QString& folder);
    void askUser(const UserLine& line, const DccWire::ParsedSendOffer& parsed,
                 const QString& folder);
    void replayWaitingOffer();
    Transfer* byRow(int row) const;

    const DccContext& context_;
    TransferList list_;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    std::vector<ResumeRecord> resumes_;
    bool promptOpen_ = false;
    // Offers that came while a question was open, each with the network it came in on.
    struct WaitingOffer
    {
        UserLine line;
        QString body;
        int network = 0;
    };
    std::deque<WaitingOffer> waitingOffers_;
    QTimer timer_;
    QTimer refreshTimer_;
    QByteArray buffer_;
    std::function<QList<int>()> portsInUse_;
};
