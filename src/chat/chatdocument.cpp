#include "chat/chatdocument.h"

#include "core/formatting.h"

#include <algorithm>

ChatDocument::ChatDocument(QObject* parent)
    : ChatDocument(std::make_unique<FontMetricsMeasurer>(), parent)
{
}

ChatDocument::ChatDocument(std::unique_ptr<TextMeasurer> measurer, QObject* parent)
    : QObject(parent), formatter_(std::move(measurer))
{
    computeMargins();
    layoutLeft_ = left_;
    layoutRight_ = right_;
}

ChatDocument::~ChatDocument() = default;

void ChatDocument::applyTheme(const ThemeRecord& theme)
{
    theme_ = theme;
    formatter_.applyTheme(theme);
    computeMargins();
    Q_EMIT themeApplied();
    relayout();
}

// --- adding and dropping lines ----------------------------------------------------------

void ChatDocument::tokenizeLine(qsizetype line, const QString& text, std::vector<Word>& words) const
{
    const std::uint16_t kind = record(line).kind;
    formatter_.tokenize(kind >> LookShift, kind & ClassMask, text, words, kind & HighlightFlag);
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

bool ChatDocument::storeLine(ChatLineStore& store, int lineClass, QStringView text, bool highlight)
{
    lineClass = std::clamp(lineClass, 0, 2);
    if (!text.isEmpty() && Formatting::isCode(text.back()))
        text.chop(1);

    // Latin-1 when every character fits, else UTF-8 (read back from the stored form, so
    // that what is laid out now is what will be read later).
    QByteArray utf8;
    QString readBack;
    if (!ChatLineStore::fitsLatin1(text)) {
        utf8 = text.toUtf8();
        readBack = QString::fromUtf8(utf8);
        text = readBack;
    }
    const std::size_t look = formatter_.currentLook();
    formatter_.tokenize(look, lineClass, text, appended_, highlight);
    if (appended_.empty())
        return false;
    formatter_.useCurrentLook();

    qint64 natural = 0;
    for (const Word& w : appended_)
        natural += w.width;
    store.append(text, utf8,
                 std::uint16_t(lineClass | (highlight ? HighlightFlag : 0) | (look << LookShift)),
                 qsizetype(appended_.size()), std::uint16_t(std::min<qint64>(natural, 0xFFFF)));
    return true;
}

void ChatDocument::appendLine(int lineClass, const QString& line, bool highlight, StorePlace place)
{
    if (!storeLine(lines_, lineClass, line, highlight)) {
        Q_EMIT linesAppended();
        return;
    }
    places_.push_back(place);
    layoutFrom(laidOutLines_);
    appended_.clear();
    trimToLimit();
    Q_EMIT linesAppended();
}

void ChatDocument::prependLines(const std::vector<PlacedLine>& lines)
{
    ChatLineStore front;
    std::vector<StorePlace> places;
    places.reserve(lines.size());
    for (const PlacedLine& line : lines) {
        if (storeLine(front, line.lineClass, line.text, false))
            places.push_back(line.place);
    }
    appended_.clear();
    if (front.count() == 0)
        return;
    const qsizetype count = front.count();
    const qsizetype words = front.wordCount();
    // The lines here keep their layout when it is whole; the new ones are laid out alone.
    const bool keepLayout =
        layoutEnabled_ && !fullLayoutPending_ && laidOutLines_ == lines_.count();
    int rows = 0;
    if (keepLayout) {
        std::vector<Word> scratch;
        rows = int(front.layOut(0, [&](qsizetype line, const ChatLineRecord& r) {
            return placeLine(front.text(line), r, nullptr, scratch);
        }));
    }
    lines_.prepend(std::move(front), keepLayout);
    places_.insert(places_.begin(), places.begin(), places.end());
    forgetWords();
    if (keepLayout) {
        laidOutLines_ += count;
        rowTotal_ += rows;
    } else {
        laidOutLines_ = 0;
        rowTotal_ = 0;
        fullLayoutPending_ = true;
    }
    Q_EMIT linesPrepended(count, words, rows);
    if (!keepLayout && layoutEnabled_)
        relayout();
}

void ChatDocument::dropBack(qsizetype drop)
{
    drop = std::clamp<qsizetype>(drop, 0, lines_.count());
    if (drop == 0)
        return;
    const qsizetype keep = lines_.count() - drop;
    const int rows = lineFirstRow(keep);
    lines_.dropBack(drop, laidOutLines_);
    places_.erase(places_.begin() + keep, places_.end());
    laidOutLines_ = std::min(laidOutLines_, keep);
    rowTotal_ = rows;
    forgetWords();
    Q_EMIT linesDroppedBack();
}

void ChatDocument::askForOlder()
{
    if (moreBefore_)
        Q_EMIT olderLinesWanted();
}

void ChatDocument::askForNewer()
{
    if (moreAfter_)
        Q_EMIT newerLinesWanted();
}

void ChatDocument::clear()
{
    lines_.clear();
    places_.clear();
    moreBefore_ = false;
    moreAfter_ = false;
    forgetWords();
    formatter_.clear();
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
    const qsizetype count = lines_.count();
    if (lineLimit_ <= 0 || count <= lineLimit_)
        return;
    const qsizetype drop = std::min(
        count, std::max(count - lineLimit_, std::min<qsizetype>(BlockLines, lineLimit_ / 8)));
    const qsizetype words = lines_.firstWord(drop);
    const bool keepsLayout = drop < laidOutLines_;
    const int rows = keepsLayout ? lineFirstRow(drop) : rowTotal_;
    const auto dropped = places_.begin() + drop;
    if (std::any_of(places_.begin(), dropped, [](const StorePlace& p) { return p.isStored(); }))
        moreBefore_ = true;
    places_.erase(places_.begin(), dropped);
    lines_.dropFront(drop, keepsLayout);
    laidOutLines_ = std::max<qsizetype>(0, laidOutLines_ - drop);
    rowTotal_ -= rows;
    forgetWords();
    Q_EMIT linesTrimmed(drop, words, rows);
}

// --- reading lines ----------------------------------------------------------------------

qsizetype ChatDocument::lineFirstWord(qsizetype line) const
{
    return lines_.firstWord(line);
}

int ChatDocument::lineFirstRow(qsizetype line) const
{
    if (line >= laidOutLines_)
        return rowTotal_;
    return int(lines_.firstRow(line));
}

qint64 ChatDocument::lineY(qsizetype line) const
{
    return lines_.y(line);
}

int ChatDocument::lineRows(qsizetype line) const
{
    return lineFirstRow(line + 1) - lineFirstRow(line);
}

int ChatDocument::lineRowHeight(qsizetype line) const
{
    const ChatLineRecord& r = record(line);
    return formatter_.lineHeight(r.kind >> LookShift, r.kind & ClassMask);
}

qsizetype ChatDocument::wordLine(qsizetype word) const
{
    return lines_.lineOfWord(word);
}

qsizetype ChatDocument::lineOfRow(int row) const
{
    return lines_.lineOfRow(row, laidOutLines_);
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
        words->text = lines_.text(line);
        tokenizeLine(line, words->text, words->words);
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
    if (line < 0 || line >= lines_.count())
        return {};
    // The words joined are the text less its codes (and the digits a colour takes); no
    // measuring is needed for that.
    return formatter_.plainText(lookOf(line), lineClassOf(line), lines_.text(line));
}

QStringList ChatDocument::plainLines() const
{
    QStringList lines;
    lines.reserve(lines_.count());
    for (qsizetype i = 0; i < lines_.count(); ++i)
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
    } else if (laidOutLines_ < lines_.count()) {
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
        lines_.resetLayout();
    }
    const qsizetype count = lines_.count();
    if (laidOutLines_ >= count)
        return;
    std::vector<Word> scratch;
    rowTotal_ += int(lines_.layOut(laidOutLines_, [&](qsizetype line, const ChatLineRecord& r) {
        const bool last = line == count - 1 && !appended_.empty();
        return placeLine(last ? QString() : lines_.text(line), r, last ? &appended_ : nullptr,
                         scratch);
    }));
    laidOutLines_ = count;
}

std::pair<int, int> ChatDocument::placeLine(const QString& text, const ChatLineRecord& r,
                                            std::vector<Word>* words,
                                            std::vector<Word>& scratch) const
{
    int rows = 1;
    if (r.naturalWidth == 0xFFFF || layoutLeft_ + r.naturalWidth > layoutRight_) {
        // Only a line that may wrap is made into words again.
        if (!words) {
            formatter_.tokenize(r.kind >> LookShift, r.kind & ClassMask, text, scratch,
                                r.kind & HighlightFlag);
            words = &scratch;
        }
        rows = wrap(*words, nullptr);
    }
    return {rows, formatter_.lineHeight(r.kind >> LookShift, r.kind & ClassMask)};
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
