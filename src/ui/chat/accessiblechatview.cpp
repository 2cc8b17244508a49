#include "ui/chat/accessiblechatview.h"

#include "ui/chat/chatview.h"

// A terminal's role: screen readers speak what arrives in a terminal that has the
// keyboard, while text that changes in other read-only text is left unspoken (Orca).
AccessibleChatView::AccessibleChatView(ChatView* view)
    : QAccessibleWidget(view, QAccessible::Terminal)
{
    if (ChatDocument* document = view->document()) {
        connections_.push_back(QObject::connect(document, &ChatDocument::linesAppended, view,
                                                [this] { onLinesAppended(); }));
        connections_.push_back(
            QObject::connect(document, &ChatDocument::linesTrimmed, view,
                             [this](qsizetype lines) { onLinesTrimmed(lines); }));
        connections_.push_back(
            QObject::connect(document, &ChatDocument::cleared, view, [this] { onCleared(); }));
    }
}

AccessibleChatView::~AccessibleChatView()
{
    for (const QMetaObject::Connection& c : connections_)
        QObject::disconnect(c);
}

ChatView* AccessibleChatView::view() const
{
    return static_cast<ChatView*>(widget());
}

void* AccessibleChatView::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State AccessibleChatView::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    return s;
}

QString AccessibleChatView::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        sync();
        return text_;
    }
    QString s = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && s.isEmpty())
        s = QObject::tr("Chat text");
    return s;
}

void AccessibleChatView::reset() const
{
    text_.clear();
    lineStarts_.clear();
    syncedLines_ = 0;
}

void AccessibleChatView::sync() const
{
    const ChatDocument* document = view()->document();
    const qsizetype lines = document ? document->lineCount() : 0;
    if (lines < syncedLines_)
        reset();
    for (; syncedLines_ < lines; ++syncedLines_) {
        lineStarts_.push_back(text_.size());
        text_ += document->plainLine(syncedLines_);
        text_ += u'\n';
    }
}

void AccessibleChatView::onLinesAppended()
{
    // Without an assistive technology listening the copy waits until something reads it.
    if (!QAccessible::isActive())
        return;
    const qsizetype before = text_.size();
    sync();
    if (text_.size() == before)
        return;
    QAccessibleTextInsertEvent inserted(view(), int(before), text_.mid(before));
    QAccessible::updateAccessibility(&inserted);
}

void AccessibleChatView::onLinesTrimmed(qsizetype lines)
{
    if (lines <= 0 || syncedLines_ == 0)
        return;
    if (lines >= syncedLines_) {
        onCleared();
        return;
    }
    const qsizetype cut = lineStarts_[size_t(lines)];
    const QString removed = text_.left(cut);
    text_.remove(0, cut);
    lineStarts_.erase(lineStarts_.begin(), lineStarts_.begin() + lines);
    for (qsizetype& start : lineStarts_)
        start -= cut;
    syncedLines_ -= lines;
    QAccessibleTextRemoveEvent event(view(), 0, removed);
    QAccessible::updateAccessibility(&event);
}

void AccessibleChatView::onCleared()
{
    const QString removed = text_;
    reset();
    if (!removed.isEmpty()) {
        QAccessibleTextRemoveEvent event(view(), 0, removed);
        QAccessible::updateAccessibility(&event);
    }
}

void AccessibleChatView::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
}

QString AccessibleChatView::text(int startOffset, int endOffset) const
{
    sync();
    if (startOffset < 0 || endOffset < startOffset || startOffset > text_.size())
        return {};
    return text_.mid(startOffset, endOffset - startOffset);
}

int AccessibleChatView::characterCount() const
{
    sync();
    return int(text_.size());
}

QString AccessibleChatView::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = offset;
    return {};
}
