#include "ui/settings/menumodpage.h"

#include "menu/menumod.h"
#include "ui/chat/chatmenuwidget.h"
#include "ui/flowlayout.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

MenuModPage::MenuModPage(MenuMods& mods, ChatMenuWidget& menu, QWidget* parent)
    : QWidget(parent), mods_(mods), menu_(menu)
{
    setObjectName(QStringLiteral("menumodpage"));
    auto* layout = new QVBoxLayout(this);
    modLabel_ = new QLabel(mods_.label(), this);
    modLabel_->setObjectName(QStringLiteral("Label50"));
    layout->addWidget(modLabel_);
    menupile_ = new QPlainTextEdit(this);
    menupile_->setObjectName(QStringLiteral("menupile"));
    menupile_->setAccessibleName(QStringLiteral("Menu definitions"));
    menupile_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(menupile_, 1);

    auto* buttons = new FlowLayout;
    struct Button
    {
        const char* name;
        const char* caption;
        void (MenuModPage::*run)();
    };
    const Button rows[] = {
        {"compilebutton", "Compile Menu", &MenuModPage::compileMenu},
        {"viewbutton", "Compile and View Menu", &MenuModPage::compileAndView},
        {"savemodbutton", "Save this Menu Mod", &MenuModPage::saveMod},
        {"loadmodbutton", "Load a Menu Mod", &MenuModPage::loadMod},
    };
    for (const Button& row : rows) {
        auto* button = new QPushButton(QLatin1String(row.caption), this);
        button->setObjectName(QLatin1String(row.name));
        button->setToolTip(QLatin1String(row.caption));
        connect(button, &QPushButton::clicked, this, row.run);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    connect(&mods_, &MenuMods::labelChanged, modLabel_, &QLabel::setText);
    connect(&mods_, &MenuMods::linesLoaded, this, &MenuModPage::showLines);
    showLines();
}

void MenuModPage::showLines()
{
    menupile_->setPlainText(mods_.lines().join(u'\n'));
}

void MenuModPage::compileMenu()
{
    mods_.setLines(menupile_->toPlainText().split(u'\n'));
    mods_.compile();
}

void MenuModPage::compileAndView()
{
    compileMenu();
    // Under the button that asked for it, as a drop-down menu opens.
    const QWidget* button = findChild<QWidget*>(QStringLiteral("viewbutton"));
    menu_.showPreview(button->mapToGlobal(QPoint(0, button->height())));
}

void MenuModPage::saveMod()
{
    auto* dialog = new QFileDialog(this, QStringLiteral("Save this Menu Mod"), mods_.currentPath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        mods_.setLines(menupile_->toPlainText().split(u'\n'));
        if (mods_.saveMod(path))
            return;
        auto* box =
            new QMessageBox(QMessageBox::Warning, QStringLiteral("QuorlIRC"),
                            QStringLiteral("Unable to write to ") + path, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    dialog->open();
}

void MenuModPage::loadMod()
{
    auto* dialog = new QFileDialog(this, QStringLiteral("Load a Menu Mod"), mods_.currentPath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { mods_.loadMod(path); });
    dialog->open();
}
