#include "ui/chat/textentry.h"

#include "core/fontrecord.h"
#include "core/wincolor.h"
#include "theme/themerecord.h"

#include <QKeyEvent>

TextEntry::TextEntry(QWidget* parent, QStringList* history)
    : QPlainTextEdit(parent), history_(history ? history : &ownHistory_)
{
    setObjectName(QStringLiteral("textentry"));
    setAccessibleName(QStringLiteral("Message"));
    setTabChangesFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window's history outlives this widget when the front end rebuilds it.
    historyIndex_ = history_->isEmpty() ? -1 : int(history_->size()) - 1;
}

void TextEntry::applyTheme(const ThemeRecord& theme)
{
    setFont(FontRecord(theme.textentryfont, theme.textentryfontsize).toFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Text, colorFromWin(theme.textentrytextcolor));
    colours.setColor(QPalette::Base, colorFromWin(theme.textentrybackcolor));
    setPalette(colours);
}

bool TextEntry::event(QEvent* event)
{
    // Tab would move the focus before keyPressEvent sees it.
    if (event->type() == QEvent::KeyPress && completionSources_ && !previewOnly_) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier)) {
            complete();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void TextEntry::complete()
{
    QTextCursor cursor = textCursor();
    const auto result =
        completion_.complete(toPlainText(), cursor.position(), completionSources_());
    if (!result)
        return;
    cursor.select(QTextCursor::Document);
    cursor.insertText(result->text);
    cursor.setPosition(result->cursor);
    setTextCursor(cursor);
}

void TextEntry::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) &&
        (event->modifiers() & Qt::ShiftModifier) && pageScroller_) {
        pageScroller_(event->key() == Qt::Key_PageUp ? -1 : 1);
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!previewOnly_)
            enter();
        event->accept();
        return;
    case Qt::Key_Up:
        if (!previewOnly_ && historyIndex_ >= 0) {
            showHistory(historyIndex_);
            --historyIndex_;
        }
        event->accept();
        return;
    case Qt::Key_Down:
        if (!previewOnly_) {
            if (historyIndex_ < int(history_->size()) - 1) {
                ++historyIndex_;
                showHistory(historyIndex_);
            } else {
                clear();
            }
        }
        event->accept();
        return;
    default:
        QPlainTextEdit::keyPressEvent(event);
    }
}

void TextEntry::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    Q_EMIT becameCurrent();
}

void TextEntry::enter()
{
    const QString text = toPlainText();
    if (text.trimmed().isEmpty())
        return;
    clear();
    if (history_->size() >= MaxHistory)
        history_->removeFirst();
    history_->append(text);
    historyIndex_ = int(history_->size()) - 1;
    if (lineEntered_)
        lineEntered_(text);
}

void TextEntry::showHistory(int index)
{
    setPlainText(history_->at(index));
    moveCursor(QTextCursor::End);
}
