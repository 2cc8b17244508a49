#pragma once

#include <QWidget>

class Client;
class ColourSwatch;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

// The "Misc" settings page: the web browser and an address to go to, the link to the help
// pages, the poster behind the window picker, and the colour of the tile frame.
class MiscPage : public QWidget
{
    Q_OBJECT
public:
    explicit MiscPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model.
    void load();
    // Button15 "X": reads the posters folder again.
    void fillPosters();
    // A poster chosen in FileListBox1 (while "Don't use a Poster" is clear).
    void choosePoster(const QString& name);
    // CheckBox13 ticked or cleared.
    void setNoPoster(bool noPoster);
    // A colour taken from Image2.
    void setTileFrameColour(const QColor& colour);

Q_SIGNALS:
    // The poster changed: the picker lays out and repaints.
    void posterChanged();
    void tileFrameColourChanged(const QColor& colour);

private:
    void chooseDefaultBrowser();
    void findBrowser();
    void goThere();

    Client& client_;
    QRadioButton* radioButton10_;
    QRadioButton* radioButton9_;
    QLineEdit* edit21_;
    QLineEdit* edit13_;
    QListWidget* fileListBox1_;
    QCheckBox* checkBox13_;
    ColourSwatch* shape2_;
};
