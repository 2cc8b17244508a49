#pragma once

#include <QDialog>

class FileSends;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QComboBox;
class QTreeView;

// "Select Files for DCC Send": folders on the left, the folder's files (several may be
// chosen) on the right, and the nickname of the receiver.
class FileSelectDialog : public QDialog
{
    Q_OBJECT
public:
    FileSelectDialog(FileSends& sends, const QString& startFolder, const QString& nick,
                     QWidget* parent = nullptr);

    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    QListWidget* fileList() const { return files_; }
    QLineEdit* nickEdit() const { return nick_; }
    // "Send": every chosen file to the nick, in list order. False when no nick is given.
    bool send();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void listFiles();
    void showCount();

    FileSends& sends_;
    QString folder_;
    QFileSystemModel* folders_ = nullptr;
    QTreeView* folderView_ = nullptr;
    QListWidget* files_ = nullptr;
    QComboBox* filter_ = nullptr;
    QLineEdit* nick_ = nullptr;
    QLabel* count_ = nullptr;
};
