#include "chat/textsearch.h"

#include "core/formatting.h"

QList<TextMatch> findText(const QStringList& lines, const QString& needle)
{
    QList<TextMatch> matches;
    if (needle.trimmed().isEmpty())
        return matches;
    for (qsizetype line = 0; line < lines.size(); ++line) {
        const QString text = stripFormatting(lines.at(line));
        qsizetype at = 0;
        while ((at = text.indexOf(needle, at, Qt::CaseInsensitive)) >= 0) {
            matches.append({line, int(at), int(needle.size())});
            at += needle.size();
        }
    }
    return matches;
}
