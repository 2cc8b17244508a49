#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Capability negotiation at registration: "CAP LS 302" goes before NICK and USER, only
// capabilities this client uses are requested (sasl, when the server has an account),
// and the negotiation always ends with "CAP END". SASL PLAIN logs in with the account;
// the password leaves only inside AUTHENTICATE lines, which the session never shows. A
// server that does not know CAP registers as before: NICK and USER are not held back.
// A server that stops answering does not hold registration up: after TimeLimitSeconds
// the negotiation ends with a status line and CAP END. What a server offers is kept only
// up to a bound, however many lines it sends.
class CapNegotiation
{
public:
    using Send = std::function<void(const QString& line)>;
    using Report = std::function<void(const QString& statusLine)>;

    static constexpr int TimeLimitSeconds = 15;
    static constexpr qsizetype MaxCapabilities = 200;
    static constexpr qsizetype MaxNameLength = 64;

    CapNegotiation(Send send, Report report);

    // The account for the next connection; an empty account or password means no SASL.
    void setAccount(const QString& account, const QString& password);
    // A new connection: sends CAP LS 302.
    void start();
    // True when the line belonged to the negotiation and needs no other handling.
    bool handleLine(const QString& line);
    void reset();

    bool negotiating() const { return state_ != State::Idle; }
    QStringList offered() const { return offered_; }
    QStringList enabled() const { return enabled_; }
    bool loggedIn() const { return loggedIn_; }

    // The time limit ran out: the negotiation ends and registration goes on. Called by
    // the timer, or by a test.
    void onTimeLimit();
    bool timeLimitRunning() const { return timeLimit_.isActive(); }

private:
    enum class State { Idle, Listing, Requesting, Authenticating };
    void end();
    void sendCredentials();

    Send send_;
    Report report_;
    QString account_;
    QString password_;
    State state_ = State::Idle;
    QStringList offered_;
    QStringList enabled_;
    bool loggedIn_ = false;
    // One exchange answers one "AUTHENTICATE +"; more of them get nothing.
    bool credentialsSent_ = false;
    QTimer timeLimit_;
};
