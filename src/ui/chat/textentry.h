#pragma once

#include "chat/completion.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <functional>

struct ThemeRecord;

// The text entry at the foot of a chat window: what the user types, with the lines they
// entered before under the Up and Down keys. What a line means is for its receiver.
// Ctrl+B, Ctrl+K, Ctrl+U, Ctrl+I, Ctrl+R and Ctrl+O type the formatting codes bold,
// colour, underline, italic, reverse and plain; a code or other control character in the
// entry is shown as a small inverted letter (B, K, U, I, ... or the caret letter), never
// as a font's empty box.
class TextEntry : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxHistory = 99;

    using LineEntered = std::function<void(const QString& text)>;

    // history may belong to the window record, so the lines end with the window; without
    // one the entry keeps its own.
    explicit TextEntry(QWidget* parent = nullptr, QStringList* history = nullptr);

    // Receives the raw text of every entered line; a paste may hold several lines.
    void setLineEntered(LineEntered receiver) { lineEntered_ = std::move(receiver); }
    // The theme editor's preview shows the style only: Enter and the history keys do nothing.
    void setPreviewOnly(bool previewOnly) { previewOnly_ = previewOnly; }
    void applyTheme(const ThemeRecord& theme);
    // Tab completes the word before the cursor from these; unset, Tab moves the focus.
    void setCompletionSources(std::function<Completion::Sources()> sources)
    {
        completionSources_ = std::move(sources);
    }
    // Shift+PgUp and Shift+PgDn scroll the window's view: -1 up, 1 down.
    void setPageScroller(std::function<void(int direction)> scroll)
    {
        pageScroller_ = std::move(scroll);
    }

    const QStringList& history() const { return *history_; }
    int historyIndex() const { return historyIndex_; }

Q_SIGNALS:
    // The entry took the focus and is now the one the context menus act on.
    void becameCurrent();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void enter();
    void showHistory(int index);
    void complete();
    bool typeFormattingCode(const QKeyEvent* event);
    void paintControlMarks();

    QStringList ownHistory_;
    QStringList* history_;
    int historyIndex_ = -1;
    bool previewOnly_ = false;
    LineEntered lineEntered_;
    std::function<Completion::Sources()> completionSources_;
    std::function<void(int)> pageScroller_;
    Completion completion_;
};
