#include "irc/tlssocket.h"

#include <QCryptographicHash>
#include <QSslCipher>
#include <QSslSocket>

namespace {
QString protocolName(QSsl::SslProtocol protocol)
{
    switch (protocol) {
    case QSsl::TlsV1_2:
        return QStringLiteral("TLSv1.2");
    case QSsl::TlsV1_3:
        return QStringLiteral("TLSv1.3");
    default:
        return QStringLiteral("TLS");
    }
}
} // namespace

QString TlsSocket::fingerprint(const QByteArray& der)
{
    return QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex());
}

QTcpSocket* TlsSocket::create(QObject* parent, CertificateCheck accept, Rejected rejected)
{
    auto* socket = new QSslSocket(parent);
    QObject::connect(socket, &QSslSocket::sslErrors, socket,
                     [socket, accept = std::move(accept),
                      rejected = std::move(rejected)](const QList<QSslError>& errors) {
                         const QSslCertificate certificate = socket->peerCertificate();
                         if (certificate.isNull())
                             return;
                         const QString print = fingerprint(certificate.toDer());
                         if (accept && accept(print)) {
                             socket->ignoreSslErrors(errors);
                             return;
                         }
                         QStringList problems;
                         for (const QSslError& error : errors)
                             problems << error.errorString();
                         if (rejected)
                             rejected(print, problems.join(QStringLiteral("; ")));
                     });
    return socket;
}

void TlsSocket::connect(QTcpSocket* socket, const QHostAddress& address, quint16 port,
                        const QString& peerName, QObject* context, std::function<void()> encrypted)
{
    auto* tls = static_cast<QSslSocket*>(socket);
    QObject::connect(tls, &QSslSocket::encrypted, context, std::move(encrypted));
    tls->connectToHostEncrypted(address.toString(), port, peerName);
}

QString TlsSocket::describe(const QTcpSocket* socket)
{
    const auto* tls = qobject_cast<const QSslSocket*>(socket);
    if (!tls || !tls->isEncrypted())
        return {};
    return protocolName(tls->sessionProtocol()) + QStringLiteral(", ") +
           tls->sessionCipher().name();
}
