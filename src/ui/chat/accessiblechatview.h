#pragma once

#include <QAccessibleWidget>
#include <QMetaObject>

#include <vector>

class ChatView;

// What a screen reader reads of a chat view: its lines as one read-only multi-line text
// in the role of a terminal, formatting codes removed, a line break after each line. The text is
// copied from the document line by line as it grows; lines that arrive are announced as inserted
// text, lines that leave (the line limit, a clear) as removed text.
class AccessibleChatView : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit AccessibleChatView(ChatView* view);
    ~AccessibleChatView() override;

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    // QAccessibleTextInterface: the lines read only, no caret, no selection.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    ChatView* view() const;
    // Copies the lines the document gained since the last call.
    void sync() const;
    void reset() const;
    void onLinesAppended();
    void onLinesTrimmed(qsizetype lines);
    void onCleared();

    mutable QString text_;
    mutable std::vector<qsizetype> lineStarts_;
    mutable qsizetype syncedLines_ = 0;
    std::vector<QMetaObject::Connection> connections_;
};
