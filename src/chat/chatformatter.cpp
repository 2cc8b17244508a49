#include "chat/chatformatter.h"

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

// A formatting code, or a control character that is read like one that changes nothing:
// either begins a token of its own and is never part of a word's text.
bool startsCode(QChar c)
{
    return Formatting::isCode(c) || Formatting::isHiddenControl(c);
}

// Tokenising step 3: the first character, then up to (not including) the next code or
// up to and including the next space, whichever comes first.
qsizetype tokenEnd(QStringView text, qsizetype start)
{
    const qsizetype n = text.size();
    qsizetype i = start + 1;
    while (i < n) {
        const QChar c = text[i];
        if (startsCode(c))
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

ChatFormatter::ChatFormatter(std::unique_ptr<TextMeasurer> measurer)
    : measurer_(std::move(measurer))
{
    looks_.push_back({});
}

ChatFormatter::~ChatFormatter() = default;

// --- looks and styles -------------------------------------------------------------------

void ChatFormatter::applyTheme(const ThemeRecord& theme)
{
    // Lines already added keep the look they were made with: a look they use is kept.
    // Heights are measured lazily, so a document can be built before the GUI is.
    if (currentLookUsed_ && looks_.size() < MaxLooks) {
        looks_.push_back({});
        currentLook_ = looks_.size() - 1;
    }
    looks_[currentLook_] = Look{theme};
    currentLookUsed_ = false;
}

void ChatFormatter::clear()
{
    table_.clear();
    Look current = looks_[currentLook_];
    looks_.assign(1, current);
    currentLook_ = 0;
    currentLookUsed_ = false;
}

int ChatFormatter::lineHeight(std::size_t look, int lineClass) const
{
    return ensureLook(look).heights[std::clamp(lineClass, 0, 2)];
}

qint32 ChatFormatter::classColor(const Look& look, int lineClass) const
{
    const ThemeRecord& t = look.theme;
    if (highlighting_)
        return t.highlightcolor;
    const std::array<qint32, 3> colours{t.servercolor, t.othercolor, t.youcolor};
    return colours[lineClass];
}

ChatFormatter::Attributes ChatFormatter::classDefaults(const Look& look, int lineClass) const
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

std::uint16_t ChatFormatter::classFont(Look& look, int lineClass, bool bold, bool italic,
                                       bool monospace) const
{
    int& cached =
        look.fontIndex[lineClass][(bold ? 1 : 0) | (italic ? 2 : 0) | (monospace ? 4 : 0)];
    if (cached >= 0)
        return std::uint16_t(cached);
    const ThemeRecord& t = look.theme;
    const std::array<const QString*, 3> names{&t.serverfont, &t.otherfont, &t.youfont};
    const std::array<int, 3> sizes{t.serversize, t.othersize, t.yousize};
    // The font record gives the name its rules: at most 31 characters, never empty.
    const FontRecord record(*names[lineClass], sizes[lineClass]);
    const ChatFont font{record.name(), record.size(), bold, italic, monospace};
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

ChatFormatter::Look& ChatFormatter::ensureLook(std::size_t index) const
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

std::uint16_t ChatFormatter::internStyle(Look& look, int lineClass, const Attributes& a) const
{
    ChatStyle s;
    s.font = classFont(look, lineClass, a.bold, a.italic, a.monospace);
    s.lineClass = std::uint8_t(lineClass);
    s.bold = a.bold;
    s.italic = a.italic;
    s.underline = a.underline;
    s.strikethrough = a.strikethrough;
    s.monospace = a.monospace;
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

qsizetype ChatFormatter::applyCode(const Look& look, QStringView text, qsizetype at, qsizetype end,
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
    } else if (code == Formatting::Italic) {
        a.italic = !a.italic;
    } else if (code == Formatting::Strikethrough) {
        a.strikethrough = !a.strikethrough;
    } else if (code == Formatting::Monospace) {
        a.monospace = !a.monospace;
    } else if (code == Formatting::HexColour) {
        // Like 0x03 with hex colours: RRGGBB for the text, ",RRGGBB" for the background;
        // without them a reset to the class colour.
        a.backgroundDrawn = false;
        a.backColor = 0;
        const QStringView token = text.first(end);
        const qsizetype length = Formatting::hexColourLength(token, i);
        if (length == 0) {
            a.textColor = classColor(look, lineClass);
            return i;
        }
        if (!theme.ignoremirctextcolor)
            a.textColor = Formatting::hexColourValue(token.sliced(i));
        if (length > 6 && !theme.ignoremircbackcolor) {
            a.backColor = Formatting::hexColourValue(token.sliced(i + 7));
            a.backgroundDrawn = true;
        }
        return i + length;
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

int ChatFormatter::measure(std::uint16_t font, QStringView text) const
{
    if (text.isEmpty())
        return 0;
    return std::clamp(measurer_->textWidth(fonts_[font], text), 0, 0xFFFF);
}

qsizetype ChatFormatter::fittingLength(std::uint16_t font, QStringView text, int width,
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

std::uint16_t ChatFormatter::widthOf(std::uint16_t font, QStringView& piece) const
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

void ChatFormatter::remember(std::uint16_t font, QStringView piece, std::uint32_t hash,
                             std::uint16_t width, std::uint16_t cut) const
{
    // The cache of widths is bounded: a history of ever new words must not keep them all.
    if (table_.size() >= MaxCachedPieces || table_.characterCount() >= MaxCachedCharacters)
        table_.clear();
    table_.insert(font, piece, hash, width, cut);
}

void ChatFormatter::tokenize(std::size_t lookIndex, int lineClass, QStringView text,
                             std::vector<ChatWord>& words, bool highlight) const
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
        if (startsCode(text[pos])) {
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

QString ChatFormatter::plainText(std::size_t lookIndex, int lineClass, QStringView text) const
{
    const Look& look = looks_[lookIndex];
    Attributes attributes;
    QString plain;
    plain.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype end = tokenEnd(text, pos);
        const qsizetype body =
            startsCode(text[pos]) ? applyCode(look, text, pos, end, lineClass, attributes) : pos;
        plain += text.sliced(body, end - body);
        pos = end;
    }
    return plain;
}
