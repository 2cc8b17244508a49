// Capability negotiation and SASL at registration: each input is what a server answers
// one new connection (CAP LS, ACK, NAK, NEW, DEL, AUTHENTICATE, the 90x replies, any other
// line), one line per input line, to a session that has an account for it.
#include "harness.h"

#include "client/client.h"
#include "irc/lineframer.h"
#include "irc/wire.h"

#include <cstdlib>

namespace {
// Long enough that its AUTHENTICATE payload takes two lines.
const QString account = QStringLiteral("fuzzer");
const QString password = QString(300, u'p');
constexpr int CredentialLines = 2;

// What the client sent during one input, by the session's own record of sent lines.
struct Sent
{
    int capEnds = 0;
    int plains = 0;      // "AUTHENTICATE <mechanism>": an exchange starts
    int credentials = 0; // the lines that carry the account and password
    bool afterEnd = false;
    bool plainNow = false;
};
Sent sent;

void recordSent(const QString& line)
{
    if (line.startsWith(QLatin1String("AUTHENTICATE")) && sent.capEnds > 0)
        sent.afterEnd = true;
    if (line == QLatin1String("CAP END"))
        ++sent.capEnds;
    else if (line == QLatin1String("AUTHENTICATE PLAIN") ||
             line == QLatin1String("AUTHENTICATE SCRAM-SHA-256") ||
             line == QLatin1String("AUTHENTICATE EXTERNAL")) {
        ++sent.plains;
        sent.plainNow = true;
    } else if (line.startsWith(QLatin1String("AUTHENTICATE ")) &&
               line != QLatin1String("AUTHENTICATE +") && line != QLatin1String("AUTHENTICATE *"))
        ++sent.credentials;
}

// True when a server line acknowledges sasl: a word "sasl" (after ":", or the "~" and "="
// of older servers, and with or without a value), never "-sasl", which turns it off.
bool acknowledgesSasl(const QString& line)
{
    if (!line.contains(QLatin1String("ACK"), Qt::CaseInsensitive))
        return false;
    for (QString word : line.split(u' ', Qt::SkipEmptyParts)) {
        while (word.startsWith(u':') || word.startsWith(u'~') || word.startsWith(u'='))
            word.remove(0, 1);
        if (word.section(u'=', 0, 0).compare(QLatin1String("sasl"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    static Client& client = []() -> Client& {
        Client& c = FuzzHarness::connectedClient();
        Session& session = c.session();
        session.setAccountLookup(
            [](const QString&) { return std::pair<QString, QString>(account, password); });
        // Every line leaves at once, so what answers a server line is seen right after it.
        session.outbound().setRate(1, 0);
        c.options().connection.reconnect = false;
        QObject::connect(&session, &Session::rawLineRecorded,
                         [](const QString& line, const QString& direction) {
                             if (direction == QLatin1String("user"))
                                 recordSent(line);
                         });
        return c;
    }();
    Session& session = FuzzHarness::newConnection().session();
    sent = Sent{};

    LineFramer framer;
    framer.append(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    framer.append("\n");
    QByteArray bytes;
    while (session.isConnected() && framer.nextLine(bytes)) {
        const QString line = Wire::decode(bytes);
        sent.plainNow = false;
        session.handleLine(line);
        // An exchange starts only when the server turned sasl on, in this line or in an
        // earlier answer to the same requests.
        if (sent.plainNow &&
            !(acknowledgesSasl(line) || session.capabilities().isEnabled(QStringLiteral("sasl"))))
            std::abort();
    }
    // The negotiation ends once; nothing of it follows its end; the credentials go out
    // once for each exchange the client started.
    if (sent.capEnds > 1 || sent.afterEnd || sent.credentials > CredentialLines * sent.plains)
        std::abort();
    FuzzHarness::tidy();
    return 0;
}
