#include "CourseTree.h"

#include "Cp1252.h"
#include "INIfunc.h"
#include "IniDocument.h"
#include "IniSyntax.h"

#include <QFileInfo>
#include <algorithm>
#include <stdexcept>

namespace {

const QString RootKey = QStringLiteral("root");

bool isModuleKey(const QString& key)
{
    return KindOfKey(key) == NodeKind::Module;
}

// An answer that would read back empty from the file is no answer: a module saved as "m1=   "
// would vanish with its topics on the next load.
bool isNoAnswer(const QString& text)
{
    return ReadBackValue(text).isEmpty();
}

// Whether two read-back names find the same key of a result file.
bool sameKey(const QString& a, const QString& b)
{
    const QByteArray x = toCp1252(a);
    const QByteArray y = toCp1252(b);
    return ini::sameName(ini::requestedName(x), ini::requestedName(y));
}

} // namespace

NodeKind KindOfKey(const QString& key)
{
    if (key == RootKey)
        return NodeKind::Title;
    return key.contains(QLatin1Char('o')) ? NodeKind::Topic : NodeKind::Module;
}

int ModuleNumberOfKey(const QString& key)
{
    const qsizetype o = key.indexOf(QLatin1Char('o'));
    return key.mid(1, o < 0 ? -1 : o - 1).toInt();
}

int TopicNumberOfKey(const QString& key)
{
    const qsizetype o = key.indexOf(QLatin1Char('o'));
    return o < 0 ? 0 : key.mid(o + 1).toInt();
}

CourseTree::CourseTree()
{
    fill(Course{});
}

void CourseTree::fill(const Course& course)
{
    m_nodes.clear();
    m_nodeList.clear();
    m_root = addNode(NoNode, RootKey, course.title);
    m_current = m_root;
    for (const CourseModule& module : course.modules) {
        const NodeId moduleNode = addNode(m_root, ModuleKey(module.number), module.name);
        for (const CourseTopic& topic : module.topics)
            addNode(moduleNode, TopicKey(module.number, topic.number), topic.name, topic.movie);
    }
    for (auto& [id, n] : m_nodes)
        n.loadedText = n.text;
}

void CourseTree::load(const QString& courseFile)
{
    fill(ReadCourse(courseFile));
}

void CourseTree::setCurrent(NodeId id)
{
    if (contains(id))
        m_current = id;
}

const CourseTree::Node& CourseTree::node(NodeId id) const
{
    const auto it = m_nodes.find(id);
    if (it == m_nodes.end())
        throw std::out_of_range("no such course tree node");
    return it->second;
}

CourseTree::Node& CourseTree::mutableNode(NodeId id)
{
    return const_cast<Node&>(node(id));
}

NodeId CourseTree::find(const QString& key) const
{
    // Keys compare like the tree control's: without regard to case.
    for (NodeId id : m_nodeList)
        if (node(id).key.compare(key, Qt::CaseInsensitive) == 0)
            return id;
    return NoNode;
}

qint16 CourseTree::ModuleNodes() const
{
    qint16 count = 0;
    for (NodeId id : m_nodeList) {
        const QString& key = node(id).key;
        if (key.startsWith(QLatin1Char('m')) && isModuleKey(key))
            ++count;
    }
    return count;
}

qint16 CourseTree::OndNodes(const QString& key) const
{
    const QString stem = key.chopped(key.isEmpty() ? 0 : 1);
    qint16 count = 0;
    for (NodeId id : m_nodeList) {
        const QString& other = node(id).key;
        if (!other.isEmpty() && other.chopped(1) == stem)
            ++count;
    }
    return count;
}

int CourseTree::indexInParent(NodeId id) const
{
    const Node& n = node(id);
    return n.parent == NoNode ? 0 : int(node(n.parent).children.indexOf(id));
}

NodeId CourseTree::sibling(NodeId id, int offset) const
{
    const Node& n = node(id);
    if (n.parent == NoNode)
        return NoNode;
    const QVector<NodeId>& siblings = node(n.parent).children;
    const qsizetype at = siblings.indexOf(id) + offset;
    return at >= 0 && at < siblings.size() ? siblings.at(at) : NoNode;
}

NodeId CourseTree::addNode(NodeId parent, const QString& key, const QString& text, const QString& tag, NodeId before)
{
    // The tree control refuses a second node with the same key; so do we, loudly.
    if (find(key) != NoNode)
        throw std::logic_error("duplicate course tree key " + key.toStdString());
    const NodeId id = m_nextId++;
    m_nodes.emplace(id, Node{id, key, text, tag, QString(), parent, {}});
    m_nodeList.append(id);
    if (parent != NoNode) {
        QVector<NodeId>& children = mutableNode(parent).children;
        const qsizetype at = before == NoNode ? -1 : children.indexOf(before);
        if (at < 0)
            children.append(id);
        else
            children.insert(at, id);
    }
    return id;
}

void CourseTree::removeNode(NodeId id)
{
    const Node n = node(id);
    for (NodeId child : n.children)
        removeNode(child);
    if (n.parent != NoNode)
        mutableNode(n.parent).children.removeOne(id);
    m_nodeList.removeOne(id);
    m_nodes.erase(id);
    if (m_current == id)
        m_current = m_root;
}

void CourseTree::removeKey(const QString& key)
{
    const NodeId id = find(key);
    if (id != NoNode)
        removeNode(id);
}

CommandStates CourseTree::commandStates() const
{
    CommandStates s;
    s.enabled.fill(true);
    const Node& cur = node(m_current);
    const QString& key = cur.key;
    switch (KindOfKey(key)) {
    case NodeKind::Title:
        s.visible[Hernoemtitel] = true;
        s.visible[NieuweModule] = true;
        s.enabled[NieuweModule] = ModuleNodes() < MaxModules;
        break;
    case NodeKind::Module: {
        s.visible[NieuweModule] = true;
        s.enabled[NieuweModule] = ModuleNodes() < MaxModules;
        s.visible[Hernoemmodule] = true;
        s.visible[Verwijdermodule] = ModuleNodes() > 0;
        const int at = indexInParent(m_current);
        const int count = int(node(cur.parent).children.size());
        s.upEnabled = at > 0;
        s.downEnabled = at < count - 1;
        break;
    }
    case NodeKind::Topic: {
        s.visible[HernoemOnderwerp] = true;
        s.visible[WijzigOnderwerp] = true;
        s.visible[NieuwOnderwerp] = OndNodes(key) < TestTopic;
        const int at = indexInParent(m_current);
        const int count = int(node(cur.parent).children.size());
        const bool isTest = at == count - 1;
        s.visible[VerwijderOnderwerp] = !isTest;
        s.upEnabled = !isTest && at > 0;
        s.downEnabled = !isTest && at < count - 2;
        break;
    }
    }
    s.movieIsDefault = key.size() >= 4 && key != RootKey;
    return s;
}

void CourseTree::rename(const QString& text)
{
    if (!isNoAnswer(text))
        mutableNode(m_current).text = text;
}

void CourseTree::newModule(const QString& name)
{
    const CommandStates s = commandStates();
    if (isNoAnswer(name) || !s.visible[NieuweModule] || !s.enabled[NieuweModule])
        return;
    const QVector<NodeId> modules = node(m_root).children;
    const int target = m_current == m_root ? int(modules.size()) : int(modules.indexOf(m_current));
    // The first free number: the next one, unless a hand-edited course skips numbers. The key goes
    // where its number belongs, so keys ascend from top to bottom and a reload keeps the order.
    int n = 1;
    while (find(ModuleKey(n)) != NoNode)
        ++n;
    const auto after =
        std::find_if(modules.cbegin(), modules.cend(), [&](NodeId id) { return ModuleNumberOfKey(node(id).key) > n; });
    m_current = addNode(m_root, ModuleKey(n), name, QString(), after == modules.cend() ? NoNode : *after);
    addNode(m_current, TopicKey(n, TestTopic), name + QStringLiteral(" Test"));
    // The contents travel to the place of the current module (after the last one for the title);
    // the keys stay where they are.
    for (int at = indexInParent(m_current); at > target; --at) {
        const NodeId previous = sibling(m_current, -1);
        exchangeModules(m_current, previous);
        m_current = previous;
    }
    for (int at = indexInParent(m_current); at < target; ++at) {
        const NodeId next = sibling(m_current, +1);
        exchangeModules(next, m_current);
        m_current = next;
    }
}

void CourseTree::newTopic(const QString& name)
{
    if (isNoAnswer(name) || !commandStates().visible[NieuwOnderwerp])
        return;
    const NodeId module = node(m_current).parent;
    const int m = ModuleNumberOfKey(node(module).key);
    const QVector<NodeId> topics = node(module).children;
    const int c = int(topics.size());
    const int target = indexInParent(m_current); // the test's place means "after the last ordinary topic"

    // The child count is the next number unless a deleted topic left a gap; then the first free one.
    auto taken = [&](int j) { return find(TopicKey(m, j)) != NoNode; };
    int number = c;
    if (taken(number))
        for (number = 1; taken(number); ++number) {
        }
    // Inserted where its number belongs, so topic numbers stay ascending on screen and on reload.
    int at = 0;
    while (at < c - 1 && TopicNumberOfKey(node(topics.at(at)).key) < number)
        ++at;
    m_current = addNode(module, TopicKey(m, number), name, QString(), topics.at(at));
    for (; at > target; --at)
        moveTopic(-1);
    for (; at < target; ++at)
        moveTopic(+1);
}

void CourseTree::deleteModule()
{
    if (!commandStates().visible[Verwijdermodule])
        return;
    const NodeId module = m_current;
    const NodeId previous = sibling(module, -1);
    const NodeId next = sibling(module, +1);
    const QVector<NodeId> topics = node(module).children; // removeNode edits the list
    for (NodeId topic : topics)
        removeNode(topic);
    removeNode(module);
    if (next != NoNode) {
        m_current = previous != NoNode ? previous : next;
        DecreaseModuleNr(int(m_nodeList.indexOf(next)), -1);
    } else {
        // Deleting the only module leaves the title node current.
        m_current = previous != NoNode ? previous : m_root;
    }
}

void CourseTree::DecreaseModuleNr(int nodeListPosition, int change)
{
    const QVector<NodeId>& modules = node(m_root).children;
    const qsizetype first = modules.indexOf(m_nodeList.at(nodeListPosition));
    for (qsizetype i = first; i >= 0 && i < modules.size(); ++i) {
        Node& module = mutableNode(modules.at(i));
        const int number = ModuleNumberOfKey(module.key);
        // Keys ascend from top to bottom, so the lower key is free; never give it twice.
        if (find(ModuleKey(number + change)) != NoNode)
            throw std::logic_error("course tree key in use: " + ModuleKey(number + change).toStdString());
        module.key = ModuleKey(number + change);
        for (NodeId topicId : module.children) {
            Node& topic = mutableNode(topicId);
            topic.key = ModuleKey(ModuleNumberOfKey(topic.key) + change) + topic.key.mid(topic.key.indexOf('o'));
        }
    }
}

void CourseTree::deleteTopic()
{
    if (!commandStates().visible[VerwijderOnderwerp])
        return;
    const NodeId next = sibling(m_current, +1);
    removeNode(m_current);
    m_current = next;
}

void CourseTree::chooseMovie(const QString& chosenFile)
{
    if (KindOfKey(node(m_current).key) != NodeKind::Topic)
        return;
    const QString name = QFileInfo(chosenFile).fileName();
    if (name.size() > 4)
        mutableNode(m_current).tag = name.chopped(4);
}

void CourseTree::moveUp()
{
    const CommandStates s = commandStates();
    if (!s.upEnabled)
        return;
    if (KindOfKey(node(m_current).key) == NodeKind::Topic) {
        moveTopic(-1);
    } else {
        const NodeId previous = sibling(m_current, -1);
        exchangeModules(m_current, previous);
        m_current = previous;
    }
}

void CourseTree::moveDown()
{
    const CommandStates s = commandStates();
    if (!s.downEnabled)
        return;
    if (KindOfKey(node(m_current).key) == NodeKind::Topic) {
        moveTopic(+1);
    } else {
        const NodeId next = sibling(m_current, +1);
        exchangeModules(next, m_current);
        m_current = next;
    }
}

void CourseTree::moveTopic(int offset)
{
    const NodeId other = sibling(m_current, offset);
    Node& a = mutableNode(m_current);
    Node& b = mutableNode(other);
    std::swap(a.text, b.text);
    std::swap(a.tag, b.tag);
    std::swap(a.loadedText, b.loadedText);
    m_current = other;
}

void CourseTree::exchangeModules(NodeId lower, NodeId upper)
{
    struct Content {
        bool present = false;
        QString text, tag, loadedText;
    };
    std::array<Content, TestTopic + 1> lowerTopics, upperTopics;
    auto remember = [this](NodeId module, std::array<Content, TestTopic + 1>& table) {
        for (NodeId id : node(module).children) {
            const Node& topic = node(id);
            const int j = TopicNumberOfKey(topic.key);
            if (j >= 1 && j <= TestTopic)
                table[j] = {true, topic.text, topic.tag, topic.loadedText};
        }
    };
    remember(upper, upperTopics);
    remember(lower, lowerTopics);
    std::swap(mutableNode(lower).text, mutableNode(upper).text);
    std::swap(mutableNode(lower).loadedText, mutableNode(upper).loadedText);

    const QString lowerKey = node(lower).key;
    const QString upperKey = node(upper).key;
    for (int j = 1; j <= TestTopic; ++j) {
        removeKey(lowerKey + QLatin1Char('o') + QString::number(j));
        removeKey(upperKey + QLatin1Char('o') + QString::number(j));
    }
    // Re-created topic nodes go to the end of the node list, which is why a save after a move
    // writes them after the module keys.
    for (int j = 1; j <= TestTopic; ++j) {
        const QString suffix = QLatin1Char('o') + QString::number(j);
        if (upperTopics[j].present) {
            const NodeId id = addNode(lower, lowerKey + suffix, upperTopics[j].text, upperTopics[j].tag);
            mutableNode(id).loadedText = upperTopics[j].loadedText;
        }
        if (lowerTopics[j].present) {
            const NodeId id = addNode(upper, upperKey + suffix, lowerTopics[j].text, lowerTopics[j].tag);
            mutableNode(id).loadedText = lowerTopics[j].loadedText;
        }
    }
}

QVector<TestRename> CourseTree::renamedTests() const
{
    QVector<NodeId> tests;
    for (NodeId module : modules())
        for (NodeId topic : node(module).children)
            if (TopicNumberOfKey(node(topic).key) == TestTopic)
                tests << topic;
    QVector<TestRename> renames;
    for (NodeId test : tests) {
        const QString& oldName = node(test).loadedText;
        const bool stillUsed = std::any_of(tests.cbegin(), tests.cend(), [&](NodeId other) {
            return sameKey(oldName, ReadBackValue(node(other).text));
        });
        const bool listed = std::any_of(renames.cbegin(), renames.cend(),
                                        [&](const TestRename& r) { return sameKey(r.oldName, oldName); });
        if (!oldName.isEmpty() && !stillUsed && !listed)
            renames << TestRename{oldName, ReadBackValue(node(test).text)};
    }
    return renames;
}

void CourseTree::writeTo(IniDocument& document, const std::function<void()>& beforeEach) const
{
    document.write(CourseSection, TitleKey, node(m_root).text);
    document.deleteSection(ModulesSection);
    for (NodeId id : m_nodeList) {
        if (id == m_root)
            continue;
        if (beforeEach)
            beforeEach();
        const Node& n = node(id);
        document.write(ModulesSection, n.key, n.text);
        // Modules have keys of at most three characters, topics of at least four.
        if (n.key.size() > 3)
            document.write(ModulesSection, n.key + MovieKeySuffix, n.tag);
    }
}
