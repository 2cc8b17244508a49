#pragma once

#include <QWidget>

class Client;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// The settings page of the ignore list and flood protection.
class IgnoreSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit IgnoreSettingsPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model and the ignore list.
    void load();

private:
    void showEntries();
    void showSelection(int index);

    Client& client_;
    QTreeWidget* ignorelistview_;
    QComboBox* ignoreTimeCombo_;
    QPushButton* deleteButton_;
    QPushButton* deleteAllButton_;
    QCheckBox* floodProtectionCheck_;
    QSpinBox* floodLinesSpin_;
    bool showing_ = false;
};
