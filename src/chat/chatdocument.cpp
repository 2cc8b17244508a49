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
    computeMargins();
}

ChatDocument::~ChatDocument() = default;

// --- theme and styles -------------------------------------------------------------------

void ChatDocument::applyTheme(const ThemeRecord& theme)
{
    theme_ = theme;
    // Heights are measured lazily, so a document can be built before the GUI is.
    classStylesValid_ = false;
    computeMargins();
    Q_EMIT themeApplied();
    relayout();
}

int ChatDocument::lineHeight(int lineClass)
{
    ensureClassStyles();
    return lineHeights_[std::clamp(lineClass, 0, 2)];
}

qint32 ChatDocument::classColor(int lineClass) const
{
    if (highlighting_)
        return theme_.highlightcolor;
    const std::array<qint32, 3> colours{theme_.servercolor, theme_.othercolor, theme_.youcolor};
    return colours[lineClass];
}

ChatDocument::Attributes ChatDocument::classDefaults(int lineClass) const
{
    const std::array<bool, 3> bold{theme_.serverbold, theme_.otherbold, theme_.youbold};
    const std::array<bool, 3> italic{theme_.serveritalic, theme_.otheritalic, theme_.youitalic};
    Attributes a;
    a.bold = bold[lineClass];
    a.italic = italic[lineClass];
    a.textColor = classColor(lineClass);
    return a;
}

std::uint16_t ChatDocument::classFont(int lineClass, bool bold, bool italic)
{
    int& cached = classFontIndex_[lineClass][(bold ? 1 : 0) | (italic ? 2 : 0)];
    if (cached >= 0)
        return std::uint16_t(cached);
    const std::array<const QString*, 3> names{&theme_.serverfont, &theme_.otherfont,
                                              &theme_.youfont};
    const std::array<int, 3> sizes{theme_.serversize, theme_.othersize, theme_.yousize};
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

void ChatDocument::ensureClassStyles()
{
    if (classStylesValid_)
        return;
    for (auto& perClass : classFontIndex_)
        perClass.fill(-1);
    for (int c = 0; c < 3; ++c) {
        const Attributes a = classDefaults(c);
        lineHeights_[c] = measurer_->textHeight(fonts_[classFont(c, a.bold, a.italic)], u"Hello");
    }
    classStylesValid_ = true;
    for (int c = 0; c < 3; ++c)
        classStyles_[c] = internStyle(c, classDefaults(c));
}

std::uint16_t ChatDocument::internStyle(int lineClass, const Attributes& a)
{
    ChatStyle s;
    s.font = classFont(lineClass, a.bold, a.italic);
    s.lineClass = std::uint8_t(lineClass);
    s.bold = a.bold;
    s.italic = a.italic;
    s.underline = a.underline;
    s.backgroundDrawn = a.backgroundDrawn;
    s.textColor = a.textColor;
    // Without the background drawn its colour is never seen; one style serves all.
    s.backColor = a.backgroundDrawn ? a.backColor : 0;
    s.height = lineHeights_[lineClass];
    const auto it = styleIndex_.constFind(s);
    if (it != styleIndex_.constEnd())
        return it.value();
    // Some thousands of styles at most are reachable per theme; should a session ever
    // exhaust 16 bits, further looks fall back to the class default.
    if (styles_.size() >= 0xFFFF)
        return classStyles_[lineClass];
    const auto index = std::uint16_t(styles_.size());
    styles_.push_back(s);
    styleIndex_.insert(s, index);
    return index;
}

// --- tokenising -------------------------------------------------------------------------

qsizetype ChatDocument::applyCode(QStringView text, qsizetype at, qsizetype end, int lineClass,
                                  Attributes& a) const
{
    const QChar code = text[at];
    qsizetype i = at + 1;
    if (code == Formatting::Bold) {
        if (!theme_.ignoremircbold)
            a.bold = !a.bold;
    } else if (code == Formatting::Underline) {
        if (!theme_.ignoremircunderline)
            a.underline = !a.underline;
    } else if (code == Formatting::Reverse) {
        if (!theme_.ignoremircreverse) {
            a.reverse = !a.reverse;
            a.textColor = a.reverse ? theme_.backcolor : classColor(lineClass);
            a.backColor = a.reverse ? classColor(lineClass) : 0;
            a.backgroundDrawn = a.reverse;
        }
    } else if (code == Formatting::Plain) {
        const bool reverse = a.reverse; // 0x0F leaves the reverse state alone
        a = classDefaults(lineClass);
        a.reverse = reverse;
    } else if (code == Formatting::Colour) {
        a.backgroundDrawn = false;
        if (i >= end || !isDigit(text[i])) {
            a.textColor = classColor(lineClass);
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
            if (!theme_.ignoremirctextcolor && number <= 15) {
                a.textColor = colourNumbers[number];
                a.backColor = 0;
            }
            return i;
        }
        if (!theme_.ignoremirctextcolor && number <= 15)
            a.textColor = colourNumbers[number];
        // The comma after the first digit was dropped above; one more may follow.
        if (i < end && text[i] == u',')
            ++i;
        int back = -1;
        for (int digits = 0; digits < 2 && i < end && isDigit(text[i]); ++digits)
            back = (back < 0 ? 0 : back * 10) + digitValue(text[i++]);
        if (!theme_.ignoremircbackcolor && back >= 0 && back <= 15) {
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
                                      int& fitWidth)
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

std::uint32_t ChatDocument::pieceFor(std::uint16_t font, QStringView& piece)
{
    std::uint32_t hash = WordTextTable::hashOf(font, piece);
    std::uint32_t id = table_.find(font, piece, hash);
    if (id != WordTextTable::npos)
        return id; // pieces in the table are never wider than allowed, or single
    int width = measure(font, piece);
    if (width > MaxPieceWidth && piece.size() > 1) {
        const qsizetype length = fittingLength(font, piece, width, width);
        if (length < piece.size()) {
            piece = piece.first(length);
            hash = WordTextTable::hashOf(font, piece);
            id = table_.find(font, piece, hash);
            if (id != WordTextTable::npos)
                return id;
        }
    }
    return table_.insert(font, piece, hash, std::uint16_t(width));
}

void ChatDocument::appendLine(int lineClass, const QString& line, bool highlight)
{
    lineClass = std::clamp(lineClass, 0, 2);
    ensureClassStyles();
    QStringView text(line);
    if (!text.isEmpty() && Formatting::isCode(text.back()))
        text.chop(1);

    const qsizetype firstNew = wordCount();
    highlighting_ = highlight;
    Attributes attributes = classDefaults(lineClass);
    std::uint16_t style = highlight ? internStyle(lineClass, attributes) : classStyles_[lineClass];
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype end = tokenEnd(text, pos);
        qsizetype bodyStart = pos;
        if (Formatting::isCode(text[pos])) {
            bodyStart = applyCode(text, pos, end, lineClass, attributes);
            style = internStyle(lineClass, attributes);
        }
        QStringView piece = text.sliced(bodyStart, end - bodyStart);
        if (piece.size() > MaxPieceLength)
            piece = piece.first(keepPairs(piece, MaxPieceLength));
        // The part of an over-wide piece that is cut off is read again as a token.
        const std::uint32_t id = pieceFor(styles_[style].font, piece);
        pos = bodyStart + piece.size();
        const bool lineStart = wordCount() == firstNew;
        words_.push_back(
            {id, style, table_.width(id), 0, std::uint16_t(lineStart ? LineStartFlag : 0)});
    }
    highlighting_ = false;
    if (wordCount() > firstNew)
        ++lineCount_;
    layoutFrom(laidOut_);
    Q_EMIT linesAppended();
}

void ChatDocument::clear()
{
    std::vector<WordRecord>().swap(words_);
    std::vector<Row>().swap(rows_);
    table_.clear();
    laidOut_ = 0;
    lineCount_ = 0;
    Q_EMIT cleared();
}

QStringList ChatDocument::plainLines() const
{
    QStringList lines;
    lines.reserve(lineCount_);
    for (qsizetype i = 0; i < wordCount(); ++i) {
        if (isLineStart(i))
            lines.append(QString());
        lines.last() += wordText(i);
    }
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
    } else if (laidOut_ < wordCount()) {
        layoutFrom(laidOut_);
        Q_EMIT layoutChanged();
    }
}

void ChatDocument::relayout()
{
    // Switched off, the old layout stays (and stays consistent) until switched on.
    fullLayoutPending_ = !layoutEnabled_;
    if (!layoutEnabled_)
        return;
    laidOut_ = 0;
    layoutFrom(0);
    Q_EMIT layoutChanged();
}

void ChatDocument::layoutFrom(qsizetype first)
{
    if (!layoutEnabled_)
        return;
    int prevRight = left_;
    int prevY = 0;
    int prevHeight = 0;
    if (first == 0) {
        rows_.clear();
    } else {
        const int row = wordRow(first - 1);
        rows_.resize(size_t(row) + 1);
        const WordRecord& prev = words_[size_t(first - 1)];
        prevRight = prev.x + prev.width;
        prevY = rows_.back().y;
        prevHeight = styles_[prev.style].height;
    }
    const int left = left_;
    const int right = right_;
    const int indented = left_ + ContinuationIndent;
    const size_t count = words_.size();
    for (size_t i = size_t(first); i < count; ++i) {
        WordRecord& w = words_[i];
        int x = prevRight;
        if ((w.flags & LineStartFlag) || prevRight + w.width > right) {
            x = (w.flags & LineStartFlag) ? left : indented;
            prevY += prevHeight;
            rows_.push_back({std::uint32_t(i), prevY});
        }
        w.x = std::uint16_t(x);
        prevRight = x + w.width;
        prevHeight = styles_[w.style].height;
    }
    laidOut_ = qsizetype(count);
}

int ChatDocument::wordRow(qsizetype word) const
{
    if (word < 0 || word >= laidOut_)
        return -1;
    const auto it = std::upper_bound(rows_.begin(), rows_.end(), std::uint32_t(word),
                                     [](std::uint32_t w, const Row& r) { return w < r.firstWord; });
    return int(it - rows_.begin()) - 1;
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
    const int target = rowY(lastRow) + rowHeight(lastRow) - (bottom_ - top_);
    const auto it = std::lower_bound(rows_.begin(), rows_.begin() + lastRow, target,
                                     [](const Row& r, int y) { return r.y < y; });
    return int(it - rows_.begin());
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
