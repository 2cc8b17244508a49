#include "ui/settings/recentserversmenu.h"

#include "settings/recentservers.h"

#include <QMouseEvent>
#include <QToolButton>

RecentServersMenu::RecentServersMenu(RecentServers& recent, QToolButton* connectButton,
                                     QWidget* parent)
    : QMenu(parent), recent_(recent), button_(connectButton)
{
    setObjectName(QStringLiteral("connectmenu"));
    for (int n = 0; n < RecentServers::SlotCount; ++n) {
        QAction* action = addAction(QString());
        action->setObjectName(QStringLiteral("rec") + QString::number(n));
        connect(action, &QAction::triggered, this, [this, n] { recent_.choose(n); });
        entries_ << action;
    }
    recentTimer_.setObjectName(QStringLiteral("recenttimer"));
    recentTimer_.setSingleShot(true);
    recentTimer_.setInterval(HoldMs);
    connect(&recentTimer_, &QTimer::timeout, this, &RecentServersMenu::openAfterHold);
    connect(&recent_, &RecentServers::changed, this, &RecentServersMenu::rebuild);
    button_->installEventFilter(this);
    rebuild();
}

void RecentServersMenu::rebuild()
{
    const RecentServerSlots& slots = recent_.slots();
    for (int n = 0; n < RecentServers::SlotCount; ++n) {
        const RecentServer& slot = slots[size_t(n)];
        entries_[n]->setText(slot.label);
        entries_[n]->setVisible(slot.inUse());
    }
    button_->setToolTip(recent_.connectHintShown() ? QStringLiteral("Connect to Server")
                                                   : QString());
}

bool RecentServersMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == button_) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            recentTimer_.start();
        else if (event->type() == QEvent::MouseButtonRelease)
            recentTimer_.stop();
    }
    return QMenu::eventFilter(watched, event);
}

void RecentServersMenu::openAfterHold()
{
    recentTimer_.stop();
    if (!button_->isDown())
        return;
    // Released before the menu opens, so letting go over an entry is not also a click.
    button_->setDown(false);
    popup(button_->mapToGlobal(QPoint(0, button_->height())));
}
