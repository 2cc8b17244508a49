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

// A socket whose certificate errors are ignored when accept agrees, and reported through
// rejected (before the attempt fails) when not.
QTcpSocket* create(QObject* parent, CertificateCheck accept, Rejected rejected);
// Starts the connection and the handshake; encrypted runs once the handshake is done.
void connect(QTcpSocket* socket, const QHostAddress& address, quint16 port, const QString& peerName,
             QObject* context, std::function<void()> encrypted);
// "TLSv1.3, TLS_AES_256_GCM_SHA384" for an encrypted socket, empty for any other.
QString describe(const QTcpSocket* socket);
QString fingerprint(const QByteArray& der);
} // namespace TlsSocket
