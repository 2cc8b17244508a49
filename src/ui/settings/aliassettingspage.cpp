#include "ui/settings/aliassettingspage.h"

#include "client/client.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

AliasSettingsPage::AliasSettingsPage(Client& client, QWidget* parent)
    : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("aliassettingspage"));
    auto* hint =
        new QLabel(QStringLiteral("One alias a line, for example:  /hi /msg $1 hello there"), this);
    aliaslist_ = new QPlainTextEdit(this);
    aliaslist_->setObjectName(QStringLiteral("aliaslist"));
    aliaslist_->setAccessibleName(QStringLiteral("Aliases"));
    aliaslist_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(aliaslist_, 1);

    connect(aliaslist_, &QPlainTextEdit::textChanged, this, &AliasSettingsPage::store);
    // An alias defined by typing it as a command shows up here at once.
    connect(&client_.commands(), &CommandParser::aliasesChanged, this, &AliasSettingsPage::load);
    // Built before or after the settings are read, the page shows what was read.
    connect(&client_, &Client::settingsLoaded, this, &AliasSettingsPage::load);
    load();
}

void AliasSettingsPage::load()
{
    showing_ = true;
    aliaslist_->setPlainText(client_.options().textEntry.aliases.join(u'\n'));
    showing_ = false;
}

void AliasSettingsPage::store()
{
    if (showing_)
        return;
    const QString text = aliaslist_->toPlainText();
    client_.options().textEntry.aliases = text.isEmpty() ? QStringList() : text.split(u'\n');
}
