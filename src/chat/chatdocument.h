#pragma once

#include "chat/chatlink.h"
#include "chat/textmeasurer.h"
#include "chat/wordtexttable.h"
#include "theme/themerecord.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
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

// The model behind one chat view (ChatView): every line it was given, laid out with word
// wrap. A kept line costs its text, stored once (Latin-1 when it fits, else UTF-8), and a
// small record of where it lies; its words are made again when something reads them, for
// the few lines on screen or near it. Widths come from a cache of measured pieces, so text
// is measured once and a resize re-adds widths. Widgets paint it; everything that decides
// what is shown is here.
class ChatDocument : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxPieceWidth = 80;      // longer words are cut into pieces
    static constexpr int ContinuationIndent = 10; // of the rows a line wraps onto
    static constexpr int MaxViewExtent = 30000;   // keeps x within a word record's 16 bits
    // Lines are stored, and leave past the line limit, in blocks of this many.
    static constexpr qsizetype BlockLines = 4096;
    // Lines whose words are kept made for reading (the screen and around it).
    static constexpr std::size_t CachedLines = 512;

    enum LineClass { Server = 0, Other = 1, You = 2 };

    explicit ChatDocument(QObject* parent = nullptr); // measures with QFontMetrics
    explicit ChatDocument(std::unique_ptr<TextMeasurer> measurer, QObject* parent = nullptr);
    ~ChatDocument() override;

    // Sets the style fields, measures the three line heights and re-lays out. Lines
    // already added keep the look they were made with.
    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }
    int lineHeight(int lineClass);

    // Line classes: 0 "Server", 1 "Other", 2 "You". Tokenises, measures and lays out.
    // A highlighted line takes the theme's highlight colour where the class colour
    // would be.
    void appendLine(int lineClass, const QString& text, bool highlight = false);
    void clear();

    // At most this many lines are kept; 0 keeps every line. Past it the oldest lines
    // leave, a block at a time (an eighth of the limit, at most BlockLines), so the cost
    // per line stays constant; linesTrimmed tells by how much every index went down.
    void setLineLimit(qsizetype lines);
    qsizetype lineLimit() const { return lineLimit_; }

    // The text of every line, formatting codes removed, oldest first. A line that
    // yields no words (empty text) is not kept.
    QStringList plainLines() const;
    QString plainLine(qsizetype line) const;
    qsizetype lineCount() const { return lineCount_; }
    // The first word and (once laid out) the first row of a line, and the line of a word.
    qsizetype lineFirstWord(qsizetype line) const;
    int lineFirstRow(qsizetype line) const;
    qsizetype wordLine(qsizetype word) const;

    // Words, oldest first. A word's text is a view into the document's copy of its line:
    // valid until the next appendLine or clear, or until CachedLines other lines were read.
    qsizetype wordCount() const { return wordCount_; }
    QStringView wordText(qsizetype i) const;
    int wordWidth(qsizetype i) const { return wordRecord(i).width; }
    int wordX(qsizetype i) const { return wordRecord(i).x; }
    bool isLineStart(qsizetype i) const { return lineFirstWord(wordLine(i)) == i; }
    std::uint16_t wordStyleIndex(qsizetype i) const { return wordRecord(i).style; }
    const ChatStyle& wordStyle(qsizetype i) const { return styles_[wordRecord(i).style]; }
    int wordHeight(qsizetype i) const { return wordStyle(i).height; }
    const ChatStyle& style(std::uint16_t index) const { return styles_[index]; }
    const ChatFont& font(std::uint16_t index) const { return fonts_[index]; }
    qsizetype fontCount() const { return qsizetype(fonts_.size()); }
    qsizetype styleCount() const { return qsizetype(styles_.size()); }
    // Distinct (font, text) pieces whose widths are cached.
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
    // The oldest lines left for the line limit: every line, word and row index went down
    // by these counts. Raised before the linesAppended of the line that passed the limit.
    void linesTrimmed(qsizetype lines, qsizetype words, int rows);

private:
    // A theme as the lines added under it were made with: styles and line heights.
    struct Look
    {
        ThemeRecord theme;
        bool measured = false;
        std::array<int, 3> heights{};
        std::array<std::uint16_t, 3> classStyles{};
        std::array<std::array<int, 4>, 3> fontIndex{};
    };
    // The looks a document can tell apart; past that, the newest stands for later ones.
    static constexpr std::size_t MaxLooks = 1u << 12;

    // 20 bytes per kept line besides its text. Offsets, words, rows and y are counted
    // from the start of the line's block.
    struct LineRecord
    {
        std::uint32_t textEnd;
        std::uint32_t firstWord;
        std::uint32_t firstRow; // valid once laid out, as is y
        std::uint32_t y;
        // The widths of all its words added up (saturated): a line that fits needs no
        // words made to be laid out.
        std::uint16_t naturalWidth;
        std::uint16_t
            kind; // line class in bits 0-1, UTF-8 text in bit 2, highlight in bit 3, look above
    };
    static_assert(sizeof(LineRecord) == 20);

    struct Block
    {
        std::vector<LineRecord> lines;
        QByteArray text;
        // Where the block starts in the document, and what its lines add up to (rows
        // and height for those laid out).
        qsizetype firstLine = 0;
        qsizetype firstWord = 0;
        qint64 firstRow = 0;
        qint64 y = 0;
        qsizetype words = 0;
        qint64 rows = 0;
        qint64 height = 0;
    };

    struct Word
    {
        std::uint32_t start; // in the line's text
        std::uint16_t length;
        std::uint16_t style;
        std::uint16_t width;
        std::uint16_t x;
    };

    // A line made into words for reading, laid out when its line is.
    struct LineWords
    {
        QString text;
        std::vector<Word> words;
        std::vector<std::uint32_t> rowStarts; // the first word of each row
        std::uint64_t used = 0;
    };

    struct LinePlace
    {
        std::size_t block;
        std::size_t index;
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

    enum : std::uint16_t { ClassMask = 3, Utf8Flag = 4, HighlightFlag = 8, LookShift = 4 };

    Look& ensureLook(std::size_t look) const;
    Attributes classDefaults(const Look& look, int lineClass) const;
    qint32 classColor(const Look& look, int lineClass) const;
    std::uint16_t classFont(Look& look, int lineClass, bool bold, bool italic) const;
    std::uint16_t internStyle(Look& look, int lineClass, const Attributes& attributes) const;
    qsizetype applyCode(const Look& look, QStringView text, qsizetype at, qsizetype end,
                        int lineClass, Attributes& attributes) const;
    void tokenize(std::size_t look, int lineClass, QStringView text, std::vector<Word>& words,
                  bool highlight = false) const;
    std::uint16_t widthOf(std::uint16_t font, QStringView& piece) const;
    void remember(std::uint16_t font, QStringView piece, std::uint32_t hash, std::uint16_t width,
                  std::uint16_t cut) const;
    qsizetype fittingLength(std::uint16_t font, QStringView text, int width, int& fitWidth) const;
    int measure(std::uint16_t font, QStringView text) const;
    int wrap(std::vector<Word>& words, std::vector<std::uint32_t>* rowStarts) const;

    LinePlace placeOfLine(qsizetype line) const;
    const LineRecord& record(qsizetype line) const;
    QString lineText(qsizetype line) const;
    int lineClassOf(qsizetype line) const { return record(line).kind & ClassMask; }
    std::size_t lookOf(qsizetype line) const { return record(line).kind >> LookShift; }
    int lineRowHeight(qsizetype line) const;
    qint64 lineY(qsizetype line) const;
    int lineRows(qsizetype line) const;
    qsizetype lineOfRow(int row) const;
    const LineWords& lineWords(qsizetype line) const;
    const Word& wordRecord(qsizetype word) const;

    QString joinedText(qsizetype first, qsizetype last) const;
    bool endsWithSpace(qsizetype word) const;
    void computeMargins();
    void layoutFrom(qsizetype firstLine);
    void forgetWords() const;
    void trimToLimit();

    std::unique_ptr<TextMeasurer> measurer_;
    ThemeRecord theme_;

    // Fonts, styles, looks and measured widths grow while words are made for reading.
    mutable std::vector<ChatFont> fonts_;
    mutable std::vector<ChatStyle> styles_;
    mutable QHash<ChatStyle, std::uint16_t> styleIndex_;
    mutable std::vector<Look> looks_;
    std::size_t currentLook_ = 0;
    bool currentLookUsed_ = false;
    mutable WordTextTable table_;

    std::vector<Block> blocks_;
    qsizetype lineCount_ = 0;
    qsizetype wordCount_ = 0;
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
    mutable bool highlighting_ = false; // the line being tokenised is highlighted
};
