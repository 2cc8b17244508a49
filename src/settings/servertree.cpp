#include "settings/servertree.h"

#include "core/prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

const QString hostPrefix = QStringLiteral("HOST:");
const QString portPrefix = QStringLiteral("PORT:");
constexpr int DataPrefixLength = 6; // "HOST: " and "PORT: "

void collect(const ServerNode& node, std::vector<ServerNode*>& out)
{
    for (const auto& child : node.children) {
        out.push_back(child.get());
        collect(*child, out);
    }
}

QString decodeLine(const QByteArray& bytes)
{
    // Files from older releases are in a single-byte code page; everything we write is UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

// "HOST:" typed without its space gets one; anything without the prefix is refused.
std::optional<QString> dataLine(const QString& text, const QString& prefix)
{
    if (!text.startsWith(prefix))
        return std::nullopt;
    if (text.size() == prefix.size() || text.at(prefix.size()) != u' ')
        return prefix + u' ' + text.mid(prefix.size());
    return text;
}

} // namespace

int ServerNode::level() const
{
    int level = -1; // the hidden holder of the top-level nodes is not counted
    for (const ServerNode* p = parent; p; p = p->parent)
        ++level;
    return level;
}

int ServerNode::indexInParent() const
{
    if (!parent)
        return -1;
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i) == this)
            return i;
    return -1;
}

bool ServerNode::isAncestorOf(const ServerNode* node) const
{
    for (const ServerNode* p = node ? node->parent : nullptr; p; p = p->parent)
        if (p == this)
            return true;
    return false;
}

ServerTree::ServerTree(Prompts& prompts, QObject* parent) : QObject(parent), prompts_(prompts) {}

ServerTree::~ServerTree() = default;

void ServerTree::clear()
{
    top_.children.clear();
    selected_ = nullptr;
    structureChanged();
}

ServerNode* ServerTree::root() const
{
    return top_.children.empty() ? nullptr : top_.children.front().get();
}

std::vector<ServerNode*> ServerTree::nodes() const
{
    std::vector<ServerNode*> out;
    collect(top_, out);
    return out;
}

ServerNode* ServerTree::nodeAt(int position) const
{
    const auto all = nodes();
    if (position < 0 || position >= int(all.size()))
        return nullptr;
    return all[size_t(position)];
}

int ServerTree::positionOf(const ServerNode* node) const
{
    const auto all = nodes();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == node)
            return int(i);
    return -1;
}

ServerNode* ServerTree::findById(quint64 id) const
{
    for (ServerNode* node : nodes())
        if (node->id == id)
            return node;
    return nullptr;
}

ServerNode* ServerTree::insertChild(ServerNode* parent, int index, const QString& text, int kind)
{
    auto node = std::make_unique<ServerNode>();
    node->text = text;
    node->kind = kind;
    node->id = nextId_++;
    node->parent = parent;
    ServerNode* raw = node.get();
    parent->children.insert(parent->children.begin() + index, std::move(node));
    return raw;
}

std::unique_ptr<ServerNode> ServerTree::detach(ServerNode* node)
{
    ServerNode* parent = node->parent;
    auto it = parent->children.begin() + node->indexInParent();
    std::unique_ptr<ServerNode> owned = std::move(*it);
    parent->children.erase(it);
    owned->parent = nullptr;
    return owned;
}

ServerNode* ServerTree::appendBranch(std::unique_ptr<ServerNode> branch)
{
    ServerNode* top = root();
    if (!top)
        top = insertChild(&top_, 0, rootText(), ServerKind::Root);
    top->expanded = true;
    ServerNode* raw = branch.get();
    std::vector<ServerNode*> walk{raw};
    while (!walk.empty()) {
        ServerNode* node = walk.back();
        walk.pop_back();
        node->id = nextId_++;
        node->expanded = node->hasChildren();
        for (const auto& child : node->children) {
            child->parent = node;
            walk.push_back(child.get());
        }
    }
    branch->parent = top;
    top->children.push_back(std::move(branch));
    structureChanged();
    Q_EMIT changed();
    return raw;
}

void ServerTree::structureChanged()
{
    ++revision_;
}

// --- file ----------------------------------------------------------------------------

std::optional<ServerTree::ParseError> ServerTree::parse(const QByteArray& bytes)
{
    top_.children.clear();
    selected_ = nullptr;
    structureChanged();
    // lastAtLevel[n] is the node most recently read on level n.
    std::vector<ServerNode*> lastAtLevel;
    int previousLevel = 0;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray raw = lines.at(i);
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.isEmpty())
            continue; // the end of the last line, or a blank line
        int level = 0;
        while (level < raw.size() && (raw.at(level) == '\t' || raw.at(level) == ' '))
            ++level;
        const QString text = decodeLine(raw.mid(level));
        if (level > previousLevel + 1) {
            return ParseError{
                QStringLiteral("Invalid level (%1) for item \"%2\"").arg(level).arg(text), i + 1};
        }
        // An indented first line opens levels no line has filled: its siblings, like
        // itself, hang at the top.
        ServerNode* parent =
            level > 0 && size_t(level - 1) < lastAtLevel.size() && lastAtLevel[size_t(level - 1)]
                ? lastAtLevel[size_t(level - 1)]
                : &top_;
        ServerNode* node = insertChild(parent, parent->childCount(), text, ServerKind::EmptyFolder);
        lastAtLevel.resize(size_t(level));
        lastAtLevel.push_back(node);
        previousLevel = level;
    }
    return std::nullopt;
}

QByteArray ServerTree::serialise() const
{
    QByteArray out;
    for (const ServerNode* node : nodes()) {
        out += QByteArray(node->level(), '\t');
        out += node->text.toUtf8();
        out += "\r\n";
    }
    return out;
}

void ServerTree::load(const QString& path, int bookmark)
{
    loadFailed_ = false;
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompts_.warning(QStringLiteral(
            "Server List not found (qrlsrvs.txt).  A blank Server List was created instead."));
        insertChild(&top_, 0, rootText(), ServerKind::Root);
    } else if (const auto error = parse(file.readAll())) {
        // What was read before the bad line stays, so the user can still connect and fix
        // the rest; the file itself is kept as .bak when the tree is saved.
        loadFailed_ = true;
        prompts_.warning(error->message + QStringLiteral("\n\nin ") +
                         QFileInfo(path).absoluteFilePath() + QStringLiteral(", line ") +
                         QString::number(error->line));
    }
    if (!root()) {
        loadFailed_ = true;
        prompts_.warning(QStringLiteral("The Server List ") + QFileInfo(path).absoluteFilePath() +
                         QStringLiteral(" is empty.  A blank Server List was created instead."));
        insertChild(&top_, 0, rootText(), ServerKind::Root);
    }
    root()->kind = ServerKind::Root;
    root()->expanded = true;
    structureChanged();
    if (nodes().size() == 1) {
        selected_ = root();
        addFolder();
        select(nodeAt(1));
        return;
    }
    deriveKinds();
    selectBookmark(bookmark);
}

void ServerTree::deriveKinds()
{
    const auto all = nodes();
    for (size_t i = 1; i < all.size(); ++i) {
        ServerNode* node = all[i];
        if (node->hasChildren() && node->child(0)->text.contains(QStringLiteral("HOST: "))) {
            node->kind = ServerKind::Server;
            // Only the server's own lines are data, even when a hand-edited server lacks
            // one of them; the walk goes on after its subtree.
            std::vector<ServerNode*> data;
            collect(*node, data);
            for (ServerNode* line : data)
                line->kind = ServerKind::ServerData;
            i += data.size();
        } else {
            node->kind = node->hasChildren() ? ServerKind::Folder : ServerKind::EmptyFolder;
        }
    }
}

bool ServerTree::save(const QString& path)
{
    if (!root())
        return true;
    if (loadFailed_ && QFile::exists(path)) {
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        if (!QFile::copy(path, backup))
            return false; // never replace the only copy of what we could not read
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialise());
    if (!file.commit())
        return false;
    loadFailed_ = false;
    return true;
}

// --- selection and buttons ----------------------------------------------------------

void ServerTree::select(ServerNode* node)
{
    selected_ = node;
    Q_EMIT changed();
}

void ServerTree::selectBookmark(int position)
{
    if (position < 0)
        position = 1;
    ServerNode* node = nodeAt(position);
    select(node ? node : root());
}

ServerTreeButtons ServerTree::buttons() const
{
    ServerTreeButtons b;
    const ServerNode* node = selected_;
    if (!node)
        return b;
    const auto byPosition = [&] {
        const int index = node->indexInParent();
        const int siblings = node->parent->childCount();
        b.up = index > 0;
        b.down = index < siblings - 1;
    };
    if (node->kind == ServerKind::Root) {
        b.newFolder = b.newServer = b.edit = true;
    } else if (ServerKind::isFolder(node->kind)) {
        b.newFolder = node->level() <= MaxFolderLevelForNewFolder;
        b.newServer = b.edit = b.remove = true;
        byPosition();
    } else if (node->kind == ServerKind::Server) {
        b.edit = b.remove = true;
        byPosition();
    } else {
        b.edit = true;
    }
    return b;
}

// --- editing -------------------------------------------------------------------------

ServerNode* ServerTree::addFolder()
{
    if (!selected_ || !buttons().newFolder)
        return nullptr;
    ServerNode* parent = selected_;
    ServerNode* folder = insertChild(parent, 0, newFolderText(), ServerKind::EmptyFolder);
    // Any folder that now has a child shows as open, so its kind never claims it is empty.
    if (parent->kind != ServerKind::Root)
        parent->kind = ServerKind::OpenFolder;
    parent->expanded = true;
    structureChanged();
    select(folder);
    Q_EMIT editRequested(folder);
    return folder;
}

ServerNode* ServerTree::addServer()
{
    if (!selected_ || !buttons().newServer)
        return nullptr;
    ServerNode* parent = selected_;
    ServerNode* server = insertChild(parent, 0, newServerText(), ServerKind::Server);
    insertChild(server, 0, QStringLiteral("HOST: "), ServerKind::ServerData);
    insertChild(server, 1, QStringLiteral("PORT: "), ServerKind::ServerData);
    if (parent->kind != ServerKind::Root)
        parent->kind = ServerKind::OpenFolder;
    parent->expanded = true;
    structureChanged();
    select(server);
    Q_EMIT editRequested(server);
    return server;
}

void ServerTree::commitEdit(ServerNode* node, const QString& typed)
{
    if (!node)
        return;
    const QString text = typed.trimmed();
    if (node->kind == ServerKind::ServerData) {
        const bool isHost = node->indexInParent() == 0;
        if (const auto line = dataLine(text, isHost ? hostPrefix : portPrefix))
            node->text = *line;
    } else if (!text.isEmpty()) {
        // An empty root would be written as a blank line and lost on the next load, so the
        // root keeps its name like any folder.
        node->text = text;
    }
    Q_EMIT changed();
}

void ServerTree::deleteSelected()
{
    ServerNode* node = selected_;
    if (!node || !buttons().remove)
        return;
    if (!node->hasChildren()) {
        removeNode(node);
        return;
    }
    const QString question = node->kind == ServerKind::Server
                                 ? QStringLiteral("Delete this Server?")
                                 : QStringLiteral("Delete this Folder and its contents?");
    const quint64 id = node->id;
    prompts_.askYesNo(question, [this, id](bool yes) {
        // The tree may have changed while the question was open.
        if (ServerNode* target = findById(id); yes && target)
            removeNode(target);
    });
}

void ServerTree::removeNode(ServerNode* node)
{
    ServerNode* parent = node->parent;
    const int index = node->indexInParent();
    const bool wasSelected = selected_ == node || node->isAncestorOf(selected_);
    detach(node);
    emptiedParent(parent);
    structureChanged();
    if (wasSelected) {
        ServerNode* next = nullptr;
        if (index < parent->childCount())
            next = parent->child(index);
        else if (index > 0)
            next = parent->child(index - 1);
        else if (parent != &top_)
            next = parent;
        selected_ = next;
    }
    Q_EMIT changed();
}

void ServerTree::emptiedParent(ServerNode* parent)
{
    if (parent != &top_ && !parent->hasChildren() && parent->kind != ServerKind::Root) {
        parent->kind = ServerKind::EmptyFolder;
        parent->expanded = false;
    }
}

void ServerTree::swapWithNext(ServerNode* node)
{
    ServerNode* parent = node->parent;
    const size_t index = size_t(node->indexInParent());
    std::swap(parent->children[index], parent->children[index + 1]);
    structureChanged();
    Q_EMIT changed();
}

void ServerTree::moveUp()
{
    if (selected_ && buttons().up)
        swapWithNext(selected_->parent->child(selected_->indexInParent() - 1));
}

void ServerTree::moveDown()
{
    if (selected_ && buttons().down)
        swapWithNext(selected_);
}

void ServerTree::setExpanded(ServerNode* node, bool expanded)
{
    if (!node)
        return;
    if (node->kind == ServerKind::Root && !expanded) {
        Q_EMIT changed(); // the root stays open; the view is told to show it so again
        return;
    }
    node->expanded = expanded;
    if (ServerKind::isFolder(node->kind)) {
        if (expanded)
            node->kind = ServerKind::OpenFolder;
        else
            node->kind = node->hasChildren() ? ServerKind::Folder : ServerKind::EmptyFolder;
    }
    Q_EMIT changed();
}

// --- drag and drop -------------------------------------------------------------------

bool ServerTree::canDrag(const ServerNode* node)
{
    return node && (ServerKind::isFolder(node->kind) || node->kind == ServerKind::Server);
}

bool ServerTree::canDrop(const ServerNode* dragged, const ServerNode* target)
{
    if (!canDrag(dragged) || !target)
        return false;
    if (!ServerKind::isFolder(target->kind) && target->kind != ServerKind::Root)
        return false;
    // A folder cannot go inside itself.
    return target != dragged && target != dragged->parent && !dragged->isAncestorOf(target);
}

bool ServerTree::drop(ServerNode* dragged, ServerNode* target)
{
    if (!canDrop(dragged, target))
        return false;
    ServerNode* oldParent = dragged->parent;
    std::unique_ptr<ServerNode> owned = detach(dragged);
    owned->parent = target;
    target->children.insert(target->children.begin(), std::move(owned));
    emptiedParent(oldParent);
    if (target->kind != ServerKind::Root)
        target->kind = ServerKind::OpenFolder;
    target->expanded = true;
    structureChanged();
    select(dragged);
    return true;
}

std::optional<ServerTarget> ServerTree::targetOf(const ServerNode* node)
{
    if (!node || node->kind != ServerKind::Server || !node->hasChildren() || !node->parent)
        return std::nullopt;
    ServerTarget target;
    target.host = node->child(0)->text.mid(DataPrefixLength);
    target.portList = node->child(node->childCount() - 1)->text.mid(DataPrefixLength);
    target.description = node->parent->text + QStringLiteral(" - ") + node->text;
    return target;
}

// --- networks ------------------------------------------------------------------------

const ServerNode* ServerTree::networkOf(const ServerNode* node)
{
    if (node && node->kind == ServerKind::ServerData)
        node = node->parent;
    if (node && node->kind == ServerKind::Server)
        node = node->parent;
    if (!node || !ServerKind::isFolder(node->kind))
        return nullptr;
    for (const auto& child : node->children)
        if (child->kind == ServerKind::Server)
            return node;
    return nullptr;
}

std::vector<const ServerNode*> ServerTree::networks() const
{
    std::vector<const ServerNode*> out;
    for (const ServerNode* node : nodes())
        if (ServerKind::isFolder(node->kind) && networkOf(node) == node)
            out.push_back(node);
    return out;
}

QString ServerTree::networkOfServer(const QString& host, int port) const
{
    const QString portText = QString::number(port);
    QString onHost;
    for (const ServerNode* node : nodes()) {
        const std::optional<ServerTarget> target = targetOf(node);
        const ServerNode* network = networkOf(node);
        if (!target || !network ||
            target->host.trimmed().compare(host.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        // Entries may be written "+6697" for TLS.
        for (const QString& entry : target->portList.split(u','))
            if (entry.trimmed().remove(u'+') == portText)
                return network->text;
        if (onHost.isEmpty())
            onHost = network->text;
    }
    return onHost;
}

std::optional<ServerTarget> ServerTree::firstServerOf(const ServerNode* network)
{
    if (!network)
        return std::nullopt;
    for (const auto& child : network->children)
        if (const std::optional<ServerTarget> target = targetOf(child.get()))
            return target;
    return std::nullopt;
}
