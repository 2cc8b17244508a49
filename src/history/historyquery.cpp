#include "history/historyquery.h"

#include <QDate>
#include <QDateTime>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.category() == QChar::Other_PrivateUse;
}

// The words of text as the index cuts them: runs of letters and digits.
QList<std::pair<int, int>> wordsOf(const QString& text)
{
    QList<std::pair<int, int>> result;
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        const bool inWord = i < text.size() && isWordChar(text.at(i));
        if (inWord && start < 0)
            start = i;
        else if (!inWord && start >= 0) {
            result.append({start, i - start});
            start = -1;
        }
    }
    return result;
}

QString quoted(QString term)
{
    term.replace(u'"', QStringLiteral("\"\""));
    return u'"' + term + u'"';
}

// Midnight at the start of a day given as YYYY-MM-DD, local time; -1 when it is not one.
qint64 dayStart(const QString& text)
{
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return -1;
    return day.startOfDay().toMSecsSinceEpoch();
}

bool hasWordChar(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isWordChar);
}

} // namespace

HistoryQuery HistoryQuery::parse(const QString& text)
{
    HistoryQuery q;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        if (text.at(i) == u'"') {
            const int end = int(text.indexOf(u'"', i + 1));
            const QString phrase = text.mid(i + 1, (end < 0 ? n : end) - i - 1).simplified();
            if (hasWordChar(phrase))
                q.phrases.append(phrase);
            i = end < 0 ? n : end + 1;
            continue;
        }
        int end = i;
        while (end < n && !text.at(end).isSpace())
            ++end;
        const QString token = text.mid(i, end - i);
        i = end;
        const int colon = int(token.indexOf(u':'));
        const QString key = colon > 0 ? token.left(colon).toLower() : QString();
        const QString value = colon > 0 ? token.mid(colon + 1) : QString();
        if (!value.isEmpty() && key == QLatin1String("from")) {
            q.from = value;
        } else if (!value.isEmpty() && key == QLatin1String("in")) {
            q.in = value;
        } else if (!value.isEmpty() && key == QLatin1String("net")) {
            q.net = value;
        } else if (!value.isEmpty() &&
                   (key == QLatin1String("after") || key == QLatin1String("before"))) {
            const qint64 at = dayStart(value);
            if (at < 0)
                q.error = QStringLiteral("Not a date (YYYY-MM-DD): ") + value;
            (key == QLatin1String("after") ? q.afterMs : q.beforeMs) = at;
        } else {
            // Anything else is searched for as the words it holds.
            const bool prefix = token.endsWith(u'*');
            for (const auto& [start, length] : wordsOf(token))
                q.words.append(token.mid(start, length));
            if (prefix && !q.words.isEmpty() && hasWordChar(token))
                q.words.last().append(u'*');
        }
    }
    return q;
}

QString HistoryQuery::matchExpression() const
{
    QStringList terms;
    for (const QString& word : words) {
        if (word.endsWith(u'*'))
            terms.append(quoted(word.chopped(1)) + u'*');
        else
            terms.append(quoted(word));
    }
    for (const QString& phrase : phrases) {
        for (const auto& [start, length] : wordsOf(phrase))
            terms.append(quoted(phrase.mid(start, length)));
    }
    return terms.join(u' ');
}

bool HistoryQuery::phrasesIn(const QString& plainText) const
{
    if (phrases.isEmpty())
        return true;
    const QList<std::pair<int, int>> lineWords = wordsOf(plainText);
    const auto wordAt = [&](qsizetype i) {
        return QStringView(plainText).mid(lineWords.at(i).first, lineWords.at(i).second);
    };
    return std::all_of(phrases.begin(), phrases.end(), [&](const QString& phrase) {
        const QList<std::pair<int, int>> words = wordsOf(phrase);
        for (qsizetype at = 0; at + words.size() <= lineWords.size(); ++at) {
            qsizetype i = 0;
            while (i < words.size() &&
                   wordAt(at + i).compare(
                       QStringView(phrase).mid(words.at(i).first, words.at(i).second),
                       Qt::CaseInsensitive) == 0)
                ++i;
            if (i == words.size())
                return true;
        }
        return false;
    });
}

QList<std::pair<int, int>> HistoryQuery::marksIn(const QString& plainText) const
{
    QStringList whole;
    QStringList prefixes;
    for (const QString& word : words) {
        if (word.endsWith(u'*'))
            prefixes.append(word.chopped(1));
        else
            whole.append(word);
    }
    for (const QString& phrase : phrases) {
        for (const auto& [start, length] : wordsOf(phrase))
            whole.append(phrase.mid(start, length));
    }
    QList<std::pair<int, int>> marks;
    for (const auto& [start, length] : wordsOf(plainText)) {
        const QStringView word = QStringView(plainText).mid(start, length);
        const bool hit = std::any_of(whole.begin(), whole.end(),
                                     [&](const QString& w) {
                                         return word.compare(w, Qt::CaseInsensitive) == 0;
                                     }) ||
                         std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& p) {
                             return word.startsWith(p, Qt::CaseInsensitive);
                         });
        if (hit)
            marks.append({start, length});
    }
    return marks;
}
