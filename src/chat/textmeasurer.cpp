#include "chat/textmeasurer.h"

#include "core/fontrecord.h"

#include <QFontDatabase>

QFont toQFont(const ChatFont& font)
{
    const FontRecord record(font.name, font.size);
    if (!font.monospace)
        return record.toFont(font.bold, font.italic);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPointSize(record.toFont().pointSize());
    fixed.setBold(font.bold);
    fixed.setItalic(font.italic);
    return fixed;
}

const QFontMetrics& FontMetricsMeasurer::metrics(const ChatFont& font)
{
    // A document uses a handful of fonts and measures runs of words in the same one.
    if (last_ < cache_.size() && cache_[last_].font == font)
        return cache_[last_].metrics;
    for (size_t i = 0; i < cache_.size(); ++i) {
        if (cache_[i].font == font) {
            last_ = i;
            return cache_[i].metrics;
        }
    }
    cache_.push_back({font, QFontMetrics(toQFont(font))});
    last_ = cache_.size() - 1;
    return cache_.back().metrics;
}

int FontMetricsMeasurer::textWidth(const ChatFont& font, QStringView text)
{
    if (text.isEmpty())
        return 0;
    const QFontMetrics& fm = metrics(font);
    if (text.size() == 1)
        return fm.horizontalAdvance(text.front());
    // No copy: the metrics only read the characters during the call.
    return fm.horizontalAdvance(
        QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), text.size()));
}

int FontMetricsMeasurer::textHeight(const ChatFont& font, QStringView)
{
    // Windows' text extent height is the font's full height whatever the text.
    return metrics(font).height();
}
