#pragma once

#include <QTabWidget>
#include <QWidget>

// Shows each tab of the main window's settings panel once, last to first, as a user going
// through them would; a page is made when its tab is first shown. The first tab is in
// front again afterwards.
inline void showEverySettingsTab(QWidget& mainWindow)
{
    auto* tabs = mainWindow.findChild<QTabWidget*>(QStringLiteral("settingspanel"));
    for (int i = tabs->count() - 1; i >= 0; --i)
        tabs->setCurrentIndex(i);
}
