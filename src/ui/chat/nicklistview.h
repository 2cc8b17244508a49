#pragma once

#include "theme/themerecord.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <QSet>
#include <QTimer>

#include <functional>

class NickList;

// The rows of a nick list as the view last took them: a copy of the entries (cheap, the
// list is shared until the nick list changes), so the view never sees rows change under
// it between two resets.
class NickListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit NickListModel(const NickList& nicks) : nicks_(nicks) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    // DisplayRole: "@nick", "+nick" or the nick; UserRole: the entry with its rank letter;
    // ToolTipRole: what the list knows of the member (host, account, away, real name).
    QVariant data(const QModelIndex& index, int role) const override;
    const QStringList& rows() const { return rows_; }
    void reset(const QStringList& rows);

private:
    const NickList& nicks_;
    QStringList rows_;
};

// The nick list of a channel window: owner-drawn rows in the theme's colours,
// "@" for operators and "+" for voiced members, the user's own nick in its own colour,
// members known to be away greyed.
// Rows are of one height and only the visible ones are drawn, so a channel of tens of
// thousands costs no more to show than a small one.
class NickListView : public QListView
{
    Q_OBJECT
public:
    NickListView(NickList& nicks, std::function<QString()> ownNickname, QWidget* parent = nullptr);

    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }
    const NickList& nicks() const { return nicks_; }
    QString ownNickname() const { return ownNickname_(); }
    static int rowHeightFor(const QFont& font);
    // The column width that shows every entry: widest text + 15, + 12 for a scroll bar.
    int fittingWidth() const;
    // The rows shown now.
    int count() const { return model_.rowCount(); }
    // The text row is drawn with ("@op"), empty past the end.
    QString rowText(int row) const;
    // The nicknames of the selected rows, without their rank signs, top to bottom.
    QStringList selectedNicks() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reload();
    void scheduleReload();
    // Selects again the rows of these nicks (lower-cased) and makes current's row current.
    void restoreSelection(const QSet<QString>& selected, const QString& current);

    NickList& nicks_;
    std::function<QString()> ownNickname_;
    ThemeRecord theme_;
    NickListModel model_;
    // The rows are taken again once the changes pause this long (a names reply arrives
    // in hundreds of reads), but never later than MaxReloadDelayMs after the first
    // change, so a channel whose joins never stop still shows them.
    static constexpr int ReloadDelayMs = 8;
    static constexpr int MaxReloadDelayMs = 100;
    QTimer reloadTimer_;
    QElapsedTimer pendingSince_;
    bool dirty_ = false;
};
