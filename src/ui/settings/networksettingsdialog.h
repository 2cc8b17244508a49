#pragma once

#include "settings/networksettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The settings of one network of the server list: connect at start, its nicknames, the
// channels and commands of its connection, the encoding of text that is not UTF-8 and
// the client certificate. OK keeps what the fields say (settings()); an encoding the
// system does not know is refused with a line saying so.
class NetworkSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    NetworkSettingsDialog(const QString& network, const NetworkSettings& settings,
                          QWidget* parent = nullptr);

    // What the fields say; what the dialog does not edit (the channels kept at shutdown)
    // comes back as it was given.
    NetworkSettings settings() const;

    void accept() override;

private:
    NetworkSettings given_;
    QCheckBox* connectAtStart_ = nullptr;
    QLineEdit* nicknames_ = nullptr;
    QPlainTextEdit* channels_ = nullptr;
    QPlainTextEdit* commands_ = nullptr;
    QComboBox* encoding_ = nullptr;
    QLineEdit* certificate_ = nullptr;
    QLabel* problem_ = nullptr;
};
