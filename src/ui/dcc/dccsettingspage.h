#pragma once

#include <QWidget>

#include <array>

class Client;
class QCheckBox;
class QRadioButton;
class QSpinBox;

// The DCC page: what happens to a DCC chat offer ("Accept without Prompt", "Ignore it",
// "Prompt") and to a file offer ("Prompt", "Ignore It", "Get File without Prompt"), passive
// offers, automatic resume and how many files may come in at once.
class DccSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit DccSettingsPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model.
    void load();

private:
    Client& client_;
    std::array<QRadioButton*, 3> chat_{};  // by ChatOffer: Ignore, Accept, Prompt
    std::array<QRadioButton*, 3> files_{}; // by FileOffer: Get, Prompt, Ignore
    QCheckBox* passive_ = nullptr;
    QCheckBox* autoResume_ = nullptr;
    QSpinBox* maxIncoming_ = nullptr;
};
