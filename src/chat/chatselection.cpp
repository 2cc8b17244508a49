#include "chat/chatselection.h"

#include "chat/chatdocument.h"

#include <algorithm>

namespace ChatSelecting {

static bool endsWithSpace(const ChatDocument& doc, qsizetype word)
{
    const QStringView text = doc.wordText(word);
    return !text.isEmpty() && text.back() == u' ';
}

std::pair<qsizetype, qsizetype> delimitedWordRange(const ChatDocument& doc, qsizetype word)
{
    qsizetype first = word;
    while (first > 0 && !doc.isLineStart(first) && !endsWithSpace(doc, first - 1))
        --first;
    qsizetype last = word;
    while (!endsWithSpace(doc, last) && last + 1 < doc.wordCount() && !doc.isLineStart(last + 1))
        ++last;
    return {first, last};
}

static QString joinedText(const ChatDocument& doc, qsizetype first, qsizetype last)
{
    QString text;
    for (qsizetype i = first; i <= last; ++i)
        text += doc.wordText(i);
    return text;
}

ChatLink linkAt(const ChatDocument& doc, qsizetype word)
{
    if (word < 0 || word >= doc.wordCount())
        return {};
    const auto [first, last] = delimitedWordRange(doc, word);
    qsizetype lineStart = first;
    while (lineStart > 0 && !doc.isLineStart(lineStart))
        --lineStart;
    const auto [ownerFirst, ownerLast] = delimitedWordRange(doc, lineStart);
    ChatLink link = classifyLink(joinedText(doc, first, last).trimmed(),
                                 joinedText(doc, ownerFirst, ownerLast).trimmed());
    if (link.isLink()) {
        link.firstWord = first;
        link.lastWord = last;
    }
    return link;
}

int characterAt(const ChatDocument& doc, qsizetype word, int x)
{
    const QStringView text = doc.wordText(word);
    if (text.size() <= 1)
        return 0;
    const int offset = x - doc.wordX(word);
    const std::uint16_t font = doc.wordStyle(word).font;
    // The first prefix that reaches past the pointer ends with its character.
    qsizetype lo = 1;
    qsizetype hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (doc.measure(font, text.first(mid)) > offset)
            hi = mid;
        else
            lo = mid + 1;
    }
    return int(std::min(lo, text.size()) - 1);
}

int characterOffset(const ChatDocument& doc, qsizetype word, int characters)
{
    const QStringView text = doc.wordText(word);
    characters = std::clamp(characters, 0, int(text.size()));
    return doc.measure(doc.wordStyle(word).font, text.first(characters));
}

QString selectionText(const ChatDocument& doc, const ChatSelection& selection)
{
    if (!selection.isValid() || selection.endWord >= doc.wordCount())
        return {};
    const qsizetype start = selection.startWord;
    const qsizetype end = selection.endWord;
    if (start == end) {
        const QStringView text = doc.wordText(start);
        const int from = std::min(selection.startChar, selection.endChar);
        const int to = std::max(selection.startChar, selection.endChar);
        return text.mid(from, to - from + 1).toString();
    }
    QString result = doc.wordText(start).mid(selection.startChar).toString();
    for (qsizetype i = start + 1; i <= end; ++i) {
        if (doc.isLineStart(i))
            result += u"\r\n";
        result += i == end ? doc.wordText(i).first(std::clamp(qsizetype(selection.endChar) + 1,
                                                              qsizetype(0), doc.wordText(i).size()))
                           : doc.wordText(i);
    }
    return result;
}

} // namespace ChatSelecting
