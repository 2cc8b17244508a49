#pragma once

#include <QWidget>

class Client;
class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

// The Sound page: the event-to-sound list with its buttons, the sound folder and the two
// switches of sound requests.
class SoundSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit SoundSettingsPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model.
    void load();

private:
    void linkSound();
    void unlinkSound();
    void playSelected();
    void chooseSoundFolder();
    void showRow(int row);
    void rowChecked(QListWidgetItem* item);

    Client& client_;
    QListWidget* soundlist_;
    QToolButton* linkButton_;
    QToolButton* unlinkButton_;
    QToolButton* playButton_;
    QToolButton* stopAllButton_;
    QToolButton* soundFolderButton_;
    QLabel* soundFolder_;
    QCheckBox* privateRequestsCheck_;
    QCheckBox* acceptRequestsCheck_;
};
