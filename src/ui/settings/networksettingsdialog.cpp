#include "ui/settings/networksettingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace {
// Every control is named for tests and tools, and read out by its label.
template <typename W> W* named(W* widget, const char* objectName, const QString& accessibleName)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// What Latin-1 stands in for when nothing is chosen, and the usual others.
const QStringList& knownEncodings()
{
    static const QStringList encodings{QString(),
                                       QStringLiteral("windows-1252"),
                                       QStringLiteral("ISO-8859-15"),
                                       QStringLiteral("ISO-8859-2"),
                                       QStringLiteral("windows-1250"),
                                       QStringLiteral("windows-1251"),
                                       QStringLiteral("KOI8-R"),
                                       QStringLiteral("ISO-8859-7"),
                                       QStringLiteral("ISO-8859-9"),
                                       QStringLiteral("Shift_JIS"),
                                       QStringLiteral("EUC-JP"),
                                       QStringLiteral("GB18030"),
                                       QStringLiteral("Big5"),
                                       QStringLiteral("EUC-KR")};
    return encodings;
}
} // namespace

NetworkSettingsDialog::NetworkSettingsDialog(const QString& network,
                                             const NetworkSettings& settings, QWidget* parent)
    : QDialog(parent), given_(settings)
{
    setObjectName(QStringLiteral("networksettings"));
    setWindowTitle(QStringLiteral("Network Settings: ") + network);

    connectAtStart_ = named(new QCheckBox(QStringLiteral("Connect to this network at start"), this),
                            "netconnectatstart", QStringLiteral("Connect at start"));
    connectAtStart_->setChecked(settings.connectAtStart);

    nicknames_ = named(new QLineEdit(this), "netnicknames", QStringLiteral("Nicknames"));
    nicknames_->setPlaceholderText(QStringLiteral("The User page's nicknames"));
    nicknames_->setToolTip(QStringLiteral("Tried in this order; blanks or commas between them"));
    nicknames_->setText(settings.nicknames.join(QStringLiteral(", ")));

    channels_ = named(new QPlainTextEdit(this), "netchannels", QStringLiteral("Channels to join"));
    channels_->setToolTip(QStringLiteral("One channel a line, a key after a blank"));
    channels_->setPlaceholderText(QStringLiteral("#channel\n#private key"));
    channels_->setPlainText(settings.channels.join(u'\n'));
    channels_->setTabChangesFocus(true);

    commands_ = named(new QPlainTextEdit(this), "netcommands", QStringLiteral("Connect commands"));
    commands_->setToolTip(
        QStringLiteral("Run once connected, before the channels are joined; one command a line"));
    commands_->setPlaceholderText(QStringLiteral("/msg NickServ IDENTIFY password\n/mode me +x"));
    commands_->setPlainText(settings.commands.join(u'\n'));
    commands_->setTabChangesFocus(true);

    encoding_ = named(new QComboBox(this), "netencoding", QStringLiteral("Encoding of other text"));
    encoding_->setEditable(true);
    encoding_->addItems(knownEncodings());
    encoding_->setItemText(0, QString());
    encoding_->lineEdit()->setPlaceholderText(QStringLiteral("ISO-8859-1 (Latin-1)"));
    encoding_->setToolTip(QStringLiteral("How a line that is not UTF-8 is read"));
    encoding_->setCurrentText(settings.encoding);

    certificate_ =
        named(new QLineEdit(this), "netcertificate", QStringLiteral("Client certificate file"));
    certificate_->setPlaceholderText(QStringLiteral("None"));
    certificate_->setToolTip(
        QStringLiteral("A PEM file with the certificate and its key, for SASL EXTERNAL over TLS"));
    certificate_->setText(settings.certificateFile);
    auto* browse = named(new QPushButton(QStringLiteral("Browse..."), this), "netcertificatebrowse",
                         QStringLiteral("Choose the certificate file"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("Client Certificate"), certificate_->text(),
            QStringLiteral("PEM files (*.pem *.crt);;All files (*)"));
        if (!file.isEmpty())
            certificate_->setText(file);
    });
    auto* certificateRow = new QHBoxLayout;
    certificateRow->addWidget(certificate_, 1);
    certificateRow->addWidget(browse);

    problem_ = named(new QLabel(this), "netproblem", QStringLiteral("Problem"));
    problem_->setWordWrap(true);
    problem_->hide();

    auto* form = new QFormLayout;
    form->addRow(connectAtStart_);
    form->addRow(QStringLiteral("&Nicknames:"), nicknames_);
    form->addRow(QStringLiteral("C&hannels:"), channels_);
    form->addRow(QStringLiteral("Co&mmands:"), commands_);
    form->addRow(QStringLiteral("&Encoding:"), encoding_);
    // A row that is a layout gets no buddy of its own: the label names the file's field.
    auto* certificateLabel = new QLabel(QStringLiteral("Cer&tificate:"), this);
    certificateLabel->setBuddy(certificate_);
    form->addRow(certificateLabel, certificateRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("netbuttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkSettingsDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form, 1);
    column->addWidget(problem_);
    column->addWidget(buttons);
    resize(480, 420);
}

NetworkSettings NetworkSettingsDialog::settings() const
{
    NetworkSettings s = given_;
    s.connectAtStart = connectAtStart_->isChecked();
    s.nicknames = NetworkSettingsFile::splitNames(nicknames_->text());
    s.channels = NetworkSettingsFile::splitLines(channels_->toPlainText());
    s.commands = NetworkSettingsFile::splitLines(commands_->toPlainText());
    s.encoding = encoding_->currentText().trimmed();
    s.certificateFile = certificate_->text().trimmed();
    return s;
}

void NetworkSettingsDialog::accept()
{
    const QString encoding = encoding_->currentText().trimmed();
    if (!encoding.isEmpty() && !QStringDecoder(encoding.toLatin1().constData()).isValid()) {
        problem_->setText(QStringLiteral("The encoding ") + encoding +
                          QStringLiteral(" is not known here."));
        problem_->show();
        encoding_->setFocus();
        return;
    }
    QDialog::accept();
}
