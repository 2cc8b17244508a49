#include "irc/tlssocket.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSslCipher>
#include <QSslKey>
#include <QSslSocket>

namespace {
// A certificate or key file is small; more than this is not one.
constexpr qint64 MaxIdentityBytes = 256 * 1024;

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
struct LoadedIdentity
{
    QSslCertificate certificate;
    QSslKey key;
    QString error;
};

LoadedIdentity load(const TlsSocket::ClientIdentity& identity)
{
    LoadedIdentity loaded;
    QFile certificateFile(identity.certificateFile);
    if (!certificateFile.open(QIODevice::ReadOnly)) {
        loaded.error = QStringLiteral("can't read ") + identity.certificateFile;
        return loaded;
    }
    const QByteArray certificatePem = certificateFile.read(MaxIdentityBytes);
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(certificatePem);
    if (certificates.isEmpty()) {
        loaded.error = QStringLiteral("no certificate in ") + identity.certificateFile;
        return loaded;
    }
    loaded.certificate = certificates.first();
    QByteArray keyPem = certificatePem;
    const QString keyName =
        identity.keyFile.isEmpty() ? identity.certificateFile : identity.keyFile;
    if (!identity.keyFile.isEmpty()) {
        QFile keyFile(identity.keyFile);
        if (!keyFile.open(QIODevice::ReadOnly)) {
            loaded.error = QStringLiteral("can't read ") + identity.keyFile;
            return loaded;
        }
        keyPem = keyFile.read(MaxIdentityBytes);
    }
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        const QSslKey key(keyPem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull()) {
            loaded.key = key;
            return loaded;
        }
    }
    loaded.error = QStringLiteral("no private key in ") + keyName;
    return loaded;
}
} // namespace

QString TlsSocket::checkIdentity(const ClientIdentity& identity)
{
    return load(identity).error;
}

QString TlsSocket::fingerprint(const QByteArray& der)
{
    return QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex());
}

QTcpSocket* TlsSocket::create(QObject* parent, CertificateCheck accept, Rejected rejected,
                              const ClientIdentity& identity)
{
    auto* socket = new QSslSocket(parent);
    if (!identity.isEmpty()) {
        const LoadedIdentity loaded = load(identity);
        if (loaded.error.isEmpty()) {
            socket->setLocalCertificate(loaded.certificate);
            socket->setPrivateKey(loaded.key);
        }
    }
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
