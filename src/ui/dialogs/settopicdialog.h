#pragma once

#include "ui/dialogs/smalldialog.h"

class QLineEdit;

// The topic of a channel (settopicform).
class SetTopicDialog : public SmallDialog
{
    Q_OBJECT
public:
    SetTopicDialog(const QString& channel, const QString& currentTopic, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }

Q_SIGNALS:
    // "Okay": the text trimmed, possibly empty.
    void topicChosen(const QString& topic);

private:
    QLineEdit* edit_;
};
