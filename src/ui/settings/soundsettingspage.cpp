#include "ui/settings/soundsettingspage.h"

#include "client/client.h"
#include "ui/flowlayout.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString soundFilters = QStringLiteral(".Wav Files (*.wav);;.MID Files (*.mid)");

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QToolButton* toolButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(caption);
    return button;
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).path() + u'/';
}
} // namespace

SoundSettingsPage::SoundSettingsPage(Client& client, QWidget* parent)
    : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("soundsettingspage"));
    soundlist_ = named(new QListWidget(this), "soundlist");
    soundlist_->setAccessibleName(QStringLiteral("Sounds"));
    linkButton_ = toolButton("ToolButton50", QStringLiteral("Link event to a Sound"), this);
    unlinkButton_ = toolButton("ToolButton51", QStringLiteral("Unlink event from sound"), this);
    playButton_ = toolButton("ToolButton52", QStringLiteral("Play this sound"), this);
    stopAllButton_ = toolButton("ToolButton53", QStringLiteral("Stop all Sounds"), this);
    soundFolderButton_ = toolButton(
        "ToolButton55", QStringLiteral("Specify where your sound files are located"), this);
    soundFolder_ = named(new QLabel(this), "soundfolder");
    privateRequestsCheck_ =
        named(new QCheckBox(QStringLiteral("Your Sound Requests are Private"), this), "CheckBox14");
    acceptRequestsCheck_ =
        named(new QCheckBox(QStringLiteral("Accept Sound Requests"), this), "CheckBox15");

    for (int row = 0; row < SoundList::rowCount; ++row) {
        auto* item = new QListWidgetItem(soundlist_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    }

    auto* buttons = new FlowLayout;
    for (QToolButton* b :
         {linkButton_, unlinkButton_, playButton_, stopAllButton_, soundFolderButton_})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(soundlist_, 1);
    layout->addWidget(soundFolder_);
    layout->addWidget(acceptRequestsCheck_);
    layout->addWidget(privateRequestsCheck_);

    SoundOptions& o = client_.options().sound;
    connect(linkButton_, &QToolButton::clicked, this, &SoundSettingsPage::linkSound);
    connect(unlinkButton_, &QToolButton::clicked, this, &SoundSettingsPage::unlinkSound);
    connect(playButton_, &QToolButton::clicked, this, &SoundSettingsPage::playSelected);
    connect(soundlist_, &QListWidget::itemDoubleClicked, this, &SoundSettingsPage::playSelected);
    connect(stopAllButton_, &QToolButton::clicked, this, [this] { client_.sounds().stopAll(); });
    connect(soundFolderButton_, &QToolButton::clicked, this, &SoundSettingsPage::chooseSoundFolder);
    connect(soundlist_, &QListWidget::itemChanged, this, &SoundSettingsPage::rowChecked);
    connect(privateRequestsCheck_, &QCheckBox::clicked, this,
            [&o](bool on) { o.privateRequests = on; });
    connect(acceptRequestsCheck_, &QCheckBox::clicked, this,
            [&o](bool on) { o.acceptRequests = on; });
    load();
}

void SoundSettingsPage::load()
{
    for (int row = 0; row < SoundList::rowCount; ++row)
        showRow(row);
    const SoundOptions& o = client_.options().sound;
    privateRequestsCheck_->setChecked(o.privateRequests);
    acceptRequestsCheck_->setChecked(o.acceptRequests);
    soundFolder_->setText(client_.sharedSounds().soundFolder());
}

void SoundSettingsPage::showRow(int row)
{
    const SoundList& list = client_.options().sound.soundlist;
    const QSignalBlocker quiet(soundlist_);
    QListWidgetItem* item = soundlist_->item(row);
    item->setText(list.text(row));
    item->setCheckState(list.entry(row).checked ? Qt::Checked : Qt::Unchecked);
}

void SoundSettingsPage::rowChecked(QListWidgetItem* item)
{
    const int row = soundlist_->row(item);
    if (row >= 0 && row < SoundList::rowCount)
        client_.options().sound.soundlist.entry(row).checked = item->checkState() == Qt::Checked;
}

void SoundSettingsPage::linkSound()
{
    const int row = soundlist_->currentRow();
    if (row < 0)
        return;
    const QString folder = client_.options().sound.linkDialogFolder;
    auto* dialog = new QFileDialog(this, QStringLiteral("Select Sound"),
                                   folder.isEmpty() ? client_.programFolder() : folder,
                                   QStringLiteral("All Files (*.mid *.wav);;") + soundFilters);
    dialog->setObjectName(QStringLiteral("soundselect"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this, [this, row](const QString& path) {
        SoundOptions& o = client_.options().sound;
        o.linkDialogFolder = folderOf(path);
        o.soundlist.linkFile(row, path);
        showRow(row);
    });
    dialog->open();
}

void SoundSettingsPage::unlinkSound()
{
    const int row = soundlist_->currentRow();
    if (row < 0)
        return;
    client_.options().sound.soundlist.unlink(row);
    showRow(row);
}

void SoundSettingsPage::playSelected()
{
    const int row = soundlist_->currentRow();
    if (row < 0)
        return;
    const QString path = client_.options().sound.soundlist.entry(row).path;
    if (!path.isEmpty())
        client_.sounds().playSound(path, false);
}

void SoundSettingsPage::chooseSoundFolder()
{
    auto* dialog = new QFileDialog(
        this, QStringLiteral("Select Path for /Sounds"), client_.sharedSounds().soundFolder(),
        QStringLiteral("All Sound Files (*.mid *.wav);;") + soundFilters);
    dialog->setObjectName(QStringLiteral("slashsounddialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        client_.options().sound.soundFolder = folderOf(path);
        soundFolder_->setText(client_.sharedSounds().soundFolder());
    });
    dialog->open();
}
