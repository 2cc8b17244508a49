#include "irc/scramsha256.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QPasswordDigestor>

namespace {
QByteArray hmac(const QByteArray& key, const QByteArray& message)
{
    return QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256);
}

// The value of "k=" among a message's comma-separated attributes; empty when missing.
QByteArray attribute(const QByteArray& message, char name)
{
    for (const QByteArray& part : message.split(',')) {
        if (part.size() >= 2 && part.at(0) == name && part.at(1) == '=')
            return part.mid(2);
    }
    return {};
}

// Names in SCRAM messages escape "=" and "," (RFC 5802, 5.1).
QByteArray escapedName(const QString& user)
{
    QByteArray name = user.toUtf8();
    name.replace("=", "=3D");
    name.replace(",", "=2C");
    return name;
}
} // namespace

ScramSha256::ScramSha256(const QString& user, const QString& password,
                         const QByteArray& clientNonce)
    : firstBare_("n=" + escapedName(user) + ",r=" + clientNonce), password_(password.toUtf8()),
      nonce_(clientNonce)
{
}

QByteArray ScramSha256::clientFirst() const
{
    return "n,," + firstBare_;
}

QByteArray ScramSha256::clientFinal(const QByteArray& serverFirst)
{
    expectedSignature_.clear();
    const QByteArray nonce = attribute(serverFirst, 'r');
    const QByteArray salt = QByteArray::fromBase64(attribute(serverFirst, 's'));
    bool ok = false;
    const int iterations = attribute(serverFirst, 'i').toInt(&ok);
    if (!nonce.startsWith(nonce_) || nonce.size() == nonce_.size()) {
        error_ = QStringLiteral("the server's nonce does not continue ours");
        return {};
    }
    if (salt.isEmpty()) {
        error_ = QStringLiteral("the server sent no salt");
        return {};
    }
    if (!ok || iterations < MinIterations || iterations > MaxIterations) {
        error_ = QStringLiteral("the server asks for %1 rounds, outside %2 to %3")
                     .arg(attribute(serverFirst, 'i').left(20))
                     .arg(MinIterations)
                     .arg(MaxIterations);
        return {};
    }
    const QByteArray salted = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                                                 password_, salt, iterations, 32);
    const QByteArray clientKey = hmac(salted, "Client Key");
    const QByteArray storedKey = QCryptographicHash::hash(clientKey, QCryptographicHash::Sha256);
    // "biws" is "n,," in base64: no channel binding.
    const QByteArray finalWithoutProof = "c=biws,r=" + nonce;
    const QByteArray authMessage = firstBare_ + ',' + serverFirst + ',' + finalWithoutProof;
    QByteArray proof = hmac(storedKey, authMessage);
    for (qsizetype i = 0; i < proof.size(); ++i)
        proof[i] = char(proof.at(i) ^ clientKey.at(i));
    expectedSignature_ = hmac(hmac(salted, "Server Key"), authMessage);
    return finalWithoutProof + ",p=" + proof.toBase64();
}

bool ScramSha256::verifyServerFinal(const QByteArray& serverFinal) const
{
    if (expectedSignature_.isEmpty())
        return false;
    const QByteArray given = QByteArray::fromBase64(attribute(serverFinal, 'v'));
    if (given.size() != expectedSignature_.size())
        return false;
    // Compared whole, without stopping at the first difference.
    char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i)
        difference = char(difference | (given.at(i) ^ expectedSignature_.at(i)));
    return difference == 0;
}
