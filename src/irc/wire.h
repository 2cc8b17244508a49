#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

// Bytes on the wire and text in the client.
namespace Wire {

// A server line, CR LF included, never exceeds this many bytes.
constexpr qsizetype MaxLineBytes = 255;
// The protocol's own limit, for the lines that need it (AUTHENTICATE carries 400-byte
// chunks of credentials).
constexpr qsizetype ProtocolLineBytes = 512;

// Inbound text is UTF-8 when it is valid UTF-8, otherwise in the fallback encoding (a
// stateless decoder), Latin-1 without one.
QString decode(QByteArrayView bytes, QStringDecoder* fallback = nullptr);

// Encodes one outbound line as UTF-8 followed by CR LF. The text stops at its first CR,
// LF or NUL, so text taken from a peer can never smuggle a second command, and it is cut
// so that the whole line with CR LF fits in maxBytes without splitting a character.
QByteArray encodeLine(const QString& line, qsizetype maxBytes = MaxLineBytes);

} // namespace Wire
