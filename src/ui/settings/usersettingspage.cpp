#include "ui/settings/usersettingspage.h"

#include "client/client.h"
#include "commands/useractions.h"
#include "ui/dialogs/nickformdialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QLineEdit* lineEdit(const char* name, int maxLength, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(maxLength);
    return edit;
}

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}
} // namespace

UserSettingsPage::UserSettingsPage(Client& client, QWidget* parent)
    : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("usersettingspage"));

    auto* identity = new QGroupBox(QStringLiteral("Your Identity"), this);
    mynicklistbox_ = new QListWidget(identity);
    mynicklistbox_->setObjectName(QStringLiteral("mynicklistbox"));
    mynicklistbox_->setAccessibleName(QStringLiteral("Your nicknames"));
    mynicklistbox_->setSortingEnabled(true);
    mynicklistbox_->setToolTip(QStringLiteral("Double-click a Nickname to use it"));
    mynicklistbox_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* addNick = new QPushButton(QStringLiteral("Add Nickname"), identity);
    addNick->setObjectName(QStringLiteral("addnickbutton"));
    auto* deleteNick = new QPushButton(QStringLiteral("Delete Nickname"), identity);
    deleteNick->setObjectName(QStringLiteral("deletenickbutton"));
    auto* nickButtons = new QVBoxLayout;
    nickButtons->addWidget(addNick);
    nickButtons->addWidget(deleteNick);
    nickButtons->addStretch(1);
    auto* nickRow = new QHBoxLayout;
    nickRow->addWidget(mynicklistbox_, 1);
    nickRow->addLayout(nickButtons);
    nametext_ = lineEdit("nametext", OptionLimits::realName, identity);
    emailtext_ = lineEdit("emailtext", OptionLimits::email, identity);
    identdtext_ = lineEdit("identdtext", OptionLimits::ident, identity);

    auto* identityForm = new QFormLayout;
    identityForm->addRow(QStringLiteral("Your Nicknames:"), nickRow);
    identityForm->addRow(QStringLiteral("Your Name:"), nametext_);
    identityForm->addRow(QStringLiteral("Your E-mail:"), emailtext_);
    identityForm->addRow(QStringLiteral("Identd User ID:"), identdtext_);
    identity->setLayout(identityForm);

    auto* behaviour = new QGroupBox(QStringLiteral("Connection"), this);
    quitMessageEdit_ = lineEdit("Edit2", OptionLimits::quitMessage, behaviour);
    sendQuitMessageCheck_ =
        checkBox("CheckBox6", QStringLiteral("Sent to Channels When you QUIT"), behaviour);
    awayCheck_ = checkBox("CheckBox8", QStringLiteral("Away"), behaviour);
    awayMessageEdit_ = lineEdit("Edit14", OptionLimits::awayMessage, behaviour);
    invisibleCheck_ = checkBox("CheckBox10", QStringLiteral("Invisible"), behaviour);

    auto* behaviourForm = new QFormLayout;
    behaviourForm->addRow(QStringLiteral("Quit Message:"), quitMessageEdit_);
    behaviourForm->addRow(QString(), sendQuitMessageCheck_);
    behaviourForm->addRow(QStringLiteral("Away Message:"), awayMessageEdit_);
    behaviourForm->addRow(QString(), awayCheck_);
    behaviourForm->addRow(QString(), invisibleCheck_);
    behaviour->setLayout(behaviourForm);

    // One group above the other, so neither is narrowed below its captions.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(identity, 1);
    layout->addWidget(behaviour);

    Options& o = client_.options();
    connect(nametext_, &QLineEdit::textEdited, this,
            [&o](const QString& t) { o.user.realName = t; });
    connect(emailtext_, &QLineEdit::textEdited, this, [&o](const QString& t) { o.user.email = t; });
    connect(identdtext_, &QLineEdit::textEdited, this,
            [&o](const QString& t) { o.user.ident = t; });
    connect(quitMessageEdit_, &QLineEdit::textEdited, this,
            [&o](const QString& t) { o.connection.quitMessage = t; });
    connect(awayMessageEdit_, &QLineEdit::textEdited, this,
            [&o](const QString& t) { o.connection.awayMessage = t; });
    connect(sendQuitMessageCheck_, &QCheckBox::clicked, this,
            [&o](bool on) { o.connection.sendQuitMessage = on; });
    // The away and invisible switches act at once on the connection.
    ServerConnection& connection = client_.connection();
    connect(awayCheck_, &QCheckBox::clicked, this,
            [&connection](bool on) { connection.setAway(on); });
    connect(invisibleCheck_, &QCheckBox::clicked, this,
            [&connection](bool on) { connection.setInvisible(on); });
    connect(mynicklistbox_, &QListWidget::itemDoubleClicked, this,
            [&connection](QListWidgetItem* item) { connection.setNickname(item->text()); });
    connection.onNicknameChanged(this, &UserSettingsPage::showNicknames);
    connect(addNick, &QPushButton::clicked, this, &UserSettingsPage::askNickname);
    connect(deleteNick, &QPushButton::clicked, this, &UserSettingsPage::deleteSelectedNicknames);
    // Built before or after the settings are read, the page shows what was read.
    connect(&client_, &Client::settingsLoaded, this, &UserSettingsPage::load);

    load();
}

void UserSettingsPage::load()
{
    const Options& o = client_.options();
    nametext_->setText(o.user.realName);
    emailtext_->setText(o.user.email);
    identdtext_->setText(o.user.ident);
    quitMessageEdit_->setText(o.connection.quitMessage);
    sendQuitMessageCheck_->setChecked(o.connection.sendQuitMessage);
    awayMessageEdit_->setText(o.connection.awayMessage);
    awayCheck_->setChecked(o.connection.away);
    invisibleCheck_->setChecked(o.connection.invisible);
    showNicknames();
}

void UserSettingsPage::showNicknames()
{
    const Options& o = client_.options();
    mynicklistbox_->clear();
    mynicklistbox_->addItems(o.user.nicknames);
    const auto found =
        mynicklistbox_->findItems(client_.connection().nickname(), Qt::MatchFixedString);
    if (!found.isEmpty())
        mynicklistbox_->setCurrentItem(found.first());
}

void UserSettingsPage::askNickname()
{
    auto* dialog = new NickFormDialog(this);
    connect(dialog, &NickFormDialog::nicknameChosen, this, &UserSettingsPage::addNickname);
    dialog->open();
}

void UserSettingsPage::addNickname(const QString& nickname)
{
    // The list is offered in turn when a nickname is refused; a double adds nothing.
    if (::addNickname(client_.options().user, nickname))
        showNicknames();
}

void UserSettingsPage::deleteSelectedNicknames()
{
    QStringList chosen;
    for (const QListWidgetItem* item : mynicklistbox_->selectedItems())
        chosen << item->text();
    if (chosen.isEmpty())
        return;
    const QString next = UserActions::deleteNicknames(client_.options().user.nicknames, chosen,
                                                      client_.connection().nickname());
    showNicknames();
    const auto found = mynicklistbox_->findItems(next, Qt::MatchExactly);
    if (!found.isEmpty())
        mynicklistbox_->setCurrentItem(found.first());
    client_.connection().setNickname(next);
}
