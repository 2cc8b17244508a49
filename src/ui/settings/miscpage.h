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
    // Reads the posters folder again (the "X" button).
    void fillPosters();
    // A poster chosen in the list of posters (while "Don't use a Poster" is clear).
    void choosePoster(const QString& name);
    // "Don't use a Poster" ticked or cleared.
    void setNoPoster(bool noPoster);
    // A colour taken from the tile frame's palette.
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
    QRadioButton* defaultBrowserRadio_;
    QRadioButton* otherBrowserRadio_;
    QLineEdit* browserPathEdit_;
    QLineEdit* webAddressEdit_;
    QListWidget* posterList_;
    QCheckBox* noPosterCheck_;
    ColourSwatch* tileFrameSwatch_;
};
