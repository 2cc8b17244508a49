#include "history/historysearch.h"

#include "history/historydatabase.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

HistorySearch::Status HistorySearch::print(const QString& path, const HistoryQuery& query,
                                           QTextStream& out, QTextStream& err)
{
    if (!query.error.isEmpty()) {
        err << query.error << '\n';
        return Failed;
    }
    if (!QFileInfo::exists(path)) {
        err << "No history store at " << path << '\n';
        return Failed;
    }
    HistoryDatabase db;
    if (!db.open(path, HistoryDatabase::Access::ReadOnly)) {
        err << "Cannot read " << path << ": " << db.error() << '\n';
        return Failed;
    }
    const std::vector<HistoryMatch> matches = db.search(query);
    if (matches.empty() && db.errorCode() != 0) {
        err << "Cannot search " << path << ": " << db.error() << '\n';
        return Failed;
    }
    for (const HistoryMatch& m : matches) {
        const HistoryLine& line = m.row.line;
        out << QDateTime::fromMSecsSinceEpoch(line.timeMs)
                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
            << '\t' << line.network << '\t' << line.window << '\t' << line.sender << '\t'
            << m.plainText << '\n';
    }
    out.flush();
    return matches.empty() ? NothingFound : Found;
}
