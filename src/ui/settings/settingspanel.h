#pragma once

#include <QTabBar>
#include <QTabWidget>

// The settings area: its pages listed one under another down the left side, every name in
// full, so no page hides behind scroll arrows at the window's usual size. Ctrl+Tab and
// Ctrl+Shift+Tab step through the pages from anywhere in the window while it shows.
class SettingsPanel : public QTabWidget
{
    Q_OBJECT
public:
    explicit SettingsPanel(QWidget* parent = nullptr);

    // Selects the page after (1) or before (-1) the current one, wrapping round.
    void stepPage(int direction);
};

// The page list: a tab bar drawn as a list, one row a page, the text left-aligned and never
// shortened; Up, Down, Home and End move through it.
class SettingsPageList : public QTabBar
{
    Q_OBJECT
public:
    explicit SettingsPageList(QWidget* parent = nullptr);

    // As tall as the panel: the list runs down its whole side.
    QSize sizeHint() const override;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
