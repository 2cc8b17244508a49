#include "chat/highlight.h"

#include "core/formatting.h"

namespace {

// IRC folds case with the brackets: {}|^ are the lower case of []\~.
QChar foldCase(QChar c)
{
    switch (c.unicode()) {
    case '[':
        return u'{';
    case ']':
        return u'}';
    case '\\':
        return u'|';
    case '~':
        return u'^';
    default:
        return c.toCaseFolded();
    }
}

bool sameAt(QStringView text, qsizetype at, QStringView word)
{
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (foldCase(text[at + i]) != foldCase(word[i]))
            return false;
    }
    return true;
}

} // namespace

namespace Highlight {

bool isWordCharacter(QChar c)
{
    if (c.isLetterOrNumber())
        return true;
    switch (c.unicode()) {
    case '[':
    case ']':
    case '\\':
    case '`':
    case '_':
    case '^':
    case '{':
    case '|':
    case '}':
    case '-':
        return true;
    default:
        return false;
    }
}

bool containsWord(QStringView text, QStringView word)
{
    if (word.isEmpty() || word.size() > text.size())
        return false;
    for (qsizetype at = 0; at + word.size() <= text.size(); ++at) {
        if (!sameAt(text, at, word))
            continue;
        const qsizetype end = at + word.size();
        // A word that itself begins or ends with punctuation ("c++") still needs the
        // neighbour on that side to end a word.
        const bool startsWord =
            at == 0 || !isWordCharacter(text[at - 1]) || !isWordCharacter(word.front());
        const bool endsWord =
            end == text.size() || !isWordCharacter(text[end]) || !isWordCharacter(word.back());
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

bool mentions(const QString& message, const QString& nickname, const QStringList& words)
{
    const QString shown = stripFormatting(message);
    if (containsWord(shown, QStringView(nickname).trimmed()))
        return true;
    for (const QString& word : words) {
        if (containsWord(shown, QStringView(word).trimmed()))
            return true;
    }
    return false;
}

QStringList parseWords(const QString& text)
{
    QStringList words;
    for (const QString& piece : QString(text).replace(u',', u' ').split(u' ', Qt::SkipEmptyParts))
        words.append(piece);
    return words;
}

} // namespace Highlight
