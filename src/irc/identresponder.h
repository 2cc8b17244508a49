#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

class LineLog;

// Answers the one ident query a server makes while the client registers: it listens on
// port 113 from the moment the server connection opens, answers the first query with
// the configured name and stops listening.
class IdentResponder : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 113;

    IdentResponder(std::function<QString()> identName, LineLog& status, QObject* parent = nullptr);

    void setPort(quint16 port) { port_ = port; }
    quint16 port() const { return port_; }
    void open();
    void close();
    bool isListening() const { return server_ && server_->isListening(); }

    // The answer to one query: the request, ": USERID : UNIX : " and the name.
    static QString answerFor(const QString& request, const QString& identName);

Q_SIGNALS:
    void rawLineRecorded(const QString& line, const QString& direction);

private:
    void onNewConnection();

    std::function<QString()> identName_;
    LineLog& status_;
    QTcpServer* server_ = nullptr;
    QList<QPointer<QTcpSocket>> peers_;
    quint16 port_ = DefaultPort;
};
