#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Capability negotiation at registration: "CAP LS 302" goes before NICK and USER, only
// capabilities this client uses are requested (sasl, when the server has an account),
// and the negotiation always ends with "CAP END". SASL PLAIN logs in with the account;
// the password leaves only inside AUTHENTICATE lines, which the session never shows. A
// server that does not know CAP registers as before: NICK and USER are not held back.
class CapNegotiation
{
public:
    using Send = std::function<void(const QString& line)>;
    using Report = std::function<void(const QString& statusLine)>;

    CapNegotiation(Send send, Report report);

    // The account for the next connection; an empty account or password means no SASL.
    void setAccount(const QString& account, const QString& password);
    // A new connection: sends CAP LS 302.
    void start();
    // True when the line belonged to the negotiation and needs no other handling.
    bool handleLine(const QString& line);
    void reset();

    bool negotiating() const { return state_ != State::Idle; }
    QStringList enabled() const { return enabled_; }
    bool loggedIn() const { return loggedIn_; }

private:
    enum class State { Idle, Listing, Requesting, Authenticating };
    void end();

    Send send_;
    Report report_;
    QString account_;
    QString password_;
    State state_ = State::Idle;
    QStringList offered_;
    QStringList enabled_;
    bool loggedIn_ = false;
};
