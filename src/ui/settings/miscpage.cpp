#include "ui/settings/miscpage.h"

#include "client/client.h"
#include "commands/weblinks.h"
#include "core/wincolor.h"
#include "ui/settings/colourpalette.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

MiscPage::MiscPage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("miscpage"));
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* browser = new QGroupBox(QStringLiteral("Web Browser"), this);
    auto* browserColumn = new QVBoxLayout(browser);
    defaultBrowserRadio_ = new QRadioButton(QStringLiteral("Use Default Browser"), browser);
    defaultBrowserRadio_->setObjectName(QStringLiteral("RadioButton10"));
    otherBrowserRadio_ = new QRadioButton(QStringLiteral("Use this Instead..."), browser);
    otherBrowserRadio_->setObjectName(QStringLiteral("RadioButton9"));
    browserPathEdit_ = new QLineEdit(browser);
    browserPathEdit_->setObjectName(QStringLiteral("Edit21"));
    auto* find = new QPushButton(QStringLiteral("Find"), browser);
    find->setObjectName(QStringLiteral("Button1"));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(browserPathEdit_, 1);
    pathRow->addWidget(find);
    browserColumn->addWidget(defaultBrowserRadio_);
    browserColumn->addWidget(otherBrowserRadio_);
    browserColumn->addLayout(pathRow);
    left->addWidget(browser);
    connect(defaultBrowserRadio_, &QRadioButton::clicked, this, &MiscPage::chooseDefaultBrowser);
    connect(otherBrowserRadio_, &QRadioButton::clicked, this, [this] {
        client_.options().browser.useOther = true;
        client_.options().browser.path = browserPathEdit_->text().trimmed();
    });
    connect(browserPathEdit_, &QLineEdit::textEdited, this,
            [this](const QString& text) { client_.options().browser.path = text; });
    connect(find, &QPushButton::clicked, this, &MiscPage::findBrowser);

    auto* address = new QGroupBox(QStringLiteral("Web Address"), this);
    auto* addressRow = new QHBoxLayout(address);
    webAddressEdit_ = new QLineEdit(address);
    webAddressEdit_->setObjectName(QStringLiteral("Edit13"));
    webAddressEdit_->setPlaceholderText(QStringLiteral("www.example.org"));
    auto* go = new QPushButton(QStringLiteral("Go There"), address);
    go->setObjectName(QStringLiteral("Button2"));
    addressRow->addWidget(webAddressEdit_, 1);
    addressRow->addWidget(go);
    left->addWidget(address);
    connect(go, &QPushButton::clicked, this, &MiscPage::goThere);
    connect(webAddressEdit_, &QLineEdit::returnPressed, this, &MiscPage::goThere);

    auto* frame = new QGroupBox(QStringLiteral("Select a TileFrame Color"), this);
    auto* frameRow = new QHBoxLayout(frame);
    auto* tileFramePalette = new ColourPalette(frame);
    tileFramePalette->setObjectName(QStringLiteral("Image2"));
    tileFrameSwatch_ = new ColourSwatch(frame);
    tileFrameSwatch_->setObjectName(QStringLiteral("Shape2"));
    frameRow->addWidget(tileFramePalette);
    frameRow->addWidget(tileFrameSwatch_);
    frameRow->addStretch(1);
    left->addWidget(frame);
    // The help pages, as the Help button opens them.
    auto* help = new QLabel(
        QStringLiteral("For help with QuorlIRC, click <a href=\"help\">here.</a>"), this);
    help->setObjectName(QStringLiteral("helplink"));
    help->setTextFormat(Qt::RichText);
    help->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    left->addWidget(help);
    left->addStretch(1);
    connect(help, &QLabel::linkActivated, this, [this] {
        WebLinks::openUrl(client_.options().browser,
                          QUrl(WebLinks::helpIndexUrl(client_.programFolder())),
                          client_.statusLog());
    });
    connect(tileFramePalette, &ColourPalette::colourPicked, this, &MiscPage::setTileFrameColour);

    auto* posters = new QGroupBox(QStringLiteral("Select a Poster"), this);
    auto* posterColumn = new QVBoxLayout(posters);
    posterList_ = new QListWidget(posters);
    posterList_->setObjectName(QStringLiteral("FileListBox1"));
    posterList_->setAccessibleName(QStringLiteral("Posters"));
    auto* reread = new QPushButton(QStringLiteral("X"), posters);
    reread->setObjectName(QStringLiteral("Button15"));
    reread->setToolTip(QStringLiteral("Read the posters folder again"));
    reread->setFixedWidth(30);
    noPosterCheck_ = new QCheckBox(QStringLiteral("Don't use a Poster"), posters);
    noPosterCheck_->setObjectName(QStringLiteral("CheckBox13"));
    auto* posterRow = new QHBoxLayout;
    posterRow->addWidget(noPosterCheck_, 1);
    posterRow->addWidget(reread);
    posterColumn->addWidget(posterList_, 1);
    posterColumn->addLayout(posterRow);
    right->addWidget(posters, 1);
    connect(posterList_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { choosePoster(item->text()); });
    connect(reread, &QPushButton::clicked, this, &MiscPage::fillPosters);
    connect(noPosterCheck_, &QCheckBox::clicked, this, &MiscPage::setNoPoster);

    connect(&client_, &Client::settingsLoaded, this, &MiscPage::load);
    load();
}

void MiscPage::load()
{
    const BrowserOptions& browser = client_.options().browser;
    (browser.useOther ? otherBrowserRadio_ : defaultBrowserRadio_)->setChecked(true);
    browserPathEdit_->setText(browser.useOther ? browser.path : WebLinks::findDefaultBrowser());
    noPosterCheck_->setChecked(client_.options().appearance.noPoster);
    tileFrameSwatch_->setColour(colorFromWin(client_.options().appearance.tileFrameColor));
    fillPosters();
}

void MiscPage::fillPosters()
{
    posterList_->clear();
    const QDir folder(client_.programFolder() + Poster::folderName());
    posterList_->addItems(
        folder.entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    const auto current =
        posterList_->findItems(client_.options().appearance.lastPoster, Qt::MatchFixedString);
    if (!current.isEmpty())
        posterList_->setCurrentItem(current.first());
}

void MiscPage::choosePoster(const QString& name)
{
    if (noPosterCheck_->isChecked())
        return;
    AppearanceOptions& look = client_.options().appearance;
    if (client_.poster().load(client_.programFolder(), name,
                              [this](const QString& line) { client_.addStatusLine(line); }))
        look.lastPoster = name;
    Q_EMIT posterChanged();
}

void MiscPage::setNoPoster(bool noPoster)
{
    AppearanceOptions& look = client_.options().appearance;
    look.noPoster = noPoster;
    noPosterCheck_->setChecked(noPoster);
    if (posterList_->count() == 0) {
        if (noPoster)
            client_.poster().load(client_.programFolder(), Poster::noPosterName(), {});
        Q_EMIT posterChanged();
        return;
    }
    const auto current = posterList_->findItems(look.lastPoster, Qt::MatchFixedString);
    posterList_->setCurrentItem(current.isEmpty() ? posterList_->item(0) : current.first());
    if (noPoster)
        client_.poster().load(client_.programFolder(), Poster::noPosterName(), {});
    else
        choosePoster(posterList_->currentItem()->text());
    Q_EMIT posterChanged();
}

void MiscPage::setTileFrameColour(const QColor& colour)
{
    tileFrameSwatch_->setColour(colour);
    client_.options().appearance.tileFrameColor = winFromColor(colour);
    Q_EMIT tileFrameColourChanged(colour);
}

void MiscPage::chooseDefaultBrowser()
{
    BrowserOptions& browser = client_.options().browser;
    browser.useOther = false;
    const QString found = WebLinks::findDefaultBrowser();
    browser.path = found;
    browserPathEdit_->setText(found);
}

void MiscPage::findBrowser()
{
    const QString program = QFileDialog::getOpenFileName(this, QStringLiteral("Find Web Browser"),
                                                         client_.programFolder());
    if (program.isEmpty())
        return;
    BrowserOptions& browser = client_.options().browser;
    browser.useOther = true;
    browser.path = program;
    otherBrowserRadio_->setChecked(true);
    browserPathEdit_->setText(program);
}

void MiscPage::goThere()
{
    const QString typed = webAddressEdit_->text().trimmed();
    if (typed.isEmpty())
        return;
    WebLinks::openUrl(client_.options().browser, QUrl(WebLinks::normaliseUrl(typed)),
                      client_.statusLog());
}
