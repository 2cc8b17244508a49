#pragma once

#include <QList>
#include <QString>

#include <utility>

// One line a window showed: where, when (milliseconds since the epoch, the server's time
// when it gave one), its kind (the line's class as the window draws it), who said it
// (empty for the client's and the server's own lines), its text with its formatting
// codes, the server's message id when there is one, and whether it was played back (a
// server's or bouncer's history, or an older log): only such a line can be one the store
// holds already.
struct HistoryLine
{
    QString network;
    QString window;
    qint64 timeMs = 0;
    int kind = 0;
    QString sender;
    QString text;
    QString msgid;
    bool replayed = false;
};

// Where a line stands in its window's order: by time, then by row. Reading before or
// after a position needs no stored line there.
struct HistoryPosition
{
    qint64 timeMs = 0;
    qint64 id = 0;
};

// A stored line and its row in the store: the row orders a window's lines and is where
// reading further back starts.
struct HistoryRow
{
    qint64 id = 0;
    HistoryLine line;
};

// A search result: the line, its text without formatting codes, and where the searched
// words stand in that text as (start, length) pairs.
struct HistoryMatch
{
    HistoryRow row;
    QString plainText;
    QList<std::pair<int, int>> marks;
};
