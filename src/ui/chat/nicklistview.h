#pragma once

#include "theme/themerecord.h"

#include <QListWidget>
#include <QTimer>

#include <functional>

class NickList;

// Tnicklistbox: the nick list of a channel window: owner-drawn rows in the theme's colours, "@" for
// operators and "+" for voiced members, the user's own nick in its own colour.
class NickListView : public QListWidget
{
    Q_OBJECT
public:
    NickListView(NickList& nicks, std::function<QString()> ownNickname, QWidget* parent = nullptr);

    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }
    QString ownNickname() const { return ownNickname_(); }
    static int rowHeightFor(const QFont& font);
    // The column width that shows every entry: widest text + 15, + 12 for a scroll bar.
    int fittingWidth() const;
    // The nicknames of the selected rows, without their rank signs, top to bottom.
    QStringList selectedNicks() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reload();
    void scheduleReload();

    NickList& nicks_;
    std::function<QString()> ownNickname_;
    ThemeRecord theme_;
    static constexpr int ReloadDelayMs = 50;
    QTimer reloadTimer_;
    bool dirty_ = false;
};
