#pragma once

#include <QWidget>

class Client;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSlider;

// The File Server page: the switch, the root folder, the trigger word, the two limits and
// the greeting sent to every user who connects.
class FileServerPage : public QWidget
{
    Q_OBJECT
public:
    explicit FileServerPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model and the greeting files on disk.
    void load();

protected:
    // Greeting files added to the folder meanwhile show up when the page is shown.
    void showEvent(QShowEvent* event) override;

private:
    void refreshGreetings();

    Client& client_;
    QRadioButton* onRadio_;
    QRadioButton* offRadio_;
    QLineEdit* rootFolderEdit_;
    QLineEdit* triggerEdit_;
    QSlider* maxUsersSlider_;
    QLabel* maxUsersLabel_;
    QSlider* maxGetsSlider_;
    QLabel* maxGetsLabel_;
    QListWidget* greet_;
};
