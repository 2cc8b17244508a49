#include "ui/dialogs/sendthemedialog.h"

#include "client/client.h"
#include "commands/themesend.h"
#include "theme/themefile.h"

#include <QLabel>
#include <QPushButton>

SendThemeDialog::SendThemeDialog(Client& client, const QString& themeName, const QString& nick,
                                 QWidget* parent)
    : SmallDialog(QStringLiteral("sendtheme"), QStringLiteral("Send Theme"), parent),
      client_(client), themeName_(themeName), nick_(nick)
{
    auto* name = new QLabel(QStringLiteral("Theme Name: ") + themeName, this);
    name->setObjectName(QStringLiteral("themenamelabel"));
    auto* to = new QLabel(QStringLiteral("Sending to: ") + nick, this);
    to->setObjectName(QStringLiteral("sendtolabel"));
    addContent(name);
    addContent(to);
    QPushButton* sendButton = addButton(QStringLiteral("Send"), QStringLiteral("sendbutton"));
    QPushButton* cancel = addButton(QStringLiteral("Cancel"), QStringLiteral("cancelbutton"));
    connect(sendButton, &QPushButton::clicked, this, &SendThemeDialog::send);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

SendThemeDialog* SendThemeDialog::openFor(Client& client, const ChatWindow& window,
                                          const QStringList& selectedNicks, QWidget* parent)
{
    const QString nick = ThemeSend::target(window, selectedNicks);
    if (nick.isEmpty())
        return nullptr;
    auto* dialog = new SendThemeDialog(client, window.theme.name, nick, parent);
    dialog->open();
    return dialog;
}

void SendThemeDialog::send()
{
    ThemeRecord theme = ThemeFile::load(client_.programFolder(), themeName_).record;
    theme.name = themeName_;
    const QStringList offered =
        ThemeSend::offer(client_.dcc().sends(), client_.programFolder(), nick_, theme);
    if (offered.isEmpty())
        client_.addStatusLine(QStringLiteral("Can't find the theme file ") + themeName_ +
                              QStringLiteral(".qth to send."));
    accept();
}
