#include "ui/settings/channellistpage.h"

#include "client/client.h"
#include "ui/flowlayout.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
QToolButton* toolButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(caption);
    return button;
}

QPushButton* pushButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLineEdit* lineEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}
} // namespace

ChannelListPage::ChannelListPage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("channellistpage"));
    ChannelList& list = client_.channelList();

    getList_ = toolButton("ToolButton8", QStringLiteral("Get Channel List"), this);
    shortList_ = toolButton("ToolButton20", QStringLiteral("Short List"), this);
    shortList_->setCheckable(true);
    addSelected_ = toolButton("ToolButton12", QStringLiteral("Add to Favorites"), this);
    addSelected_->setToolTip(QStringLiteral("Add Selected Channel to Favorite Channels List"));
    refilter_ = toolButton("ToolButton10", QStringLiteral("Re-Filter"), this);
    refilter_->setToolTip(QStringLiteral("Re-Filter Channel List"));
    adult_ = toolButton("smutcheck", QStringLiteral("Remove Adult Themes"), this);
    adult_->setCheckable(true);
    joinSelected_ = toolButton("ToolButton21", QStringLiteral("Join"), this);
    joinSelected_->setToolTip(QStringLiteral("Join Selected Channel"));
    special_ = toolButton("ToolButton41", QStringLiteral("Special"), this);
    special_->setToolTip(QStringLiteral("Use Special Channel List Processing"));
    special_->setCheckable(true);

    auto* toolbar = new FlowLayout;
    for (QToolButton* b :
         {getList_, shortList_, addSelected_, refilter_, adult_, joinSelected_, special_})
        toolbar->addWidget(b);

    keywordCheck_ = new QCheckBox(QStringLiteral("Keyword"), this);
    keywordCheck_->setObjectName(QStringLiteral("CheckBox7"));
    keywordEdit_ = lineEdit("Edit1", this);
    keywordEdit_->setPlaceholderText(QStringLiteral("Keyword"));
    keywordEdit_->setAccessibleName(QStringLiteral("Keyword"));
    minimumUsers_ = new QSpinBox(this);
    minimumUsers_->setObjectName(QStringLiteral("SpinEdit1"));
    minimumUsers_->setAccessibleName(QStringLiteral("Minimum users"));
    minimumUsers_->setRange(1, 5000);
    minimumUsers_->setValue(1);
    maximumUsers_ = new QSpinBox(this);
    maximumUsers_->setObjectName(QStringLiteral("SpinEdit3"));
    maximumUsers_->setAccessibleName(QStringLiteral("Maximum users"));
    maximumUsers_->setRange(1, 5000);
    maximumUsers_->setValue(500);
    auto* filters = new QHBoxLayout;
    filters->addWidget(keywordCheck_);
    filters->addWidget(keywordEdit_, 1);
    filters->addWidget(new QLabel(QStringLiteral("Min. Users"), this));
    filters->addWidget(minimumUsers_);
    filters->addWidget(new QLabel(QStringLiteral("Max Users"), this));
    filters->addWidget(maximumUsers_);

    gauge_ = new QProgressBar(this);
    gauge_->setObjectName(QStringLiteral("channelguage"));
    gauge_->setTextVisible(false);
    gauge_->setValue(0);

    report_ = new QTreeView(this);
    report_->setObjectName(QStringLiteral("channellist"));
    report_->setAccessibleName(QStringLiteral("Channels"));
    report_->setModel(&list);
    report_->setRootIsDecorated(false);
    report_->setUniformRowHeights(true);
    report_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    report_->setSelectionMode(QAbstractItemView::SingleSelection);
    report_->setSelectionBehavior(QAbstractItemView::SelectRows);
    report_->header()->setStretchLastSection(false);
    report_->setColumnWidth(0, 130);
    report_->setColumnWidth(1, 40);
    report_->setColumnWidth(2, 2000);
    compact_ = new QListView(this);
    compact_->setObjectName(QStringLiteral("channellistshort"));
    compact_->setAccessibleName(QStringLiteral("Channels"));
    compact_->setModel(&list);
    compact_->setModelColumn(0);
    compact_->setUniformItemSizes(true);
    compact_->setFlow(QListView::TopToBottom);
    compact_->setWrapping(true);
    compact_->setResizeMode(QListView::Adjust);
    compact_->setLayoutMode(QListView::Batched);
    compact_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    compact_->setSelectionModel(report_->selectionModel());
    views_ = new QStackedWidget(this);
    views_->addWidget(report_);
    views_->addWidget(compact_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(toolbar);
    layout->addLayout(filters);
    layout->addWidget(gauge_);
    layout->addWidget(views_, 1);

    connect(getList_, &QToolButton::clicked, this, &ChannelListPage::requestList);
    connect(refilter_, &QToolButton::clicked, this, &ChannelListPage::refilter);
    connect(joinSelected_, &QToolButton::clicked, this, &ChannelListPage::joinSelected);
    connect(addSelected_, &QToolButton::clicked, this, &ChannelListPage::addSelected);
    connect(shortList_, &QToolButton::toggled, this,
            [this](bool compact) { views_->setCurrentIndex(compact ? 1 : 0); });
    connect(report_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { joinRow(index.row()); });
    connect(compact_, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { joinRow(index.row()); });
    connect(keywordCheck_, &QCheckBox::toggled, this, &ChannelListPage::pushFilter);
    connect(keywordEdit_, &QLineEdit::textChanged, this, &ChannelListPage::pushFilter);
    connect(minimumUsers_, &QSpinBox::valueChanged, this, &ChannelListPage::pushFilter);
    connect(maximumUsers_, &QSpinBox::valueChanged, this, &ChannelListPage::pushFilter);
    connect(adult_, &QToolButton::toggled, this, &ChannelListPage::pushFilter);
    connect(&list, &ChannelList::busyChanged, this, &ChannelListPage::showBusy);
    connect(&list, &ChannelList::receivingChanged, this, &ChannelListPage::showReceiving);
    connect(&list, &ChannelList::progressChanged, this, &ChannelListPage::showProgress);
    pushFilter();
    // A page first opened after a list arrived shows that list's state.
    showProgress(list.progress(), list.progressMaximum());
    if (list.receiving())
        showReceiving(true);
    showBusy(list.busy());
}

void ChannelListPage::showProgress(int value, int maximum)
{
    if (gauge_->maximum() != maximum)
        gauge_->setMaximum(maximum);
    gauge_->setValue(value);
}

void ChannelListPage::pushFilter()
{
    ChannelFilter filter;
    filter.keywordOn = keywordCheck_->isChecked();
    filter.keyword = keywordEdit_->text();
    filter.minimumUsers = minimumUsers_->value();
    filter.maximumUsers = maximumUsers_->value();
    filter.removeAdult = adult_->isChecked();
    client_.channelList().setFilter(filter);
}

void ChannelListPage::showBusy(bool busy)
{
    for (QToolButton* b : {getList_, shortList_, addSelected_, refilter_, adult_, joinSelected_})
        b->setEnabled(!busy);
    report_->setEnabled(!busy);
    compact_->setEnabled(!busy);
}

void ChannelListPage::showReceiving(bool receiving)
{
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(report_), static_cast<QAbstractItemView*>(compact_)}) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Text, receiving
                                             ? palette.color(QPalette::PlaceholderText)
                                             : QWidget::palette().color(QPalette::ButtonText));
        view->setPalette(palette);
    }
}

QString ChannelListPage::selectedChannel() const
{
    const QModelIndex current = report_->selectionModel()->currentIndex();
    if (!current.isValid() || !report_->selectionModel()->isSelected(current))
        return {};
    return client_.channelList().channelAt(current.row());
}

void ChannelListPage::requestList()
{
    pushFilter();
    client_.channelList().requestList(special_->isChecked());
}

void ChannelListPage::refilter()
{
    pushFilter();
    client_.channelList().refilter();
}

void ChannelListPage::joinRow(int row)
{
    client_.conversations().joinListed(client_.channelList().channelAt(row));
}

void ChannelListPage::joinSelected()
{
    client_.conversations().joinListed(selectedChannel());
}

void ChannelListPage::addSelected()
{
    const QString channel = selectedChannel();
    if (!channel.isEmpty())
        Q_EMIT addFavourite(channel);
}

FavouritesPage::FavouritesPage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("favouritespage"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("favchannels"));
    list_->setAccessibleName(QStringLiteral("Favorite channels"));
    list_->setSortingEnabled(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* joinSelectedButton =
        toolButton("ToolButton9", QStringLiteral("Join Selected Channels"), this);
    auto* removeSelectedButton =
        toolButton("ToolButton22", QStringLiteral("Remove Selected Channels from List"), this);
    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(joinSelectedButton);
    toolbar->addWidget(removeSelectedButton);
    toolbar->addStretch(1);

    channelName_ = lineEdit("Edit5", this);
    description_ = lineEdit("Edit20", this);
    password_ = lineEdit("Edit6", this);
    inviteChannel_ = lineEdit("Edit17", this);
    inviteNick_ = lineEdit("Edit16", this);
    auto* join = pushButton("Button5", QStringLiteral("Join"), this);
    auto* add = pushButton("Button3", QStringLiteral("Add to Favorites"), this);
    auto* invite = pushButton("Button12", QStringLiteral("Invite"), this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Channel Name"), channelName_);
    fields->addRow(QStringLiteral("Description"), description_);
    fields->addRow(QStringLiteral("Password"), password_);
    auto* fieldButtons = new QHBoxLayout;
    fieldButtons->addWidget(join);
    fieldButtons->addWidget(add);
    fieldButtons->addStretch(1);
    fields->addRow(fieldButtons);
    fields->addRow(QStringLiteral("Channel"), inviteChannel_);
    fields->addRow(QStringLiteral("Nickname"), inviteNick_);
    fields->addRow(invite);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(toolbar);
    layout->addWidget(list_, 1);
    layout->addLayout(fields);

    connect(joinSelectedButton, &QToolButton::clicked, this, &FavouritesPage::joinSelected);
    connect(removeSelectedButton, &QToolButton::clicked, this, &FavouritesPage::removeSelected);
    connect(join, &QPushButton::clicked, this, &FavouritesPage::joinTypedChannel);
    connect(add, &QPushButton::clicked, this, &FavouritesPage::addTypedChannel);
    connect(invite, &QPushButton::clicked, this, &FavouritesPage::inviteUser);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        client_.conversations().join(Favourites::channelOf(item->text()));
    });
    showFavourites();
}

void FavouritesPage::showFavourites()
{
    list_->clear();
    list_->addItems(client_.options().channels.favourites);
}

void FavouritesPage::storeFavourites()
{
    QStringList entries;
    for (int i = 0; i < list_->count(); ++i)
        entries << list_->item(i)->text();
    client_.options().channels.favourites = entries;
}

void FavouritesPage::addEntry(const QString& entry)
{
    if (entry.isEmpty())
        return;
    list_->addItem(entry);
    storeFavourites();
}

void FavouritesPage::joinTypedChannel()
{
    const QString text = Favourites::joinText(channelName_->text(), password_->text());
    if (!text.isEmpty())
        client_.conversations().join(text);
}

void FavouritesPage::addTypedChannel()
{
    addEntry(Favourites::entry(channelName_->text(), description_->text()));
}

void FavouritesPage::inviteUser()
{
    client_.conversations().invite(inviteNick_->text(), inviteChannel_->text());
}

void FavouritesPage::joinSelected()
{
    for (QListWidgetItem* item : list_->selectedItems())
        client_.conversations().join(Favourites::channelOf(item->text()));
}

void FavouritesPage::removeSelected()
{
    qDeleteAll(list_->selectedItems());
    storeFavourites();
}
