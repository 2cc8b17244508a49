#include "core/linelog.h"

void LineLog::add(const QString& line)
{
    lines_.append(line);
    Q_EMIT lineAdded(line);
}

void LineLog::clear()
{
    lines_.clear();
    Q_EMIT cleared();
}
