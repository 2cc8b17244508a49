#include "ui/settings/ignoresettingspage.h"

#include "client/client.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

IgnoreSettingsPage::IgnoreSettingsPage(Client& client, QWidget* parent)
    : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("ignoresettingspage"));

    auto* ignoreBox = new QGroupBox(QStringLiteral("Ignore List"), this);
    ignorelistview_ = new QTreeWidget(ignoreBox);
    ignorelistview_->setObjectName(QStringLiteral("ignorelistview"));
    ignorelistview_->setAccessibleName(QStringLiteral("Ignore list"));
    ignorelistview_->setHeaderLabels(
        {QStringLiteral("Nickname"), QStringLiteral("Address"), QStringLiteral("Time Left")});
    ignorelistview_->setRootIsDecorated(false);
    ignorelistview_->setSelectionMode(QAbstractItemView::SingleSelection);
    ignoreTimeCombo_ = new QComboBox(ignoreBox);
    ignoreTimeCombo_->setObjectName(QStringLiteral("ComboBox1"));
    ignoreTimeCombo_->addItems(IgnoreDurations::captions());
    deleteButton_ = new QPushButton(QStringLiteral("Delete"), ignoreBox);
    deleteButton_->setObjectName(QStringLiteral("Button10"));
    deleteAllButton_ = new QPushButton(QStringLiteral("Delete All"), ignoreBox);
    deleteAllButton_->setObjectName(QStringLiteral("Button4"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Ignore for:"), ignoreBox));
    buttons->addWidget(ignoreTimeCombo_);
    buttons->addStretch(1);
    buttons->addWidget(deleteButton_);
    buttons->addWidget(deleteAllButton_);
    auto* ignoreLayout = new QVBoxLayout(ignoreBox);
    ignoreLayout->addWidget(ignorelistview_, 1);
    ignoreLayout->addLayout(buttons);

    auto* floodBox = new QGroupBox(QStringLiteral("Flood Protection"), this);
    floodProtectionCheck_ = new QCheckBox(QStringLiteral("Enable Flood Protection."), floodBox);
    floodProtectionCheck_->setObjectName(QStringLiteral("CheckBox3"));
    // The rest of the sentence wraps under the box at a narrow width.
    auto* floodNote = new QLabel(
        QStringLiteral("Users who flood you will automatically be added to the ignore list."),
        floodBox);
    floodNote->setWordWrap(true);
    floodNote->setBuddy(floodProtectionCheck_);
    floodLinesSpin_ = new QSpinBox(floodBox);
    floodLinesSpin_->setObjectName(QStringLiteral("SpinEdit2"));
    floodLinesSpin_->setRange(OptionLimits::floodLinesMin, OptionLimits::floodLinesMax);
    auto* threshold = new QHBoxLayout;
    threshold->addWidget(new QLabel(QStringLiteral("A Flood is"), floodBox));
    threshold->addWidget(floodLinesSpin_);
    auto* thresholdRest =
        new QLabel(QStringLiteral("lines of data received from a user in 5 seconds."), floodBox);
    thresholdRest->setWordWrap(true);
    threshold->addWidget(thresholdRest, 1);
    auto* floodLayout = new QVBoxLayout(floodBox);
    auto* enableRow = new QHBoxLayout;
    enableRow->addWidget(floodProtectionCheck_);
    enableRow->addWidget(floodNote, 1);
    floodLayout->addLayout(enableRow);
    floodLayout->addLayout(threshold);

    // The list above, the flood settings below it: both keep their captions at any width.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ignoreBox, 1);
    layout->addWidget(floodBox);

    IgnoreList& list = client_.ignoreList();
    FloodGuard& guard = client_.floodGuard();
    connect(ignoreTimeCombo_, &QComboBox::currentIndexChanged, this,
            [this](int index) { client_.options().ignore.ignoreTime = index; });
    connect(deleteButton_, &QPushButton::clicked, &list, &IgnoreList::deleteSelected);
    connect(deleteAllButton_, &QPushButton::clicked, &list, &IgnoreList::deleteAll);
    connect(ignorelistview_, &QTreeWidget::currentItemChanged, this, [this, &list] {
        if (!showing_)
            list.setSelectedIndex(
                ignorelistview_->indexOfTopLevelItem(ignorelistview_->currentItem()));
    });
    connect(floodProtectionCheck_, &QCheckBox::toggled, this,
            [&guard](bool on) { guard.setEnabled(on); });
    connect(floodLinesSpin_, &QSpinBox::valueChanged, this, [this, &guard](int lines) {
        if (!showing_)
            guard.setThreshold(lines);
    });
    connect(&list, &IgnoreList::entriesChanged, this, &IgnoreSettingsPage::showEntries);
    connect(&list, &IgnoreList::selectionChanged, this, &IgnoreSettingsPage::showSelection);
    // Built before or after the settings are read, the page shows what was read.
    connect(&client_, &Client::settingsLoaded, this, &IgnoreSettingsPage::load);

    load();
}

void IgnoreSettingsPage::load()
{
    const IgnoreOptions& o = client_.options().ignore;
    showing_ = true;
    ignoreTimeCombo_->setCurrentIndex(o.ignoreTime >= 0 && o.ignoreTime < ignoreTimeCombo_->count()
                                          ? o.ignoreTime
                                          : IgnoreDurations::defaultIndex);
    floodProtectionCheck_->setChecked(o.floodProtection);
    floodLinesSpin_->setValue(o.floodLines);
    showing_ = false;
    showEntries();
}

void IgnoreSettingsPage::showEntries()
{
    const IgnoreList& list = client_.ignoreList();
    showing_ = true;
    ignorelistview_->clear();
    for (const IgnoreEntry& entry : list.entries())
        new QTreeWidgetItem(ignorelistview_, {entry.nickname, entry.address, entry.timeLeft});
    deleteButton_->setEnabled(list.deleteEnabled());
    deleteAllButton_->setEnabled(list.deleteEnabled());
    showing_ = false;
    showSelection(list.selectedIndex());
}

void IgnoreSettingsPage::showSelection(int index)
{
    showing_ = true;
    ignorelistview_->setCurrentItem(ignorelistview_->topLevelItem(index));
    showing_ = false;
}
