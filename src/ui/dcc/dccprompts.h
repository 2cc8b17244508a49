#pragma once

#include "core/prompts.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTreeView;
class QFileSystemModel;

// "DCC Chat Request": another user offers a DCC chat, answered once by its buttons; closing it
// rejects.
class ChatRequestDialog : public QDialog
{
    Q_OBJECT
public:
    ChatRequestDialog(const QString& nick, std::function<void(ChatRequestAnswer)> answer,
                      QWidget* parent = nullptr);
    ~ChatRequestDialog() override;

private:
    void answer(ChatRequestAnswer choice);
    std::function<void(ChatRequestAnswer)> answer_;
};

// "Receiving File": a file offered by another user, with the save folder and "Resume from" when a
// shorter file of the name is already there.
class ReceiveFileDialog : public QDialog
{
    Q_OBJECT
public:
    ReceiveFileDialog(const FileOfferQuestion& offer, std::function<void(FileOfferAnswer)> answer,
                      QWidget* parent = nullptr);
    ~ReceiveFileDialog() override;

    QString folder() const { return folder_; }
    // Points the folder list elsewhere; an invalid folder is ignored.
    void setFolder(const QString& folder);
    QPushButton* resumeButton() const { return resume_; }

private:
    void answer(FileOfferChoice choice);
    // Opens the folder tree down to the save folder and selects it.
    void showFolder();
    FileOfferQuestion offer_;
    std::function<void(FileOfferAnswer)> answer_;
    QString folder_;
    QFileSystemModel* folders_ = nullptr;
    QTreeView* folderView_ = nullptr;
    QLabel* location_ = nullptr;
    QPushButton* resume_ = nullptr;
};
