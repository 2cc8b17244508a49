#include "irc/capnegotiation.h"

namespace {
constexpr qsizetype AuthenticateChunk = 400;

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

// One item of a CAP list: "sasl=PLAIN,EXTERNAL" names the capability "sasl"; in an
// ACK, a leading "-" means the capability is now disabled ("~" and "=" are older marks
// that change nothing here).
struct CapabilityItem
{
    QString name;
    bool disabled = false;
};

QList<CapabilityItem> capabilityItems(const QString& list)
{
    QList<CapabilityItem> items;
    for (const QString& word : list.split(u' ', Qt::SkipEmptyParts)) {
        CapabilityItem item;
        item.name = word.section(u'=', 0, 0);
        while (!item.name.isEmpty() && (item.name.front() == u'-' || item.name.front() == u'~' ||
                                        item.name.front() == u'=')) {
            item.disabled = item.disabled || item.name.front() == u'-';
            item.name.remove(0, 1);
        }
        if (item.name.isEmpty() || item.name.size() > CapNegotiation::MaxNameLength)
            continue;
        item.name = item.name.toLower();
        items << item;
    }
    return items;
}

// Kept up to the bound (repeats included: checking for them would cost more than they
// do); the capabilities this client asks for are kept whatever the bound.
void addBounded(QStringList& names, const QString& name)
{
    if (names.size() < CapNegotiation::MaxCapabilities ||
        (name == QLatin1String("sasl") && !names.contains(name)))
        names << name;
}
} // namespace

CapNegotiation::CapNegotiation(Send send, Report report)
    : send_(std::move(send)), report_(std::move(report))
{
    timeLimit_.setSingleShot(true);
    timeLimit_.setInterval(TimeLimitSeconds * 1000);
    QObject::connect(&timeLimit_, &QTimer::timeout, [this] { onTimeLimit(); });
}

void CapNegotiation::setAccount(const QString& account, const QString& password)
{
    account_ = account;
    password_ = password;
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
    state_ = State::Idle;
    timeLimit_.stop();
    offered_.clear();
    enabled_.clear();
    loggedIn_ = false;
    credentialsSent_ = false;
}

void CapNegotiation::end()
{
    state_ = State::Idle;
    timeLimit_.stop();
    send_(QStringLiteral("CAP END"));
}

void CapNegotiation::onTimeLimit()
{
    if (state_ == State::Idle)
        return;
    if (state_ == State::Authenticating)
        report_(QStringLiteral("SASL login as ") + account_ +
                QStringLiteral(" got no answer in time; registering without it."));
    else
        report_(QStringLiteral("The server did not finish capability negotiation within ") +
                QString::number(TimeLimitSeconds) +
                QStringLiteral(" seconds; registering without it."));
    end();
}

void CapNegotiation::sendCredentials()
{
    const QByteArray token =
        (account_.toUtf8() + '\0' + account_.toUtf8() + '\0' + password_.toUtf8()).toBase64();
    for (qsizetype at = 0; at < token.size(); at += AuthenticateChunk)
        send_(QStringLiteral("AUTHENTICATE ") +
              QString::fromLatin1(token.mid(at, AuthenticateChunk)));
    // A last chunk of exactly full size says nothing of the end; an empty one does.
    if (token.size() % AuthenticateChunk == 0)
        send_(QStringLiteral("AUTHENTICATE +"));
}

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
            for (const CapabilityItem& item : capabilityItems(list))
                addBounded(offered_, item.name);
            if (more)
                return true;
            const bool sasl = offered_.contains(QLatin1String("sasl")) && !account_.isEmpty() &&
                              !password_.isEmpty();
            if (sasl) {
                state_ = State::Requesting;
                send_(QStringLiteral("CAP REQ :sasl"));
            } else {
                if (!account_.isEmpty() && !password_.isEmpty())
                    report_(QStringLiteral("The server does not offer SASL; not logged in."));
                end();
            }
            return true;
        }
        if (sub == QLatin1String("ACK")) {
            bool saslOn = false;
            for (const CapabilityItem& item : capabilityItems(list)) {
                if (item.disabled) {
                    enabled_.removeAll(item.name);
                } else {
                    addBounded(enabled_, item.name);
                    saslOn = saslOn || item.name == QLatin1String("sasl");
                }
            }
            if (state_ == State::Requesting) {
                if (saslOn) {
                    state_ = State::Authenticating;
                    credentialsSent_ = false;
                    send_(QStringLiteral("AUTHENTICATE PLAIN"));
                } else {
                    report_(QStringLiteral("The server refused SASL; not logged in."));
                    end();
                }
            }
            return true;
        }
        if (sub == QLatin1String("NAK") && state_ == State::Requesting) {
            report_(QStringLiteral("The server refused SASL; not logged in."));
            end();
            return true;
        }
        // Later changes (NEW, DEL, LIST) need nothing from this client.
        return true;
    }

    if (command == QLatin1String("AUTHENTICATE") && state_ == State::Authenticating) {
        if (words.size() >= 2 && words.at(1) == QLatin1String("+") && !credentialsSent_) {
            credentialsSent_ = true;
            sendCredentials();
        }
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
        case 904: // failed
        case 905: // too long
        case 906: // aborted
        case 907: // already logged in
            if (state_ == State::Authenticating) {
                if (numeric != 907)
                    report_(QStringLiteral("SASL login as ") + account_ +
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
