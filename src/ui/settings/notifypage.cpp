#include "ui/settings/notifypage.h"

#include "client/client.h"
#include "ui/flowlayout.h"
#include "ui/standardicons.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
struct ColumnToggle
{
    const char* objectName;
    const char* caption;
    const char* hint;
};

// In column order after the nickname.
constexpr ColumnToggle columnToggles[notifyColumnCount] = {
    {"namebutton", "Name", "Show Name"},          {"addressbutton", "Address", "Show Address"},
    {"serverbutton", "Server", "Show Server"},    {"idlebutton", "Idle", "Show Idle"},
    {"pingbutton", "Ping", "Show Ping"},          {"timebutton", "Time", "Show Time"},
    {"versionbutton", "Version", "Show Version"}, {"channelsbutton", "Channels", "Show Channels"},
};

// The room a cell needs beside its text.
constexpr int cellPadding = 16;

QToolButton* toolButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(caption);
    return button;
}
} // namespace

NotifyPage::NotifyPage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("notifypage"));

    notifyListView_ = new QTreeWidget(this);
    notifyListView_->setObjectName(QStringLiteral("notifylistview"));
    notifyListView_->setAccessibleName(QStringLiteral("Notify list"));
    QStringList headers{QStringLiteral("NickName")};
    for (const ColumnToggle& t : columnToggles)
        headers << QLatin1String(t.caption);
    notifyListView_->setHeaderLabels(headers);
    notifyListView_->setRootIsDecorated(false);
    notifyListView_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Captions open for editing only through "Edit User".
    notifyListView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    notifyListView_->header()->setStretchLastSection(false);

    auto* toggles = new FlowLayout;
    for (int i = 0; i < notifyColumnCount; ++i) {
        auto* button =
            toolButton(columnToggles[i].objectName, QLatin1String(columnToggles[i].caption), this);
        button->setToolTip(QLatin1String(columnToggles[i].hint));
        button->setCheckable(true);
        columnButtons_[i] = button;
        toggles->addWidget(button);
        connect(button, &QToolButton::clicked, this,
                [this, i] { client_.notifyList().toggleColumn(NotifyColumn(i)); });
    }

    addUserButton_ = toolButton("ToolButton5", QStringLiteral("Add User"), this);
    editUserButton_ = toolButton("ToolButton18", QStringLiteral("Edit User"), this);
    deleteUserButton_ = toolButton("ToolButton19", QStringLiteral("Delete User"), this);
    refreshUserButton_ = toolButton("ToolButton23", QStringLiteral("Refresh User"), this);
    dccChatButton_ = toolButton("ToolButton24", QStringLiteral("Request DCC Chat"), this);
    privateChatButton_ = toolButton("ToolButton26", QStringLiteral("Request Private Chat"), this);
    auto* buttons = new FlowLayout;
    for (QToolButton* b : {addUserButton_, editUserButton_, deleteUserButton_})
        buttons->addWidget(b);
    buttons->addSpacing(12);
    for (QToolButton* b : {refreshUserButton_, dccChatButton_, privateChatButton_})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(toggles);
    layout->addWidget(notifyListView_, 1);
    layout->addLayout(buttons);

    NotifyList& list = client_.notifyList();
    connect(addUserButton_, &QToolButton::clicked, this, [this, &list] {
        if (list.addUser() && isVisible())
            notifyListView_->setFocus();
    });
    connect(editUserButton_, &QToolButton::clicked, this, &NotifyPage::editUser);
    connect(deleteUserButton_, &QToolButton::clicked, this, [this, &list] {
        list.deleteSelected();
        if (list.count() > 0 && isVisible())
            notifyListView_->setFocus();
    });
    connect(refreshUserButton_, &QToolButton::clicked, this,
            [&list] { list.refreshUser(list.selectedIndex()); });
    connect(privateChatButton_, &QToolButton::clicked, this, [this, &list] {
        if (list.selectedIndex() >= 0)
            client_.conversations().openPrivateChat(
                list.entries().at(list.selectedIndex()).nickname);
    });
    // "Request DCC Chat" is wired once DCC chat offers exist.
    connect(notifyListView_, &QTreeWidget::currentItemChanged, this, [this, &list] {
        if (!showing_)
            list.setSelectedIndex(
                notifyListView_->indexOfTopLevelItem(notifyListView_->currentItem()));
    });
    connect(notifyListView_, &QTreeWidget::itemChanged, this, &NotifyPage::editEnded);
    connect(&list, &NotifyList::entriesChanged, this, &NotifyPage::showEntries);
    connect(&list, &NotifyList::entryChanged, this, &NotifyPage::showEntry);
    connect(&list, &NotifyList::selectionChanged, this, &NotifyPage::showSelection);
    connect(&list, &NotifyList::columnsChanged, this, &NotifyPage::layoutColumns);
    // Built before or after the settings are read, the page shows what was read.
    connect(&client_, &Client::settingsLoaded, this, &NotifyPage::showEntries);

    showEntries();
}

void NotifyPage::fillItem(QTreeWidgetItem* item, int index)
{
    const NotifyEntry& entry = client_.notifyList().entries().at(index);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setText(0, entry.nickname);
    for (int c = 0; c < notifyColumnCount; ++c)
        item->setText(c + 1, entry.details.at(std::size_t(c)));
    item->setIcon(0, entry.present ? StandardIcons::icon(style(), QStyle::SP_DialogApplyButton)
                                   : QIcon());
}

void NotifyPage::showEntries()
{
    const NotifyList& list = client_.notifyList();
    showing_ = true;
    notifyListView_->clear();
    for (int i = 0; i < list.count(); ++i)
        fillItem(new QTreeWidgetItem(notifyListView_), i);
    showing_ = false;
    showSelection(list.selectedIndex());
    layoutColumns();
}

void NotifyPage::showEntry(int index)
{
    QTreeWidgetItem* item = notifyListView_->topLevelItem(index);
    if (!item)
        return;
    showing_ = true;
    fillItem(item, index);
    showing_ = false;
    showButtons();
    layoutColumns();
}

void NotifyPage::showSelection(int index)
{
    showing_ = true;
    notifyListView_->setCurrentItem(notifyListView_->topLevelItem(index));
    showing_ = false;
    showButtons();
}

void NotifyPage::showButtons()
{
    const NotifyButtons b = client_.notifyList().buttons();
    addUserButton_->setEnabled(b.addUser);
    editUserButton_->setEnabled(b.editUser);
    deleteUserButton_->setEnabled(b.deleteUser);
    refreshUserButton_->setEnabled(b.refreshUser);
    dccChatButton_->setEnabled(b.requestDccChat);
    privateChatButton_->setEnabled(b.requestPrivateChat);
}

void NotifyPage::layoutColumns()
{
    const NotifyList& list = client_.notifyList();
    const QFontMetrics metrics = notifyListView_->fontMetrics();
    QTreeWidgetItem* header = notifyListView_->headerItem();
    for (int column = 0; column <= notifyColumnCount; ++column) {
        const bool shown = column == 0 || list.columnShown(NotifyColumn(column - 1));
        if (column > 0) {
            QToolButton* button = columnButtons_[column - 1];
            button->setChecked(shown);
        }
        notifyListView_->setColumnHidden(column, !shown);
        if (!shown)
            continue;
        int width = metrics.horizontalAdvance(header->text(column));
        for (int row = 0; row < notifyListView_->topLevelItemCount(); ++row)
            width = std::max(
                width, metrics.horizontalAdvance(notifyListView_->topLevelItem(row)->text(column)));
        if (column == 0)
            width +=
                notifyListView_->iconSize().width() > 0 ? notifyListView_->iconSize().width() : 16;
        notifyListView_->setColumnWidth(
            column, std::max(NotifyList::minimumColumnWidth(column), width + cellPadding));
    }
}

void NotifyPage::editUser()
{
    QTreeWidgetItem* item = notifyListView_->currentItem();
    if (item)
        notifyListView_->editItem(item, 0);
}

void NotifyPage::editEnded(QTreeWidgetItem* item, int column)
{
    if (showing_ || column != 0)
        return;
    const int index = notifyListView_->indexOfTopLevelItem(item);
    NotifyList& list = client_.notifyList();
    // An undone edit puts the old name back; a kept one is shown as the list trimmed it.
    if (!list.renameEntry(index, item->text(0)))
        showEntry(index);
}
