#include "ui/settings/themepage.h"

#include "chat/chatdocument.h"
#include "chat/nicklist.h"
#include "client/client.h"
#include "core/fontrecord.h"
#include "core/wincolor.h"
#include "theme/themeeditor.h"
#include "ui/chat/chatview.h"
#include "ui/chat/nicklistview.h"
#include "ui/chat/textentry.h"
#include "ui/flowlayout.h"
#include "ui/settings/colourpalette.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {
// Where a separator line follows an item in the item list.
const char* const groupEnds[] = {"Author",
                                 "Right Margin",
                                 "You Italic",
                                 "Other Italic",
                                 "Server Italic",
                                 "Select Text Color",
                                 "Ignore Mirc BackColor",
                                 "List Me Text Color"};

QPushButton* button(QWidget* parent, const char* name, const QString& text,
                    const QString& hint = QString())
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

// The dotted frame "View Margins" draws over the preview's text area.
class MarginFrame : public QWidget
{
public:
    MarginFrame(ChatView* view) : QWidget(view), view_(view)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QPen pen(Qt::white);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawRect(view_->document()->textArea());
    }

private:
    ChatView* view_;
};
} // namespace

ThemePage::ThemePage(Client& client, QWidget* parent)
    : QWidget(parent), client_(client), editor_(client.themeEditor())
{
    setObjectName(QStringLiteral("themepage"));
    auto* row = new QHBoxLayout(this);
    auto* column = new QVBoxLayout;
    column->addWidget(buildButtons());
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("themetitle"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    column->addWidget(title_);
    column->addWidget(buildEditors(), 1);
    row->addLayout(column, 0);
    row->addWidget(buildPreview(), 1);

    connect(&editor_, &ThemeEditor::opened, this, &ThemePage::onOpened);
    connect(&editor_, &ThemeEditor::closed, this, &ThemePage::onClosed);
    connect(&editor_, &ThemeEditor::changed, this, &ThemePage::refreshPreview);
    connect(&editor_, &ThemeEditor::usesChanged, this, &ThemePage::showUses);
    connect(&editor_, &ThemeEditor::titleChanged, title_, &QLabel::setText);
    if (editor_.isOpen())
        onOpened();
    else
        onClosed();
}

ThemePage::~ThemePage() = default;

QString ThemePage::themesFolder() const
{
    return ThemeFile::themesFolder(client_.programFolder());
}

QWidget* ThemePage::buildButtons()
{
    auto* strip = new QWidget(this);
    auto* row = new FlowLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    auto* create = button(strip, "newthemebutton", QStringLiteral("New"),
                          QStringLiteral("Create a New Theme"));
    auto* open = button(strip, "openthemebutton", QStringLiteral("Edit a Theme"),
                        QStringLiteral("Edit a Theme"));
    save_ = button(strip, "savethemebutton", QStringLiteral("Save this Theme"),
                   QStringLiteral("Save this Theme"));
    delete_ = button(strip, "deletethemebutton", QStringLiteral("Delete this Theme"),
                     QStringLiteral("Delete this Theme"));
    for (QPushButton* b : {create, open, save_, delete_})
        row->addWidget(b);
    connect(create, &QPushButton::clicked, &editor_, &ThemeEditor::newTheme);
    connect(open, &QPushButton::clicked, this, &ThemePage::openThemeFile);
    connect(save_, &QPushButton::clicked, this, &ThemePage::saveThemeAs);
    connect(delete_, &QPushButton::clicked, &editor_, &ThemeEditor::deleteTheme);
    return strip;
}

QWidget* ThemePage::buildEditors()
{
    editorArea_ = new QWidget(this);
    auto* column = new QVBoxLayout(editorArea_);
    column->setContentsMargins(0, 0, 0, 0);

    auto* itemRow = new QHBoxLayout;
    auto* itemLabel = new QLabel(QStringLiteral("Item"), editorArea_);
    itemCombo_ = new QComboBox(editorArea_);
    itemCombo_->setObjectName(QStringLiteral("ComboBox3"));
    itemCombo_->setMaxVisibleItems(25);
    for (const ThemeItem& item : ThemeItems::all()) {
        itemCombo_->addItem(item.caption);
        for (const char* end : groupEnds) {
            // A line between groups, which can be neither chosen nor stepped onto.
            if (item.caption == QLatin1String(end))
                itemCombo_->insertSeparator(itemCombo_->count());
        }
    }
    itemLabel->setBuddy(itemCombo_);
    itemRow->addWidget(itemLabel);
    itemRow->addWidget(itemCombo_, 1);
    column->addLayout(itemRow);
    connect(itemCombo_, &QComboBox::textActivated, this, &ThemePage::chooseItem);

    text_ = new QLineEdit(editorArea_);
    text_->setObjectName(QStringLiteral("themetext"));
    text_->setAccessibleName(QStringLiteral("Theme item value"));
    connect(text_, &QLineEdit::editingFinished, this, [this] {
        if (item_ && item_->kind == ThemeItemKind::Text)
            editor_.setText(*item_, text_->text());
    });
    column->addWidget(text_);

    colourEditor_ = new QWidget(editorArea_);
    auto* colourRow = new QHBoxLayout(colourEditor_);
    colourRow->setContentsMargins(0, 0, 0, 0);
    colourPalette_ = new ColourPalette(colourEditor_);
    colourPalette_->setObjectName(QStringLiteral("Image1"));
    colourSwatch_ = new ColourSwatch(colourEditor_);
    colourSwatch_->setObjectName(QStringLiteral("Shape1"));
    auto* mix =
        button(colourEditor_, "mixbutton", QStringLiteral("Mix"), QStringLiteral("Mix a Color"));
    colourRow->addWidget(colourPalette_);
    colourRow->addWidget(colourSwatch_);
    colourRow->addWidget(mix);
    colourRow->addStretch(1);
    connect(colourPalette_, &ColourPalette::colourPicked, this, &ThemePage::applyColour);
    connect(mix, &QPushButton::clicked, this, [this] {
        const QColor colour = QColorDialog::getColor(colourSwatch_->colour(), this);
        if (colour.isValid())
            applyColour(colour);
    });
    column->addWidget(colourEditor_);

    yesNo_ = new QWidget(editorArea_);
    auto* yesNoRow = new QHBoxLayout(yesNo_);
    yesNoRow->setContentsMargins(0, 0, 0, 0);
    yes_ = button(yesNo_, "yesbutton", QStringLiteral("Yes"));
    no_ = button(yesNo_, "nobutton", QStringLiteral("No"));
    for (QPushButton* b : {yes_, no_}) {
        b->setCheckable(true);
        b->setAutoExclusive(true);
        yesNoRow->addWidget(b);
    }
    yesNoRow->addStretch(1);
    connect(yes_, &QPushButton::clicked, this, [this] {
        if (item_)
            editor_.setFlag(*item_, true);
    });
    connect(no_, &QPushButton::clicked, this, [this] {
        if (item_)
            editor_.setFlag(*item_, false);
    });
    column->addWidget(yesNo_);

    fontlist_ = new QListWidget(editorArea_);
    fontlist_->setObjectName(QStringLiteral("fontlist"));
    fontlist_->setAccessibleName(QStringLiteral("Fonts"));
    fontlist_->addItems(QFontDatabase::families());
    connect(fontlist_, &QListWidget::itemClicked, this, [this](QListWidgetItem* chosen) {
        if (item_ && item_->kind == ThemeItemKind::Font)
            editor_.setText(*item_, chosen->text());
    });
    column->addWidget(fontlist_, 1);

    size_ = new QSlider(Qt::Horizontal, editorArea_);
    size_->setObjectName(QStringLiteral("sizeslider"));
    size_->setAccessibleName(QStringLiteral("Font size"));
    size_->setRange(ThemeItems::MinFontSize, ThemeItems::MaxFontSize);
    size_->setTickPosition(QSlider::TicksBelow);
    connect(size_, &QSlider::valueChanged, this, [this](int value) {
        if (item_ && item_->kind == ThemeItemKind::Size)
            editor_.setNumber(*item_, value);
    });
    column->addWidget(size_);

    marginEditor_ = new QWidget(editorArea_);
    auto* marginRow = new QHBoxLayout(marginEditor_);
    marginRow->setContentsMargins(0, 0, 0, 0);
    margin_ = new QSlider(Qt::Horizontal, marginEditor_);
    margin_->setObjectName(QStringLiteral("marginslider"));
    margin_->setAccessibleName(QStringLiteral("Margin"));
    margin_->setRange(0, ThemeItems::MaxMargin);
    auto* view = button(marginEditor_, "viewmarginsbutton", QStringLiteral("View Margins"));
    marginRow->addWidget(margin_, 1);
    marginRow->addWidget(view);
    connect(margin_, &QSlider::valueChanged, this, [this](int value) {
        if (!item_ || item_->kind != ThemeItemKind::Margin)
            return;
        if (!editor_.setMargin(*item_, value, document_->viewSize())) {
            // Too small a text area: the slider goes back to the margin in use.
            const QSignalBlocker quiet(margin_);
            margin_->setValue(editor_.record().*item_->number);
        }
    });
    connect(view, &QPushButton::clicked, this, &ThemePage::viewMargins);
    column->addWidget(marginEditor_);

    tilelist_ = new QListWidget(editorArea_);
    tilelist_->setObjectName(QStringLiteral("tilelist"));
    tilelist_->setAccessibleName(QStringLiteral("Background pictures"));
    connect(tilelist_, &QListWidget::itemClicked, this, [this](QListWidgetItem* chosen) {
        editor_.setPicture(chosen->data(Qt::UserRole).toString());
    });
    column->addWidget(tilelist_, 1);

    column->addWidget(buildUsesEditor(), 1);

    help_ = new QLabel(editorArea_);
    help_->setObjectName(QStringLiteral("helptext"));
    help_->setWordWrap(true);
    help_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    help_->setMinimumHeight(70);
    help_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(help_);
    column->addStretch(0);
    // As narrow as its widest editor (the colour row) allows, so the preview keeps room.
    editorArea_->setMaximumWidth(420);
    return editorArea_;
}

QWidget* ThemePage::buildUsesEditor()
{
    usesEditor_ = new QWidget(editorArea_);
    auto* column = new QVBoxLayout(usesEditor_);
    column->setContentsMargins(0, 0, 0, 0);
    uselist_ = new QListWidget(usesEditor_);
    uselist_->setObjectName(QStringLiteral("uselist"));
    uselist_->setAccessibleName(QStringLiteral("Where the theme is used"));
    column->addWidget(uselist_, 1);

    useKindCombo_ = new QComboBox(usesEditor_);
    useKindCombo_->setObjectName(QStringLiteral("ComboBox2"));
    useKindCombo_->addItems({QStringLiteral("Channel Default"),
                             QStringLiteral("Private Chat Default"),
                             QStringLiteral("DCC Chat Default"), QStringLiteral("Channel"),
                             QStringLiteral("Private Chat"), QStringLiteral("DCC Chat")});
    column->addWidget(useKindCombo_);
    useNameLabel_ = new QLabel(usesEditor_);
    useNameEdit_ = new QLineEdit(usesEditor_);
    useNameEdit_->setObjectName(QStringLiteral("Edit3"));
    useNameLabel_->setBuddy(useNameEdit_);
    column->addWidget(useNameLabel_);
    column->addWidget(useNameEdit_);
    auto* buttons = new QHBoxLayout;
    auto* add = button(usesEditor_, "addusebutton", QStringLiteral("Add It"));
    auto* remove = button(usesEditor_, "deleteusebutton", QStringLiteral("Delete Use"));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    column->addLayout(buttons);

    connect(useKindCombo_, &QComboBox::currentIndexChanged, this, &ThemePage::showUseArgument);
    connect(add, &QPushButton::clicked, this, [this] {
        editor_.addUse(ThemeUseKind(useKindCombo_->currentIndex()), useNameEdit_->text());
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* line = uselist_->currentItem())
            editor_.deleteUse(line->text());
    });
    showUseArgument();
    return usesEditor_;
}

void ThemePage::showUseArgument()
{
    const auto kind = ThemeUseKind(useKindCombo_->currentIndex());
    const bool named =
        kind == ThemeUseKind::Channel || kind == ThemeUseKind::Private || kind == ThemeUseKind::Dcc;
    useNameLabel_->setText(kind == ThemeUseKind::Channel ? QStringLiteral("Chan. Name (ex. #Quorl)")
                                                         : QStringLiteral("User Nickname"));
    useNameLabel_->setVisible(named);
    useNameEdit_->setVisible(named);
}

QWidget* ThemePage::buildPreview()
{
    preview_ = new QFrame(this);
    preview_->setObjectName(QStringLiteral("Panel10"));
    // Room for several words a line beside the sample nick list at the narrowest window.
    preview_->setMinimumWidth(240);
    static_cast<QFrame*>(preview_)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    previewStack_ = new QStackedLayout(preview_);

    auto* empty = new QLabel(QStringLiteral("No Theme has been Opened"), preview_);
    empty->setObjectName(QStringLiteral("nothemelabel"));
    empty->setAlignment(Qt::AlignCenter);
    previewStack_->addWidget(empty);

    auto* splitter = new QSplitter(Qt::Horizontal, preview_);
    splitter->setObjectName(QStringLiteral("previewsplitter"));
    splitter->setChildrenCollapsible(false);
    auto* client = new QWidget(splitter);
    auto* clientColumn = new QVBoxLayout(client);
    clientColumn->setContentsMargins(0, 0, 0, 0);
    clientColumn->setSpacing(0);
    auto* viewPanel = new QFrame(client);
    viewPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* viewLayout = new QVBoxLayout(viewPanel);
    viewLayout->setContentsMargins(1, 1, 1, 1);
    document_ = new ChatDocument(this);
    view_ = new ChatView(document_, viewPanel);
    view_->setObjectName(QStringLiteral("previewview"));
    view_->setLinksEnabled(false);
    view_->setColourPicking(true);
    view_->setThemesFolder(themesFolder());
    viewLayout->addWidget(view_);
    marginFrame_ = new MarginFrame(view_);
    clientColumn->addWidget(viewPanel, 1);
    entry_ = new TextEntry(client);
    entry_->setObjectName(QStringLiteral("previewentry"));
    entry_->setAccessibleName(QStringLiteral("Preview text entry"));
    entry_->setPreviewOnly(true);
    entry_->setPlainText(QStringLiteral("This is the Text Entry Box."));
    entry_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    clientColumn->addWidget(entry_);

    sampleNicks_ = new NickList(this);
    const ServerConnection& connection = client_.connection();
    nickList_ = new NickListView(
        *sampleNicks_, [&connection] { return connection.nickname(); }, splitter);
    nickList_->setObjectName(QStringLiteral("previewnicklist"));
    nickList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    nickList_->setMinimumWidth(25);
    splitter->addWidget(client);
    splitter->addWidget(nickList_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({400, 80});
    previewStack_->addWidget(splitter);

    connect(view_, &ChatView::colourPicked, this, &ThemePage::applyColour);
    return preview_;
}

void ThemePage::onOpened()
{
    sampleNicks_->clear();
    for (const QString& entry : ThemeItems::sampleNicks(client_.connection().nickname()))
        sampleNicks_->add(entry.at(0), entry.mid(1));
    previewStack_->setCurrentIndex(1);
    refreshPreview();
    // The load's complaints are shown once, under the sample lines.
    for (const QString& line : editor_.record().errorLines())
        document_->appendLine(ChatDocument::Server, line);
    save_->setEnabled(true);
    delete_->setEnabled(true);
    editorArea_->setEnabled(true);
    itemCombo_->setCurrentIndex(0);
    chooseItem(itemCombo_->currentText());
    fillPictures();
}

void ThemePage::onClosed()
{
    previewStack_->setCurrentIndex(0);
    save_->setEnabled(false);
    delete_->setEnabled(false);
    item_ = nullptr;
    for (QWidget* w :
         {static_cast<QWidget*>(text_), colourEditor_, yesNo_, static_cast<QWidget*>(fontlist_),
          static_cast<QWidget*>(size_), marginEditor_, static_cast<QWidget*>(tilelist_),
          usesEditor_, static_cast<QWidget*>(help_)})
        w->hide();
    editorArea_->setEnabled(false);
}

void ThemePage::refreshPreview()
{
    if (!editor_.isOpen())
        return;
    const ThemeRecord& record = editor_.record();
    marginFrame_->hide();
    // Words keep the look they were made with: the sample lines are made again.
    document_->applyTheme(record);
    document_->clear();
    for (const ThemeItems::SampleLine& line : ThemeItems::sampleLines())
        document_->appendLine(line.lineClass, line.text);
    nickList_->applyTheme(record);
    entry_->applyTheme(record);
    const int frame = 2 * entry_->frameWidth();
    entry_->setFixedHeight(QFontMetrics(entry_->font()).height() + 4 + frame);
}

void ThemePage::chooseItem(const QString& caption)
{
    const ThemeItem* item = ThemeItems::find(caption);
    if (!item || !editor_.isOpen())
        return;
    item_ = item;
    const ThemeRecord& record = editor_.record();
    for (QWidget* w : {static_cast<QWidget*>(text_), colourEditor_, yesNo_,
                       static_cast<QWidget*>(fontlist_), static_cast<QWidget*>(size_),
                       marginEditor_, static_cast<QWidget*>(tilelist_), usesEditor_})
        w->hide();
    switch (item->kind) {
    case ThemeItemKind::Uses:
        showUses();
        usesEditor_->show();
        break;
    case ThemeItemKind::Text:
        text_->setText(record.*item->text);
        text_->show();
        break;
    case ThemeItemKind::Colour:
        colourSwatch_->setColour(colorFromWin(record.*item->colour));
        colourEditor_->show();
        break;
    case ThemeItemKind::YesNo:
        (record.*item->flag ? yes_ : no_)->setChecked(true);
        yesNo_->show();
        break;
    case ThemeItemKind::Font: {
        const auto found = fontlist_->findItems(record.*item->text, Qt::MatchFixedString);
        fontlist_->setCurrentItem(found.isEmpty() ? nullptr : found.first());
        if (!found.isEmpty())
            fontlist_->scrollToItem(found.first());
        fontlist_->show();
        break;
    }
    case ThemeItemKind::Size: {
        const QSignalBlocker quiet(size_);
        size_->setValue(record.*item->number);
        size_->show();
        break;
    }
    case ThemeItemKind::Margin: {
        const QSignalBlocker quiet(margin_);
        margin_->setValue(record.*item->number);
        marginEditor_->show();
        break;
    }
    case ThemeItemKind::Picture:
        fillPictures();
        tilelist_->show();
        break;
    }
    help_->setText(item->help);
    help_->show();
}

void ThemePage::fillPictures()
{
    tilelist_->clear();
    auto* none = new QListWidgetItem(QStringLiteral("(No Picture)"), tilelist_);
    none->setData(Qt::UserRole, QString());
    const QStringList pictures = QDir(themesFolder())
                                     .entryList({QStringLiteral("*.bmp"), QStringLiteral("*.png"),
                                                 QStringLiteral("*.jpg"), QStringLiteral("*.gif")},
                                                QDir::Files, QDir::Name | QDir::IgnoreCase);
    const ThemeRecord& record = editor_.record();
    for (const QString& picture : pictures) {
        auto* entry = new QListWidgetItem(picture, tilelist_);
        entry->setData(Qt::UserRole, picture);
        if (record.tileon && picture.compare(record.tilename, Qt::CaseInsensitive) == 0)
            tilelist_->setCurrentItem(entry);
    }
    if (!record.tileon)
        tilelist_->setCurrentItem(none);
}

void ThemePage::showUses()
{
    uselist_->clear();
    uselist_->addItems(editor_.useLines());
}

void ThemePage::applyColour(const QColor& colour)
{
    colourSwatch_->setColour(colour);
    if (item_ && item_->kind == ThemeItemKind::Colour)
        editor_.setColour(*item_, winFromColor(colour));
}

void ThemePage::viewMargins()
{
    if (!editor_.isOpen())
        return;
    marginFrame_->setGeometry(view_->rect());
    marginFrame_->show();
    marginFrame_->raise();
    marginFrame_->update();
}

void ThemePage::openThemeFile()
{
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open a Theme"), themesFolder(),
                                     QStringLiteral("QuorlIRC Theme Files (*.qth *.QTH)"));
    if (file.isEmpty())
        return;
    const QString name = ThemeItems::nameFromFile(file);
    if (!name.isEmpty())
        editor_.open(name);
}

void ThemePage::saveThemeAs()
{
    const QString file =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Theme"), themesFolder(),
                                     QStringLiteral("QuorlIRC Theme Files (*.qth *.QTH)"));
    if (!file.isEmpty())
        editor_.saveAs(file);
}
