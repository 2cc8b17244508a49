#include "irc/serverfeatures.h"

#include "irc/serverline.h"

void ServerFeatures::take(const ServerLine& line)
{
    if (line.numeric() != 5)
        return;
    // The trailing parameter is the "are supported by this server" text.
    const QString tokens =
        line.trailingAt < 0 ? line.parameters : line.parameters.left(line.trailingAt);
    for (QStringView token : QStringView(tokens).split(u' ', Qt::SkipEmptyParts)) {
        const bool negated = token.startsWith(u'-');
        if (negated)
            token = token.mid(1);
        const qsizetype equals = token.indexOf(u'=');
        const QStringView name = equals < 0 ? token : token.left(equals);
        if (name.isEmpty() || name.size() > MaxNameLength)
            continue;
        const QString key = name.toString().toUpper();
        if (negated) {
            tokens_.remove(key);
            continue;
        }
        if (!tokens_.contains(key) && tokens_.size() >= MaxTokens)
            continue;
        tokens_.insert(key,
                       equals < 0 ? QString() : token.mid(equals + 1, MaxValueLength).toString());
    }
}
