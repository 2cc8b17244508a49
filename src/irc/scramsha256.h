#pragma once

#include <QByteArray>
#include <QString>

// The client side of a SCRAM-SHA-256 login (RFC 7677, after RFC 5802), without channel
// binding: the first message with the user name and a nonce, the final one with the
// proof computed from the server's salt and iteration count, and the check of the
// server's signature, which proves the server knew the password too. The password is
// taken as UTF-8 without further preparation.
class ScramSha256
{
public:
    // More rounds than this are refused: the key is derived on the caller's thread, and a
    // hostile server must not be able to stall it.
    static constexpr int MaxIterations = 200000;
    static constexpr int MinIterations = 4096;

    ScramSha256(const QString& user, const QString& password, const QByteArray& clientNonce);

    QByteArray clientFirst() const;
    // The final message for the server's first one; empty, with error() saying why, when
    // that message is malformed, its nonce does not extend ours, or its iteration count
    // is out of bounds.
    QByteArray clientFinal(const QByteArray& serverFirst);
    // True when the server's final message carries the signature this exchange expects.
    bool verifyServerFinal(const QByteArray& serverFinal) const;
    QString error() const { return error_; }

private:
    QByteArray firstBare_;
    QByteArray password_;
    QByteArray nonce_;
    QByteArray expectedSignature_;
    QString error_;
};
