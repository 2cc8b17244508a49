#include "chat/chatlinestore.h"

#include <algorithm>

bool ChatLineStore::fitsLatin1(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

void ChatLineStore::append(QStringView text, const QByteArray& utf8, std::uint16_t kind,
                           qsizetype words, std::uint16_t naturalWidth)
{
    if (blocks_.empty() || qsizetype(blocks_.back().lines.size()) >= BlockLines) {
        if (!blocks_.empty())
            blocks_.back().text.squeeze();
        Block block;
        if (!blocks_.empty()) {
            const Block& prev = blocks_.back();
            block.firstLine = prev.firstLine + qsizetype(prev.lines.size());
            block.firstWord = prev.firstWord + prev.words;
            block.firstRow = prev.firstRow + prev.rows;
            block.y = prev.y + prev.height;
        }
        blocks_.push_back(std::move(block));
    }
    Block& block = blocks_.back();
    if (utf8.isEmpty()) {
        const qsizetype at = block.text.size();
        block.text.resize(at + text.size());
        char* out = block.text.data() + at;
        for (const QChar c : text)
            *out++ = char(c.unicode());
    } else {
        block.text.append(utf8);
    }
    ChatLineRecord record{};
    record.textEnd = std::uint32_t(block.text.size());
    record.firstWord = std::uint32_t(block.words);
    record.naturalWidth = naturalWidth;
    record.kind = std::uint16_t((kind & ~Utf8Text) | (utf8.isEmpty() ? 0 : Utf8Text));
    block.lines.push_back(record);
    block.words += words;
    wordCount_ += words;
    ++lineCount_;
}

void ChatLineStore::dropFront(qsizetype drop, bool keepLayout)
{
    drop = std::clamp<qsizetype>(drop, 0, lineCount_);
    if (drop == 0)
        return;
    const qsizetype words = firstWord(drop);
    const qint64 rows = keepLayout ? firstRow(drop) : 0;
    const qint64 top = keepLayout ? y(drop) : 0;

    std::size_t whole = 0;
    while (whole < blocks_.size() &&
           blocks_[whole].firstLine + qsizetype(blocks_[whole].lines.size()) <= drop)
        ++whole;
    blocks_.erase(blocks_.begin(), blocks_.begin() + qsizetype(whole));
    if (!blocks_.empty() && blocks_.front().firstLine < drop) {
        // Part of a block: its records are counted from the first line that stays.
        Block& b = blocks_.front();
        const auto cut = std::size_t(drop - b.firstLine);
        const ChatLineRecord& first = b.lines[cut];
        const std::uint32_t textStart = b.lines[cut - 1].textEnd;
        const std::uint32_t word0 = first.firstWord;
        const std::uint32_t row0 = keepLayout ? first.firstRow : 0;
        const std::uint32_t y0 = keepLayout ? first.y : 0;
        b.lines.erase(b.lines.begin(), b.lines.begin() + qsizetype(cut));
        b.text.remove(0, textStart);
        for (ChatLineRecord& r : b.lines) {
            r.textEnd -= textStart;
            r.firstWord -= word0;
            r.firstRow -= row0;
            r.y -= y0;
        }
        b.firstLine = drop;
        b.firstWord += word0;
        b.words -= word0;
        b.firstRow += row0;
        b.y += y0;
        b.rows -= row0;
        b.height -= y0;
    }
    for (Block& b : blocks_) {
        b.firstLine -= drop;
        b.firstWord -= words;
        b.firstRow -= rows;
        b.y -= top;
    }
    if (!keepLayout)
        resetLayout();
    lineCount_ -= drop;
    wordCount_ -= words;
}

void ChatLineStore::dropBack(qsizetype drop, qsizetype laidOut)
{
    drop = std::clamp<qsizetype>(drop, 0, lineCount_);
    if (drop == 0)
        return;
    const qsizetype keep = lineCount_ - drop;
    const qsizetype words = wordCount_ - firstWord(keep);
    while (!blocks_.empty() && blocks_.back().firstLine >= keep)
        blocks_.pop_back();
    if (!blocks_.empty() &&
        blocks_.back().firstLine + qsizetype(blocks_.back().lines.size()) > keep) {
        // Part of a block: it ends where the first dropped line began.
        Block& b = blocks_.back();
        const auto cut = std::size_t(keep - b.firstLine);
        const ChatLineRecord& first = b.lines[cut];
        b.text.truncate(qsizetype(b.lines[cut - 1].textEnd));
        b.words = first.firstWord;
        if (keep < laidOut) { // the first dropped line was laid out: the rest ends there
            b.rows = first.firstRow;
            b.height = first.y;
        }
        b.lines.resize(cut);
    }
    lineCount_ = keep;
    wordCount_ -= words;
}

void ChatLineStore::prepend(ChatLineStore&& front, bool keepLayout)
{
    if (front.lineCount_ == 0)
        return;
    const qint64 rows = keepLayout ? front.rowTotal() : 0;
    const qint64 height = keepLayout ? front.heightTotal() : 0;
    for (Block& b : blocks_) {
        b.firstLine += front.lineCount_;
        b.firstWord += front.wordCount_;
        b.firstRow += rows;
        b.y += height;
    }
    blocks_.insert(blocks_.begin(), std::make_move_iterator(front.blocks_.begin()),
                   std::make_move_iterator(front.blocks_.end()));
    lineCount_ += front.lineCount_;
    wordCount_ += front.wordCount_;
    if (!keepLayout)
        resetLayout();
    front.clear();
}

qint64 ChatLineStore::rowTotal() const
{
    return blocks_.empty() ? 0 : blocks_.back().firstRow + blocks_.back().rows;
}

qint64 ChatLineStore::heightTotal() const
{
    return blocks_.empty() ? 0 : blocks_.back().y + blocks_.back().height;
}

void ChatLineStore::clear()
{
    std::vector<Block>().swap(blocks_);
    lineCount_ = 0;
    wordCount_ = 0;
}

ChatLineStore::Position ChatLineStore::placeOf(qsizetype line) const
{
    const auto it = std::upper_bound(blocks_.begin(), blocks_.end(), line,
                                     [](qsizetype l, const Block& b) { return l < b.firstLine; });
    const auto block = std::size_t(it - blocks_.begin()) - 1;
    return {block, std::size_t(line - blocks_[block].firstLine)};
}

const ChatLineRecord& ChatLineStore::record(qsizetype line) const
{
    const Position p = placeOf(line);
    return blocks_[p.block].lines[p.index];
}

QString ChatLineStore::text(qsizetype line) const
{
    const Position p = placeOf(line);
    const Block& b = blocks_[p.block];
    const ChatLineRecord& r = b.lines[p.index];
    const std::uint32_t start = p.index > 0 ? b.lines[p.index - 1].textEnd : 0;
    const char* data = b.text.constData() + start;
    const auto size = qsizetype(r.textEnd - start);
    return (r.kind & Utf8Text) ? QString::fromUtf8(data, size) : QString::fromLatin1(data, size);
}

qsizetype ChatLineStore::firstWord(qsizetype line) const
{
    if (line >= lineCount_)
        return wordCount_;
    const Position p = placeOf(line);
    return blocks_[p.block].firstWord + blocks_[p.block].lines[p.index].firstWord;
}

qsizetype ChatLineStore::lineOfWord(qsizetype word) const
{
    const auto it = std::upper_bound(blocks_.begin(), blocks_.end(), word,
                                     [](qsizetype w, const Block& b) { return w < b.firstWord; });
    const Block& b = *(it - 1);
    const auto local = std::uint32_t(word - b.firstWord);
    const auto in =
        std::upper_bound(b.lines.begin(), b.lines.end(), local,
                         [](std::uint32_t w, const ChatLineRecord& r) { return w < r.firstWord; });
    return b.firstLine + qsizetype(in - b.lines.begin()) - 1;
}

qint64 ChatLineStore::firstRow(qsizetype line) const
{
    const Position p = placeOf(line);
    return blocks_[p.block].firstRow + blocks_[p.block].lines[p.index].firstRow;
}

qint64 ChatLineStore::y(qsizetype line) const
{
    const Position p = placeOf(line);
    return blocks_[p.block].y + blocks_[p.block].lines[p.index].y;
}

qsizetype ChatLineStore::lineOfRow(qint64 row, qsizetype laidOut) const
{
    // Only blocks with laid-out lines know their rows.
    const std::size_t laid = laidOut > 0 ? placeOf(laidOut - 1).block + 1 : 0;
    const auto end = blocks_.begin() + qsizetype(laid);
    const auto it = std::upper_bound(blocks_.begin(), end, row,
                                     [](qint64 r, const Block& b) { return r < b.firstRow; });
    const Block& b = *(it - 1);
    const auto local = std::uint32_t(row - b.firstRow);
    const auto lines = std::min<qsizetype>(qsizetype(b.lines.size()), laidOut - b.firstLine);
    const auto in =
        std::upper_bound(b.lines.begin(), b.lines.begin() + lines, local,
                         [](std::uint32_t r, const ChatLineRecord& l) { return r < l.firstRow; });
    return b.firstLine + qsizetype(in - b.lines.begin()) - 1;
}

void ChatLineStore::resetLayout()
{
    for (Block& b : blocks_) {
        b.rows = 0;
        b.height = 0;
    }
}
