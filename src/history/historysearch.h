#pragma once

#include "history/historyquery.h"

class QTextStream;

// Searching the store from a terminal: the matches, newest first, one a line as
// "time<TAB>network<TAB>window<TAB>sender<TAB>text" with the text's formatting codes
// left out.
namespace HistorySearch {

enum Status { Found = 0, NothingFound = 1, Failed = 2 };

// Opens the file read-only: a running client may keep writing it meanwhile.
Status print(const QString& path, const HistoryQuery& query, QTextStream& out, QTextStream& err);

} // namespace HistorySearch
