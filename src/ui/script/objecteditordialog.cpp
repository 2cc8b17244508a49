#include "ui/script/objecteditordialog.h"

#include "ui/script/enterdialog.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
struct Radio
{
    const char* name;
    const char* caption;
    int value;
};

const Radio sendToRadios[] = {
    {"RadioButton6", "All Users", 0},
    {"RadioButton5", "Nicks on the following list only", 1},
};
const Radio sendAsRadios[] = {
    {"RadioButton1", "Private Message", 0}, {"RadioButton2", "Private Notice", 1},
    {"RadioButton3", "Private Action", 2},  {"RadioButton4", "Channel Message", 3},
    {"RadioButton7", "Channel Action", 4},
};
const Radio responseRadios[] = {
    {"RadioButton1", "Kick", 0},
    {"RadioButton2", "De-Op", 1},
    {"RadioButton3", "Ban-Kick", 2},
};
const Radio responderRadios[] = {
    {"RadioButton1", "Private Message", 0}, {"RadioButton2", "Private Notice", 1},
    {"RadioButton3", "Private Action", 2},  {"RadioButton4", "Channel Message", 3},
    {"RadioButton5", "Channel Action", 4},  {"RadioButton6", "Raw Server Command", 5},
};

struct DialogText
{
    ObjectType type;
    const char* objectName;
    const char* caption;
    const char* explanation;
};

const DialogText dialogTexts[] = {
    {ObjectType::Greet, "soautogreet", "Channel Auto-Greeter",
     "This Scripting Object is used to send a greeting to a user when they Join a Channel.  "
     "Make sure that you have permission from the Channel Operator before you setup an "
     "Auto-Greet message."},
    {ObjectType::Farewell, "soautofarewell", "Channel Auto-Farewell",
     "This Scripting Object is used to send a farewell to a user when they Leave a Channel.  "
     "Make sure that you have permission from the Channel Operator before you setup an "
     "Auto-Farewell message."},
    {ObjectType::AutoOp, "soautoopform", "Channel Auto-Op List",
     "This Scripting Object is used to give Channel Operator status to the users on this list "
     "when they Join a Channel.  You must be a Channel Operator there for it to work."},
    {ObjectType::AutoVoice, "soautovoiceform", "Channel Auto-Voice List",
     "This Scripting Object is used to give a Voice to the users on this list when they Join "
     "a Channel.  You must be a Channel Operator there for it to work."},
    {ObjectType::Protect, "soautoprotectform", "Channel Auto-Protect List",
     "This Scripting Object is used to protect the users on this list.  When one of them is "
     "Kicked or De-Opped, you answer the offender as chosen below.  You must be a Channel "
     "Operator there for it to work."},
    {ObjectType::AutoSend, "soautofilesender", "Channel Auto-File Sender",
     "This Scripting Object is used to send a file to a user who says the Keyword in a "
     "Channel."},
    {ObjectType::OnText, "soautotext", "Auto Text Responder",
     "This Scripting Object is used to answer a user whose message in a Channel contains one "
     "of the Words.  Only the first Word found is answered."},
};

const DialogText& textsOf(ObjectType type)
{
    for (const DialogText& texts : dialogTexts) {
        if (texts.type == type)
            return texts;
    }
    return dialogTexts[0];
}

QLabel* wrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

template <std::size_t N>
QGroupBox* radioGroup(const QString& caption, const Radio (&radios)[N], QButtonGroup*& group,
                      QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    auto* layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    for (const Radio& radio : radios) {
        auto* button = new QRadioButton(QLatin1String(radio.caption), box);
        button->setObjectName(QLatin1String(radio.name));
        group->addButton(button, radio.value);
        layout->addWidget(button);
    }
    return box;
}

void setChoice(QButtonGroup* group, const std::optional<int>& value)
{
    // A value no button stands for leaves the group as it was.
    if (!group || !value)
        return;
    if (QAbstractButton* button = group->button(*value))
        button->setChecked(true);
}

std::optional<int> choiceOf(const QButtonGroup* group)
{
    if (!group || group->checkedId() < 0)
        return std::nullopt;
    return group->checkedId();
}

QPushButton* button(const QString& caption, const QString& objectName, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// The characters the word memo types for the formatting keys.
QChar wordKeyCharacter(int key)
{
    switch (key) {
    case Qt::Key_B:
        return QChar(0x81);
    case Qt::Key_U:
        return QChar(0x82);
    case Qt::Key_R:
        return QChar(0x83);
    case Qt::Key_K:
        return QChar(0x84);
    case Qt::Key_O:
        return QChar(0x85);
    default:
        return QChar();
    }
}
} // namespace

ObjectEditorDialog::ObjectEditorDialog(ObjectType type, QWidget* parent)
    : QDialog(parent), type_(type)
{
    const DialogText& texts = textsOf(type);
    setObjectName(QLatin1String(texts.objectName));
    setWindowTitle(QLatin1String(texts.caption));
    setModal(true);
    build();
    setFixedSize(sizeHint());
}

void ObjectEditorDialog::build()
{
    const bool greeter = type_ == ObjectType::Greet || type_ == ObjectType::Farewell;
    const bool statusList = type_ == ObjectType::AutoOp || type_ == ObjectType::AutoVoice;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(QLatin1String(textsOf(type_).explanation), this));

    auto* channelRow = new QHBoxLayout;
    channelRow->addWidget(new QLabel(QStringLiteral("Channel"), this));
    channel_ = new QLineEdit(this);
    channel_->setObjectName(QStringLiteral("Edit1"));
    channel_->installEventFilter(this);
    channelRow->addWidget(channel_, 1);
    channelRow->addWidget(
        new QLabel(QStringLiteral("Enter 'All' if this is for all Channels"), this));
    layout->addLayout(channelRow);

    // With several networks open an object may serve one of them alone.
    auto* networkRow = new QHBoxLayout;
    auto* networkLabel = new QLabel(QStringLiteral("Network"), this);
    networkRow->addWidget(networkLabel);
    network_ = new QLineEdit(this);
    network_->setObjectName(QStringLiteral("networkedit"));
    network_->setAccessibleName(QStringLiteral("Network"));
    network_->installEventFilter(this);
    networkLabel->setBuddy(network_);
    networkRow->addWidget(network_, 1);
    networkRow->addWidget(new QLabel(QStringLiteral("Leave empty for every network"), this));
    layout->addLayout(networkRow);

    if (greeter || type_ == ObjectType::OnText || type_ == ObjectType::Protect) {
        const bool kick = type_ == ObjectType::Protect;
        layout->addWidget(
            new QLabel(kick ? QStringLiteral("Kick Message") : QStringLiteral("Message"), this));
        message_ = new QPlainTextEdit(this);
        message_->setObjectName(QStringLiteral("Memo1"));
        message_->setFixedHeight(60);
        message_->installEventFilter(this);
        keepOneLine(message_, kick ? -1 : 500);
        layout->addWidget(message_);
        if (!kick) {
            layout->addWidget(new QLabel(
                type_ == ObjectType::OnText
                    ? QStringLiteral("Valid Placeholders are <channel>, <nick>, <yournick>, <word>")
                    : QStringLiteral("Valid Placeholders are <channel>, <nick>, <yournick>"),
                this));
        }
    }

    if (type_ == ObjectType::AutoSend) {
        auto* grid = new QVBoxLayout;
        grid->addWidget(new QLabel(QStringLiteral("Keyword"), this));
        keyword_ = new QLineEdit(this);
        keyword_->setObjectName(QStringLiteral("Edit2"));
        keyword_->installEventFilter(this);
        grid->addWidget(keyword_);
        grid->addWidget(new QLabel(QStringLiteral("Enter a single word like !list"), this));
        grid->addWidget(new QLabel(QStringLiteral("File to Send"), this));
        auto* fileRow = new QHBoxLayout;
        file_ = new QLineEdit(this);
        file_->setObjectName(QStringLiteral("Edit3"));
        file_->installEventFilter(this);
        fileRow->addWidget(file_, 1);
        QPushButton* find = button(QStringLiteral("Find"), QStringLiteral("Button1"), this);
        connect(find, &QPushButton::clicked, this, &ObjectEditorDialog::findFile);
        fileRow->addWidget(find);
        grid->addLayout(fileRow);
        grid->addWidget(new QLabel(
            QStringLiteral("Enter full Path and Filename like c:\\sound\\list.text"), this));
        layout->addLayout(grid);
    }

    if (greeter) {
        const bool greet = type_ == ObjectType::Greet;
        layout->addWidget(radioGroup(greet ? QStringLiteral("Send Greeting to:")
                                           : QStringLiteral("Send Farewell to:"),
                                     sendToRadios, sendTo_, this));
        layout->addWidget(buildList(QString(), QStringLiteral("Enter Nickname")));
        layout->addWidget(radioGroup(greet ? QStringLiteral("Send Greeting as a:")
                                           : QStringLiteral("Send Farewell as a:"),
                                     sendAsRadios, choice_, this));
    } else if (statusList) {
        layout->addWidget(
            buildList(QStringLiteral("User Addresses"), QStringLiteral("Enter Address")));
        layout->addWidget(wrappedLabel(
            QStringLiteral("Enter each address as nickname!userid@host.domain"), this));
        layout->addWidget(new QLabel(
            QStringLiteral(
                "You can use  *  as a wildcard in the place of the nick, userid or host. "),
            this));
    } else if (type_ == ObjectType::Protect) {
        layout->insertWidget(
            2, buildList(QStringLiteral("User Nicknames"), QStringLiteral("Enter Nickname")));
        layout->addWidget(radioGroup(QStringLiteral("If a User is Kicked or De-Opped then:"),
                                     responseRadios, choice_, this));
    } else if (type_ == ObjectType::AutoSend) {
        layout->addWidget(
            radioGroup(QStringLiteral("Enable this Service for:"), sendToRadios, sendTo_, this));
        layout->addWidget(buildList(QString(), QStringLiteral("Enter Nickname")));
    } else if (type_ == ObjectType::OnText) {
        layout->addWidget(new QLabel(QStringLiteral("Words"), this));
        words_ = new QPlainTextEdit(this);
        words_->setObjectName(QStringLiteral("Memo2"));
        words_->setFixedHeight(90);
        words_->installEventFilter(this);
        layout->addWidget(words_);
        layout->addWidget(
            radioGroup(QStringLiteral("Send Response as"), responderRadios, choice_, this));
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* okay = button(QStringLiteral("Okay"), QStringLiteral("Button4"), this);
    QPushButton* cancel = button(QStringLiteral("Cancel"), QStringLiteral("Button3"), this);
    buttons->addWidget(okay);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(okay, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* ObjectEditorDialog::buildList(const QString& caption, const QString& prompt)
{
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!caption.isEmpty())
        layout->addWidget(new QLabel(caption, box));
    auto* row = new QHBoxLayout;
    list_ = new QListWidget(box);
    list_->setObjectName(QStringLiteral("ListBox1"));
    list_->setFixedHeight(90);
    row->addWidget(list_, 1);
    auto* side = new QVBoxLayout;
    QPushButton* add = button(QStringLiteral("Add"), QStringLiteral("Button2"), box);
    QPushButton* remove = button(QStringLiteral("Delete"), QStringLiteral("Button5"), box);
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch(1);
    row->addLayout(side);
    layout->addLayout(row);
    connect(add, &QPushButton::clicked, this, [this, prompt] {
        auto* enter = new EnterDialog(prompt, this);
        connect(enter, &EnterDialog::textEntered, this, &ObjectEditorDialog::addListEntry);
        enter->open();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = list_->currentItem(); item && item->isSelected())
            delete item;
    });
    return box;
}

void ObjectEditorDialog::keepOneLine(QPlainTextEdit* memo, int maxLength)
{
    // A pasted text may bring line breaks or run long; the stored message is one line.
    connect(memo, &QPlainTextEdit::textChanged, this, [memo, maxLength] {
        const QString text = memo->toPlainText();
        QString fixed = text;
        fixed.replace(u'\n', u' ');
        if (maxLength >= 0 && fixed.size() > maxLength)
            fixed.truncate(maxLength);
        if (fixed == text)
            return;
        const QSignalBlocker blocker(memo);
        memo->setPlainText(fixed);
        memo->moveCursor(QTextCursor::End);
    });
}

void ObjectEditorDialog::findFile()
{
    auto* dialog = new QFileDialog(this, QStringLiteral("Find File for AutoSend"));
    dialog->setObjectName(QStringLiteral("autosenddialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { file_->setText(path); });
    dialog->open();
}

bool ObjectEditorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == words_) {
        const QChar typed =
            key->modifiers() & Qt::ControlModifier ? wordKeyCharacter(key->key()) : QChar();
        if (!typed.isNull()) {
            words_->insertPlainText(QString(typed));
            return true;
        }
        return false;
    }
    // A message is one line, and Enter in a field must not close the dialog.
    return isEnter(key);
}

bool ObjectEditorDialog::addListEntry(const QString& text)
{
    if (!list_ || !list_->findItems(text, Qt::MatchFixedString).isEmpty())
        return false;
    list_->addItem(text);
    return true;
}

void ObjectEditorDialog::loadForm(const ObjectForm& form)
{
    channel_->setText(form.channel);
    network_->setText(form.network);
    if (message_)
        message_->setPlainText(form.message);
    if (keyword_)
        keyword_->setText(form.keyword);
    if (file_)
        file_->setText(form.file);
    setChoice(choice_, form.choice);
    setChoice(sendTo_, form.sendTo);
    if (words_) {
        words_->setPlainText(form.list.join(u'\n'));
    } else if (list_) {
        list_->clear();
        list_->addItems(form.list);
    }
}

ObjectForm ObjectEditorDialog::form() const
{
    ObjectForm form;
    form.type = type_;
    form.channel = channel_->text().trimmed();
    form.network = network_->text().trimmed();
    if (message_)
        form.message = message_->toPlainText();
    if (keyword_)
        form.keyword = keyword_->text().trimmed();
    if (file_)
        form.file = file_->text().trimmed();
    form.choice = choiceOf(choice_);
    form.sendTo = choiceOf(sendTo_);
    if (words_) {
        form.list = words_->toPlainText().split(u'\n');
        // The line a final line break opens is no word.
        if (!form.list.isEmpty() && form.list.last().isEmpty())
            form.list.removeLast();
    } else if (list_) {
        for (int i = 0; i < list_->count(); ++i)
            form.list << list_->item(i)->text();
    }
    return form;
}

bool ObjectEditorDialog::storeFile(const QString& path) const
{
    return form().write(path);
}
