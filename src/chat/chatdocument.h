#pragma once

#include "chat/chatformatter.h"
#include "chat/chatlinestore.h"
#include "chat/chatlink.h"
#include "chat/chatselection.h"
#include "chat/textmeasurer.h"
#include "theme/themerecord.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

// Where a chat line is in the history store: its time and its row there. Row 0: not
// stored, the line stays while the window lives; ShownOnly: a line only drawn (a divider),
// which may go without being read back.
struct ChatStorePlace
{
    static constexpr qint64 ShownOnly = -1;
    qint64 timeMs = 0;
    qint64 row = 0;
    bool isStored() const { return row > 0; }
    bool canLeave() const { return row != 0; }
};

// The model behind one chat view (ChatView): every line it was given, laid out with word
// wrap. The lines are kept in a ChatLineStore (a line costs its text and a small record of
// where it lies); a ChatFormatter makes a line into words when something reads them, for
// the few lines on screen or near it, measuring each piece once, so a resize re-adds
// widths. The document lays the words out (margins, wrap, rows, hit testing) and is the
// one door widgets use; ChatSelecting answers what the mouse reaches. Widgets paint it;
// everything that decides what is shown is here.
class ChatDocument : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxPieceWidth = ChatFormatter::MaxPieceWidth;
    static constexpr int ContinuationIndent = 10; // of the rows a line wraps onto
    static constexpr int MaxViewExtent = 30000;   // keeps x within a word record's 16 bits
    // Lines are stored, and leave past the line limit, in blocks of this many.
    static constexpr qsizetype BlockLines = ChatLineStore::BlockLines;
    // Lines whose words are kept made for reading (the screen and around it).
    static constexpr std::size_t CachedLines = 512;

    enum LineClass { Server = 0, Other = 1, You = 2 };
    using StorePlace = ChatStorePlace;
    struct PlacedLine
    {
        int lineClass = 0;
        QString text;
        StorePlace place;
    };

    explicit ChatDocument(QObject* parent = nullptr); // measures with QFontMetrics
    explicit ChatDocument(std::unique_ptr<TextMeasurer> measurer, QObject* parent = nullptr);
    ~ChatDocument() override;

    // Sets the style fields, measures the three line heights and re-lays out. Lines
    // already added keep the look they were made with.
    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }
    int lineHeight(int lineClass)
    {
        return formatter_.lineHeight(formatter_.currentLook(), lineClass);
    }

    // Line classes: 0 "Server", 1 "Other", 2 "You". Tokenises, measures and lays out.
    // A highlighted line takes the theme's highlight colour where the class colour
    // would be.
    void appendLine(int lineClass, const QString& text, bool highlight = false,
                    StorePlace place = {});
    void clear();

    // Scrollback beyond memory. Lines read back from the history store go before the
    // first line (oldest first; the layout of the lines here stays, moved down, and
    // linesPrepended tells by how much), and the newest lines can leave again (back to
    // the store, read again when wanted: linesDroppedBack). Older or newer lines are
    // asked for (olderLinesWanted, newerLinesWanted) only while the store has some.
    void prependLines(const std::vector<PlacedLine>& lines);
    void dropBack(qsizetype lines);
    StorePlace place(qsizetype line) const { return places_.at(std::size_t(line)); }
    void setMoreBefore(bool more) { moreBefore_ = more; }
    bool hasMoreBefore() const { return moreBefore_; }
    void setMoreAfter(bool more) { moreAfter_ = more; }
    bool hasMoreAfter() const { return moreAfter_; }
    void askForOlder();
    void askForNewer();

    // At most this many lines are kept; 0 keeps every line. Past it the oldest lines
    // leave, a block at a time (an eighth of the limit, at most BlockLines), so the cost
    // per line stays constant; linesTrimmed tells by how much every index went down.
    // When a stored line leaves, the lines before the first are in the store.
    void setLineLimit(qsizetype lines);
    qsizetype lineLimit() const { return lineLimit_; }

    // The text of every line, formatting codes removed, oldest first. A line that
    // yields no words (empty text) is not kept.
    QStringList plainLines() const;
    QString plainLine(qsizetype line) const;
    qsizetype lineCount() const { return lines_.count(); }
    // The first word and (once laid out) the first row of a line, and the line of a word.
    qsizetype lineFirstWord(qsizetype line) const;
    int lineFirstRow(qsizetype line) const;
    qsizetype wordLine(qsizetype word) const;

    // Words, oldest first. A word's text is a view into the document's copy of its line:
    // valid until the next appendLine or clear, or until CachedLines other lines were read.
    qsizetype wordCount() const { return lines_.wordCount(); }
    QStringView wordText(qsizetype i) const;
    int wordWidth(qsizetype i) const { return wordRecord(i).width; }
    int wordX(qsizetype i) const { return wordRecord(i).x; }
    bool isLineStart(qsizetype i) const { return lineFirstWord(wordLine(i)) == i; }
    std::uint16_t wordStyleIndex(qsizetype i) const { return wordRecord(i).style; }
    const ChatStyle& wordStyle(qsizetype i) const { return formatter_.style(wordRecord(i).style); }
    int wordHeight(qsizetype i) const { return wordStyle(i).height; }
    const ChatStyle& style(std::uint16_t index) const { return formatter_.style(index); }
    const ChatFont& font(std::uint16_t index) const { return formatter_.font(index); }
    qsizetype fontCount() const { return formatter_.fontCount(); }
    qsizetype styleCount() const { return formatter_.styleCount(); }
    // Distinct (font, text) pieces whose widths are cached.
    qsizetype distinctPieceCount() const { return formatter_.distinctPieceCount(); }
    // The pixel width of text in one of the document's fonts.
    int measure(std::uint16_t font, QStringView text) const
    {
        return formatter_.measure(font, text);
    }

    // Geometry. The width is the control's width less the scroll bar's allowance; the
    // margins follow from it and the theme's text scales. Changing it re-lays out.
    void setViewSize(QSize size);
    QSize viewSize() const { return viewSize_; }
    // Left margin, top, right edge and bottom edge (QRect's right/bottom are one less).
    int leftMargin() const { return left_; }
    int topMargin() const { return top_; }
    int rightEdge() const { return right_; }
    int bottomEdge() const { return bottom_; }
    QRect textArea() const { return QRect(QPoint(left_, top_), QPoint(right_ - 1, bottom_ - 1)); }

    // While switched off (at shutdown) lines are still kept but not laid out; switching
    // it on lays out what is missing.
    void setLayoutEnabled(bool enabled);
    bool isLayoutEnabled() const { return layoutEnabled_; }
    void relayout();
    qsizetype laidOutWordCount() const;

    // Rows of the laid-out words. Row r holds words rowFirstWord(r) .. rowEndWord(r)-1.
    int rowCount() const { return rowTotal_; }
    qsizetype rowFirstWord(int row) const;
    qsizetype rowEndWord(int row) const
    {
        return row + 1 < rowCount() ? rowFirstWord(row + 1) : laidOutWordCount();
    }
    int rowY(int row) const;
    int rowHeight(int row) const;
    int wordRow(qsizetype word) const;
    int wordY(qsizetype word) const { return rowY(wordRow(word)); }
    // The last row painted when painting starts at firstRow (at least firstRow).
    int lastRowFittingFrom(int firstRow) const;
    // The first row to paint so that lastRow ends at the bottom of the text area.
    int firstRowEndingAt(int lastRow) const;
    // The painted word under a point of the control when painting starts at firstRow:
    // x + 3 < point x < x + width - 5 inside the row's band. -1 when none.
    qsizetype wordAt(int firstRow, QPoint point) const;

    // What the mouse reaches (ChatSelecting): the link of the space-delimited word around
    // a word, that word's first and last word, characters under a pointer, selected text.
    ChatLink linkAt(qsizetype word) const { return ChatSelecting::linkAt(*this, word); }
    std::pair<qsizetype, qsizetype> delimitedWordRange(qsizetype word) const
    {
        return ChatSelecting::delimitedWordRange(*this, word);
    }
    int characterAt(qsizetype word, int x) const
    {
        return ChatSelecting::characterAt(*this, word, x);
    }
    int characterOffset(qsizetype word, int characters) const
    {
        return ChatSelecting::characterOffset(*this, word, characters);
    }
    QString selectionText(const ChatSelection& selection) const
    {
        return ChatSelecting::selectionText(*this, selection);
    }

Q_SIGNALS:
    void linesAppended();
    void cleared();
    void themeApplied();
    // The whole list was laid out again (size, theme or layout switched back on).
    void layoutChanged();
    // The oldest lines left for the line limit: every line, word and row index went down
    // by these counts. Raised before the linesAppended of the line that passed the limit.
    void linesTrimmed(qsizetype lines, qsizetype words, int rows);
    // Lines went before the first: every line, word and row index went up by these counts.
    void linesPrepended(qsizetype lines, qsizetype words, int rows);
    // The newest lines left; the indexes of the lines that stay are unchanged.
    void linesDroppedBack();
    void olderLinesWanted();
    void newerLinesWanted();

private:
    using Word = ChatWord;

    // A line made into words for reading, laid out when its line is.
    struct LineWords
    {
        QString text;
        std::vector<Word> words;
        std::vector<std::uint32_t> rowStarts; // the first word of each row
        std::uint64_t used = 0;
    };

    // A line record's kind: line class in bits 0-1, highlight in bit 3, look above; bit 2
    // is the store's.
    enum : std::uint16_t { ClassMask = 3, HighlightFlag = 8, LookShift = 4 };
    static_assert((HighlightFlag & ChatLineStore::Utf8Text) == 0);

    void tokenizeLine(qsizetype line, const QString& text, std::vector<Word>& words) const;
    // Adds a line made into words (appended_) to a store; false when it yields none.
    bool storeLine(ChatLineStore& store, int lineClass, QStringView text, bool highlight);
    // A line's rows and row height: words are its words made already, else its text is
    // made into scratch when the line may wrap.
    std::pair<int, int> placeLine(const QString& text, const ChatLineRecord& r,
                                  std::vector<Word>* words, std::vector<Word>& scratch) const;
    int wrap(std::vector<Word>& words, std::vector<std::uint32_t>* rowStarts) const;

    const ChatLineRecord& record(qsizetype line) const { return lines_.record(line); }
    int lineClassOf(qsizetype line) const { return record(line).kind & ClassMask; }
    std::size_t lookOf(qsizetype line) const { return record(line).kind >> LookShift; }
    int lineRowHeight(qsizetype line) const;
    qint64 lineY(qsizetype line) const;
    int lineRows(qsizetype line) const;
    qsizetype lineOfRow(int row) const;
    const LineWords& lineWords(qsizetype line) const;
    const Word& wordRecord(qsizetype word) const;

    void computeMargins();
    void layoutFrom(qsizetype firstLine);
    void forgetWords() const;
    void trimToLimit();

    ChatFormatter formatter_;
    ThemeRecord theme_;
    ChatLineStore lines_;
    std::deque<StorePlace> places_; // one per line
    bool moreBefore_ = false;
    bool moreAfter_ = false;
    qsizetype laidOutLines_ = 0;
    int rowTotal_ = 0;
    qsizetype lineLimit_ = 0;

    mutable std::unordered_map<qsizetype, std::unique_ptr<LineWords>> cache_;
    mutable qsizetype lastLine_ = -1;
    mutable const LineWords* lastWords_ = nullptr;
    mutable std::uint64_t useClock_ = 0;
    // The words of the line being added, kept for its layout.
    std::vector<Word> appended_;

    QSize viewSize_;
    int left_ = 0;
    int top_ = 0;
    int right_ = 0;
    int bottom_ = 0;
    // The margins the stored layout was made for (it stays while layout is off).
    int layoutLeft_ = 0;
    int layoutRight_ = 0;
    bool layoutEnabled_ = true;
    bool fullLayoutPending_ = false;
};
