#pragma once

#include "chat/chatdocument.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QScrollBar;

// The chat text view: paints a ChatDocument (background colour or picture, the words of
// the rows on screen), scrolls it with its own scroll bar, highlights the link under the
// pointer, reports link clicks, and copies a mouse selection to the clipboard.
//
// The view's first painted row is its "first painted word": painting always starts at
// the first word of a row.
class ChatView : public QWidget
{
    Q_OBJECT
public:
    // Lines appended while the view is busy catching up are shown at most this often.
    static constexpr int RepaintIntervalMs = 30;
    static constexpr int ScrollBarWidth = 16;
    // The text area is this much narrower while the scroll bar shows.
    static constexpr int ScrollBarAllowance = 12;
    // A right click this close to the bottom-right corner clears the view.
    static constexpr int ClearCornerWidth = 28;
    static constexpr int ClearCornerHeight = 16;

    // The document is not owned (the window record holds it). Should it go first, the
    // view shows nothing and ignores input.
    explicit ChatView(ChatDocument* document, QWidget* parent = nullptr);
    ~ChatView() override;

    ChatDocument* document() const { return document_; }
    QScrollBar* scrollBar() const { return scrollBar_; }

    // Links act on clicks in chat windows, not in the theme editor's preview.
    void setLinksEnabled(bool enabled) { linksEnabled_ = enabled; }
    bool linksEnabled() const { return linksEnabled_; }
    // The user's own nickname, asked for at the click: it is plain text, not a link.
    void setOwnNickname(std::function<QString()> ownNickname);
    // The "themes" folder: the theme's background picture (tilename) is read from it.
    void setThemesFolder(const QString& folder);
    // The theme editor's preview: a right button press or drag reports the colour of
    // the pixel under the pointer instead of acting on links.
    void setColourPicking(bool enabled) { colourPicking_ = enabled; }
    // Switched off while the application shuts down: nothing is laid out or painted.
    void setLayoutEnabled(bool enabled);

    bool isAutoScroll() const { return autoScroll_; }
    int firstVisibleRow() const { return firstRow_; }
    int lastVisibleRow() const { return lastRow_; }
    int rowsOnScreen() const { return lastRow_ > firstRow_ ? lastRow_ - firstRow_ : 0; }
    bool isScrollBarShown() const { return barShown_; }
    const ChatLink& hoveredLink() const { return hover_; }
    bool isSelecting() const { return selecting_; }
    const ChatSelection& selection() const { return selection_; }
    // The control rectangle of a painted word; empty when it is not on screen.
    QRect wordRect(qsizetype word) const;

    // Find: marks length characters from character from of a line (counted as in the
    // document's plainLines()) in the selection colours and scrolls it into view. A
    // length of 0 removes the mark.
    void markText(qsizetype line, int from, int length);
    const ChatSelection& mark() const { return mark_; }
    // Scrolls by a page, as the scroll bar's page area does (Shift+PgUp/PgDn).
    void scrollPage(int direction);

Q_SIGNALS:
    void channelLinkClicked(const QString& channel);
    // The link text lower-cased, as the browser is to be given it.
    void webLinkClicked(const QString& url);
    // Left: open a private chat; right: offer a DCC chat. Never the user's own nick.
    void nicknameLinkClicked(const QString& nickname, Qt::MouseButton button);
    void soundLinkClicked(const QString& owner, const QString& file);
    void colourPicked(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Page Up and Page Down scroll by a page while the text has the keyboard.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onLinesAppended();
    void showAppended();
    void onRepaintTick();

public:
    // Shows at once whatever was appended since the view last caught up.
    void catchUp();

private:
    void onCleared();
    void onLinesTrimmed(qsizetype lines, qsizetype words, int rows);
    void onLinesPrepended(qsizetype lines, qsizetype words, int rows);
    void onLinesDroppedBack();
    // Near the first (last) line in memory, the document is asked for what lies beyond;
    // direction is where the user is going (-1 up, 1 down, 0 either).
    void askBeyondEdges(int direction);
    void onThemeApplied();
    void onLayoutChanged();
    void onScrollBarMoved(int value);

    void syncGeometry();
    void showEnd();
    void placeLastPaintedAtBottom();
    void settle(qsizetype anchorWord);
    void setVisibleFrom(int firstRow);
    void updateScrollBar();
    QRect rowsRect(int firstRow, int lastRow) const;
    QRect linkRect(const ChatLink& link) const;
    void setHover(const ChatLink& link);
    void loadPicture();
    void paintBackground(QPainter& painter);
    void paintWords(QPainter& painter);
    const QFont& drawingFont(std::uint16_t font, bool underline, bool strikethrough);
    int ascent(std::uint16_t font);

    QPointer<ChatDocument> document_;
    QScrollBar* scrollBar_ = nullptr;
    bool barShown_ = false;
    bool adjusting_ = false;
    bool autoScroll_ = true;
    bool linksEnabled_ = true;
    bool colourPicking_ = false;
    std::function<QString()> ownNickname_;

    int firstRow_ = 0;
    int lastRow_ = -1;
    qsizetype lastPaintedWord_ = -1;
    qsizetype knownWords_ = 0;

    ChatLink hover_;
    bool selecting_ = false;
    bool selectionMoved_ = false;
    ChatSelection selection_;
    ChatSelection mark_; // a found text, shown while no selection is being made

    QString themesFolder_;
    QPixmap picture_;
    QPixmap stretched_;

    // Per document font index: the font plain and underlined, and its ascent.
    std::vector<std::optional<QFont>> fonts_;
    std::vector<int> ascents_;
    QTimer repaintTimer_;
    bool appendPending_ = false;
};
