#include "irc/capnegotiation.h"

#include <QRandomGenerator>

namespace {
constexpr qsizetype AuthenticateChunk = 400;
// A CAP REQ line stays well inside the line limit; more names go on further lines.
constexpr qsizetype RequestLineLength = 200;
// An AUTHENTICATE payload from the server larger than this is not a SASL step.
constexpr qsizetype MaxInboundPayload = 4096;

const QString Sasl = QStringLiteral("sasl");

// The words of a line without its prefix; the trailing parameter (after " :") is the
// last word, whole.
QStringList wordsOf(const QString& line)
{
    QString rest = line;
    if (rest.startsWith(u':')) {
        const qsizetype space = rest.indexOf(u' ');
        rest = space < 0 ? QString() : rest.mid(space + 1);
    }
    QString trailing;
    bool hasTrailing = false;
    const qsizetype colon = rest.indexOf(QStringLiteral(" :"));
    if (colon >= 0) {
        trailing = rest.mid(colon + 2);
        rest = rest.left(colon);
        hasTrailing = true;
    }
    QStringList words = rest.split(u' ', Qt::SkipEmptyParts);
    if (hasTrailing)
        words << trailing;
    return words;
}

// One item of a CAP list: "sasl=PLAIN,EXTERNAL" names the capability "sasl" with the
// value "PLAIN,EXTERNAL"; in an ACK, a leading "-" means the capability is now disabled
// ("~" and "=" are older marks that change nothing here).
struct CapabilityItem
{
    QString name;
    QString value;
    bool disabled = false;
};

QList<CapabilityItem> capabilityItems(const QString& list)
{
    QList<CapabilityItem> items;
    for (QStringView word : QStringView(list).split(u' ', Qt::SkipEmptyParts)) {
        CapabilityItem item;
        while (!word.isEmpty() &&
               (word.front() == u'-' || word.front() == u'~' || word.front() == u'=')) {
            item.disabled = item.disabled || word.front() == u'-';
            word = word.mid(1);
        }
        const qsizetype equals = word.indexOf(u'=');
        const QStringView name = equals < 0 ? word : word.left(equals);
        if (name.isEmpty() || name.size() > CapNegotiation::MaxNameLength)
            continue;
        item.name = name.toString().toLower();
        if (equals >= 0)
            item.value = word.mid(equals + 1, CapNegotiation::MaxValueLength).toString();
        items << item;
    }
    return items;
}

// Kept up to the bound (repeats included: checking for them would cost more than they
// do); the capabilities this client asks for are kept whatever the bound.
bool addBounded(QStringList& names, const QString& name)
{
    if (names.size() < CapNegotiation::MaxCapabilities ||
        (CapNegotiation::supported().contains(name) && !names.contains(name))) {
        names << name;
        return true;
    }
    return false;
}

QByteArray randomNonce()
{
    QByteArray bytes(18, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes.toBase64();
}
} // namespace

CapNegotiation::CapNegotiation(Send send, Report report)
    : send_(std::move(send)), report_(std::move(report)), nonce_(randomNonce)
{
    for (const QString& name : supported())
        if (!reshaping().contains(name))
            wanted_ << name;
    timeLimit_.setSingleShot(true);
    timeLimit_.setInterval(TimeLimitSeconds * 1000);
    QObject::connect(&timeLimit_, &QTimer::timeout, [this] { onTimeLimit(); });
}

const QStringList& CapNegotiation::reshaping()
{
    static const QStringList names{QStringLiteral("echo-message"), QStringLiteral("multi-prefix"),
                                   QStringLiteral("userhost-in-names"),
                                   QStringLiteral("invite-notify"),
                                   QStringLiteral("znc.in/self-message")};
    return names;
}

void CapNegotiation::want(const QString& name)
{
    if (supported().contains(name) && !wanted_.contains(name))
        wanted_ << name;
}

const QStringList& CapNegotiation::supported()
{
    static const QStringList names{QStringLiteral("server-time"),
                                   QStringLiteral("batch"),
                                   QStringLiteral("message-tags"),
                                   QStringLiteral("echo-message"),
                                   QStringLiteral("labeled-response"),
                                   QStringLiteral("away-notify"),
                                   QStringLiteral("account-notify"),
                                   QStringLiteral("extended-join"),
                                   QStringLiteral("account-tag"),
                                   QStringLiteral("multi-prefix"),
                                   QStringLiteral("userhost-in-names"),
                                   QStringLiteral("chghost"),
                                   QStringLiteral("setname"),
                                   QStringLiteral("invite-notify"),
                                   QStringLiteral("cap-notify"),
                                   QStringLiteral("chathistory"),
                                   QStringLiteral("draft/chathistory"),
                                   QStringLiteral("znc.in/server-time-iso"),
                                   QStringLiteral("znc.in/self-message"),
                                   Sasl};
    return names;
}

void CapNegotiation::setAccount(const QString& account, const QString& password)
{
    account_ = account;
    password_ = password;
}

QString CapNegotiation::who() const
{
    return account_.isEmpty() ? QStringLiteral("with the client certificate")
                              : QStringLiteral("as ") + account_;
}

bool CapNegotiation::canLogIn() const
{
    return certificateLogin_ || (!account_.isEmpty() && !password_.isEmpty());
}

void CapNegotiation::start()
{
    reset();
    state_ = State::Listing;
    timeLimit_.start();
    send_(QStringLiteral("CAP LS 302"));
}

void CapNegotiation::reset()
{
    const bool hadEnabled = !enabled_.isEmpty();
    state_ = State::Idle;
    timeLimit_.stop();
    offered_.clear();
    values_.clear();
    enabled_.clear();
    repliesAwaited_ = 0;
    saslRequested_ = false;
    loggedIn_ = false;
    mechanism_.clear();
    saslStep_ = 0;
    inbound_.clear();
    scram_.reset();
    if (hadEnabled && changed_)
        changed_();
}

void CapNegotiation::end()
{
    state_ = State::Idle;
    timeLimit_.stop();
    scram_.reset();
    send_(QStringLiteral("CAP END"));
}

void CapNegotiation::fail(const QString& statusLine)
{
    report_(statusLine);
    end();
}

void CapNegotiation::onTimeLimit()
{
    if (state_ == State::Idle)
        return;
    if (state_ == State::Authenticating)
        fail(QStringLiteral("SASL login ") + who() +
             QStringLiteral(" got no answer in time; registering without it."));
    else
        fail(QStringLiteral("The server did not finish capability negotiation within ") +
             QString::number(TimeLimitSeconds) +
             QStringLiteral(" seconds; registering without it."));
}

QStringList CapNegotiation::requestsFor(bool registering) const
{
    const auto offers = [this](const char* name) { return offered_.contains(QLatin1String(name)); };
    QStringList names;
    // In the order of supported(), so requests read alike whatever order wanted_ has.
    for (const QString& name : supported()) {
        if (!wanted_.contains(name))
            continue;
        if (!offered_.contains(name) || enabled_.contains(name))
            continue;
        // One history command is enough, and a bouncer's names stand in for missing
        // standard ones only.
        if ((name == QLatin1String("draft/chathistory") && offers("chathistory")) ||
            (name == QLatin1String("znc.in/server-time-iso") && offers("server-time")) ||
            (name == QLatin1String("znc.in/self-message") && offers("echo-message")))
            continue;
        if (name == Sasl && (!registering || !canLogIn()))
            continue;
        names << name;
    }
    return names;
}

void CapNegotiation::request(const QStringList& names)
{
    QString line;
    for (const QString& name : names) {
        if (!line.isEmpty() && line.size() + 1 + name.size() > RequestLineLength) {
            send_(QStringLiteral("CAP REQ :") + line);
            ++repliesAwaited_;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + name;
    }
    if (!line.isEmpty()) {
        send_(QStringLiteral("CAP REQ :") + line);
        ++repliesAwaited_;
    }
}

void CapNegotiation::afterRequests()
{
    if (saslRequested_ && enabled_.contains(Sasl))
        startSasl();
    else if (saslRequested_)
        fail(QStringLiteral("The server refused SASL; not logged in."));
    else
        end();
}

bool CapNegotiation::takeOffers(const QString& list)
{
    bool staying = true;
    for (const CapabilityItem& item : capabilityItems(list)) {
        const bool kept = offered_.contains(item.name) || addBounded(offered_, item.name);
        if (kept && !item.value.isEmpty())
            values_.insert(item.name, item.value);
        if (item.name == QLatin1String("sts") && sts_ && sts_(item.value))
            staying = false;
    }
    return staying;
}

void CapNegotiation::setEnabled(const QString& name, bool on)
{
    if (!on)
        enabled_.removeAll(name);
    else if (!enabled_.contains(name))
        addBounded(enabled_, name);
}

// --- SASL ----------------------------------------------------------------------------

void CapNegotiation::startSasl()
{
    const QStringList mechanisms = value(Sasl).toUpper().split(u',', Qt::SkipEmptyParts);
    // A server that lists no mechanisms may take any of them.
    const auto offers = [&mechanisms](const char* name) {
        return mechanisms.isEmpty() || mechanisms.contains(QLatin1String(name));
    };
    const bool hasPassword = !account_.isEmpty() && !password_.isEmpty();
    QString chosen;
    if (certificateLogin_ && offers("EXTERNAL"))
        chosen = QStringLiteral("EXTERNAL");
    else if (hasPassword && mechanisms.contains(QLatin1String("SCRAM-SHA-256")))
        chosen = QStringLiteral("SCRAM-SHA-256");
    else if (hasPassword && offers("PLAIN"))
        chosen = QStringLiteral("PLAIN");
    if (chosen.isEmpty()) {
        fail(QStringLiteral("The server offers no SASL mechanism this client can use (") +
             value(Sasl) + QStringLiteral("); not logged in."));
        return;
    }
    state_ = State::Authenticating;
    mechanism_ = chosen;
    saslStep_ = 0;
    inbound_.clear();
    send_(QStringLiteral("AUTHENTICATE ") + chosen);
}

void CapNegotiation::sendPayload(const QByteArray& payload)
{
    const QByteArray token = payload.toBase64();
    for (qsizetype at = 0; at < token.size(); at += AuthenticateChunk)
        send_(QStringLiteral("AUTHENTICATE ") +
              QString::fromLatin1(token.mid(at, AuthenticateChunk)));
    // A last chunk of exactly full size says nothing of the end; an empty one does.
    if (token.size() % AuthenticateChunk == 0)
        send_(QStringLiteral("AUTHENTICATE +"));
}

void CapNegotiation::onAuthenticate(const QString& payload)
{
    if (payload != QLatin1String("+")) {
        inbound_ += payload.toLatin1();
        if (inbound_.size() > MaxInboundPayload) {
            send_(QStringLiteral("AUTHENTICATE *"));
            fail(QStringLiteral("SASL login ") + who() +
                 QStringLiteral(" failed: the server's answer is too long; registering "
                                "without it."));
            return;
        }
        if (payload.size() == AuthenticateChunk)
            return; // more of it follows
    }
    const QByteArray data = QByteArray::fromBase64(inbound_);
    inbound_.clear();
    answerSasl(data);
}

void CapNegotiation::answerSasl(const QByteArray& data)
{
    const int step = saslStep_++;
    if (mechanism_ == QLatin1String("PLAIN")) {
        if (step == 0)
            sendPayload(account_.toUtf8() + '\0' + account_.toUtf8() + '\0' + password_.toUtf8());
        return;
    }
    if (mechanism_ == QLatin1String("EXTERNAL")) {
        if (step == 0)
            sendPayload({});
        return;
    }
    // SCRAM-SHA-256: our first message, the proof for the server's first, then the check
    // of its signature.
    const auto breakOff = [this](const QString& why) {
        send_(QStringLiteral("AUTHENTICATE *"));
        fail(QStringLiteral("SASL login ") + who() + QStringLiteral(" was broken off: ") + why +
             QStringLiteral("; registering without it."));
    };
    if (step == 0) {
        scram_ = std::make_unique<ScramSha256>(account_, password_, nonce_());
        sendPayload(scram_->clientFirst());
    } else if (step == 1 && scram_) {
        const QByteArray final = scram_->clientFinal(data);
        if (final.isEmpty())
            breakOff(scram_->error());
        else
            sendPayload(final);
    } else if (step == 2 && scram_) {
        if (scram_->verifyServerFinal(data))
            sendPayload({});
        else
            breakOff(QStringLiteral("the server could not prove it knows the password"));
    }
}

// --- the lines -----------------------------------------------------------------------

bool CapNegotiation::handleLine(const QString& line)
{
    const QStringList words = wordsOf(line);
    if (words.isEmpty())
        return false;
    const QString command = words.first().toUpper();

    if (command == QLatin1String("CAP") && words.size() >= 3) {
        const QString sub = words.at(2).toUpper();
        const bool more = words.size() >= 5 && words.at(3) == QLatin1String("*");
        const QString list = words.last();
        if (sub == QLatin1String("LS") && state_ == State::Listing) {
            if (!takeOffers(list)) {
                state_ = State::Idle;
                timeLimit_.stop();
                return true;
            }
            if (more)
                return true;
            if (!account_.isEmpty() && !password_.isEmpty() && !offered_.contains(Sasl))
                report_(QStringLiteral("The server does not offer SASL; not logged in."));
            const QStringList names = requestsFor(true);
            saslRequested_ = names.contains(Sasl);
            if (names.isEmpty()) {
                end();
            } else {
                state_ = State::Requesting;
                request(names);
            }
            return true;
        }
        if (sub == QLatin1String("ACK") || sub == QLatin1String("NAK")) {
            if (sub == QLatin1String("ACK")) {
                for (const CapabilityItem& item : capabilityItems(list))
                    setEnabled(item.name, !item.disabled);
                if (changed_)
                    changed_();
            }
            if (state_ == State::Requesting && --repliesAwaited_ <= 0)
                afterRequests();
            return true;
        }
        if (sub == QLatin1String("NEW")) {
            if (!takeOffers(list))
                return true;
            const QStringList names = requestsFor(false);
            if (!names.isEmpty())
                request(names);
            return true;
        }
        if (sub == QLatin1String("DEL")) {
            for (const CapabilityItem& item : capabilityItems(list)) {
                offered_.removeAll(item.name);
                values_.remove(item.name);
                enabled_.removeAll(item.name);
            }
            if (changed_)
                changed_();
            return true;
        }
        // LIST, and an LS the negotiation did not ask for, need nothing.
        return true;
    }

    if (command == QLatin1String("AUTHENTICATE") && state_ == State::Authenticating) {
        if (words.size() >= 2)
            onAuthenticate(words.at(1));
        return true;
    }

    if (words.size() >= 2 && words.first().size() == 3 && words.first().at(0).isDigit()) {
        const int numeric = words.first().toInt();
        switch (numeric) {
        case 900: // logged in as
            loggedIn_ = true;
            report_(QStringLiteral("You are logged in as ") +
                    (words.size() >= 4 ? words.at(3) : account_) + u'.');
            return true;
        case 903: // SASL success
            if (state_ == State::Authenticating)
                end();
            return true;
        case 902: // the nickname is locked
        case 904: // failed
        case 905: // too long
        case 906: // aborted
        case 907: // already logged in
            if (state_ == State::Authenticating) {
                if (numeric != 907)
                    report_(QStringLiteral("SASL login ") + who() +
                            QStringLiteral(" failed; registering without it."));
                end();
            }
            return true;
        case 908: // mechanisms; 904 follows
            return state_ == State::Authenticating;
        case 410: // invalid CAP subcommand
            if (state_ != State::Idle)
                end();
            return true;
        case 421: // unknown command: a server without CAP registers as before
            if (words.size() >= 3 &&
                words.at(2).compare(QLatin1String("CAP"), Qt::CaseInsensitive) == 0) {
                reset();
                return true;
            }
            return false;
        default:
            break;
        }
    }
    return false;
}
