#include "irc/wire.h"

namespace Wire {

QString decode(QByteArrayView bytes, QStringDecoder* fallback)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fallback ? fallback->decode(bytes) : QString::fromLatin1(bytes);
}

QByteArray encodeLine(const QString& line, qsizetype maxBytes)
{
    QByteArray bytes = line.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\r' || c == '\n' || c == '\0') {
            bytes.truncate(i);
            break;
        }
    }
    const qsizetype room = maxBytes - 2;
    if (bytes.size() > room) {
        qsizetype cut = room;
        // Step back over continuation bytes so the cut lands on a character's start.
        while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    bytes.append("\r\n", 2);
    return bytes;
}

} // namespace Wire
