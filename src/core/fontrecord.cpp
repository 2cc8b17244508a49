#include "core/fontrecord.h"

#include <QFontDatabase>
#include <QStringList>

void FontRecord::setName(const QString& name)
{
    if (name.isEmpty())
        return;
    name_ = name.left(MaxNameLength);
}

QFont FontRecord::toFont(bool bold, bool italic) const
{
    QFont font;
    static const QStringList families = QFontDatabase::families();
    bool known = false;
    for (const QString& f : families) {
        if (f.compare(name_, Qt::CaseInsensitive) == 0) {
            font.setFamily(f);
            known = true;
            break;
        }
    }
    if (!known) {
        // Classic Windows faces ("MS Sans Serif", "Arial", ...) are drawn with the
        // platform's own sans-serif font.
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(size_ > 0 ? size_ : 8);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}
