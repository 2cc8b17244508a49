#pragma once

// PLACEHOLDER CONTRACT - to be replaced by the real chat text model.
#include "theme/themerecord.h"

#include <QObject>
#include <QStringList>

// The model behind one chat view: every line it was given, as styled words laid out with
// word wrap.
class ChatDocument : public QObject
{
    Q_OBJECT
public:
    explicit ChatDocument(QObject* parent = nullptr);

    void applyTheme(const ThemeRecord& theme);
    const ThemeRecord& theme() const { return theme_; }

    // Line classes: 0 "Server", 1 "Other", 2 "You".
    void appendLine(int lineClass, const QString& text);
    void clear();

    // The text of every line, formatting codes removed, oldest first.
    QStringList plainLines() const;
    qsizetype lineCount() const;

Q_SIGNALS:
    void linesAppended();
    void cleared();

private:
    ThemeRecord theme_;
    QStringList lines_;
};
