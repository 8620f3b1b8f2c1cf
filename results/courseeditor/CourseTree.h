#pragma once
// The course editor's edit buffer: a keyed tree (title "root", modules "m<i>", topics "m<i>o<j>")
// plus the list of its nodes in the order they were added. That list, not the display order, is
// the order in which a save writes the keys.
//
// Every command acts on the current node. Moves exchange contents between places and never
// change which key stands where, so module keys stay m1..mN from top to bottom.

#include "CourseFile.h"

#include <QString>
#include <QVector>
#include <QtGlobal>
#include <array>
#include <functional>
#include <unordered_map>

class IniDocument;

using NodeId = int;
inline constexpr NodeId NoNode = -1;

enum class NodeKind { Title, Module, Topic };

// The kind of a node, decided from its key alone: "root", "m" without "o", "m" with "o".
NodeKind KindOfKey(const QString& key);

// The context menu's eight command items, in menu order.
enum PopupItem {
    Hernoemtitel,
    Hernoemmodule,
    NieuweModule,
    Verwijdermodule,
    HernoemOnderwerp,
    NieuwOnderwerp,
    WijzigOnderwerp,
    VerwijderOnderwerp,
    PopupItemCount
};

struct TestRename {
    QString oldName;
    QString newName; // as it reads back from the file
};

struct CommandStates {
    std::array<bool, PopupItemCount> visible{};
    std::array<bool, PopupItemCount> enabled{};
    bool upEnabled = false;
    bool downEnabled = false;
    // A right click shows "Wijzig onderwerp..." as the menu's default item.
    bool movieIsDefault = false;
};

class CourseTree {
public:
    struct Node {
        NodeId id = NoNode;
        QString key;
        QString text;
        QString tag;
        // The text as loaded from the file, empty for a node added since; it travels with the text
        // when contents move, so a test keeps the name its stored grades are filed under.
        QString loadedText;
        NodeId parent = NoNode;
        QVector<NodeId> children;
    };

    CourseTree();

    // FillTreeView: the title node, then every module with its topics; the title node is current.
    void fill(const Course& course);
    void load(const QString& courseFile);

    NodeId root() const { return m_root; }
    NodeId current() const { return m_current; }
    // Node click, expand or collapse. Unknown ids are ignored.
    void setCurrent(NodeId id);

    const Node& node(NodeId id) const;
    bool contains(NodeId id) const { return m_nodes.count(id) != 0; }
    NodeId find(const QString& key) const;
    const QVector<NodeId>& nodeList() const { return m_nodeList; }
    const QVector<NodeId>& modules() const { return node(m_root).children; }

    // Module nodes in the node list, counted by the key rule.
    qint16 ModuleNodes() const;
    // Nodes whose key minus its last character equals `key` minus its last character:
    // for a topic key, the topics of its module, test included.
    qint16 OndNodes(const QString& key) const;

    CommandStates commandStates() const;

    // The commands. Each does nothing where the command states do not offer it, and text
    // commands do nothing for a text that would read back empty from the file.
    void rename(const QString& text);
    void newModule(const QString& name);
    void newTopic(const QString& name);
    void deleteModule();
    void deleteTopic();
    // The chosen movie file (any path): its name without the last four characters becomes the
    // tag, when the name is longer than four characters.
    void chooseMovie(const QString& chosenFile);
    void moveUp();
    void moveDown();

    // Tests whose loaded name no test of the tree has any more: the grades stored under that name
    // would no longer show. Names compare as the result files' keys do.
    QVector<TestRename> renamedTests() const;

    // The save: "Cursus"/"Titel", the "Modules" section removed, then every node after the title
    // in node-list order, a topic followed by its movie key. `beforeEach` runs before each node.
    void writeTo(IniDocument& document, const std::function<void()>& beforeEach = {}) const;

private:
    NodeId addNode(NodeId parent, const QString& key, const QString& text, const QString& tag = QString(),
                   NodeId before = NoNode);
    void removeNode(NodeId id);
    void removeKey(const QString& key);
    Node& mutableNode(NodeId id);
    int indexInParent(NodeId id) const;
    NodeId sibling(NodeId id, int offset) const;
    void exchangeModules(NodeId lower, NodeId upper);
    void moveTopic(int offset);
    void DecreaseModuleNr(int nodeListPosition, int change);

    std::unordered_map<NodeId, Node> m_nodes;
    QVector<NodeId> m_nodeList;
    NodeId m_root = NoNode;
    NodeId m_current = NoNode;
    NodeId m_nextId = 0;
};

// The number after the first character of a module key, or after the "o" of a topic key.
int ModuleNumberOfKey(const QString& key);
int TopicNumberOfKey(const QString& key);
