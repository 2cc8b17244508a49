#include "ui/settings/messagessettingspage.h"

#include "chat/highlight.h"
#include "client/client.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int MessageLength = 200;

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit* lineEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(MessageLength);
    return edit;
}

// Switches and texts are written to the options model as they change.
void bind(QCheckBox* box, bool& flag, QObject* owner)
{
    QObject::connect(box, &QCheckBox::clicked, owner, [&flag](bool on) { flag = on; });
}

void bind(QLineEdit* edit, QString& text, QObject* owner)
{
    QObject::connect(edit, &QLineEdit::textEdited, owner, [&text](const QString& t) { text = t; });
}
} // namespace

MessagesSettingsPage::MessagesSettingsPage(Client& client, QWidget* parent)
    : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("messagessettingspage"));
    auto* replies = new QGroupBox(QStringLiteral("Replies"), this);
    answerVersionCheck_ = checkBox("CheckBox4", QStringLiteral("On a VERSION Request"), replies);
    versionReplyEdit_ = lineEdit("Edit11", replies);
    answerTimeCheck_ = checkBox("CheckBox5", QStringLiteral("On a TIME request"), replies);
    timeMessageEdit_ = lineEdit("Edit12", replies);
    answerPingCheck_ = checkBox("CheckBox9", QStringLiteral("On a PING Request"), replies);
    pingMessageEdit_ = lineEdit("Edit15", replies);
    sayOnLeaveCheck_ = checkBox(
        "CheckBox2", QStringLiteral("When leaving a Channel, Private or DCC Chat"), replies);
    leaveMessageEdit_ = lineEdit("Edit7", replies);
    auto* form = new QFormLayout(replies);
    form->addRow(answerVersionCheck_, versionReplyEdit_);
    form->addRow(answerTimeCheck_, timeMessageEdit_);
    form->addRow(answerPingCheck_, pingMessageEdit_);
    form->addRow(sayOnLeaveCheck_, leaveMessageEdit_);

    auto* behaviour = new QGroupBox(QStringLiteral("Requests"), this);
    autoJoinOnInviteCheck_ = checkBox(
        "CheckBox1", QStringLiteral("Auto-Join when you are Invited to a Channel"), behaviour);
    ignorePrivateChatsCheck_ =
        checkBox("CheckBox11", QStringLiteral("Ignore All Requests for Private Chat"), behaviour);
    reconnect_ =
        checkBox("reconnect", QStringLiteral("Reconnect when the connection is lost"), behaviour);
    auto* column = new QVBoxLayout(behaviour);
    for (QCheckBox* box : {autoJoinOnInviteCheck_, ignorePrivateChatsCheck_, reconnect_})
        column->addWidget(box);

    auto* attention = new QGroupBox(QStringLiteral("Attention"), this);
    highlightWords_ = lineEdit("highlightwords", attention);
    highlightWords_->setMaxLength(1000);
    highlightWords_->setToolTip(
        QStringLiteral("Lines that hold one of these words (or your nickname) are highlighted"));
    notifications_ = checkBox(
        "notifications",
        QStringLiteral("Desktop notifications for highlights and private messages"), attention);
    timestamps_ =
        checkBox("timestamps", QStringLiteral("Show the time before each line"), attention);
    auto* attentionForm = new QFormLayout(attention);
    attentionForm->addRow(QStringLiteral("Highlight words:"), highlightWords_);
    attentionForm->addRow(notifications_);
    attentionForm->addRow(timestamps_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(replies);
    layout->addWidget(behaviour);
    layout->addWidget(attention);
    historyLimit_ = new QSpinBox(this);
    historyLimit_->setObjectName(QStringLiteral("historylimit"));
    historyLimit_->setRange(0, 100000000);
    historyLimit_->setSingleStep(10000);
    auto* history = new QFormLayout;
    history->addRow(QStringLiteral("Lines kept per window (0 = no limit)"), historyLimit_);
    layout->addLayout(history);

    auto* stored = new QGroupBox(QStringLiteral("History"), this);
    historyEnabled_ =
        checkBox("historyenabled", QStringLiteral("Keep every line in the history"), stored);
    historyPrivate_ =
        checkBox("historyprivate", QStringLiteral("Private and DCC chats too"), stored);
    historyKeepDays_ = new QSpinBox(stored);
    historyKeepDays_->setObjectName(QStringLiteral("historykeepdays"));
    historyKeepDays_->setRange(0, 36500);
    historyReopenLines_ = new QSpinBox(stored);
    historyReopenLines_->setObjectName(QStringLiteral("historyreopenlines"));
    historyReopenLines_->setRange(0, 100000);
    historyReopenLines_->setSingleStep(100);
    historyFetchLines_ = new QSpinBox(stored);
    historyFetchLines_->setObjectName(QStringLiteral("historyfetchlines"));
    historyFetchLines_->setRange(0, 10000);
    historyFetchLines_->setSingleStep(50);
    historyMemoryLines_ = new QSpinBox(stored);
    historyMemoryLines_->setObjectName(QStringLiteral("historymemorylines"));
    historyMemoryLines_->setRange(0, 10000000);
    historyMemoryLines_->setSingleStep(1000);
    auto* storedForm = new QFormLayout(stored);
    storedForm->addRow(historyEnabled_);
    storedForm->addRow(historyPrivate_);
    storedForm->addRow(QStringLiteral("Forget lines after days (0 = never)"), historyKeepDays_);
    storedForm->addRow(QStringLiteral("Past lines a window shows on opening"), historyReopenLines_);
    storedForm->addRow(QStringLiteral("Missed lines asked of the server on joining"),
                       historyFetchLines_);
    storedForm->addRow(QStringLiteral("Lines a window keeps in memory (0 = the limit above)"),
                       historyMemoryLines_);
    auto* importLogs = new QPushButton(QStringLiteral("Import logs"), stored);
    importLogs->setObjectName(QStringLiteral("importlogs"));
    importLogs->setAccessibleName(QStringLiteral("Import logs"));
    importLogs->setToolTip(
        QStringLiteral("Read the text logs of the logs folder into the history, once each"));
    connect(importLogs, &QPushButton::clicked, this, [this] { client_.importLogs(); });
    auto* importRow = new QHBoxLayout;
    importRow->addWidget(importLogs);
    importRow->addStretch(1);
    storedForm->addRow(importRow);
    layout->addWidget(stored);
    layout->addStretch(1);

    Options& o = client_.options();
    bind(answerVersionCheck_, o.ctcp.answerVersion, this);
    bind(versionReplyEdit_, o.ctcp.versionText, this);
    bind(answerTimeCheck_, o.ctcp.messageOnTime, this);
    bind(timeMessageEdit_, o.ctcp.timeMessage, this);
    bind(answerPingCheck_, o.ctcp.messageOnPing, this);
    bind(pingMessageEdit_, o.ctcp.pingMessage, this);
    bind(sayOnLeaveCheck_, o.display.sayOnLeave, this);
    bind(leaveMessageEdit_, o.display.leaveMessage, this);
    bind(autoJoinOnInviteCheck_, o.connection.autoJoinOnInvite, this);
    bind(ignorePrivateChatsCheck_, o.display.ignorePrivateChats, this);
    bind(reconnect_, o.connection.reconnect, this);
    connect(highlightWords_, &QLineEdit::textEdited, this,
            [&o](const QString& text) { o.display.highlightWords = Highlight::parseWords(text); });
    bind(notifications_, o.display.notifications, this);
    bind(timestamps_, o.display.timestamps, this);
    connect(historyLimit_, &QSpinBox::valueChanged, this, [this, &o](int lines) {
        o.display.historyLimit = lines;
        client_.settingsChanges().announce(OptionGroup::Display);
    });
    const auto storedChange = [this](auto apply) {
        return [this, apply](auto value) {
            apply(client_.options().history, value);
            client_.settingsChanges().announce(OptionGroup::History);
        };
    };
    connect(historyEnabled_, &QCheckBox::clicked, this,
            storedChange([](HistoryOptions& h, bool on) { h.enabled = on; }));
    connect(historyPrivate_, &QCheckBox::clicked, this,
            storedChange([](HistoryOptions& h, bool on) { h.privateChats = on; }));
    connect(historyKeepDays_, &QSpinBox::valueChanged, this,
            storedChange([](HistoryOptions& h, int days) { h.keepDays = days; }));
    connect(historyReopenLines_, &QSpinBox::valueChanged, this,
            storedChange([](HistoryOptions& h, int lines) { h.reopenLines = lines; }));
    connect(historyFetchLines_, &QSpinBox::valueChanged, this,
            storedChange([](HistoryOptions& h, int lines) { h.fetchLines = lines; }));
    connect(historyMemoryLines_, &QSpinBox::valueChanged, this,
            storedChange([](HistoryOptions& h, int lines) { h.memoryLines = lines; }));
    // Built before or after the settings are read, the page shows what was read.
    connect(&client_, &Client::settingsLoaded, this, &MessagesSettingsPage::load);
    load();
}

void MessagesSettingsPage::load()
{
    const Options& o = client_.options();
    answerVersionCheck_->setChecked(o.ctcp.answerVersion);
    versionReplyEdit_->setText(o.ctcp.versionText);
    answerTimeCheck_->setChecked(o.ctcp.messageOnTime);
    timeMessageEdit_->setText(o.ctcp.timeMessage);
    answerPingCheck_->setChecked(o.ctcp.messageOnPing);
    pingMessageEdit_->setText(o.ctcp.pingMessage);
    sayOnLeaveCheck_->setChecked(o.display.sayOnLeave);
    leaveMessageEdit_->setText(o.display.leaveMessage);
    autoJoinOnInviteCheck_->setChecked(o.connection.autoJoinOnInvite);
    ignorePrivateChatsCheck_->setChecked(o.display.ignorePrivateChats);
    reconnect_->setChecked(o.connection.reconnect);
    highlightWords_->setText(o.display.highlightWords.join(QStringLiteral(", ")));
    notifications_->setChecked(o.display.notifications);
    timestamps_->setChecked(o.display.timestamps);
    historyLimit_->setValue(o.display.historyLimit);
    historyEnabled_->setChecked(o.history.enabled);
    historyPrivate_->setChecked(o.history.privateChats);
    historyKeepDays_->setValue(o.history.keepDays);
    historyReopenLines_->setValue(o.history.reopenLines);
    historyFetchLines_->setValue(o.history.fetchLines);
    historyMemoryLines_->setValue(o.history.memoryLines);
}
