#include "ui/chat/textentry.h"

#include "core/fontrecord.h"
#include "core/formatting.h"
#include "core/wincolor.h"
#include "theme/themerecord.h"

#include <QKeyEvent>
#include <QPainter>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextLayout>

namespace {
bool isControl(QChar c)
{
    return Formatting::isCode(c) || Formatting::isHiddenControl(c);
}

// The letter a control character is shown by: the key that types a formatting code, the
// caret letter of any other C0 control, "?" for DEL and the C1 controls.
QChar markLetter(QChar c)
{
    struct Mark
    {
        QChar code;
        char16_t letter;
    };
    static constexpr Mark marks[] = {
        {Formatting::Bold, u'B'},          {Formatting::Colour, u'K'},
        {Formatting::Underline, u'U'},     {Formatting::Italic, u'I'},
        {Formatting::Reverse, u'R'},       {Formatting::Plain, u'O'},
        {Formatting::Strikethrough, u'S'}, {Formatting::Monospace, u'M'},
        {Formatting::HexColour, u'H'},
    };
    for (const Mark& m : marks) {
        if (m.code == c)
            return QChar(m.letter);
    }
    return c.unicode() < 0x20 ? QChar(c.unicode() + 0x40) : QChar(u'?');
}

// Hides the font's glyph of every control character (its empty box) behind a block in
// the text colour, on which the entry draws the character's letter.
class ControlMarks : public QSyntaxHighlighter
{
public:
    ControlMarks(QTextDocument* document, const QWidget* entry)
        : QSyntaxHighlighter(document), entry_(entry)
    {
    }

protected:
    void highlightBlock(const QString& text) override
    {
        QTextCharFormat mark;
        mark.setForeground(Qt::transparent);
        mark.setBackground(entry_->palette().color(QPalette::Text));
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (isControl(text.at(i)))
                setFormat(int(i), 1, mark);
        }
    }

private:
    const QWidget* entry_;
};

// The keys that type formatting codes, with Ctrl alone.
QChar codeForKey(int key)
{
    switch (key) {
    case Qt::Key_B:
        return Formatting::Bold;
    case Qt::Key_K:
        return Formatting::Colour;
    case Qt::Key_U:
        return Formatting::Underline;
    case Qt::Key_I:
        return Formatting::Italic;
    case Qt::Key_R:
        return Formatting::Reverse;
    case Qt::Key_O:
        return Formatting::Plain;
    default:
        return QChar();
    }
}

bool isFormattingKey(const QKeyEvent* event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
           !codeForKey(event->key()).isNull();
}
} // namespace

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
    new ControlMarks(document(), this);
}

void TextEntry::applyTheme(const ThemeRecord& theme)
{
    setFont(FontRecord(theme.textentryfont, theme.textentryfontsize).toFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Text, colorFromWin(theme.textentrytextcolor));
    colours.setColor(QPalette::Base, colorFromWin(theme.textentrybackcolor));
    setPalette(colours);
    // The marks take the new text colour.
    if (auto* marks = document()->findChild<QSyntaxHighlighter*>())
        marks->rehighlight();
}

bool TextEntry::event(QEvent* event)
{
    // The formatting keys are the entry's own, whatever shortcut a window may hold.
    if (event->type() == QEvent::ShortcutOverride &&
        isFormattingKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
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

bool TextEntry::typeFormattingCode(const QKeyEvent* event)
{
    if (!isFormattingKey(event))
        return false;
    insertPlainText(QString(codeForKey(event->key())));
    return true;
}

void TextEntry::keyPressEvent(QKeyEvent* event)
{
    if (typeFormattingCode(event)) {
        event->accept();
        return;
    }
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

void TextEntry::paintEvent(QPaintEvent* event)
{
    QPlainTextEdit::paintEvent(event);
    paintControlMarks();
}

void TextEntry::paintControlMarks()
{
    QPainter painter(viewport());
    QFont small = font();
    small.setBold(true);
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * 0.75);
    painter.setFont(small);
    painter.setPen(palette().color(QPalette::Base));
    const QPointF offset = contentOffset();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(offset);
        if (box.top() > viewport()->height())
            break;
        const QString text = block.text();
        const QTextLayout* layout = block.layout();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!isControl(text.at(i)))
                continue;
            const QTextLine line = layout->lineForTextPosition(int(i));
            if (!line.isValid())
                continue;
            const qreal left = line.cursorToX(int(i));
            const qreal right = line.cursorToX(int(i) + 1);
            const QRectF cell(box.left() + left, box.top() + line.y(), right - left, line.height());
            painter.drawText(cell, Qt::AlignCenter, QString(markLetter(text.at(i))));
        }
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
