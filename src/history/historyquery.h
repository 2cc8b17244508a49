#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// What a search asks for, read from what the user typed: words (a trailing "*" matches
// any word that starts so), "phrases in quotes", and the filters from:nick, in:#window,
// net:network, after:YYYY-MM-DD (from that day on) and before:YYYY-MM-DD (up to that
// day), each day in local time. Every term must match.
struct HistoryQuery
{
    QStringList words;
    QStringList phrases;
    QString from;
    QString in;
    QString net;
    qint64 afterMs = -1; // -1: no bound
    qint64 beforeMs = -1;
    int limit = 100;
    // Why the text is not a query (a date that is not one); empty when it is.
    QString error;

    static HistoryQuery parse(const QString& text);
    // Words or phrases to look up in the full-text index.
    bool hasTerms() const { return !words.isEmpty() || !phrases.isEmpty(); }
    // The full-text match expression: every word, and every word of the phrases, quoted,
    // so nothing the user types is read as the index's own syntax. The index keeps no word
    // positions: phrasesIn checks the phrases in a line it found.
    QString matchExpression() const;
    // Whether each phrase stands in plain text as its words one after another.
    bool phrasesIn(const QString& plainText) const;
    // Where the words and phrases' words stand in plain text, as (start, length) pairs in
    // order: a word is marked where the index would match it.
    QList<std::pair<int, int>> marksIn(const QString& plainText) const;
};
