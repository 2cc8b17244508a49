#include "menu/menumod.h"

#include "chat/windowregistry.h"
#include "commands/commandparser.h"
#include "core/formatting.h"
#include "core/options.h"
#include "core/privateprofile.h"
#include "script/scripttext.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QString modSection = u"MOD"_s;
// A damaged "maxmod" must not keep the reader busy for billions of keys.
constexpr int MaxModLines = 10000;
} // namespace

QList<int> CompiledMenuMod::childrenOf(int parent) const
{
    QList<int> children;
    for (int index : placement) {
        if (entries.at(index).parent == parent)
            children << index;
    }
    return children;
}

namespace MenuModText {

QStringList cleanLines(const QStringList& lines)
{
    QStringList clean;
    for (const QString& line : lines) {
        const QString text = expandEscapes(line.trimmed());
        if (!text.isEmpty())
            clean << text;
    }
    return clean;
}

CompiledMenuMod compile(const QStringList& lines)
{
    CompiledMenuMod mod;
    const QStringList clean = cleanLines(lines);
    if (clean.isEmpty() || clean.first().startsWith(u'.') || clean.first().startsWith(u'-'))
        return mod;
    mod.hasTop = true;
    mod.topCaption = clean.first();
    for (qsizetype i = 1; i < clean.size(); ++i) {
        const QString& line = clean.at(i);
        qsizetype dots = 0;
        while (dots < line.size() && line.at(dots) == u'.')
            ++dots;
        const QString rest = line.mid(dots);
        const qsizetype colon = rest.indexOf(u':');
        MenuModEntry entry;
        entry.level = int(qMin<qsizetype>(dots, 1000));
        entry.caption = colon < 0 ? rest : rest.left(colon);
        entry.command = colon < 0 ? QString() : rest.mid(colon + 1);
        mod.entries << entry;
    }
    for (int level = 1; level <= CompiledMenuMod::MaxLevel; ++level) {
        for (int i = 0; i < mod.entries.size(); ++i) {
            MenuModEntry& entry = mod.entries[i];
            if (entry.level != level)
                continue;
            int parent = MenuModEntry::TopEntry;
            if (level > 1) {
                parent = MenuModEntry::NotPlaced;
                for (int j = i - 1; j >= 0; --j) {
                    if (mod.entries.at(j).level == level - 1) {
                        parent = j;
                        break;
                    }
                }
            }
            if (parent == MenuModEntry::NotPlaced) {
                mod.stoppedAt = i;
                return mod;
            }
            entry.parent = parent;
            mod.placement << i;
        }
    }
    return mod;
}

QStringList commandPieces(const QString& command)
{
    QStringList pieces;
    const QString separator = u"  /"_s;
    qsizetype from = 0;
    while (from < command.size()) {
        const qsizetype at = command.indexOf(separator, from);
        const qsizetype end = at < 0 ? command.size() : at;
        QString piece = command.mid(from, end - from);
        while (!piece.isEmpty() && piece.front().isSpace())
            piece.remove(0, 1);
        if (!piece.trimmed().isEmpty())
            pieces << piece;
        if (at < 0)
            break;
        from = at + 2; // the next command starts at its "/"
    }
    return pieces;
}

} // namespace MenuModText

MenuMods::MenuMods(const QString& programFolder, MenuModOptions& options, CommandParser& commands,
                   WindowRegistry& windows, OwnNickname ownNickname, QObject* parent)
    : QObject(parent), programFolder_(programFolder), options_(options), commands_(commands),
      windows_(windows), ownNickname_(std::move(ownNickname))
{
}

QString MenuMods::currentPath() const
{
    return folder() + options_.modName;
}

QString MenuMods::label() const
{
    return u"Current Menu Mod is: "_s + options_.modName;
}

void MenuMods::compile()
{
    compiled_ = MenuModText::compile(lines_);
    Q_EMIT menuCompiled();
}

QStringList MenuMods::readModFile(const QString& path)
{
    const PrivateProfile file(path);
    const int last = qMin(file.value(modSection, u"maxmod"_s, u"0"_s).toInt(), MaxModLines);
    QStringList lines;
    for (int i = 0; i <= last; ++i) {
        const QString line = file.value(modSection, QString::number(i));
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

void MenuMods::loadCurrent()
{
    // A name with a folder in it could reach outside "Menu Mods".
    lines_ = QFileInfo(options_.modName).fileName() == options_.modName ? readModFile(currentPath())
                                                                        : QStringList();
    Q_EMIT linesLoaded();
    Q_EMIT labelChanged(label());
    compile();
}

void MenuMods::loadMod(const QString& chosenPath)
{
    const QString name = QFileInfo(chosenPath).fileName();
    if (name.isEmpty())
        return;
    options_.modName = name;
    Q_EMIT labelChanged(label());
    lines_ = readModFile(currentPath());
    Q_EMIT linesLoaded();
    compile();
}

bool MenuMods::saveMod(const QString& chosenPath)
{
    const QString name = QFileInfo(chosenPath).fileName();
    if (name.isEmpty())
        return false;
    PrivateProfile file(chosenPath);
    file.setValue(modSection, u"maxmod"_s, QString::number(lines_.size() - 1));
    for (qsizetype i = 0; i < lines_.size(); ++i)
        file.setValue(modSection, QString::number(i), lines_.at(i));
    if (!file.save())
        return false;
    options_.modName = name;
    Q_EMIT labelChanged(label());
    compile();
    return true;
}

bool MenuMods::runEntry(const QString& caption, ChatWindow* window,
                        const QStringList& selectedNicks)
{
    const auto& entries = compiled_.entries;
    const auto found = std::find_if(entries.cbegin(), entries.cend(), [&](const MenuModEntry& e) {
        return e.parent != MenuModEntry::NotPlaced && e.caption == caption;
    });
    if (found == entries.cend())
        return false;
    if (!window || window->isSection())
        return true;
    const bool channel = window->conversationKind == ConversationKind::Channel;
    const QString nick = channel && !selectedNicks.isEmpty() ? selectedNicks.last() : QString();
    const QString own = ownNickname_ ? ownNickname_() : QString();
    const QString expanded =
        ScriptText::expandPlaceholders(found->command, nick, own, window->windowName(), QString());
    for (const QString& piece : MenuModText::commandPieces(expanded)) {
        // A command may close the window ("/leave"); the rest has nowhere to run.
        if (windows_.indexOf(window) < 0)
            break;
        commands_.runCommand(window, window->conversationKind, window->windowName(), piece);
    }
    return true;
}
