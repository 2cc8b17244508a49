#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A place where a searched text occurs: a line and a range of its characters.
struct TextMatch
{
    qsizetype line = 0;
    int from = 0;
    int length = 0;
    bool operator==(const TextMatch&) const = default;
};

// Every occurrence of needle in lines, in reading order, ignoring case; occurrences do
// not overlap. The lines are searched as shown, so formatting codes never stand between
// the letters of a word. An empty or blank needle finds nothing.
QList<TextMatch> findText(const QStringList& lines, const QString& needle);
