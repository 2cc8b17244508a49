#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The texts of DCC: address forms, the offers and answers carried by CTCP, the
// acknowledgement bytes, port and file-name rules. Pure functions, so each rule is
// written once and tested alone.
namespace DccWire {

// Offers carry the IPv4 address as one unsigned decimal number, first octet most
// significant. "-1" when the text is not such a number.
QString decimalToDotted(const QString& decimal);
// Empty when the text has fewer than three dots, or parts too large to add up.
QString dottedToDecimal(const QString& dotted);

// "DCC CHAT chat <address> <port>"
struct ChatOffer
{
    QString address; // dotted
    quint16 port = 0;
};
std::optional<ChatOffer> parseChatOffer(const QString& body);

// "DCC SEND <name> <address> <port> <size>", the name possibly in double quotes.
struct SendOffer
{
    QString fileName; // as offered, theme suffix removed
    QString address;  // dotted
    quint16 port = 0;
    qint64 size = 0;
    bool theme = false;
};
enum class OfferProblem { None, Malformed, UnsafeName };
struct ParsedSendOffer
{
    OfferProblem problem = OfferProblem::Malformed;
    SendOffer offer;
    QString offeredName; // the name as it came, for the refusal's status line
};
ParsedSendOffer parseSendOffer(const QString& body);

// "DCC RESUME <name> <port> <position>" and "DCC ACCEPT <name> <port> <position>".
// The name may be quoted and hold blanks, so port and position are the last two words.
struct ResumeRequest
{
    QString name;
    QString port;
    qint64 position = 0;
};
std::optional<ResumeRequest> parseResumeRequest(const QString& body);

// A received file keeps only its last path component; "..", empty names and control
// characters are refused (empty result).
QString safeFileName(const QString& offered);
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

// Row texts of the transfer lists.
QString percentText(qint64 done, qint64 size);
QString rateText(qint64 bytes, qint64 milliseconds);

} // namespace DccWire
