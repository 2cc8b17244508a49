#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QTcpServer;

// The texts of DCC: address forms, the offers and answers carried by CTCP, the
// acknowledgement bytes, port and file-name rules. Pure functions, so each rule is
// written once and tested alone.
namespace DccWire {

// Offers carry the IPv4 address as one unsigned decimal number, first octet most
// significant. "-1" when the text is not such a number.
QString decimalToDotted(const QString& decimal);
// Empty when the text has fewer than three dots, or parts too large to add up.
QString dottedToDecimal(const QString& dotted);

// "DCC CHAT chat <address> <port> [token]". Port 0 with a token is a passive offer: the
// peer cannot listen and asks to be connected to; the answer carries the same token.
struct ChatOffer
{
    QString address; // dotted
    quint16 port = 0;
    QString token;
    bool passive() const { return port == 0; }
};
std::optional<ChatOffer> parseChatOffer(const QString& body);

// "DCC SEND <name> <address> <port> <size> [token]", the name possibly in double quotes.
// Port 0 with a token is a passive offer, as for a chat.
struct SendOffer
{
    QString fileName; // as offered, theme suffix removed
    QString address;  // dotted
    quint16 port = 0;
    qint64 size = 0;
    bool theme = false;
    QString token;
    bool passive() const { return port == 0; }
};
enum class OfferProblem { None, Malformed, UnsafeName };
struct ParsedSendOffer
{
    OfferProblem problem = OfferProblem::Malformed;
    SendOffer offer;
    QString offeredName; // the name as it came, for the refusal's status line
};
ParsedSendOffer parseSendOffer(const QString& body);

// "DCC RESUME <name> <port> <position>" and "DCC ACCEPT <name> <port> <position>", for a
// passive offer "<name> 0 <position> <token>".
// The name may be quoted and hold blanks, so port and position are the last two words.
struct ResumeRequest
{
    QString name;
    QString port;
    qint64 position = 0;
    // The passive form, "<name> 0 <position> <token>": the token of the passive offer.
    QString token;
};
std::optional<ResumeRequest> parseResumeRequest(const QString& body);

// A received file keeps only its last path component, without bidirectional controls
// (which would show "txt.exe" for "exe.txt"); "..", empty names, control characters and
// line breaks are refused (empty result).
QString safeFileName(const QString& offered);
// Text from a peer fit for one status line: control characters, line breaks and
// bidirectional controls become "?".
QString printable(QString text);
// name + "(" + n + ")" + extension for the first n whose file does not exist in folder;
// the name itself when it does not exist.
QString freeFileName(const QString& folder, const QString& fileName);

// The save folder for a file: the first filter line ("*.ext folder") whose mask matches
// the file's extension decides, when its folder exists; otherwise the default.
QString saveFolderFor(const QStringList& filters, const QString& fileName,
                      const QString& defaultFolder);

// The receiver's report: the position modulo 2^32, most significant byte first.
QByteArray acknowledgement(qint64 position);

// The first port above 1059 that none of the used ones is.
int choosePort(const QList<int>& used);
constexpr int FirstPort = 1059;
// When the chosen port is held by another program, this many next numbers are tried.
constexpr int PortAttempts = 100;
// Listens on the chosen port or, when another program holds it, on one of the next; the
// port, or 0 when none could be had.
int listen(QTcpServer& server, const QList<int>& used);
// The address a passive offer carries in place of one of its own (1.1.1.1): the peer
// answers with its own address and never connects to this one.
inline const QString passiveAddress = QStringLiteral("16843009");
// A fresh token for a passive offer.
QString newToken();

// Row texts of the transfer lists.
QString percentText(qint64 done, qint64 size);
QString rateText(qint64 bytes, qint64 milliseconds);

} // namespace DccWire
