#pragma once

#include "chat/textsearch.h"

#include <QWidget>

class ChatView;
class QLabel;
class QLineEdit;
class QToolButton;

// The find bar over a chat view (Ctrl+F): searches the view's whole history as shown,
// marks the current match and steps to the next or previous one. Escape closes it.
class FindBar : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(ChatView* view, QWidget* parent = nullptr);

    // Shows the bar with the focus in its text, the text selected.
    void open();
    void close();
    void findNext();
    void findPrevious();

    QLineEdit* textBox() const { return text_; }
    const QList<TextMatch>& matches() const { return matches_; }
    int current() const { return current_; }

Q_SIGNALS:
    // Closed: the focus goes back where the user types.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void search();
    void step(int direction);
    void showCurrent();

    ChatView* view_;
    QLineEdit* text_;
    QToolButton* previous_;
    QToolButton* next_;
    QLabel* count_;
    QList<TextMatch> matches_;
    int current_ = -1;
};
