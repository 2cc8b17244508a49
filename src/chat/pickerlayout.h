#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QSize>

class WindowRegistry;
struct ChatWindow;

// What the picker does with the window list: rows, hit testing, hover, selection, the
// tiled arrangement and scrolling. The widget only paints what this decides and places
// the containers where it says.
class PickerLayout : public QObject
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 22;
    static constexpr int NoRow = -1;

    enum class Button { Left, Right };

    explicit PickerLayout(WindowRegistry& registry, QObject* parent = nullptr);

    void setHeight(int height) { height_ = height; }
    int height() const { return height_; }
    int scrollOffset() const { return scrollOffset_; }
    int visibleRowCount() const { return height_ / RowHeight; }

    // The list row under y, or NoRow.
    int rowAt(int y) const;
    // The top of a list row on the picker.
    int rowTop(int row) const { return (row - scrollOffset_) * RowHeight; }

    void mouseMove(int x, int y, int width);
    void mouseLeave();
    void mouseDown(Button button, int y, bool ctrl);
    // A plain left click on a row. A row out of view (chosen by the keyboard) is
    // scrolled into view.
    void selectRow(int row);
    // The keyboard's way through the chat windows, in the picker's order: the n-th
    // chat window (from 1; false when there are fewer), or the one after (direction 1)
    // or before (-1) the selected row, wrapping round. Each selects as a click does.
    bool selectChatWindow(int n);
    bool stepChatWindow(int direction);
    // The chat window selected alone, or none.
    ChatWindow* selectedChatWindow() const;
    // The chat menu's "Tile" and "Untile": a right click on the window's own row.
    void addTile(int row);
    void removeTile(int row);

    // True while the tiled arrangement fills the work area rather than one panel.
    bool tilesShown() const { return tilesShown_; }
    // The tiled windows in tile order.
    QList<ChatWindow*> tiles() const;
    // Where n tiles go in an area; empty when n cannot be tiled.
    static QList<QRect> tileRects(int n, const QSize& area);
    // The entry shown alone, or none while the tiles are shown.
    ChatWindow* shownAlone() const;
    // The row the tile frame marks, or NoRow.
    int tileFrameRow() const { return tileFrameRow_; }

    void scrollUp();
    void scrollDown();
    bool scrollersVisible() const;

    // The registry's hooks: a window must stop being displayed before it goes; after
    // any removal the rows start from the top again.
    void moveAwayFrom(ChatWindow* window);
    void windowRemoved();
    // Disconnect: no tiles remain and "Settings" is shown.
    void resetToFirstSection();

Q_SIGNALS:
    void repaintNeeded();
    // The set of visible containers or their places changed: the front end re-lays out.
    void displayChanged();
    void tileFrameChanged(int row);
    // A chat window was selected: its text entry takes the keyboard focus.
    void entryFocusWanted(ChatWindow* window);

private:
    ChatWindow* item(int row) const;
    int highestTileState() const;
    void setHot(int row);
    void setTileFrame(int row);
    void retile();
    void applyDisplay();
    // The fewest rows of scrolling that show the whole row.
    void scrollTo(int row);

    WindowRegistry& registry_;
    int height_ = 0;
    int scrollOffset_ = 0;
    int tileFrameRow_ = NoRow;
    bool tilesShown_ = false;
};
