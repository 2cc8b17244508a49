#include "chat/chatdocument.h"

#include "core/fontrecord.h"
#include "core/formatting.h"

#include <algorithm>

namespace {
// Colour numbers of the formatting code 0x03, as Windows colour values (0x00BBGGRR).
constexpr std::array<qint32, 16> colourNumbers{
    0xFFFFFF, 0x000000, 0x800000, 0x008000, 0x0000FF, 0x07548D, 0x800080, 0x0575FF,
    0x00FFFF, 0x00FF00, 0x808000, 0xFFFF00, 0xFF0000, 0xCAB1F3, 0x808080, 0xC0C0C0,
};

// A word record stores its text length in 16 bits; a longer run without spaces or codes
// (only possible with zero-width characters) is cut like an over-wide one.
constexpr qsizetype MaxPieceLength = 0xFFFF;

// The measured widths kept: enough for the words of a busy channel, not for a history
// of ever new ones.
constexpr std::size_t MaxCachedPieces = 1u << 16;
constexpr std::size_t MaxCachedCharacters = 1u << 20;
// Over-wide words up to this length remember where they are cut; longer runs are neither
// looked up nor remembered.
constexpr qsizetype MaxRememberedCut = 256;
// A piece is first measured this far; a piece that still fits is measured twice as far,
// and so on, so cutting a long word measures about twice its length in all.
constexpr qsizetype FirstProbe = 32;

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

int digitValue(QChar c)
{
    return c.unicode() - u'0';
}

// Tokenising step 3: the first character, then up to (not including) the next code or
// up to and including the next space, whichever comes first.
qsizetype tokenEnd(QStringView text, qsizetype start)
{
    const qsizetype n = text.size();
    qsizetype i = start + 1;
    while (i < n) {
        const QChar c = text[i];
        if (Formatting::isCode(c))
            return i;
        ++i;
        if (c == u' ')
            return i;
    }
    return n;
}

// Never cut a surrogate pair in two.
qsizetype keepPairs(QStringView text, qsizetype length)
{
    if (length > 0 && length < text.size() && text[length - 1].isHighSurrogate() &&
        text[length].isLowSurrogate())
        return length > 1 ? length - 1 : length + 1;
    return length;
}
} // namespace

ChatDocument::ChatDocument(QObject* parent)
    : ChatDocument(std::make_unique<FontMetricsMeasurer>(), parent)
{
}

ChatDocument::ChatDocument(std::unique_ptr<TextMeasurer> measurer, QObject* parent)
    : QObject(parent), measurer_(std::move(measurer))
{
    looks_.push_back({});
    computeMargins();
    layoutLeft_ = left_;
    layoutRight_ = right_;
}

ChatDocument::~ChatDocument() = default;

// --- theme and styles -------------------------------------------------------------------

void ChatDocument::applyTheme(const ThemeRecord& theme)
{
    theme_ = theme;
    // Lines already added keep the look they were made with: a look they use is kept.
    // Heights are measured lazily, so a document can be built before the GUI is.
    if (currentLookUsed_ && looks_.size() < MaxLooks) {
        looks_.push_back({});
        currentLook_ = looks_.size() - 1;
    }
    looks_[currentLook_] = Look{theme};
    currentLookUsed_ = false;
    computeMargins();
    Q_EMIT themeApplied();
    relayout();
}

int ChatDocument::lineHeight(int lineClass)
{
    return ensureLook(currentLook_).heights[std::clamp(lineClass, 0, 2)];
}

qint32 ChatDocument::classColor(const Look& look, int lineClass) const
{
    const ThemeRecord& t = look.theme;
    if (highlighting_)
        return t.highlightcolor;
    const std::array<qint32, 3> colours{t.servercolor, t.othercolor, t.youcolor};
    return colours[lineClass];
}

ChatDocument::Attributes ChatDocument::classDefaults(const Look& look, int lineClass) const
{
    const ThemeRecord& t = look.theme;
    const std::array<bool, 3> bold{t.serverbold, t.otherbold, t.youbold};
    const std::array<bool, 3> italic{t.serveritalic, t.otheritalic, t.youitalic};
    Attributes a;
    a.bold = bold[lineClass];
    a.italic = italic[lineClass];
    a.textColor = classColor(look, lineClass);
    return a;
}

std::uint16_t ChatDocument::classFont(Look& look, int lineClass, bool bold, bool italic) const
{
    int& cached = look.fontIndex[lineClass][(bold ? 1 : 0) | (italic ? 2 : 0)];
    if (cached >= 0)
        return std::uint16_t(cached);
    const ThemeRecord& t = look.theme;
    const std::array<const QString*, 3> names{&t.serverfont, &t.otherfont, &t.youfont};
    const std::array<int, 3> sizes{t.serversize, t.othersize, t.yousize};
    // The font record gives the name its rules: at most 31 characters, never empty.
    const FontRecord record(*names[lineClass], sizes[lineClass]);
    const ChatFont font{record.name(), record.size(), bold, italic};
    auto it = std::find(fonts_.begin(), fonts_.end(), font);
    if (it == fonts_.end()) {
        if (fonts_.size() > 0xFFFF)
            it = fonts_.begin();
        else
            it = fonts_.insert(fonts_.end(), font);
    }
    cached = int(it - fonts_.begin());
    return std::uint16_t(cached);
}

ChatDocument::Look& ChatDocument::ensureLook(std::size_t index) const
{
    Look& look = looks_[index];
    if (look.measured)
        return look;
    for (auto& perClass : look.fontIndex)
        perClass.fill(-1);
    for (int c = 0; c < 3; ++c) {
        const Attributes a = classDefaults(look, c);
        look.heights[c] =
            measurer_->textHeight(fonts_[classFont(look, c, a.bold, a.italic)], u"Hello");
    }
    look.measured = true;
    for (int c = 0; c < 3; ++c)
        look.classStyles[c] = internStyle(look, c, classDefaults(look, c));
    return look;
}

std::uint16_t ChatDocument::internStyle(Look& look, int lineClass, const Attributes& a) const
{
    ChatStyle s;
    s.font = classFont(look, lineClass, a.bold, a.italic);
    s.lineClass = std::uint8_t(lineClass);
    s.bold = a.bold;
    s.italic = a.italic;
    s.underline = a.underline;
    s.backgroundDrawn = a.backgroundDrawn;
    s.textColor = a.textColor;
    // Without the background drawn its colour is never seen; one style serves all.
    s.backColor = a.backgroundDrawn ? a.backColor : 0;
    s.height = look.heights[lineClass];
    const auto it = styleIndex_.constFind(s);
    if (it != styleIndex_.constEnd())
        return it.value();
    // Some thousands of styles at most are reachable per theme; should a session ever
    // exhaust 16 bits, further looks fall back to the class default.
    if (styles_.size() >= 0xFFFF)
        return look.classStyles[lineClass];
    const auto index = std::uint16_t(styles_.size());
    styles_.push_back(s);
    styleIndex_.insert(s, index);
    return index;
}

// --- tokenising -------------------------------------------------------------------------

qsizetype ChatDocument::applyCode(const Look& look, QStringView text, qsizetype at, qsizetype end,
                                  int lineClass, Attributes& a) const
{
    const ThemeRecord& theme = look.theme;
    const QChar code = text[at];
    qsizetype i = at + 1;
    if (code == Formatting::Bold) {
        if (!theme.ignoremircbold)
            a.bold = !a.bold;
    } else if (code == Formatting::Underline) {
        if (!theme.ignoremircunderline)
            a.underline = !a.underline;
    } else if (code == Formatting::Reverse) {
        if (!theme.ignoremircreverse) {
            a.reverse = !a.reverse;
            a.textColor = a.reverse ? theme.backcolor : classColor(look, lineClass);
            a.backColor = a.reverse ? classColor(look, lineClass) : 0;
            a.backgroundDrawn = a.reverse;
        }
    } else if (code == Formatting::Plain) {
        const bool reverse = a.reverse; // 0x0F leaves the reverse state alone
        a = classDefaults(look, lineClass);
        a.reverse = reverse;
    } else if (code == Formatting::Colour) {
        a.backgroundDrawn = false;
        if (i >= end || !isDigit(text[i])) {
            a.textColor = classColor(look, lineClass);
            a.backColor = 0;
            return i;
        }
        int number = digitValue(text[i++]);
        const bool hasComma = text.sliced(at + 1, end - at - 1).contains(u',');
        if (i < end && isDigit(text[i]))
            number = number * 10 + digitValue(text[i++]);
        else if (hasComma && i < end && text[i] == u',')
            ++i;
        if (!hasComma) {
            if (!theme.ignoremirctextcolor && number <= 15) {
                a.textColor = colourNumbers[number];
                a.backColor = 0;
            }
            return i;
        }
        if (!theme.ignoremirctextcolor && number <= 15)
            a.textColor = colourNumbers[number];
        // The comma after the first digit was dropped above; one more may follow.
        if (i < end && text[i] == u',')
            ++i;
        int back = -1;
        for (int digits = 0; digits < 2 && i < end && isDigit(text[i]); ++digits)
            back = (back < 0 ? 0 : back * 10) + digitValue(text[i++]);
        if (!theme.ignoremircbackcolor && back >= 0 && back <= 15) {
            a.backColor = colourNumbers[back];
            a.backgroundDrawn = true;
        }
    }
    return i;
}

int ChatDocument::measure(std::uint16_t font, QStringView text) const
{
    if (text.isEmpty())
        return 0;
    return std::clamp(measurer_->textWidth(fonts_[font], text), 0, 0xFFFF);
}

qsizetype ChatDocument::fittingLength(std::uint16_t font, QStringView text, int width,
                                      int& fitWidth) const
{
    // The longest prefix not wider than MaxPieceWidth, at least one character. Start
    // from the proportional guess, which is usually right or one off, then bisect.
    qsizetype lo = 1;
    qsizetype hi = text.size() - 1;
    fitWidth = -1;
    auto probe = [&](qsizetype length) {
        const int w = measure(font, text.first(length));
        if (w <= MaxPieceWidth) {
            lo = length;
            fitWidth = w;
        } else {
            hi = length - 1;
        }
    };
    const qsizetype guess =
        std::clamp<qsizetype>(text.size() * MaxPieceWidth / std::max(width, 1), 1, hi);
    probe(guess);
    if (lo == guess && guess < hi)
        probe(guess + 1);
    else if (hi < guess && hi > lo)
        probe(hi);
    while (lo < hi)
        probe((lo + hi + 1) / 2);
    const qsizetype length = keepPairs(text, lo);
    if (fitWidth < 0 || length != lo)
        fitWidth = measure(font, text.first(length));
    return length;
}

std::uint16_t ChatDocument::widthOf(std::uint16_t font, QStringView& piece) const
{
    const bool rememberable = piece.size() <= MaxRememberedCut;
    std::uint32_t hash = 0;
    if (rememberable) {
        hash = WordTextTable::hashOf(font, piece);
        const std::uint32_t id = table_.find(font, piece, hash);
        if (id != WordTextTable::npos) {
            if (table_.cut(id) == 0)
                return table_.width(id);
            piece = piece.first(table_.cut(id));
            return widthOf(font, piece); // the first piece fits: it is not cut again
        }
    }
    // Never the whole of what is left of a long word: only as far as its first piece can
    // reach.
    qsizetype measured = std::min(piece.size(), FirstProbe);
    int width = measure(font, piece.first(measured));
    while (width <= MaxPieceWidth && measured < piece.size()) {
        measured = std::min(piece.size(), measured * 2);
        width = measure(font, piece.first(measured));
    }
    if (width > MaxPieceWidth && piece.size() > 1) {
        const qsizetype length = fittingLength(font, piece.first(measured), width, width);
        if (length < piece.size()) {
            // Where a long word is cut is remembered too, so a resize measures nothing;
            // not for endless runs, whose remainders would fill the cache.
            if (rememberable)
                remember(font, piece, hash, 0, std::uint16_t(length));
            piece = piece.first(length);
            hash = WordTextTable::hashOf(font, piece);
            const std::uint32_t known = table_.find(font, piece, hash);
            if (known != WordTextTable::npos)
                return table_.width(known);
        } else if (!rememberable) {
            return std::uint16_t(width);
        }
    } else if (!rememberable) {
        return std::uint16_t(width);
    }
    remember(font, piece, hash, std::uint16_t(width), 0);
    return std::uint16_t(width);
}

void ChatDocument::remember(std::uint16_t font, QStringView piece, std::uint32_t hash,
                            std::uint16_t width, std::uint16_t cut) const
{
    // The cache of widths is bounded: a history of ever new words must not keep them all.
    if (table_.size() >= MaxCachedPieces || table_.characterCount() >= MaxCachedCharacters)
        table_.clear();
    table_.insert(font, piece, hash, width, cut);
}

void ChatDocument::tokenize(std::size_t lookIndex, int lineClass, QStringView text,
                            std::vector<Word>& words, bool highlight) const
{
    words.clear();
    Look& look = ensureLook(lookIndex);
    // A highlighted line takes the highlight colour wherever the class colour would be.
    highlighting_ = highlight;
    Attributes attributes = classDefaults(look, lineClass);
    std::uint16_t style =
        highlight ? internStyle(look, lineClass, attributes) : look.classStyles[lineClass];
    qsizetype pos = 0;
    qsizetype end = 0;
    while (pos < text.size()) {
        // What is left of a cut piece ends where its token did, unless only its last
        // character is left: then the token runs on past it.
        if (pos + 1 >= end)
            end = tokenEnd(text, pos);
        qsizetype bodyStart = pos;
        if (Formatting::isCode(text[pos])) {
            bodyStart = applyCode(look, text, pos, end, lineClass, attributes);
            style = internStyle(look, lineClass, attributes);
        }
        QStringView piece = text.sliced(bodyStart, end - bodyStart);
        if (piece.size() > MaxPieceLength)
            piece = piece.first(keepPairs(piece, MaxPieceLength));
        // The part of an over-wide piece that is cut off is read again as a token.
        const std::uint16_t width = widthOf(styles_[style].font, piece);
        words.push_back({std::uint32_t(bodyStart), std::uint16_t(piece.size()), style, width, 0});
        pos = bodyStart + piece.size();
    }
    highlighting_ = false;
}

// Lays the words of one line out from the left margin; returns its row count.
int ChatDocument::wrap(std::vector<Word>& words, std::vector<std::uint32_t>* rowStarts) const
{
    if (rowStarts)
        rowStarts->clear();
    int rows = 0;
    int prevRight = layoutLeft_;
    const int indented = layoutLeft_ + ContinuationIndent;
    for (std::size_t i = 0; i < words.size(); ++i) {
        Word& w = words[i];
        int x = prevRight;
        if (i == 0 || prevRight + w.width > layoutRight_) {
            x = i == 0 ? layoutLeft_ : indented;
            ++rows;
            if (rowStarts)
                rowStarts->push_back(std::uint32_t(i));
        }
        w.x = std::uint16_t(x);
        prevRight = x + w.width;
    }
    return rows;
}

void ChatDocument::appendLine(int lineClass, const QString& line, bool highlight)
{
    lineClass = std::clamp(lineClass, 0, 2);
    QStringView text(line);
    if (!text.isEmpty() && Formatting::isCode(text.back()))
        text.chop(1);

    // Latin-1 when every character fits, else UTF-8 (read back from the stored form, so
    // that what is laid out now is what will be read later).
    bool latin1 = true;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    }
    QByteArray utf8;
    QString readBack;
    if (!latin1) {
        utf8 = text.toUtf8();
        readBack = QString::fromUtf8(utf8);
        text = readBack;
    }
    tokenize(currentLook_, lineClass, text, appended_, highlight);
    if (appended_.empty()) {
        Q_EMIT linesAppended();
        return;
    }
    currentLookUsed_ = true;

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
    if (latin1) {
        const qsizetype at = block.text.size();
        block.text.resize(at + text.size());
        char* out = block.text.data() + at;
        for (const QChar c : text)
            *out++ = char(c.unicode());
    } else {
        block.text.append(utf8);
    }
    qint64 natural = 0;
    for (const Word& w : appended_)
        natural += w.width;
    LineRecord record{};
    record.textEnd = std::uint32_t(block.text.size());
    record.firstWord = std::uint32_t(block.words);
    record.naturalWidth = std::uint16_t(std::min<qint64>(natural, 0xFFFF));
    record.kind = std::uint16_t(lineClass | (latin1 ? 0 : Utf8Flag) |
                                (highlight ? HighlightFlag : 0) | (currentLook_ << LookShift));
    block.lines.push_back(record);
    block.words += qsizetype(appended_.size());
    wordCount_ += qsizetype(appended_.size());
    ++lineCount_;

    layoutFrom(laidOutLines_);
    appended_.clear();
    trimToLimit();
    Q_EMIT linesAppended();
}

void ChatDocument::clear()
{
    std::vector<Block>().swap(blocks_);
    forgetWords();
    table_.clear();
    // Only the current look is still wanted.
    Look current = looks_[currentLook_];
    looks_.assign(1, current);
    currentLook_ = 0;
    currentLookUsed_ = false;
    lineCount_ = 0;
    wordCount_ = 0;
    laidOutLines_ = 0;
    rowTotal_ = 0;
    Q_EMIT cleared();
}

void ChatDocument::setLineLimit(qsizetype lines)
{
    lineLimit_ = std::max<qsizetype>(lines, 0);
}

void ChatDocument::trimToLimit()
{
    if (lineLimit_ <= 0 || lineCount_ <= lineLimit_)
        return;
    const qsizetype drop =
        std::min(lineCount_, std::max(lineCount_ - lineLimit_,
                                      std::min<qsizetype>(BlockLines, lineLimit_ / 8)));
    const qsizetype words = drop < lineCount_ ? lineFirstWord(drop) : wordCount_;
    const bool keepsLayout = drop < laidOutLines_;
    const int rows = keepsLayout ? lineFirstRow(drop) : rowTotal_;
    const qint64 y = keepsLayout ? lineY(drop) : 0;

    std::size_t whole = 0;
    while (whole < blocks_.size() &&
           blocks_[whole].firstLine + qsizetype(blocks_[whole].lines.size()) <= drop)
        ++whole;
    blocks_.erase(blocks_.begin(), blocks_.begin() + qsizetype(whole));
    if (!blocks_.empty() && blocks_.front().firstLine < drop) {
        // Part of a block: its records are counted from the first line that stays.
        Block& b = blocks_.front();
        const auto cut = std::size_t(drop - b.firstLine);
        const LineRecord& first = b.lines[cut];
        const std::uint32_t textStart = b.lines[cut - 1].textEnd;
        const std::uint32_t word0 = first.firstWord;
        const std::uint32_t row0 = keepsLayout ? first.firstRow : 0;
        const std::uint32_t y0 = keepsLayout ? first.y : 0;
        b.lines.erase(b.lines.begin(), b.lines.begin() + qsizetype(cut));
        b.text.remove(0, textStart);
        for (LineRecord& r : b.lines) {
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
        b.y -= y;
    }
    if (!keepsLayout) {
        for (Block& b : blocks_) {
            b.rows = 0;
            b.height = 0;
        }
    }
    lineCount_ -= drop;
    wordCount_ -= words;
    laidOutLines_ = std::max<qsizetype>(0, laidOutLines_ - drop);
    rowTotal_ -= rows;
    forgetWords();
    Q_EMIT linesTrimmed(drop, words, rows);
}

// --- reading lines ----------------------------------------------------------------------

ChatDocument::LinePlace ChatDocument::placeOfLine(qsizetype line) const
{
    const auto it = std::upper_bound(blocks_.begin(), blocks_.end(), line,
                                     [](qsizetype l, const Block& b) { return l < b.firstLine; });
    const auto block = std::size_t(it - blocks_.begin()) - 1;
    return {block, std::size_t(line - blocks_[block].firstLine)};
}

const ChatDocument::LineRecord& ChatDocument::record(qsizetype line) const
{
    const LinePlace p = placeOfLine(line);
    return blocks_[p.block].lines[p.index];
}

QString ChatDocument::lineText(qsizetype line) const
{
    const LinePlace p = placeOfLine(line);
    const Block& b = blocks_[p.block];
    const LineRecord& r = b.lines[p.index];
    const std::uint32_t start = p.index > 0 ? b.lines[p.index - 1].textEnd : 0;
    const char* data = b.text.constData() + start;
    const auto size = qsizetype(r.textEnd - start);
    return (r.kind & Utf8Flag) ? QString::fromUtf8(data, size) : QString::fromLatin1(data, size);
}

qsizetype ChatDocument::lineFirstWord(qsizetype line) const
{
    if (line >= lineCount_)
        return wordCount_;
    const LinePlace p = placeOfLine(line);
    return blocks_[p.block].firstWord + blocks_[p.block].lines[p.index].firstWord;
}

int ChatDocument::lineFirstRow(qsizetype line) const
{
    if (line >= laidOutLines_)
        return rowTotal_;
    const LinePlace p = placeOfLine(line);
    return int(blocks_[p.block].firstRow + blocks_[p.block].lines[p.index].firstRow);
}

qint64 ChatDocument::lineY(qsizetype line) const
{
    const LinePlace p = placeOfLine(line);
    return blocks_[p.block].y + blocks_[p.block].lines[p.index].y;
}

int ChatDocument::lineRows(qsizetype line) const
{
    return lineFirstRow(line + 1) - lineFirstRow(line);
}

int ChatDocument::lineRowHeight(qsizetype line) const
{
    const LineRecord& r = record(line);
    return ensureLook(r.kind >> LookShift).heights[r.kind & ClassMask];
}

qsizetype ChatDocument::wordLine(qsizetype word) const
{
    const auto it = std::upper_bound(blocks_.begin(), blocks_.end(), word,
                                     [](qsizetype w, const Block& b) { return w < b.firstWord; });
    const Block& b = *(it - 1);
    const auto local = std::uint32_t(word - b.firstWord);
    const auto in =
        std::upper_bound(b.lines.begin(), b.lines.end(), local,
                         [](std::uint32_t w, const LineRecord& r) { return w < r.firstWord; });
    return b.firstLine + qsizetype(in - b.lines.begin()) - 1;
}

qsizetype ChatDocument::lineOfRow(int row) const
{
    // Only blocks with laid-out lines know their rows.
    const std::size_t laid = laidOutLines_ > 0 ? placeOfLine(laidOutLines_ - 1).block + 1 : 0;
    const auto end = blocks_.begin() + qsizetype(laid);
    const auto it = std::upper_bound(blocks_.begin(), end, qint64(row),
                                     [](qint64 r, const Block& b) { return r < b.firstRow; });
    const Block& b = *(it - 1);
    const auto local = std::uint32_t(row - b.firstRow);
    const auto lines = std::min<qsizetype>(qsizetype(b.lines.size()), laidOutLines_ - b.firstLine);
    const auto in =
        std::upper_bound(b.lines.begin(), b.lines.begin() + lines, local,
                         [](std::uint32_t r, const LineRecord& l) { return r < l.firstRow; });
    return b.firstLine + qsizetype(in - b.lines.begin()) - 1;
}

void ChatDocument::forgetWords() const
{
    cache_.clear();
    lastLine_ = -1;
    lastWords_ = nullptr;
}

const ChatDocument::LineWords& ChatDocument::lineWords(qsizetype line) const
{
    if (line == lastLine_ && lastWords_)
        return *lastWords_;
    auto it = cache_.find(line);
    if (it == cache_.end()) {
        if (cache_.size() >= CachedLines) {
            // The older half goes at once: reading through a long history costs a
            // constant amount per line.
            std::vector<std::uint64_t> uses;
            uses.reserve(cache_.size());
            for (const auto& entry : cache_)
                uses.push_back(entry.second->used);
            auto middle = uses.begin() + qsizetype(uses.size() / 2);
            std::nth_element(uses.begin(), middle, uses.end());
            const std::uint64_t keepFrom = *middle;
            std::erase_if(cache_,
                          [keepFrom](const auto& entry) { return entry.second->used < keepFrom; });
        }
        auto words = std::make_unique<LineWords>();
        words->text = lineText(line);
        tokenize(lookOf(line), lineClassOf(line), words->text, words->words,
                 record(line).kind & HighlightFlag);
        if (line < laidOutLines_)
            wrap(words->words, &words->rowStarts);
        it = cache_.emplace(line, std::move(words)).first;
    }
    it->second->used = ++useClock_;
    lastLine_ = line;
    lastWords_ = it->second.get();
    return *lastWords_;
}

const ChatDocument::Word& ChatDocument::wordRecord(qsizetype word) const
{
    const qsizetype line = wordLine(word);
    return lineWords(line).words[std::size_t(word - lineFirstWord(line))];
}

QStringView ChatDocument::wordText(qsizetype i) const
{
    const qsizetype line = wordLine(i);
    const LineWords& words = lineWords(line);
    const Word& w = words.words[std::size_t(i - lineFirstWord(line))];
    return QStringView(words.text).sliced(w.start, w.length);
}

QString ChatDocument::plainLine(qsizetype line) const
{
    if (line < 0 || line >= lineCount_)
        return {};
    // The words joined are the text less its codes (and the digits a colour takes); no
    // measuring is needed for that.
    const QString text = lineText(line);
    const Look& look = looks_[lookOf(line)];
    const int lineClass = lineClassOf(line);
    Attributes attributes;
    QString plain;
    plain.reserve(text.size());
    const QStringView view(text);
    qsizetype pos = 0;
    while (pos < view.size()) {
        const qsizetype end = tokenEnd(view, pos);
        const qsizetype body = Formatting::isCode(view[pos])
                                   ? applyCode(look, view, pos, end, lineClass, attributes)
                                   : pos;
        plain += view.sliced(body, end - body);
        pos = end;
    }
    return plain;
}

QStringList ChatDocument::plainLines() const
{
    QStringList lines;
    lines.reserve(lineCount_);
    for (qsizetype i = 0; i < lineCount_; ++i)
        lines.append(plainLine(i));
    return lines;
}

// --- layout -----------------------------------------------------------------------------

void ChatDocument::computeMargins()
{
    const int w = std::clamp(viewSize_.width(), 0, MaxViewExtent);
    const int h = std::max(viewSize_.height(), 0);
    // Thousandths of the size, truncated toward zero, kept inside the 16-bit x range.
    auto scale = [](int thousandths, int extent) {
        return int(std::clamp<qint64>(qint64(thousandths) * extent / 1000, 0, MaxViewExtent));
    };
    left_ = scale(theme_.textscalex1, w);
    right_ = scale(theme_.textscalex2, w);
    top_ = int(qint64(theme_.textscaley1) * h / 1000);
    bottom_ = int(qint64(theme_.textscaley2) * h / 1000);
}

void ChatDocument::setViewSize(QSize size)
{
    if (size == viewSize_)
        return;
    viewSize_ = size;
    const int oldLeft = left_;
    const int oldRight = right_;
    computeMargins();
    // Only the horizontal margins change where words go.
    if (left_ != oldLeft || right_ != oldRight)
        relayout();
}

void ChatDocument::setLayoutEnabled(bool enabled)
{
    if (enabled == layoutEnabled_)
        return;
    layoutEnabled_ = enabled;
    if (!enabled)
        return;
    if (fullLayoutPending_) {
        relayout();
    } else if (laidOutLines_ < lineCount_) {
        layoutFrom(laidOutLines_);
        Q_EMIT layoutChanged();
    }
}

void ChatDocument::relayout()
{
    // Switched off, the old layout stays (and stays consistent) until switched on.
    fullLayoutPending_ = !layoutEnabled_;
    if (!layoutEnabled_)
        return;
    layoutFrom(0);
    Q_EMIT layoutChanged();
}

qsizetype ChatDocument::laidOutWordCount() const
{
    return lineFirstWord(laidOutLines_);
}

void ChatDocument::layoutFrom(qsizetype firstLine)
{
    if (!layoutEnabled_)
        return;
    if (firstLine == 0) {
        forgetWords(); // their x and rows were made for the old margins
        layoutLeft_ = left_;
        layoutRight_ = right_;
        laidOutLines_ = 0;
        rowTotal_ = 0;
        for (Block& b : blocks_) {
            b.rows = 0;
            b.height = 0;
        }
    }
    if (laidOutLines_ >= lineCount_)
        return;
    std::vector<Word> scratch;
    LinePlace p = placeOfLine(laidOutLines_);
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
            LineRecord& r = b.lines[p.index];
            const qsizetype line = b.firstLine + qsizetype(p.index);
            int rows = 1;
            if (r.naturalWidth == 0xFFFF || layoutLeft_ + r.naturalWidth > layoutRight_) {
                // Only a line that may wrap is made into words again.
                if (line == lineCount_ - 1 && !appended_.empty()) {
                    rows = wrap(appended_, nullptr);
                } else {
                    const QString text = lineText(line);
                    tokenize(r.kind >> LookShift, r.kind & ClassMask, text, scratch,
                             r.kind & HighlightFlag);
                    rows = wrap(scratch, nullptr);
                }
            }
            r.firstRow = std::uint32_t(b.rows);
            r.y = std::uint32_t(b.height);
            b.rows += rows;
            b.height += qint64(rows) * ensureLook(r.kind >> LookShift).heights[r.kind & ClassMask];
            rowTotal_ += rows;
        }
    }
    laidOutLines_ = lineCount_;
}

int ChatDocument::wordRow(qsizetype word) const
{
    if (word < 0 || word >= laidOutWordCount())
        return -1;
    const qsizetype line = wordLine(word);
    const int first = lineFirstRow(line);
    if (lineRows(line) == 1)
        return first;
    const LineWords& words = lineWords(line);
    const auto local = std::uint32_t(word - lineFirstWord(line));
    const auto it = std::upper_bound(words.rowStarts.begin(), words.rowStarts.end(), local);
    return first + int(it - words.rowStarts.begin()) - 1;
}

qsizetype ChatDocument::rowFirstWord(int row) const
{
    const qsizetype line = lineOfRow(row);
    const int k = row - lineFirstRow(line);
    if (k == 0)
        return lineFirstWord(line);
    return lineFirstWord(line) + qsizetype(lineWords(line).rowStarts[std::size_t(k)]);
}

int ChatDocument::rowY(int row) const
{
    const qsizetype line = lineOfRow(row);
    return int(lineY(line) + qint64(row - lineFirstRow(line)) * lineRowHeight(line));
}

int ChatDocument::rowHeight(int row) const
{
    return lineRowHeight(lineOfRow(row));
}

int ChatDocument::lastRowFittingFrom(int firstRow) const
{
    if (firstRow < 0 || firstRow >= rowCount())
        return firstRow - 1;
    const int limit = rowY(firstRow) + (bottom_ - top_);
    int row = firstRow;
    while (row < rowCount() && rowY(row) + rowHeight(row) <= limit)
        ++row;
    return row - 1;
}

int ChatDocument::firstRowEndingAt(int lastRow) const
{
    if (lastRow < 0 || lastRow >= rowCount())
        return 0;
    // The first row whose y is at least the target, found by line and then within it.
    const qint64 target = qint64(rowY(lastRow)) + rowHeight(lastRow) - (bottom_ - top_);
    if (target <= 0)
        return 0;
    qsizetype lo = 0;
    qsizetype hi = lineOfRow(lastRow);
    while (lo < hi) { // the last line starting at or above the target
        const qsizetype mid = (lo + hi + 1) / 2;
        if (lineY(mid) <= target)
            lo = mid;
        else
            hi = mid - 1;
    }
    const int height = std::max(lineRowHeight(lo), 1);
    const qint64 into = target - lineY(lo);
    const int k = int((into + height - 1) / height);
    return std::min(lineFirstRow(lo) + k, lastRow);
}

qsizetype ChatDocument::wordAt(int firstRow, QPoint point) const
{
    const int last = lastRowFittingFrom(firstRow);
    for (int row = std::max(firstRow, 0); row <= last; ++row) {
        const int y = rowY(row) - rowY(firstRow) + top_;
        if (point.y() < y || point.y() >= y + rowHeight(row))
            continue;
        for (qsizetype i = rowFirstWord(row); i < rowEndWord(row); ++i) {
            const int x = wordX(i);
            if (x + 3 < point.x() && point.x() < x + wordWidth(i) - 5)
                return i;
        }
        return -1;
    }
    return -1;
}

// --- links and selection ----------------------------------------------------------------

bool ChatDocument::endsWithSpace(qsizetype word) const
{
    const QStringView text = wordText(word);
    return !text.isEmpty() && text.back() == u' ';
}

std::pair<qsizetype, qsizetype> ChatDocument::delimitedWordRange(qsizetype word) const
{
    qsizetype first = word;
    while (first > 0 && !isLineStart(first) && !endsWithSpace(first - 1))
        --first;
    qsizetype last = word;
    while (!endsWithSpace(last) && last + 1 < wordCount() && !isLineStart(last + 1))
        ++last;
    return {first, last};
}

QString ChatDocument::joinedText(qsizetype first, qsizetype last) const
{
    QString text;
    for (qsizetype i = first; i <= last; ++i)
        text += wordText(i);
    return text;
}

ChatLink ChatDocument::linkAt(qsizetype word) const
{
    if (word < 0 || word >= wordCount())
        return {};
    const auto [first, last] = delimitedWordRange(word);
    qsizetype lineStart = first;
    while (lineStart > 0 && !isLineStart(lineStart))
        --lineStart;
    const auto [ownerFirst, ownerLast] = delimitedWordRange(lineStart);
    ChatLink link = classifyLink(joinedText(first, last).trimmed(),
                                 joinedText(ownerFirst, ownerLast).trimmed());
    if (link.isLink()) {
        link.firstWord = first;
        link.lastWord = last;
    }
    return link;
}

int ChatDocument::characterAt(qsizetype word, int x) const
{
    const QStringView text = wordText(word);
    if (text.size() <= 1)
        return 0;
    const int offset = x - wordX(word);
    const std::uint16_t font = wordStyle(word).font;
    // The first prefix that reaches past the pointer ends with its character.
    qsizetype lo = 1;
    qsizetype hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (measure(font, text.first(mid)) > offset)
            hi = mid;
        else
            lo = mid + 1;
    }
    return int(std::min(lo, text.size()) - 1);
}

int ChatDocument::characterOffset(qsizetype word, int characters) const
{
    const QStringView text = wordText(word);
    characters = std::clamp(characters, 0, int(text.size()));
    return measure(wordStyle(word).font, text.first(characters));
}

QString ChatDocument::selectionText(const ChatSelection& selection) const
{
    if (!selection.isValid() || selection.endWord >= wordCount())
        return {};
    const qsizetype start = selection.startWord;
    const qsizetype end = selection.endWord;
    if (start == end) {
        const QStringView text = wordText(start);
        const int from = std::min(selection.startChar, selection.endChar);
        const int to = std::max(selection.startChar, selection.endChar);
        return text.mid(from, to - from + 1).toString();
    }
    QString result = wordText(start).mid(selection.startChar).toString();
    for (qsizetype i = start + 1; i <= end; ++i) {
        if (isLineStart(i))
            result += u"\r\n";
        result += i == end ? wordText(i).first(std::clamp(qsizetype(selection.endChar) + 1,
                                                          qsizetype(0), wordText(i).size()))
                           : wordText(i);
    }
    return result;
}
