#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <utility>
#include <vector>

// Where one kept line lies, 20 bytes besides its text. Offsets, words, rows and y are
// counted from the start of the line's block.
struct ChatLineRecord
{
    std::uint32_t textEnd;
    std::uint32_t firstWord;
    std::uint32_t firstRow; // valid once laid out, as is y
    std::uint32_t y;
    // The widths of all its words added up (saturated): a line that fits needs no words
    // made to be laid out.
    std::uint16_t naturalWidth;
    // The owner's bits (line class, highlight, look); the store keeps Utf8Text for itself.
    std::uint16_t kind;
};
static_assert(sizeof(ChatLineRecord) == 20);

// The lines of one chat view, oldest first, in blocks of BlockLines: each line's text
// (Latin-1 when it fits, else UTF-8), how many words it yields, and once laid out its
// rows and height. Lines are added at the end and leave from the front.
class ChatLineStore
{
public:
    static constexpr qsizetype BlockLines = 4096;
    static constexpr std::uint16_t Utf8Text = 4; // in a record's kind

    // True when the text is kept as Latin-1; otherwise utf8 is what is kept, and the line
    // reads back as its decoding.
    static bool fitsLatin1(QStringView text);

    // Adds a line that yields `words` words. utf8 is its text encoded, or empty when the
    // text fits Latin-1.
    void append(QStringView text, const QByteArray& utf8, std::uint16_t kind, qsizetype words,
                std::uint16_t naturalWidth);
    // Drops the oldest lines (at most count()); keepLayout says whether the lines that stay
    // were laid out and keep their rows (counted from the new first line).
    void dropFront(qsizetype lines, bool keepLayout);
    // Drops the newest lines (at most count()); the lines that stay keep their layout
    // (laidOut is how many lines from the first were laid out).
    void dropBack(qsizetype lines, qsizetype laidOut);
    // Puts the lines of front before the first line. When both were laid out, the lines
    // that were here keep their rows, moved down by front's rows and height.
    void prepend(ChatLineStore&& front, bool keepLayout);
    // Rows and height of the first laid-out lines (all of them when laid out to the end).
    qint64 rowTotal() const;
    qint64 heightTotal() const;
    void clear();

    qsizetype count() const { return lineCount_; }
    qsizetype wordCount() const { return wordCount_; }
    QString text(qsizetype line) const;
    const ChatLineRecord& record(qsizetype line) const;
    // The first word of a line (wordCount() past the last), and the line of a word.
    qsizetype firstWord(qsizetype line) const;
    qsizetype lineOfWord(qsizetype word) const;

    // Layout: each line's first row and y, summed per block. firstRow and y are valid for
    // the first laidOut lines; lineOfRow searches those.
    qint64 firstRow(qsizetype line) const;
    qint64 y(qsizetype line) const;
    qsizetype lineOfRow(qint64 row, qsizetype laidOut) const;
    // Forgets every line's rows.
    void resetLayout();
    // Lays out the lines from firstLine to the end: place(line, record) gives a line's
    // rows and row height. Returns the rows added.
    template <typename Placer> qint64 layOut(qsizetype firstLine, Placer&& place);

private:
    struct Block
    {
        std::vector<ChatLineRecord> lines;
        QByteArray text;
        // Where the block starts in the store, and what its lines add up to (rows and
        // height for those laid out).
        qsizetype firstLine = 0;
        qsizetype firstWord = 0;
        qint64 firstRow = 0;
        qint64 y = 0;
        qsizetype words = 0;
        qint64 rows = 0;
        qint64 height = 0;
    };

    struct Position
    {
        std::size_t block;
        std::size_t index;
    };
    Position placeOf(qsizetype line) const;

    std::vector<Block> blocks_;
    qsizetype lineCount_ = 0;
    qsizetype wordCount_ = 0;
};

template <typename Placer> qint64 ChatLineStore::layOut(qsizetype firstLine, Placer&& place)
{
    if (firstLine >= lineCount_)
        return 0;
    qint64 added = 0;
    Position p = placeOf(firstLine);
    for (; p.block < blocks_.size(); ++p.block, p.index = 0) {
        Block& b = blocks_[p.block];
        if (p.index == 0 && p.block > 0) {
            const Block& prev = blocks_[p.block - 1];
            b.firstRow = prev.firstRow + prev.rows;
            b.y = prev.y + prev.height;
        } else if (p.index == 0) {
            b.firstRow = 0;
            b.y = 0;
        }
        for (; p.index < b.lines.size(); ++p.index) {
            ChatLineRecord& r = b.lines[p.index];
            const auto [rows, height] = place(b.firstLine + qsizetype(p.index), std::as_const(r));
            r.firstRow = std::uint32_t(b.rows);
            r.y = std::uint32_t(b.height);
            b.rows += rows;
            b.height += qint64(rows) * height;
            added += rows;
        }
    }
    return added;
}
