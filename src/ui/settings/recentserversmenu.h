#pragma once

#include <QMenu>
#include <QTimer>

class QToolButton;
class RecentServers;

// The recent-server menu (connectMenu, entries rec0 to rec9) that opens when the user
// presses and holds "Connect to Server"; a short click stays an ordinary connect.
class RecentServersMenu : public QMenu
{
    Q_OBJECT
public:
    static constexpr int HoldMs = 300;

    RecentServersMenu(RecentServers& recent, QToolButton* connectButton, QWidget* parent = nullptr);

    QTimer& recentTimer() { return recentTimer_; }
    QAction* entry(int n) const { return entries_.value(n); }
    void rebuild();
    void openAfterHold();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RecentServers& recent_;
    QToolButton* button_;
    QList<QAction*> entries_;
    QTimer recentTimer_;
};
