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

// "sasl=PLAIN,EXTERNAL" names the capability "sasl".
QStringList capabilityNames(const QString& list)
{
    QStringList names;
    for (const QString& item : list.split(u' ', Qt::SkipEmptyParts)) {
        QString name = item.section(u'=', 0, 0);
        if (name.startsWith(u'-') || name.startsWith(u'~') || name.startsWith(u'='))
            name.remove(0, 1);
        names << name.toLower();
    }
    return names;
}
} // namespace

CapNegotiation::CapNegotiation(Send send, Report report)
    : send_(std::move(send)), report_(std::move(report))
{
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
    send_(QStringLiteral("CAP LS 302"));
}

void CapNegotiation::reset()
{
    state_ = State::Idle;
    offered_.clear();
    enabled_.clear();
    loggedIn_ = false;
}

void CapNegotiation::end()
{
    state_ = State::Idle;
    send_(QStringLiteral("CAP END"));
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
            offered_ << capabilityNames(list);
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
        if (sub == QLatin1String("ACK") && state_ == State::Requesting) {
            enabled_ << capabilityNames(list);
            if (enabled_.contains(QLatin1String("sasl"))) {
                state_ = State::Authenticating;
                send_(QStringLiteral("AUTHENTICATE PLAIN"));
            } else {
                end();
            }
            return true;
        }
        if (sub == QLatin1String("NAK") && state_ == State::Requesting) {
            end();
            return true;
        }
        // Later changes (NEW, DEL, LIST) need nothing from this client.
        return true;
    }

    if (command == QLatin1String("AUTHENTICATE") && state_ == State::Authenticating) {
        if (words.size() >= 2 && words.at(1) == QLatin1String("+")) {
            const QByteArray token =
                (account_.toUtf8() + '\0' + account_.toUtf8() + '\0' + password_.toUtf8())
                    .toBase64();
            for (qsizetype at = 0; at < token.size(); at += AuthenticateChunk)
                send_(QStringLiteral("AUTHENTICATE ") +
                      QString::fromLatin1(token.mid(at, AuthenticateChunk)));
            if (token.size() % AuthenticateChunk == 0)
                send_(QStringLiteral("AUTHENTICATE +"));
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
