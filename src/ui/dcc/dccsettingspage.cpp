#include "ui/dcc/dccsettingspage.h"

#include "client/client.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
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
    autoResume_ = new QCheckBox(QStringLiteral("Resume partial files automatically"), files);
    autoResume_->setObjectName(QStringLiteral("autoResume"));
    files->layout()->addWidget(autoResume_);
    column->addWidget(files);

    passive_ = new QCheckBox(QStringLiteral("Ask the other side to connect (behind NAT)"), this);
    passive_->setObjectName(QStringLiteral("passive"));
    column->addWidget(passive_);
    auto* limits = new QFormLayout;
    maxIncoming_ = new QSpinBox(this);
    maxIncoming_->setObjectName(QStringLiteral("maxIncoming"));
    maxIncoming_->setRange(OptionLimits::dccIncomingMin, OptionLimits::dccIncomingMax);
    limits->addRow(QStringLiteral("Most files received at once:"), maxIncoming_);
    column->addLayout(limits);
    column->addStretch(1);

    connect(passive_, &QCheckBox::toggled, this,
            [this](bool on) { client_.options().dcc.passive = on; });
    connect(autoResume_, &QCheckBox::toggled, this,
            [this](bool on) { client_.options().dcc.resumeAutomatically = on; });
    connect(maxIncoming_, &QSpinBox::valueChanged, this,
            [this](int value) { client_.options().dcc.maxIncoming = value; });

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
    passive_->setChecked(o.passive);
    autoResume_->setChecked(o.resumeAutomatically);
    maxIncoming_->setValue(o.maxIncoming);
}
