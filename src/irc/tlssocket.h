#pragma once

#include <QHostAddress>
#include <QString>

#include <functional>

class QObject;
class QTcpSocket;

// The encrypted side of the client socket: a QSslSocket that verifies the server's
// certificate against the system's store and the host name, and lets the caller accept
// a certificate that fails by its fingerprint.
namespace TlsSocket {
using CertificateCheck = std::function<bool(const QString& fingerprint)>;
using Rejected = std::function<void(const QString& fingerprint, const QString& problems)>;

// The certificate a client presents to log in (SASL EXTERNAL): PEM files; the key may
// stand in the certificate's own file, and keyFile is then empty.
struct ClientIdentity
{
    QString certificateFile;
    QString keyFile;
    bool isEmpty() const { return certificateFile.isEmpty(); }
};
// Why an identity cannot be used (a file unreadable, no certificate or key in it);
// empty when it can.
QString checkIdentity(const ClientIdentity& identity);

// A socket whose certificate errors are ignored when accept agrees, and reported through
// rejected (before the attempt fails) when not. A usable identity is presented to the
// server.
QTcpSocket* create(QObject* parent, CertificateCheck accept, Rejected rejected,
                   const ClientIdentity& identity = {});
// Starts the connection and the handshake; encrypted runs once the handshake is done.
void connect(QTcpSocket* socket, const QHostAddress& address, quint16 port, const QString& peerName,
             QObject* context, std::function<void()> encrypted);
// "TLSv1.3, TLS_AES_256_GCM_SHA384" for an encrypted socket, empty for any other.
QString describe(const QTcpSocket* socket);
QString fingerprint(const QByteArray& der);
} // namespace TlsSocket
