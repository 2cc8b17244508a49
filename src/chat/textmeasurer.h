#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QStringView>

#include <vector>

// A font of the chat view as a theme names it: face name, size in points, bold, italic;
// monospace text (the code 0x11) takes the system's fixed-pitch face at that size.
// Underline and strikethrough are drawn, not measured, so they are not part of the font.
struct ChatFont
{
    QString name;
    int size = 8;
    bool bold = false;
    bool italic = false;
    bool monospace = false;

    friend bool operator==(const ChatFont&, const ChatFont&) = default;
};

// The font to draw a ChatFont with; classic Windows faces are substituted (FontRecord).
QFont toQFont(const ChatFont& font);

// Pixel measurement of text, injected into the chat document so the model runs (and is
// tested) with predictable widths. Called only when a line is added and when a theme is
// applied; layout never measures.
class TextMeasurer
{
public:
    virtual ~TextMeasurer() = default;
    virtual int textWidth(const ChatFont& font, QStringView text) = 0;
    virtual int textHeight(const ChatFont& font, QStringView text) = 0;
};

// The real measurer: QFontMetrics of the platform's fonts. Needs a QGuiApplication.
class FontMetricsMeasurer : public TextMeasurer
{
public:
    int textWidth(const ChatFont& font, QStringView text) override;
    int textHeight(const ChatFont& font, QStringView text) override;

private:
    const QFontMetrics& metrics(const ChatFont& font);

    struct Cached
    {
        ChatFont font;
        QFontMetrics metrics;
    };
    std::vector<Cached> cache_;
    size_t last_ = 0;
};
