// PLACEHOLDER - to be replaced by the real chat text model.
#include "chat/chatdocument.h"

ChatDocument::ChatDocument(QObject* parent) : QObject(parent) {}

void ChatDocument::applyTheme(const ThemeRecord& theme)
{
    theme_ = theme;
}

void ChatDocument::appendLine(int, const QString& text)
{
    lines_ << text;
    Q_EMIT linesAppended();
}

void ChatDocument::clear()
{
    lines_.clear();
    Q_EMIT cleared();
}

QStringList ChatDocument::plainLines() const
{
    return lines_;
}

qsizetype ChatDocument::lineCount() const
{
    return lines_.size();
}
