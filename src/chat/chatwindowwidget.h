#pragma once

#include <QFrame>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class Tnicklistbox;
class WindowRegistry;
struct Tpickeritem;

// The container of one chat window: for a channel the caption strip and the nick-list
// column beside the view; the view, the text entry and the "Control" button for all.
class ChatWindowWidget : public QFrame
{
    Q_OBJECT
public:
    static constexpr int NickColumnWidth = 80;

    ChatWindowWidget(Tpickeritem& window, std::function<QString()> ownNickname,
                     QWidget* parent = nullptr);

    Tpickeritem& window() { return window_; }
    QLineEdit* textEntry() const { return entry_; }
    Tnicklistbox* nickList() const { return nickList_; }
    QLabel* caption() const { return caption_; }
    QPushButton* controlButton() const { return control_; }
    QPlainTextEdit* view() const { return view_; }

    void updateCaption();
    // The nick-list column takes the width its entries need; the button follows it.
    void fitNickColumn();

private:
    void reloadView();
    QWidget* buildBottomStrip(bool channel);

    Tpickeritem& window_;
    QLabel* caption_ = nullptr;
    QPlainTextEdit* view_ = nullptr;
    Tnicklistbox* nickList_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QPushButton* control_ = nullptr;
    QLineEdit* entry_ = nullptr;
    qsizetype shownLines_ = 0;
};
