#include "ui/dcc/dccsettingspage.h"

#include "client/client.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QRadioButton* addChoice(QGroupBox* group, const char* name, const QString& text)
{
    auto* button = new QRadioButton(text, group);
    button->setObjectName(QLatin1String(name));
    group->layout()->addWidget(button);
    return button;
}

} // namespace

DccSettingsPage::DccSettingsPage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    auto* column = new QVBoxLayout(this);
    auto* chats = new QGroupBox(QStringLiteral("On an Inbound DCC Chat:"), this);
    new QVBoxLayout(chats);
    using Chat = DccOptions::ChatOffer;
    chat_[size_t(Chat::Accept)] =
        addChoice(chats, "RadioButton6", QStringLiteral("Accept without Prompt"));
    chat_[size_t(Chat::Ignore)] = addChoice(chats, "RadioButton7", QStringLiteral("Ignore it"));
    chat_[size_t(Chat::Prompt)] = addChoice(chats, "RadioButton8", QStringLiteral("Prompt"));
    column->addWidget(chats);

    auto* files = new QGroupBox(QStringLiteral("On an Inbound File:"), this);
    new QVBoxLayout(files);
    using File = DccOptions::FileOffer;
    files_[size_t(File::Prompt)] = addChoice(files, "RadioButton3", QStringLiteral("Prompt"));
    files_[size_t(File::Ignore)] = addChoice(files, "RadioButton4", QStringLiteral("Ignore It"));
    files_[size_t(File::Get)] =
        addChoice(files, "RadioButton5", QStringLiteral("Get File without Prompt"));
    column->addWidget(files);
    column->addStretch(1);

    for (size_t i = 0; i < chat_.size(); ++i) {
        connect(chat_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                client_.options().dcc.chatInboundAction = Chat(int(i));
        });
    }
    for (size_t i = 0; i < files_.size(); ++i) {
        connect(files_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                client_.options().dcc.fileInboundAction = File(int(i));
        });
    }
    load();
}

void DccSettingsPage::load()
{
    const DccOptions& o = client_.options().dcc;
    chat_[size_t(o.chatInboundAction)]->setChecked(true);
    files_[size_t(o.fileInboundAction)]->setChecked(true);
}
