#pragma once

#include "chat/chatlink.h"
#include "chat/textmeasurer.h"
#include "chat/wordtexttable.h"
#include "theme/themerecord.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The look of a word: everything a word record would otherwise repeat. A document
// interns its styles, so a word carries a 16-bit index instead of a font name and
// colours. Colours are Windows colour values (core/wincolor.h).
struct ChatStyle
{
    std::uint16_t font = 0; // index into the document's fonts
    std::uint8_t lineClass = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // The background colour is painted behind the text only when this is set; without
    // it backColor is 0.
    bool backgroundDrawn = false;
    qint32 textColor = 0;
    qint32 backColor = 0;
    int height = 0; // the line height of the class when the word was made

    friend bool operator==(const ChatStyle&, const ChatStyle&) = default;
};

inline size_t qHash(const ChatStyle& s, size_t seed = 0)
{
    return qHashMulti(seed, s.font, s.lineClass, s.bold, s.italic, s.underline, s.backgroundDrawn,
                      s.textColor, s.backColor, s.height);
}

// A mouse selection over words: characters startChar.. of the start word through
// ..endChar (inclusive) of the end word.
struct ChatSelection
{
    qsizetype startWord = -1;
    int startChar = 0;
    qsizetype endWord = -1;
    int endChar = 0;

    bool isValid() const { return startWord >= 0 && endWord >= startWord; }
};

// The model behind one chat view (ChatView): every line it was given as styled words,
// laid out with word wrap. Text is measured once, when its line is added; a resize only
// re-adds widths. Widgets paint it; everything that decides what is shown is here.
class ChatDocument : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxPieceWidth = 80;      // longer words are cut into pieces
    static constexpr int ContinuationIndent = 10; // of the rows a line wraps onto
    static constexpr int MaxViewExtent = 30000;   // keeps x within a word record's 16 bits

    enum LineClass { Server = 0, Other = 1, You = 2 };

    explicit ChatDocument(QObject* parent = nullptr); // measures with QFontMetrics
    explicit ChatDocument(std::unique_ptr<TextMeasurer> measurer, QObject* parent = nullptr);
    ~ChatDocument() override;

    // Sets the style fields, measures the three line heights and re-lays out. Words
    // already added keep the look they were made with.
    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }
    int lineHeight(int lineClass);

    // Line classes: 0 "Server", 1 "Other", 2 "You". Tokenises, measures and lays out.
    // A highlighted line takes the theme's highlight colour where the class colour
    // would be.
    void appendLine(int lineClass, const QString& text, bool highlight = false);
    void clear();

    // The text of every line, formatting codes removed, oldest first. A line that
    // yields no words (empty text) is not kept.
    QStringList plainLines() const;
    qsizetype lineCount() const { return lineCount_; }

    // Words, oldest first. A word's text is a view into the document's shared storage:
    // valid until the next appendLine or clear.
    qsizetype wordCount() const { return qsizetype(words_.size()); }
    QStringView wordText(qsizetype i) const { return table_.text(words_[i].text); }
    int wordWidth(qsizetype i) const { return words_[i].width; }
    int wordX(qsizetype i) const { return words_[i].x; }
    bool isLineStart(qsizetype i) const { return words_[i].flags & LineStartFlag; }
    std::uint16_t wordStyleIndex(qsizetype i) const { return words_[i].style; }
    const ChatStyle& wordStyle(qsizetype i) const { return styles_[words_[i].style]; }
    int wordHeight(qsizetype i) const { return wordStyle(i).height; }
    const ChatStyle& style(std::uint16_t index) const { return styles_[index]; }
    const ChatFont& font(std::uint16_t index) const { return fonts_[index]; }
    qsizetype fontCount() const { return qsizetype(fonts_.size()); }
    qsizetype styleCount() const { return qsizetype(styles_.size()); }
    // Distinct (font, text) pieces held: the words' shared storage.
    qsizetype distinctPieceCount() const { return qsizetype(table_.size()); }

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
    qsizetype laidOutWordCount() const { return laidOut_; }

    // Rows of the laid-out words. Row r holds words rowFirstWord(r) .. rowEndWord(r)-1.
    int rowCount() const { return int(rows_.size()); }
    qsizetype rowFirstWord(int row) const { return rows_[row].firstWord; }
    qsizetype rowEndWord(int row) const
    {
        return row + 1 < rowCount() ? qsizetype(rows_[row + 1].firstWord) : laidOut_;
    }
    int rowY(int row) const { return rows_[row].y; }
    int rowHeight(int row) const { return wordHeight(rows_[row].firstWord); }
    int wordRow(qsizetype word) const;
    int wordY(qsizetype word) const { return rowY(wordRow(word)); }
    // The last row painted when painting starts at firstRow (at least firstRow).
    int lastRowFittingFrom(int firstRow) const;
    // The first row to paint so that lastRow ends at the bottom of the text area.
    int firstRowEndingAt(int lastRow) const;
    // The painted word under a point of the control when painting starts at firstRow:
    // x + 3 < point x < x + width - 5 inside the row's band. -1 when none.
    qsizetype wordAt(int firstRow, QPoint point) const;

    // The link of the space-delimited word around a word (never across a line start).
    ChatLink linkAt(qsizetype word) const;
    // The space-delimited word around a word: its first and last word (inclusive).
    std::pair<qsizetype, qsizetype> delimitedWordRange(qsizetype word) const;

    // The character of a word under a control x (clamped into the word), and the pixel
    // width of a word's first characters. These measure: they serve the mouse.
    int characterAt(qsizetype word, int x) const;
    int characterOffset(qsizetype word, int characters) const;
    // The selected text, CR LF before each selected word that starts a line (the first
    // excepted).
    QString selectionText(const ChatSelection& selection) const;

Q_SIGNALS:
    void linesAppended();
    void cleared();
    void themeApplied();
    // The whole list was laid out again (size, theme or layout switched back on).
    void layoutChanged();

private:
    enum : std::uint16_t { LineStartFlag = 1 };

    // 12 bytes; the text, font and width live in the shared text table, the look in
    // the style table.
    struct WordRecord
    {
        std::uint32_t text;
        std::uint16_t style;
        std::uint16_t width;
        std::uint16_t x;
        std::uint16_t flags;
    };
    static_assert(sizeof(WordRecord) == 12);

    struct Row
    {
        std::uint32_t firstWord;
        qint32 y;
    };

    // The attributes the formatting codes change while a line is tokenised.
    struct Attributes
    {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool backgroundDrawn = false;
        bool reverse = false;
        qint32 textColor = 0;
        qint32 backColor = 0;
    };

    void ensureClassStyles();
    Attributes classDefaults(int lineClass) const;
    qint32 classColor(int lineClass) const;
    std::uint16_t classFont(int lineClass, bool bold, bool italic);
    std::uint16_t internStyle(int lineClass, const Attributes& attributes);
    qsizetype applyCode(QStringView text, qsizetype at, qsizetype end, int lineClass,
                        Attributes& attributes) const;
    std::uint32_t pieceFor(std::uint16_t font, QStringView& piece);
    qsizetype fittingLength(std::uint16_t font, QStringView text, int width, int& fitWidth);
    int measure(std::uint16_t font, QStringView text) const;
    QString joinedText(qsizetype first, qsizetype last) const;
    bool endsWithSpace(qsizetype word) const;
    void computeMargins();
    void layoutFrom(qsizetype first);

    std::unique_ptr<TextMeasurer> measurer_;
    ThemeRecord theme_;

    std::vector<ChatFont> fonts_;
    std::vector<ChatStyle> styles_;
    QHash<ChatStyle, std::uint16_t> styleIndex_;
    // Per class: the line height, the default style, and the font index for each
    // (bold, italic); filled lazily after a theme is applied.
    bool classStylesValid_ = false;
    std::array<int, 3> lineHeights_{};
    std::array<std::uint16_t, 3> classStyles_{};
    std::array<std::array<int, 4>, 3> classFontIndex_{};

    WordTextTable table_;
    std::vector<WordRecord> words_;
    std::vector<Row> rows_;
    qsizetype laidOut_ = 0;
    qsizetype lineCount_ = 0;

    QSize viewSize_;
    int left_ = 0;
    int top_ = 0;
    int right_ = 0;
    int bottom_ = 0;
    bool layoutEnabled_ = true;
    bool fullLayoutPending_ = false;
    bool highlighting_ = false; // the line being added is highlighted
};
