#pragma once

#include <QVector>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QToolButton;
class RawData;

// The "Raw Data" page: the lines exchanged with the server, the toggles that show and log
// them, and an input line for typing protocol lines directly.
class RawDataPage : public QWidget
{
    Q_OBJECT
public:
    explicit RawDataPage(RawData& rawData, QWidget* parent = nullptr);

    // Lines received while the page is hidden wait here and are drawn in one go when it
    // shows; a flood then costs a list append per line.
    qsizetype pendingLineCount() const { return pending_.size(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PendingLine
    {
        QString text;
        bool fromServer;
    };

    void queueLine(const QString& line, bool fromServer);
    void flushPending();
    void clearView();
    void sendRawInput();

    RawData& rawData_;
    QPlainTextEdit* rawtext_ = nullptr;
    QLineEdit* rawinput_ = nullptr;
    QToolButton* rawbuttonshow_ = nullptr;
    QToolButton* rawbuttonlog_ = nullptr;
    QToolButton* rawbuttonclear_ = nullptr;
    QTimer* flushTimer_ = nullptr;
    QVector<PendingLine> pending_;
};
