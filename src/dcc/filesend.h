#pragma once

#include "dcc/dcccontext.h"
#include "dcc/transferlist.h"

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
enum class Event;

// The files this client offers by DCC (sendFile), each a row of outboundfilelist.
class FileSends : public QObject
{
    Q_OBJECT
public:
    enum class State { Looking, Connected, Sending, Done, KilledByDest };

    // One offered file, from its listening socket to its last byte.
    struct Transfer
    {
        int row = 0;
        // The network the offer went out on: only its peer's answers and resumes count.
        int network = 0;
        QString nick;
        QString fileName; // without folder, as the caller gave it
        QString folder;   // ends in "/"
        qint64 size = 0;
        qint64 position = 0; // file position: bytes read for sending
        qint64 resumePosition = 0;
        QDateTime startTime;
        QDateTime lastActivity;
        State state = State::Looking;
        quint16 port = 0;
        // A passive offer: the receiver listens and answers with this token, its address
        // and port, and this side connects.
        QString token;
        bool endOfFile = false;
        // When the last byte was handed to the network: the end of the rate's time.
        QDateTime lastByteAt;
        // The receiver's position reports, widened past 4 GiB (they count modulo 2^32),
        // and the bytes of a report split across two reads.
        qint64 acknowledged = 0;
        QByteArray ackBytes;
        // The listening socket, then the one connection it accepted.
        LaterPtr<QTcpServer> server;
        LaterPtr<QTcpSocket> socket;
        QFile file;
        // Bytes handed to the network: what was read less what still waits in the socket.
        qint64 sent() const;
    };

    // The file is read in blocks of this size, each handed to the socket whole: the socket
    // writes one block to the network each time it can write, so a larger block means
    // fewer wake-ups and one copy less per byte. A short read is the end of the file.
    static constexpr int BlockBytes = 128 * 1024;
    // Blocks are queued in the socket up to this much, so the link never waits on the
    // event loop between two blocks; a wake-up refills what one write took, so a pass of
    // the event loop costs about one block a transfer, however many run.
    static constexpr qint64 QueuedBytes = 512 * 1024;
    static constexpr int TimerMilliseconds = 5000;
    static constexpr qint64 TimeoutMilliseconds = 240 * 1000;
    static constexpr qint64 FinishMilliseconds = 10 * 1000;
    static constexpr int RefreshMilliseconds = 250;

    explicit FileSends(const DccContext& context, QObject* parent = nullptr);
    ~FileSends() override;

    TransferList& list() { return list_; }
    const std::vector<std::unique_ptr<Transfer>>& transfers() const { return transfers_; }
    QList<int> ports() const;
    // Ports that DCC chats listen on, which a new offer must not take.
    void setPortsInUse(std::function<QList<int>()> ports) { portsInUse_ = std::move(ports); }

    // Offers one file; everything that follows shows in the list.
    void sendFile(const QString& nick, const QString& fileName, const QString& folder,
                  bool theme = false);
    // A "DCC RESUME" from the receiver.
    void handleResumeRequest(const QString& nick, const QString& body);
    // A "DCC SEND" that answers a passive offer made here: connects to it. False when it
    // answers none (it is then an offer of its own).
    bool handlePassiveAnswer(const QString& nick, const QString& body);

    // "Remove a File Transfer Task from List Below": the given rows go.
    void removeRows(const QList<int>& rowIds);
    // "Remove All Dead File Transfers".
    void removeDeadRows();
    // Shutdown and the end of the session: every transfer stops, and its row says
    // "Transfer Stopped" so that it goes with the dead ones.
    void stopAll();

    // Supervises the transfers every five seconds while there are any.
    QTimer& timer() { return timer_; }
    void supervise();
    // Writes the progress columns of every live row (a few times a second at most).
    void refreshRows();

    // Remembered by the "Send a File" dialog between uses.
    QString lastNick;
    QString lastFolder;

private:
    void onConnection(Transfer* t);
    void startSending(Transfer* t);
    void fillSocket(Transfer* t);
    void readAcknowledgements(Transfer* t);
    // Ends a send whose every byte the receiver has reported; true when it did.
    bool finishWhenAcknowledged(Transfer* t);
    void showSent(Transfer* t);
    void finish(Transfer* t);
    // Every transfer ends; the rows keep what they show.
    void finishAll();
    void fail(Transfer* t, const QString& status);
    void setStatus(const Transfer* t, const QString& text);
    void showProgress(Transfer* t);
    void scheduleRefresh();
    void fire(Event event, const Transfer* t);
    Transfer* byRow(int row) const;

    const DccContext& context_;
    TransferList list_;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    QTimer timer_;
    QTimer refreshTimer_;
    std::function<QList<int>()> portsInUse_;
};
