#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Prompts;

// A node's kind is its image number, which also picks its icon.
namespace ServerKind {
constexpr int EmptyFolder = 29;
constexpr int Folder = 30;
constexpr int OpenFolder = 31;
constexpr int Server = 32;
constexpr int ServerData = 33;
constexpr int Root = 37;
inline bool isFolder(int kind)
{
    return kind == EmptyFolder || kind == Folder || kind == OpenFolder;
}
} // namespace ServerKind

struct ServerNode
{
    QString text;
    int kind = ServerKind::EmptyFolder;
    bool expanded = false;
    quint64 id = 0; // stable across moves; an answer that arrives late finds its node by it
    ServerNode* parent = nullptr;
    std::vector<std::unique_ptr<ServerNode>> children;

    // The root is on level 0.
    int level() const;
    int indexInParent() const;
    bool hasChildren() const { return !children.empty(); }
    ServerNode* child(int i) const { return children.at(size_t(i)).get(); }
    int childCount() const { return int(children.size()); }
    bool isAncestorOf(const ServerNode* node) const;
};

// Which toolbar buttons the selected node allows.
struct ServerTreeButtons
{
    bool newFolder = false;
    bool newServer = false;
    bool edit = false;
    bool remove = false;
    bool up = false;
    bool down = false;
    bool operator==(const ServerTreeButtons&) const = default;
};

// What connecting to a server node needs.
struct ServerTarget
{
    QString host;
    QString portList;
    QString description;
};

// The directory of IRC servers: a root, folders and servers, each server with a host line
// and a port line. Kept in qrlsrvs.txt, one node a line, indented by one tab per level.
class ServerTree : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxFolderLevelForNewFolder = 3; // a folder on level 4 takes none
    static QString rootText() { return QStringLiteral("SERVER LIST"); }
    static QString newFolderText() { return QStringLiteral(">> NEW FOLDER <<"); }
    static QString newServerText() { return QStringLiteral("-- NEW SERVER --"); }
    static QString fileName() { return QStringLiteral("qrlsrvs.txt"); }

    explicit ServerTree(Prompts& prompts, QObject* parent = nullptr);
    ~ServerTree() override;

    // Reads the file; a missing, empty or broken file is reported and the tree keeps what
    // was read. The bookmark is the position selected afterwards.
    void load(const QString& path, int bookmark);
    // Writes the whole tree (nothing when it is empty). A file that failed to load is kept
    // beside it as .bak before it is replaced, so nothing the user wrote by hand is lost.
    bool save(const QString& path);
    bool loadFailed() const { return loadFailed_; }

    // Parses text into the tree. Returns an empty string, or the error with its line number.
    struct ParseError
    {
        QString message;
        int line = 0;
    };
    std::optional<ParseError> parse(const QByteArray& bytes);
    QByteArray serialise() const;

    void clear();
    // Appends a finished branch (an imported folder with its groups and servers) as the
    // root's last child, open with everything below it. Makes the root when the tree has
    // none. Returns the branch's node in the tree.
    ServerNode* appendBranch(std::unique_ptr<ServerNode> branch);
    ServerNode* root() const;
    // Every node in display order, expanded or not.
    std::vector<ServerNode*> nodes() const;
    int count() const { return int(nodes().size()); }
    ServerNode* nodeAt(int position) const;
    int positionOf(const ServerNode* node) const;
    ServerNode* findById(quint64 id) const;
    // Top-level nodes: the root, and any sibling a hand-edited file gave it.
    const std::vector<std::unique_ptr<ServerNode>>& topLevel() const { return top_.children; }

    ServerNode* selected() const { return selected_; }
    void select(ServerNode* node);
    // Position of the selected node, -1 when none.
    int bookmark() const { return selected_ ? positionOf(selected_) : -1; }
    void selectBookmark(int position);

    ServerTreeButtons buttons() const;

    // Toolbar actions on the selected node. The Add actions return the node to name.
    ServerNode* addFolder();
    ServerNode* addServer();
    void commitEdit(ServerNode* node, const QString& typed);
    void deleteSelected();
    void moveUp();
    void moveDown();
    void setExpanded(ServerNode* node, bool expanded);

    static bool canDrag(const ServerNode* node);
    static bool canDrop(const ServerNode* dragged, const ServerNode* target);
    bool drop(ServerNode* dragged, ServerNode* target);

    // The host, port list and label of a server node; nothing for any other node.
    static std::optional<ServerTarget> targetOf(const ServerNode* node);

    // A network is a folder that holds servers: a connection to one of them is a
    // connection to that network, and the network is named as the folder.
    // The network a node stands for: such a folder, a server's folder, a host or port
    // line's; none for the root and for anything outside such a folder.
    static const ServerNode* networkOf(const ServerNode* node);
    // The networks in display order.
    std::vector<const ServerNode*> networks() const;
    // The name of the network of the first server on host whose port list holds port
    // (else of the first on host at all: a port list may have changed); empty when no
    // server is on host.
    QString networkOfServer(const QString& host, int port) const;
    // The first server of a network, which a connection at start goes to.
    static std::optional<ServerTarget> firstServerOf(const ServerNode* network);

    // Bumped whenever nodes are added, removed or moved, so a view knows to rebuild.
    int revision() const { return revision_; }

Q_SIGNALS:
    void changed();
    // An Add action made a node whose text the user should type now.
    void editRequested(ServerNode* node);

private:
    ServerNode* insertChild(ServerNode* parent, int index, const QString& text, int kind);
    std::unique_ptr<ServerNode> detach(ServerNode* node);
    void deriveKinds();
    void removeNode(ServerNode* node);
    void swapWithNext(ServerNode* node);
    void structureChanged();
    void emptiedParent(ServerNode* parent);

    Prompts& prompts_;
    ServerNode top_; // holds the top-level nodes; never shown or saved
    ServerNode* selected_ = nullptr;
    quint64 nextId_ = 1;
    int revision_ = 0;
    bool loadFailed_ = false;
};
