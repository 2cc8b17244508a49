#pragma once

#include "theme/themerecord.h"

#include <QListWidget>

#include <functional>

class NickList;

// The nick list of a channel window: owner-drawn rows in the theme's colours, "@" for
// operators and "+" for voiced members, the user's own nick in its own colour.
class Tnicklistbox : public QListWidget
{
    Q_OBJECT
public:
    Tnicklistbox(NickList& nicks, std::function<QString()> ownNickname, QWidget* parent = nullptr);

    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }
    QString ownNickname() const { return ownNickname_(); }
    static int rowHeightFor(const QFont& font);
    // The column width that shows every entry: widest text + 15, + 12 for a scroll bar.
    int fittingWidth() const;

private:
    void reload();

    NickList& nicks_;
    std::function<QString()> ownNickname_;
    ThemeRecord theme_;
};
