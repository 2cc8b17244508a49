#pragma once

#include <QWidget>

class Client;
class QCheckBox;
class QLineEdit;
class QListView;
class QListWidget;
class QProgressBar;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QTreeView;

// The "Channel List" page: the toolbar, the filter controls, the gauge (channelguage) and
// the list (channellist) in its report or compact style, over the client's ChannelList.
class ChannelListPage : public QWidget
{
    Q_OBJECT
public:
    explicit ChannelListPage(Client& client, QWidget* parent = nullptr);

    QTreeView* listView() const { return report_; }
    // The channel of the selected row, empty when none.
    QString selectedChannel() const;
    void requestList();
    void refilter();
    void joinSelected();
    void addSelected();

Q_SIGNALS:
    // "Add Selected Channel to Favorite Channels List".
    void addFavourite(const QString& channel);

private:
    void pushFilter();
    void showBusy(bool busy);
    void showReceiving(bool receiving);
    void showProgress(int value, int maximum);
    void joinRow(int row);

    Client& client_;
    QTreeView* report_;
    QListView* compact_;
    QStackedWidget* views_;
    QProgressBar* gauge_;
    QCheckBox* keywordCheck_;
    QLineEdit* keywordEdit_;
    QSpinBox* minimumUsers_;
    QSpinBox* maximumUsers_;
    QToolButton* getList_;
    QToolButton* shortList_;
    QToolButton* addSelected_;
    QToolButton* refilter_;
    QToolButton* adult_;
    QToolButton* joinSelected_;
    QToolButton* special_;
};

// The "Favorite Channels" page: favchannels with the join, add and invite fields.
class FavouritesPage : public QWidget
{
    Q_OBJECT
public:
    explicit FavouritesPage(Client& client, QWidget* parent = nullptr);

    QListWidget* favourites() const { return list_; }
    // Shows the favourites of the options (after the settings are read).
    void showFavourites();
    void addEntry(const QString& entry);
    void joinTypedChannel();
    void addTypedChannel();
    void inviteUser();
    void joinSelected();
    void removeSelected();

private:
    void storeFavourites();

    Client& client_;
    QListWidget* list_;
    QLineEdit* channelName_;
    QLineEdit* description_;
    QLineEdit* password_;
    QLineEdit* inviteChannel_;
    QLineEdit* inviteNick_;
};
