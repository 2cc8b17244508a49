#include "ui/chat/chatmenuwidget.h"

#include "client/client.h"
#include "commands/useractions.h"
#include "ui/dialogs/banwindowdialog.h"
#include "ui/dialogs/chanpworddialog.h"
#include "ui/dialogs/settopicdialog.h"
#include "ui/dialogs/setuserlimitdialog.h"

#include <QAction>

ChatMenuWidget::ChatMenuWidget(Client& client, QWidget* parent)
    : QMenu(parent), client_(client), actions_(client.userActions(), client.windows())
{
    setObjectName(QStringLiteral("chatmenu"));
    build();
    connect(&client_.windows(), &WindowRegistry::windowDestroying, this,
            [this](ChatWindow* window) {
                if (window == window_)
                    window_ = nullptr;
            });
    connect(&client_.userActions(), &UserActions::banListReady, this,
            [this](const QString& channel, const QStringList& masks) {
                showBanList(client_, channel, masks, parentWidget());
            });
}

void ChatMenuWidget::build()
{
    QHash<QString, QMenu*> submenus;
    const auto& all = chatMenuEntries();
    for (const ChatMenuEntry& entry : all) {
        QMenu* parentMenu = entry.parent.isEmpty() ? this : submenus.value(entry.parent);
        if (!parentMenu)
            continue;
        QAction* action = nullptr;
        const bool hasChildren = std::any_of(
            all.cbegin(), all.cend(), [&](const ChatMenuEntry& e) { return e.parent == entry.id; });
        if (entry.isSeparator()) {
            action = parentMenu->addSeparator();
        } else if (hasChildren) {
            QMenu* submenu = parentMenu->addMenu(entry.id);
            submenus.insert(entry.id, submenu);
            action = submenu->menuAction();
        } else {
            action = parentMenu->addAction(entry.id);
            action->setCheckable(entry.checkable);
            const QString caption = entry.id;
            connect(action, &QAction::triggered, this, [this, caption] { choose(caption); });
        }
        entries_.insert(entry.id, action);
    }
}

void ChatMenuWidget::prepare(ChatWindow* window, const QStringList& selectedNicks)
{
    window_ = window;
    selectedNicks_ = selectedNicks;
    if (!window)
        return;
    const ChatMenuState state = prepareChatMenu(*window);
    for (auto it = state.cbegin(); it != state.cend(); ++it) {
        QAction* action = entries_.value(it.key());
        if (!action)
            continue;
        action->setVisible(it->visible);
        action->setEnabled(it->enabled);
        if (action->isCheckable())
            action->setChecked(it->checked);
    }
}

void ChatMenuWidget::showChatMenu(ChatWindow* window, const QPoint& globalPos,
                                  const QStringList& selectedNicks)
{
    if (!window || window->isSection())
        return;
    prepare(window, selectedNicks);
    popup(globalPos);
}

void ChatMenuWidget::choose(const QString& caption)
{
    ChatWindow* window = window_;
    if (!window)
        return;
    switch (actions_.run(caption, window, selectedNicks_)) {
    case ChatMenuActions::Outcome::NeedsDialog:
        openDialog(caption);
        break;
    case ChatMenuActions::Outcome::Unknown:
        Q_EMIT otherEntryChosen(window, caption, selectedNicks_);
        break;
    case ChatMenuActions::Outcome::Done:
        break;
    }
}

void ChatMenuWidget::openDialog(const QString& caption)
{
    if (!window_ || window_->conversationKind != ConversationKind::Channel)
        return;
    const QString channel = window_->channelName;
    Client& client = client_;
    // The window may close while the dialog is open; its answer finds it again by name.
    auto channelWindow = [&client, channel] { return client.windows().findChannelWindow(channel); };
    UserActions& actions = client_.userActions();
    QWidget* owner = parentWidget();

    if (caption == QLatin1String("Topic...")) {
        auto* dialog = new SetTopicDialog(channel, window_->topic, owner);
        connect(dialog, &SetTopicDialog::topicChosen, &actions,
                [&actions, channelWindow](const QString& topic) {
                    actions.applyTopic(channelWindow(), topic);
                });
        dialog->open();
    } else if (caption == QLatin1String("Password...")) {
        auto* dialog = new ChanPwordDialog(channel, window_->channelKey, owner);
        connect(dialog, &ChanPwordDialog::keyChosen, &actions,
                [&actions, channelWindow](const QString& key) {
                    actions.applyChannelKey(channelWindow(), key);
                });
        connect(dialog, &ChanPwordDialog::keyRemoved, &actions,
                [&actions, channelWindow] { actions.removeChannelKey(channelWindow()); });
        dialog->open();
    } else if (caption == QLatin1String("User Limit...")) {
        auto* dialog =
            new SetUserLimitDialog(channel, UserActions::initialUserLimit(window_), owner);
        connect(dialog, &SetUserLimitDialog::limitChosen, &actions,
                [&actions, channelWindow](int limit) {
                    actions.applyUserLimit(channelWindow(), limit);
                });
        connect(dialog, &SetUserLimitDialog::limitRemoved, &actions,
                [&actions, channelWindow] { actions.removeUserLimit(channelWindow()); });
        dialog->open();
    }
}

void ChatMenuWidget::showBanList(Client& client, const QString& channel, const QStringList& masks,
                                 QWidget* parent)
{
    auto* dialog = new BanWindowDialog(channel, masks, parent);
    UserActions& actions = client.userActions();
    connect(dialog, &BanWindowDialog::unbanChosen, &actions,
            [&actions, channel](const QStringList& chosen) { actions.unban(channel, chosen); });
    dialog->open();
}
