#include "ui/chat/chatmenuwidget.h"

#include "client/client.h"
#include "commands/soundactions.h"
#include "commands/useractions.h"
#include "menu/menumod.h"
#include "ui/dialogs/banwindowdialog.h"
#include "ui/dialogs/chanpworddialog.h"
#include "ui/dialogs/sendthemedialog.h"
#include "ui/dialogs/settopicdialog.h"
#include "ui/dialogs/setuserlimitdialog.h"

#include <QAction>
#include <QFileDialog>

ChatMenuWidget::ChatMenuWidget(Client& client, QWidget* parent)
    : QMenu(parent), client_(client), actions_(client.userActions(), client.windows())
{
    setObjectName(QStringLiteral("chatmenu"));
    nickMenu_ = new QMenu(this);
    nickMenu_->setObjectName(QStringLiteral("nickmenu"));
    build();
    buildMod();
    connect(&client_.menuMods(), &MenuMods::menuCompiled, this, &ChatMenuWidget::buildMod);
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
    QAction* forget = entries_.value(QStringLiteral("Forget this window's history"));
    forget->setObjectName(QStringLiteral("forgethistory"));
    forget->setStatusTip(QStringLiteral("Delete this window's lines from the history"));
}

void ChatMenuWidget::buildMod()
{
    delete modSeparator_;
    modSeparator_ = nullptr;
    delete modTop_;
    modTop_ = nullptr;
    const CompiledMenuMod& mod = client_.menuMods().compiled();
    if (!mod.hasTop)
        return;
    constexpr int modPosition = 14;
    modTop_ = new QMenu(mod.topCaption, this);
    modTop_->setObjectName(QStringLiteral("modmenu"));
    insertMenu(actions().value(modPosition), modTop_);
    modSeparator_ = new QAction(this);
    modSeparator_->setSeparator(true);
    insertAction(modTop_->menuAction(), modSeparator_);
    addModEntries(modTop_, MenuModEntry::TopEntry);
}

void ChatMenuWidget::addModEntries(QMenu* menu, int parent)
{
    const CompiledMenuMod& mod = client_.menuMods().compiled();
    for (int index : mod.childrenOf(parent)) {
        const QString caption = mod.entries.at(index).caption;
        if (!mod.childrenOf(index).isEmpty()) {
            QMenu* submenu = menu->addMenu(caption);
            // A submenu's own entry cannot be chosen: its command leads the submenu.
            if (!mod.entries.at(index).command.isEmpty()) {
                QAction* own = submenu->addAction(caption);
                connect(own, &QAction::triggered, this, [this, caption] { choose(caption); });
                submenu->addSeparator();
            }
            addModEntries(submenu, index);
            continue;
        }
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, [this, caption] { choose(caption); });
    }
}

void ChatMenuWidget::showPreview(const QPoint& globalPos)
{
    window_ = nullptr;
    selectedNicks_.clear();
    for (QAction* action : std::as_const(entries_)) {
        action->setVisible(true);
        action->setEnabled(true);
    }
    popup(globalPos);
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
    if (selectedNicks.isEmpty()) {
        popup(globalPos);
        return;
    }
    // The same entries, under the names they act on. The title is no entry: it cannot
    // be chosen.
    nickMenu_->clear();
    const QString names = selectedNicks.join(QStringLiteral(", "));
    QAction* title =
        nickMenu_->addAction(nickMenu_->fontMetrics().elidedText(names, Qt::ElideRight, 300));
    title->setObjectName(QStringLiteral("nickmenutitle"));
    title->setToolTip(names);
    title->setEnabled(false);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    nickMenu_->addSeparator();
    nickMenu_->addActions(actions());
    nickMenu_->popup(globalPos);
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
        if (!client_.menuMods().runEntry(caption, window, selectedNicks_))
            Q_EMIT otherEntryChosen(window, caption, selectedNicks_);
        break;
    case ChatMenuActions::Outcome::Done:
        break;
    }
}

void ChatMenuWidget::openDialog(const QString& caption)
{
    if (window_ && SoundActions::isSoundEntry(caption)) {
        openSoundDialog(caption);
        return;
    }
    if (window_ && caption == QLatin1String("Send Theme...")) {
        SendThemeDialog::openFor(client_, *window_, selectedNicks_, parentWidget());
        return;
    }
    if (window_ && caption == QLatin1String("Forget this window's history")) {
        client_.forgetHistory(window_); // asks first
        return;
    }
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

void ChatMenuWidget::openSoundDialog(const QString& caption)
{
    const QStringList targets = SoundActions::targets(caption, *window_, selectedNicks_);
    if (targets.isEmpty() && caption != QLatin1String("Sample a Sound"))
        return;
    const QString folder = client_.options().sound.playDialogFolder;
    auto* dialog = new QFileDialog(parentWidget(), SoundActions::dialogTitle(caption, *window_),
                                   folder.isEmpty() ? client_.programFolder() : folder,
                                   QStringLiteral("All Files (*.mid *.wav);;.Wav Files "
                                                  "(*.wav);;.MID Files (*.mid)"));
    dialog->setObjectName(QStringLiteral("psounddialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    Client& client = client_;
    ChatWindow* window = window_;
    connect(dialog, &QFileDialog::fileSelected, &client,
            [&client, caption, window, targets](const QString& path) {
                // The window may have closed while the dialog was open.
                ChatWindow* shown = client.windows().indexOf(window) >= 0 ? window : nullptr;
                client.soundActions().soundChosen(caption, shown, targets, path);
            });
    dialog->open();
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
