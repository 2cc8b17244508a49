#pragma once

#include "irc/scramsha256.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

// Capability negotiation: "CAP LS 302" goes before NICK and USER, the capabilities this
// client wants (wanted()) are requested when offered, and the negotiation at registration
// always ends with "CAP END". SASL logs in with the account: EXTERNAL when the connection
// carries a client certificate, else SCRAM-SHA-256 when offered, else PLAIN; the password
// leaves only inside AUTHENTICATE lines, which the session never shows. A failed login
// is told in one status line and registration goes on. A server that does not know CAP
// registers as before: NICK and USER are not held back. A server that stops answering
// does not hold registration up: after TimeLimitSeconds the negotiation ends with a
// status line and CAP END. While connected, CAP NEW requests what is new and wanted, and
// CAP DEL drops what went. What a server offers is kept only up to a bound, however many
// lines it sends.
class CapNegotiation
{
public:
    using Send = std::function<void(const QString& line)>;
    using Report = std::function<void(const QString& statusLine)>;

    static constexpr int TimeLimitSeconds = 15;
    static constexpr qsizetype MaxCapabilities = 200;
    static constexpr qsizetype MaxNameLength = 64;
    static constexpr qsizetype MaxValueLength = 256;

    CapNegotiation(Send send, Report report);

    // Every capability this client can use (sasl is asked for only with an account, a
    // bouncer's names only where the standard ones are missing, one history command).
    static const QStringList& supported();
    // Those that change what lines the handlers read say: the server echoes the user's
    // own lines (echo-message, znc.in/self-message), NAMES replies carry every prefix and
    // the hosts (multi-prefix, userhost-in-names), INVITE tells of others' invitations
    // (invite-notify). They are requested only once the handlers are told to want them.
    static const QStringList& reshaping();
    // What is requested when offered: supported() without reshaping() until a handler
    // that reads the reshaped lines asks for its capability here.
    void setWanted(const QStringList& names) { wanted_ = names; }
    void want(const QString& name);
    QStringList wanted() const { return wanted_; }

    // The account for the next connection; an empty account or password means no SASL
    // by password.
    void setAccount(const QString& account, const QString& password);
    // The next connection presents a client certificate: SASL EXTERNAL logs in with it.
    void setCertificateLogin(bool hasCertificate) { certificateLogin_ = hasCertificate; }
    // Where the SCRAM client nonce comes from; random bytes unless a test sets its own.
    void setNonceSource(std::function<QByteArray()> source) { nonce_ = std::move(source); }
    // Called after the enabled capabilities changed (an ACK, a DEL, a reset).
    void setChangeHandler(std::function<void()> changed) { changed_ = std::move(changed); }
    // Called with the value of "sts" whenever a server lists it (LS or NEW); true when
    // the connection is being left for a secure one, and the negotiation stops.
    void setStsHandler(std::function<bool(const QString& value)> sts) { sts_ = std::move(sts); }

    // A new connection: sends CAP LS 302.
    void start();
    // True when the line (without its tags) belonged to the negotiation and needs no
    // other handling.
    bool handleLine(const QString& line);
    void reset();

    bool negotiating() const { return state_ != State::Idle; }
    QStringList offered() const { return offered_; }
    QStringList enabled() const { return enabled_; }
    bool isEnabled(const QString& name) const { return enabled_.contains(name); }
    // The value an offered capability came with ("PLAIN,EXTERNAL" of "sasl=..."); empty
    // when it had none or was not offered.
    QString value(const QString& name) const { return values_.value(name); }
    bool loggedIn() const { return loggedIn_; }
    // The SASL mechanism of the last login attempt; empty when none was made.
    QString mechanism() const { return mechanism_; }

    // The time limit ran out: the negotiation ends and registration goes on. Called by
    // the timer, or by a test.
    void onTimeLimit();
    bool timeLimitRunning() const { return timeLimit_.isActive(); }

private:
    enum class State { Idle, Listing, Requesting, Authenticating };
    void end();
    void fail(const QString& statusLine);
    bool canLogIn() const;
    QString who() const; // in the status lines: "as joe"
    QStringList requestsFor(bool registering) const;
    void request(const QStringList& names);
    void afterRequests();
    void startSasl();
    void onAuthenticate(const QString& payload);
    void answerSasl(const QByteArray& payload);
    void sendPayload(const QByteArray& payload);
    // Keeps what a list offers; false when the connection is being left.
    bool takeOffers(const QString& list);
    void setEnabled(const QString& name, bool on);

    Send send_;
    Report report_;
    QString account_;
    QString password_;
    bool certificateLogin_ = false;
    std::function<QByteArray()> nonce_;
    std::function<void()> changed_;
    std::function<bool(const QString&)> sts_;
    State state_ = State::Idle;
    QStringList wanted_;
    QStringList offered_;
    QHash<QString, QString> values_;
    QStringList enabled_;
    int repliesAwaited_ = 0; // CAP REQ lines not yet answered by ACK or NAK
    bool saslRequested_ = false;
    bool loggedIn_ = false;
    QString mechanism_;
    // One exchange answers each server step once; repeats get nothing.
    int saslStep_ = 0;
    QByteArray inbound_; // an AUTHENTICATE payload arriving in 400-byte pieces
    std::unique_ptr<ScramSha256> scram_;
    QTimer timeLimit_;
};
