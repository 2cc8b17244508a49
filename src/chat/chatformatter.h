#pragma once

#include "chat/textmeasurer.h"
#include "chat/wordtexttable.h"
#include "theme/themerecord.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The look of a word: everything a word record would otherwise repeat. A formatter
// interns its styles, so a word carries a 16-bit index instead of a font name and
// colours. Colours are Windows colour values (core/wincolor.h).
struct ChatStyle
{
    std::uint16_t font = 0; // index into the formatter's fonts
    std::uint8_t lineClass = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    bool monospace = false;
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
    return qHashMulti(seed, s.font, s.lineClass, s.bold, s.italic, s.underline, s.strikethrough,
                      s.monospace, s.backgroundDrawn, s.textColor, s.backColor, s.height);
}

// One styled, measured piece of a line: where it lies in the line's text, its style and
// width, and the x the layout gives it.
struct ChatWord
{
    std::uint32_t start;
    std::uint16_t length;
    std::uint16_t style;
    std::uint16_t width;
    std::uint16_t x;
};

// Makes chat lines into words: applies the formatting codes (other control characters
// take no room and show nothing), interns the styles they give under the theme a line was
// added with (its look), and measures pieces, once each, cutting words wider than
// MaxPieceWidth.
class ChatFormatter
{
public:
    static constexpr int MaxPieceWidth = 80; // longer words are cut into pieces

    explicit ChatFormatter(std::unique_ptr<TextMeasurer> measurer);
    ~ChatFormatter();

    // Lines added from now on take this theme; lines added before keep the look they were
    // made with.
    void applyTheme(const ThemeRecord& theme);
    std::size_t currentLook() const { return currentLook_; }
    // A line was added under the current look, so the next theme makes a new one.
    void useCurrentLook() { currentLookUsed_ = true; }
    // No line is kept any more: only the current look stays, and no measured width.
    void clear();

    // The height of a class's line under a look (measured on first use).
    int lineHeight(std::size_t look, int lineClass) const;
    // The words of a line's text; a highlighted line takes the theme's highlight colour
    // where the class colour would be.
    void tokenize(std::size_t look, int lineClass, QStringView text, std::vector<ChatWord>& words,
                  bool highlight = false) const;
    // The text without its codes (and the digits a colour takes); measures nothing.
    QString plainText(std::size_t look, int lineClass, QStringView text) const;
    // The pixel width of text in a font (0 for none, at most 0xFFFF).
    int measure(std::uint16_t font, QStringView text) const;

    const ChatStyle& style(std::uint16_t index) const { return styles_[index]; }
    const ChatFont& font(std::uint16_t index) const { return fonts_[index]; }
    qsizetype fontCount() const { return qsizetype(fonts_.size()); }
    qsizetype styleCount() const { return qsizetype(styles_.size()); }
    // Distinct (font, text) pieces whose widths are cached.
    qsizetype distinctPieceCount() const { return qsizetype(table_.size()); }

private:
    // A theme as the lines added under it were made with: styles and line heights.
    struct Look
    {
        ThemeRecord theme;
        bool measured = false;
        std::array<int, 3> heights{};
        std::array<std::uint16_t, 3> classStyles{};
        // Per class, by bold (1), italic (2) and monospace (4).
        std::array<std::array<int, 8>, 3> fontIndex{};
    };
    // The looks a formatter can tell apart; past that, the newest stands for later ones.
    static constexpr std::size_t MaxLooks = 1u << 12;

    // The attributes the formatting codes change while a line is tokenised.
    struct Attributes
    {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikethrough = false;
        bool monospace = false;
        bool backgroundDrawn = false;
        bool reverse = false;
        qint32 textColor = 0;
        qint32 backColor = 0;
    };

    Look& ensureLook(std::size_t look) const;
    Attributes classDefaults(const Look& look, int lineClass) const;
    qint32 classColor(const Look& look, int lineClass) const;
    std::uint16_t classFont(Look& look, int lineClass, bool bold, bool italic,
                            bool monospace = false) const;
    std::uint16_t internStyle(Look& look, int lineClass, const Attributes& attributes) const;
    qsizetype applyCode(const Look& look, QStringView text, qsizetype at, qsizetype end,
                        int lineClass, Attributes& attributes) const;
    std::uint16_t widthOf(std::uint16_t font, QStringView& piece) const;
    void remember(std::uint16_t font, QStringView piece, std::uint32_t hash, std::uint16_t width,
                  std::uint16_t cut) const;
    qsizetype fittingLength(std::uint16_t font, QStringView text, int width, int& fitWidth) const;

    std::unique_ptr<TextMeasurer> measurer_;
    // Fonts, styles, looks and measured widths grow while words are made for reading.
    mutable std::vector<ChatFont> fonts_;
    mutable std::vector<ChatStyle> styles_;
    mutable QHash<ChatStyle, std::uint16_t> styleIndex_;
    mutable std::vector<Look> looks_;
    std::size_t currentLook_ = 0;
    bool currentLookUsed_ = false;
    mutable WordTextTable table_;
    mutable bool highlighting_ = false; // the line being tokenised is highlighted
};
