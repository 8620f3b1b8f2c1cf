// Random command sequences against a plain list model of the same course: the tree must show the
// same contents in the same order, keep its key invariants, and survive a save and reload.

#include "CourseFixture.h"
#include "INIfunc.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

struct RefTopic {
    QString text, tag;
};
struct RefModule {
    QString name;
    QVector<RefTopic> topics; // ordinary topics in display order
    RefTopic test;
};

// The course as a teacher sees it, with the current place: module -1 is the title,
// topic -1 the module itself, topic == topics.size() the test.
struct Reference {
    QString title;
    QVector<RefModule> modules;
    int module = -1;
    int topic = -1;

    bool atTitle() const { return module < 0; }
    bool atModule() const { return module >= 0 && topic < 0; }
    bool atTest() const { return module >= 0 && topic == modules[module].topics.size(); }
    RefTopic& topicRef() { return atTest() ? modules[module].test : modules[module].topics[topic]; }
};

QString contents(const Reference& ref)
{
    QStringList out{ref.title};
    for (const RefModule& m : ref.modules) {
        out << "  " + m.name;
        for (const RefTopic& t : m.topics)
            out << "    " + t.text + '|' + t.tag;
        out << "    " + m.test.text + '|' + m.test.tag;
    }
    out << QStringLiteral("current %1/%2").arg(ref.module).arg(ref.topic);
    return out.join('\n');
}

QString contents(const CourseTree& tree)
{
    QStringList out{tree.node(tree.root()).text};
    int module = -1, topic = -1;
    const QVector<NodeId>& modules = tree.modules();
    for (int i = 0; i < modules.size(); ++i) {
        const CourseTree::Node& m = tree.node(modules[i]);
        out << "  " + m.text;
        if (modules[i] == tree.current())
            module = i;
        for (int j = 0; j < m.children.size(); ++j) {
            const CourseTree::Node& t = tree.node(m.children[j]);
            out << "    " + t.text + '|' + t.tag;
            if (m.children[j] == tree.current())
                module = i, topic = j;
        }
    }
    out << QStringLiteral("current %1/%2").arg(module).arg(topic);
    return out.join('\n');
}

// Empty when every key invariant holds, otherwise the first violation. Module keys ascend from
// top to bottom, so a reload keeps the order; a course that started without gaps keeps m1..mN.
QString violation(const CourseTree& tree, bool withoutGaps)
{
    if (tree.nodeList().isEmpty() || tree.nodeList().first() != tree.root())
        return "title node is not first in the node list";
    QSet<QString> keys;
    for (NodeId id : tree.nodeList()) {
        const QString key = tree.node(id).key.toLower();
        if (keys.contains(key))
            return "duplicate key " + key;
        keys.insert(key);
    }
    if (!tree.contains(tree.current()))
        return "no current node";
    const QVector<NodeId>& modules = tree.modules();
    if (modules.size() > MaxModules)
        return "more than 16 modules";
    int shown = 1;
    int previousModule = 0;
    for (int i = 0; i < modules.size(); ++i) {
        const CourseTree::Node& m = tree.node(modules[i]);
        const int moduleNumber = ModuleNumberOfKey(m.key);
        if (m.key != ModuleKey(withoutGaps ? i + 1 : moduleNumber) || moduleNumber <= previousModule ||
            moduleNumber > MaxModules)
            return "module key " + m.key + " at place " + QString::number(i + 1);
        previousModule = moduleNumber;
        if (m.children.isEmpty() || m.children.size() > TestTopic)
            return "topic count of " + m.key;
        int previous = 0;
        for (int j = 0; j < m.children.size(); ++j) {
            const CourseTree::Node& t = tree.node(m.children[j]);
            const bool last = j == m.children.size() - 1;
            const int number = TopicNumberOfKey(t.key);
            if (t.parent != modules[i] || t.key != TopicKey(moduleNumber, number) || (number == TestTopic) != last ||
                number <= previous)
                return "topic key " + t.key + " in " + m.key;
            previous = number;
        }
        shown += 1 + int(m.children.size());
    }
    if (shown != tree.nodeList().size())
        return "node list and tree differ";
    return {};
}

class Runner {
public:
    explicit Runner(unsigned seed) : m_random(seed) {}

    // With `gaps`, a hand-edited course whose module numbers skip at least once (m1, m3, m5).
    Course randomCourse(bool gaps = false)
    {
        m_withoutGaps = !gaps;
        Course course{name(), {}};
        QVector<int> numbers;
        if (gaps) {
            while (numbers.isEmpty() || numbers.last() == numbers.size()) {
                numbers.clear();
                for (int i = pick(1, 3); i <= MaxModules && numbers.size() < 10; i += pick(1, 3))
                    numbers << i;
            }
        } else {
            for (int i = 1, modules = pick(0, 6); i <= modules; ++i)
                numbers << i;
        }
        for (int i : numbers) {
            CourseModule module{i, name(), {}};
            for (int j = 1; j <= 5; ++j)
                if (pick(0, 2) == 0)
                    module.topics.append({j, name(), movie()});
            module.topics.append({TestTopic, module.name + " Test", movie()});
            course.modules.append(module);
        }
        return course;
    }

    static Reference referenceOf(const Course& course)
    {
        Reference ref{course.title, {}, -1, -1};
        for (const CourseModule& m : course.modules) {
            RefModule module{m.name, {}, {}};
            for (const CourseTopic& t : m.topics) {
                if (t.number == TestTopic)
                    module.test = {t.name, t.movie};
                else
                    module.topics.append({t.name, t.movie});
            }
            ref.modules.append(module);
        }
        return ref;
    }

    // One random step on both models; returns a failure description or empty.
    QString step(CourseTree& tree, Reference& ref)
    {
        if (pick(0, 9) < 7) {
            const QVector<NodeId>& list = tree.nodeList();
            const NodeId id = list[pick(0, int(list.size()) - 1)];
            tree.setCurrent(id);
            locate(tree, ref);
        }
        const int command = pick(0, 7);
        const QString text = pick(0, 9) == 0 ? QString() : name();
        const QString file = movieFile();
        const bool offered = isOffered(ref, command);
        const QString before = contents(tree);
        const QString listBefore = dumpNodeList(tree);
        const CommandStates s = tree.commandStates();
        if (!statesAgree(s, ref))
            return "command states differ from the reference at\n" + contents(ref);
        switch (command) {
        case 0:
            tree.rename(text);
            break;
        case 1:
            tree.newModule(text);
            break;
        case 2:
            tree.newTopic(text);
            break;
        case 3:
            tree.deleteModule();
            break;
        case 4:
            tree.deleteTopic();
            break;
        case 5:
            tree.moveUp();
            break;
        case 6:
            tree.moveDown();
            break;
        case 7:
            tree.chooseMovie(file);
            break;
        }
        if (!offered) {
            if (contents(tree) != before || dumpNodeList(tree) != listBefore)
                return QStringLiteral("command %1 not offered but changed the tree").arg(command);
            return {};
        }
        apply(ref, command, text, file);
        if (const QString bad = violation(tree, m_withoutGaps); !bad.isEmpty())
            return QStringLiteral("after command %1: ").arg(command) + bad;
        if (contents(tree) != contents(ref))
            return QStringLiteral("after command %1 the tree shows\n%2\ninstead of\n%3")
                .arg(command)
                .arg(contents(tree), contents(ref));
        return {};
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    // A few names only, so equal names occur.
    QString name() { return QStringLiteral("n%1").arg(pick(0, 5)); }
    QString movie() { return pick(0, 2) == 0 ? QString() : QStringLiteral("mv%1").arg(pick(0, 9)); }
    QString movieFile()
    {
        switch (pick(0, 3)) {
        case 0:
            return QString();
        case 1:
            return QStringLiteral("/x/a.sw");
        default:
            return QStringLiteral("/films/clip%1.swf").arg(pick(0, 9));
        }
    }

    static void locate(const CourseTree& tree, Reference& ref)
    {
        ref.module = ref.topic = -1;
        const QVector<NodeId>& modules = tree.modules();
        for (int i = 0; i < modules.size(); ++i) {
            if (modules[i] == tree.current())
                ref.module = i;
            const QVector<NodeId>& topics = tree.node(modules[i]).children;
            for (int j = 0; j < topics.size(); ++j)
                if (topics[j] == tree.current())
                    ref.module = i, ref.topic = j;
        }
    }

    static bool isOffered(const Reference& ref, int command)
    {
        const int count = ref.atTitle() ? 0 : int(ref.modules[ref.module].topics.size());
        const bool topic = !ref.atTitle() && !ref.atModule();
        switch (command) {
        case 0:
            return true;
        case 1:
            return !topic && ref.modules.size() < MaxModules;
        case 2:
            return topic && count + 1 < TestTopic;
        case 3:
            return ref.atModule();
        case 4:
            return topic && !ref.atTest();
        case 5:
            return (ref.atModule() && ref.module > 0) || (topic && !ref.atTest() && ref.topic > 0);
        case 6:
            return (ref.atModule() && ref.module < ref.modules.size() - 1) ||
                   (topic && !ref.atTest() && ref.topic < count - 1);
        case 7:
            return topic;
        }
        return false;
    }

    static bool statesAgree(const CommandStates& s, const Reference& ref)
    {
        const bool topic = !ref.atTitle() && !ref.atModule();
        return s.upEnabled == isOffered(ref, 5) && s.downEnabled == isOffered(ref, 6) &&
               s.visible[VerwijderOnderwerp] == isOffered(ref, 4) && s.visible[Verwijdermodule] == ref.atModule() &&
               (s.visible[NieuweModule] && s.enabled[NieuweModule]) == isOffered(ref, 1) &&
               s.visible[NieuwOnderwerp] == isOffered(ref, 2) && s.visible[WijzigOnderwerp] == topic &&
               s.movieIsDefault == topic;
    }

    static void apply(Reference& ref, int command, const QString& text, const QString& file)
    {
        switch (command) {
        case 0:
            if (text.isEmpty())
                return;
            if (ref.atTitle())
                ref.title = text;
            else if (ref.atModule())
                ref.modules[ref.module].name = text;
            else
                ref.topicRef().text = text;
            return;
        case 1: {
            if (text.isEmpty())
                return;
            const int at = ref.atTitle() ? int(ref.modules.size()) : ref.module;
            ref.modules.insert(at, RefModule{text, {}, {text + " Test", {}}});
            ref.module = at;
            ref.topic = -1;
            return;
        }
        case 2:
            if (!text.isEmpty())
                ref.modules[ref.module].topics.insert(ref.topic, {text, {}});
            return;
        case 3: {
            const bool hadNext = ref.module < ref.modules.size() - 1;
            ref.modules.removeAt(ref.module);
            if (ref.modules.isEmpty())
                ref.module = -1;
            else if (!hadNext || ref.module > 0)
                ref.module -= 1;
            return;
        }
        case 4:
            ref.modules[ref.module].topics.removeAt(ref.topic);
            return;
        case 5:
        case 6: {
            const int other = command == 5 ? -1 : +1;
            if (ref.atModule())
                ref.modules.swapItemsAt(ref.module, ref.module + other), ref.module += other;
            else
                ref.modules[ref.module].topics.swapItemsAt(ref.topic, ref.topic + other), ref.topic += other;
            return;
        }
        case 7: {
            const QString fileName = file.mid(file.lastIndexOf('/') + 1);
            if (fileName.size() > 4)
                ref.topicRef().tag = fileName.chopped(4);
            return;
        }
        }
    }

    std::mt19937 m_random;
    bool m_withoutGaps = true;
};

// The same writes as the save, one WriteINI / DeleteINISection call at a time, on disk.
void saveKeyByKey(const CourseTree& tree, const QString& path)
{
    WriteINI(path, "Cursus", "Titel", tree.node(tree.root()).text);
    DeleteINISection(path, "Modules");
    for (NodeId id : tree.nodeList().mid(1)) {
        const CourseTree::Node& n = tree.node(id);
        WriteINI(path, "Modules", n.key, n.text);
        if (n.key.size() > 3)
            WriteINI(path, "Modules", n.key + "swf", n.tag);
    }
}

const QByteArray startFile = "[Cursus]\r\nTitel=oud\r\nVersie=5\r\n[Modules]\r\nm1=weg\r\nm1o6=weg Test\r\n"
                             "[Extra]\r\nsleutel=waarde\r\n";

// A random course of the runner's kind, run through `steps` random steps against its reference.
void runSequence(Runner& runner, bool gaps, int sequence, int steps, CourseTree& tree)
{
    const Course course = runner.randomCourse(gaps);
    tree.fill(course);
    Reference ref = Runner::referenceOf(course);
    ASSERT_EQ(contents(tree), contents(ref)) << "sequence " << sequence;
    for (int i = 0; i < steps; ++i) {
        const QString failure = runner.step(tree, ref);
        ASSERT_TRUE(failure.isEmpty()) << "sequence " << sequence << " step " << i << ": " << failure.toStdString();
    }
}

// The save over the start file, replacing it once, and the tree read back from it.
void saveAndReload(const CourseTree& tree, const QString& file, CourseTree& reread)
{
    store(file, startFile);
    IniDocument document = IniDocument::load(file);
    tree.writeTo(document);
    ASSERT_TRUE(document.save(file));
    reread.load(file);
}

TEST(CourseTreeProperty, RandomSequencesKeepInvariantsAndReadBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString atomic = dir.filePath("atomic.ini");
    const QString keyByKey = dir.filePath("keybykey.ini");
    Runner runner(20240611u);
    constexpr int sequences = 3000;
    for (int sequence = 0; sequence < sequences; ++sequence) {
        CourseTree tree;
        ASSERT_NO_FATAL_FAILURE(runSequence(runner, false, sequence, 1 + sequence % 40, tree));
        if (sequence % 50 != 0)
            continue;
        // The result reads back to the same tree and equals, byte for byte, what the key-by-key
        // writes make of the same starting file.
        CourseTree reread;
        ASSERT_NO_FATAL_FAILURE(saveAndReload(tree, atomic, reread));
        ASSERT_EQ(dumpTree(reread).toStdString(), dumpTree(tree).toStdString()) << "sequence " << sequence;
        EXPECT_EQ(ReadINI(atomic, "Cursus", "Versie", ""), "5");
        EXPECT_EQ(ReadINI(atomic, "Extra", "sleutel", ""), "waarde");
        if (sequence % 1000 == 0) {
            store(keyByKey, startFile);
            saveKeyByKey(tree, keyByKey);
            ASSERT_EQ(readAll(atomic).toStdString(), readAll(keyByKey).toStdString()) << "sequence " << sequence;
        }
    }
}

// Courses with gaps in the module numbers: every sequence keeps the invariants, and a save and
// reload gives back every module with its topics and test, in the same order, under unique keys.
TEST(CourseTreeProperty, CoursesWithGapsKeepEveryModuleThroughSaveAndReload)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("gaps.ini");
    Runner runner(20261208u);
    constexpr int sequences = 1000;
    for (int sequence = 0; sequence < sequences; ++sequence) {
        CourseTree tree;
        ASSERT_NO_FATAL_FAILURE(runSequence(runner, true, sequence, 1 + sequence % 30, tree));
        if (sequence % 5 != 0)
            continue;
        CourseTree reread;
        ASSERT_NO_FATAL_FAILURE(saveAndReload(tree, file, reread));
        ASSERT_EQ(dumpTree(reread).toStdString(), dumpTree(tree).toStdString()) << "sequence " << sequence;
        ASSERT_TRUE(violation(reread, false).isEmpty()) << "sequence " << sequence;
    }
}

} // namespace
