#pragma once

#include <QTabWidget>

#include <memory>

class ChatDocument;
class LineLog;
class ChatView;
struct ThemeRecord;

// The server information page (serverinfotabs): its "Message of the Day" tab shows the
// server's own notices and replies in a chat view that follows the server view's lines.
class ServerInfoWidget : public QTabWidget
{
    Q_OBJECT
public:
    ServerInfoWidget(LineLog& serverView, const ThemeRecord& theme, const QString& themesFolder,
                     QWidget* parent = nullptr);
    ~ServerInfoWidget() override;

    ChatView* motdView() const { return motdView_; }
    ChatDocument* document() const { return document_.get(); }

private:
    std::unique_ptr<ChatDocument> document_;
    ChatView* motdView_ = nullptr;
};
