#include "ui/chat/serverinfowidget.h"

#include "chat/chatdocument.h"
#include "core/linelog.h"
#include "ui/chat/chatview.h"

ServerInfoWidget::ServerInfoWidget(LineLog& serverView, const ThemeRecord& theme,
                                   const QString& themesFolder, QWidget* parent)
    : QTabWidget(parent), document_(std::make_unique<ChatDocument>())
{
    setObjectName(QStringLiteral("serverinfotabs"));
    setAccessibleName(QStringLiteral("Server information"));
    document_->applyTheme(theme);
    // Whatever the server said before this page existed is shown too.
    for (const QString& line : serverView.lines())
        document_->appendLine(ChatDocument::Other, line);

    motdView_ = new ChatView(document_.get(), this);
    motdView_->setObjectName(QStringLiteral("motdview"));
    motdView_->setThemesFolder(themesFolder);
    addTab(motdView_, QStringLiteral("Message of the Day"));

    ChatDocument* document = document_.get();
    connect(&serverView, &LineLog::lineAdded, document,
            [document](const QString& line) { document->appendLine(ChatDocument::Other, line); });
    connect(&serverView, &LineLog::cleared, document, &ChatDocument::clear);
}

ServerInfoWidget::~ServerInfoWidget()
{
    // The view goes before the document it paints.
    delete motdView_;
}
