#include "dcc/dccwire.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTcpServer>

#include <cmath>

namespace DccWire {

namespace {

constexpr double MaxAddress = 4294967295.0;

// The first blank-separated word and the text after its blank.
std::pair<QString, QString> splitWord(const QString& text)
{
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0)
        return {text, QString()};
    return {text.left(blank), text.mid(blank + 1)};
}

std::optional<quint16> portNumber(const QString& text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    if (!ok || port > 65535)
        return std::nullopt;
    return quint16(port);
}

// A passive offer's token: one short word. Port 0 needs one; a port without one is a
// plain offer.
bool acceptableToken(quint16 port, const QString& token)
{
    if (token.size() > 32)
        return false;
    return port != 0 || !token.isEmpty();
}

bool isBidiControl(char16_t c)
{
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x200e ||
           c == 0x200f || c == 0x061c;
}

// Characters that end a line or steer the terminal rather than show.
bool isControlOrBreak(char16_t c)
{
    return c < 0x20 || c == 0x7f || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace

QString decimalToDotted(const QString& decimal)
{
    bool ok = false;
    const double value = decimal.trimmed().toDouble(&ok);
    // Beyond 32 bits the octets would no longer be octets: such an offer is refused.
    if (!ok || !std::isfinite(value) || value < 0 || std::round(value) > MaxAddress)
        return QStringLiteral("-1");
    qint64 n = std::llround(value);
    const qint64 a = n / 16777216;
    n -= a * 16777216;
    const qint64 b = n / 65536;
    n -= b * 65536;
    const qint64 c = n / 256;
    const qint64 d = n - c * 256;
    return QStringLiteral("%1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d);
}

QString dottedToDecimal(const QString& dotted)
{
    const QStringList parts = dotted.split(u'.');
    if (parts.size() < 4)
        return {};
    // Everything after the third dot is the last part.
    const QString last = QStringList(parts.mid(3)).join(u'.');
    const double weights[] = {16777216.0, 65536.0, 256.0, 1.0};
    const QString texts[] = {parts.at(0), parts.at(1), parts.at(2), last};
    double total = 0;
    for (int i = 0; i < 4; ++i)
        total += std::round(texts[i].trimmed().toDouble()) * weights[i];
    // Parts far too large for an address give no number at all.
    if (!std::isfinite(total) || std::abs(total) >= 9.0e18)
        return {};
    return QString::number(qint64(total));
}

std::optional<ChatOffer> parseChatOffer(const QString& body)
{
    const QString rest = body.mid(14);
    const qsizetype blank = rest.indexOf(u' ');
    if (blank < 0)
        return std::nullopt;
    const QString address = decimalToDotted(rest.left(blank));
    if (address == QStringLiteral("-1"))
        return std::nullopt;
    const auto [portText, tokenRest] = splitWord(rest.mid(blank + 1).trimmed());
    const auto port = portNumber(portText);
    const QString token = splitWord(tokenRest.trimmed()).first;
    if (!port || !acceptableToken(*port, token))
        return std::nullopt;
    return ChatOffer{address, *port, token};
}

ParsedSendOffer parseSendOffer(const QString& body)
{
    ParsedSendOffer parsed;
    QString rest = body.mid(9);
    QString name;
    if (!rest.startsWith(u'"')) {
        const qsizetype blank = rest.indexOf(u' ');
        if (blank < 0)
            return parsed;
        name = rest.left(blank);
        rest = rest.mid(blank + 1);
    } else {
        const qsizetype quote = rest.indexOf(u'"', 1);
        if (quote < 0)
            return parsed;
        name = rest.mid(1, quote - 1);
        rest = rest.mid(quote + 2);
    }
    const auto [addressText, afterAddress] = splitWord(rest);
    if (!afterAddress.contains(u' '))
        return parsed;
    const auto [portText, sizeRest] = splitWord(afterAddress);
    const QString address = decimalToDotted(addressText);
    if (address == QStringLiteral("-1"))
        return parsed;
    const auto port = portNumber(portText);
    // A passive offer, or the answer to one, has a token after the size.
    const auto [sizeText, tokenRest] = splitWord(sizeRest.trimmed());
    bool sizeOk = false;
    const qint64 size = sizeText.toLongLong(&sizeOk);
    const QString token = splitWord(tokenRest.trimmed()).first;
    if (!port || !sizeOk || size < 0 || !acceptableToken(*port, token))
        return parsed;
    parsed.offeredName = name;
    if (name.endsWith(QStringLiteral("zzz"))) {
        name.chop(3);
        parsed.offer.theme = true;
    }
    parsed.offer.fileName = safeFileName(name);
    parsed.offer.address = address;
    parsed.offer.port = *port;
    parsed.offer.size = size;
    parsed.offer.token = token;
    parsed.problem =
        parsed.offer.fileName.isEmpty() ? OfferProblem::UnsafeName : OfferProblem::None;
    return parsed;
}

std::optional<ResumeRequest> parseResumeRequest(const QString& body)
{
    QString rest = body.mid(11).trimmed();
    // A passive offer's resume: port 0, the position, then the offer's token.
    const QStringList words = rest.split(u' ', Qt::SkipEmptyParts);
    QString token;
    if (words.size() >= 4 && words.at(words.size() - 3) == QLatin1String("0")) {
        bool positionOk = false;
        bool tokenOk = false;
        words.at(words.size() - 2).toLongLong(&positionOk);
        words.last().toLongLong(&tokenOk);
        if (positionOk && tokenOk) {
            token = words.last();
            rest = rest.left(rest.lastIndexOf(u' ')).trimmed();
        }
    }
    const qsizetype lastBlank = rest.lastIndexOf(u' ');
    if (lastBlank < 0)
        return std::nullopt;
    const QString head = rest.left(lastBlank).trimmed();
    const qsizetype portBlank = head.lastIndexOf(u' ');
    if (portBlank < 0)
        return std::nullopt;
    bool ok = false;
    const qint64 position = rest.mid(lastBlank + 1).toLongLong(&ok);
    if (!ok || position < 0)
        return std::nullopt;
    return ResumeRequest{head.left(portBlank).trimmed(), head.mid(portBlank + 1), position, token};
}

QString safeFileName(const QString& offered)
{
    QString name = offered;
    const qsizetype cut = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    if (cut >= 0)
        name = name.mid(cut + 1);
    name.removeIf([](QChar c) { return isBidiControl(c.unicode()); });
    if (name.trimmed().isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return {};
    for (const QChar c : name) {
        if (isControlOrBreak(c.unicode()))
            return {};
    }
    return name;
}

QString printable(QString text)
{
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (isControlOrBreak(u) || (u >= 0x80 && u <= 0x9f) || isBidiControl(u))
            c = u'?';
    }
    return text;
}

QString freeFileName(const QString& folder, const QString& fileName)
{
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(fileName)))
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString extension = dot > 0 ? fileName.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString candidate = stem + u'(' + QString::number(n) + u')' + extension;
        if (!QFileInfo::exists(dir.filePath(candidate)))
            return candidate;
    }
}

QString saveFolderFor(const QStringList& filters, const QString& fileName,
                      const QString& defaultFolder)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? fileName.mid(dot).trimmed() : QString();
    for (const QString& raw : filters) {
        const QString line = raw.trimmed();
        const qsizetype blank = line.indexOf(u' ');
        if (blank < 0)
            continue;
        const QString mask = line.mid(1, blank - 1).trimmed();
        if (mask.compare(extension, Qt::CaseInsensitive) != 0)
            continue;
        const QString folder = line.mid(blank + 1).trimmed();
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder.endsWith(u'/') ? folder : folder + u'/';
        break;
    }
    return defaultFolder;
}

QByteArray acknowledgement(qint64 position)
{
    const quint32 p = quint32(quint64(position) & 0xffffffffu);
    QByteArray bytes(4, Qt::Uninitialized);
    bytes[0] = char(p >> 24);
    bytes[1] = char(p >> 16);
    bytes[2] = char(p >> 8);
    bytes[3] = char(p);
    return bytes;
}

int choosePort(const QList<int>& used)
{
    // The list always holds 1059 itself, so the first offer listens on 1060.
    int port = FirstPort;
    while (port == FirstPort || used.contains(port))
        ++port;
    return port;
}

int listen(QTcpServer& server, const QList<int>& used)
{
    int port = choosePort(used);
    for (int attempt = 0; attempt < PortAttempts && port <= 65535; ++attempt, ++port) {
        while (used.contains(port))
            ++port;
        if (port <= 65535 && server.listen(QHostAddress::AnyIPv4, quint16(port)))
            return port;
    }
    return 0;
}

QString newToken()
{
    return QString::number(QRandomGenerator::global()->bounded(1, 1 << 30));
}

QString percentText(qint64 done, qint64 size)
{
    if (size <= 0)
        return QStringLiteral("100%");
    const qint64 percent = std::min<qint64>(100, done * 100 / size);
    return QString::number(percent) + u'%';
}

QString rateText(qint64 bytes, qint64 milliseconds)
{
    if (milliseconds <= 0)
        return QStringLiteral("0");
    const double kps = double(bytes) / (double(milliseconds) / 1000.0) * 0.001;
    // Four characters, but never fewer than the whole thousands: 600000 K/sec. must not
    // read as 6000.
    if (kps >= 1000)
        return QString::number(qint64(kps));
    return QString::number(kps, 'f', 3).left(4);
}

} // namespace DccWire
