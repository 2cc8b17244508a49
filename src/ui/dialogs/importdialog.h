#pragma once

#include <QDialog>

class Client;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeView;

// The "Import" dialog: a source from clientname, the folder it is
// installed in from wherelist, and "Import Now", which brings its identity, nicknames,
// notify list and servers into the running client.
class ImportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ImportDialog(Client& client, QWidget* parent = nullptr);

    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    QListWidget* sources() const { return clientName_; }
    QLabel* resultLabel() const { return resultLabel_; }
    QPushButton* importButton() const { return importButton_; }
    void importNow();

Q_SIGNALS:
    // Something was imported: the pages that show the identity and lists refresh.
    void imported();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Client& client_;
    QListWidget* clientName_;
    QTreeView* whereList_;
    QFileSystemModel* folders_;
    QLabel* resultLabel_;
    QProgressBar* progress_;
    QPushButton* importButton_;
    QString folder_;
};
