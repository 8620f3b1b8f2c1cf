#include "CourseFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

enum class Cmd { Rename, NewModule, NewTopic, DeleteModule, DeleteTopic, Up, Down, Movie };

struct Step {
    QString select; // key made current first (as a node click would)
    Cmd command;
    QString text = {};
};

struct SequenceCase {
    const char* name;
    Course course;
    std::vector<Step> steps;
    QString display; // dumpTree after the steps
    QString current; // key of the current node
    QString saved;   // the saved file written into an empty file, "\n" for CR LF
};

void PrintTo(const SequenceCase& c, std::ostream* os)
{
    *os << c.name;
}

void run(CourseTree& tree, const Step& step)
{
    const NodeId id = tree.find(step.select);
    ASSERT_NE(id, NoNode) << step.select.toStdString();
    tree.setCurrent(id);
    switch (step.command) {
    case Cmd::Rename:
        tree.rename(step.text);
        break;
    case Cmd::NewModule:
        tree.newModule(step.text);
        break;
    case Cmd::NewTopic:
        tree.newTopic(step.text);
        break;
    case Cmd::DeleteModule:
        tree.deleteModule();
        break;
    case Cmd::DeleteTopic:
        tree.deleteTopic();
        break;
    case Cmd::Up:
        tree.moveUp();
        break;
    case Cmd::Down:
        tree.moveDown();
        break;
    case Cmd::Movie:
        tree.chooseMovie(step.text);
        break;
    }
}

// T: A with topics 1, 2, 3; B with topic 1; C with only its test.
Course base()
{
    return makeCourse("T", {{"A", {1, 2, 3}}, {"B", {1}}, {"C", {}}});
}

const QString baseDisplay = "root=T\n"
                            "m1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\n"
                            "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
                            "m3=C\nm3o6=C Test|";

const QString baseModules =
    "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=A2\nm1o2swf=a2\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
    "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\n"
    "m3=C\nm3o6=C Test\nm3o6swf=\n";

const QString head = "[Cursus]\nTitel=T\n[Modules]\n";

std::vector<SequenceCase> sequenceCases()
{
    // clang-format off
    return {
        {"NoChange", base(), {}, baseDisplay, "root", head + baseModules},
        {"NewModuleAtTitleAppends", base(), {{"root", Cmd::NewModule, "D"}},
         baseDisplay + "\nm4=D\nm4o6=D Test|", "m4", head + baseModules + "m4=D\nm4o6=D Test\nm4o6swf=\n"},
        {"NewModuleAtM2TakesItsPlace", base(), {{"m2", Cmd::NewModule, "D"}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=D\nm2o6=D Test|\n"
         "m3=B\nm3o1=B1|b1\nm3o6=B Test|\n"
         "m4=C\nm4o6=C Test|", "m2",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=A2\nm1o2swf=a2\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
                "m2=D\nm3=B\nm4=C\nm4o6=C Test\nm4o6swf=\n"
                "m3o1=B1\nm3o1swf=b1\nm3o6=B Test\nm3o6swf=\nm2o6=D Test\nm2o6swf=\n"},
        {"NewModuleEmptyNameChangesNothing", base(), {{"m2", Cmd::NewModule, ""}},
         baseDisplay, "m2", head + baseModules},
        {"NewTopicAtO2TakesItsPlace", base(), {{"m1o2", Cmd::NewTopic, "N"}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o2=N|\nm1o3=A2|a2\nm1o4=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|", "m1o2",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=N\nm1o2swf=\nm1o3=A2\nm1o3swf=a2\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\nm3=C\nm3o6=C Test\nm3o6swf=\n"
                "m1o4=A3\nm1o4swf=a3\n"},
        {"NewTopicAtTestAppendsLastOrdinary", base(), {{"m2o6", Cmd::NewTopic, "N"}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o2=N|\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|",
         "m2o2", head + baseModules + "m2o2=N\nm2o2swf=\n"},
        {"NewTopicInModuleWithoutTopics", base(), {{"m3o6", Cmd::NewTopic, "N"}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o1=N|\nm3o6=C Test|",
         "m3o1", head + baseModules + "m3o1=N\nm3o1swf=\n"},
        {// Deleting o2 leaves o1, o3: the child count 3 is taken, so the new topic gets number 2,
         // placed in number order, its name last as asked.
         "NewTopicAfterGapTakesFirstFreeNumber", base(),
         {{"m1o2", Cmd::DeleteTopic}, {"m1o6", Cmd::NewTopic, "N"}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o2=A3|a3\nm1o3=N|\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|", "m1o3",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o3=N\nm1o3swf=\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\nm3=C\nm3o6=C Test\nm3o6swf=\n"
                "m1o2=A3\nm1o2swf=a3\n"},
        {"NewTopicBeforeGapAtFirstTopic", base(), {{"m1o1", Cmd::DeleteTopic}, {"m1o2", Cmd::NewTopic, "N"}},
         "root=T\n"
         "m1=A\nm1o1=N|\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|", "m1o1",
         head + "m1=A\nm1o2=A2\nm1o2swf=a2\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\nm3=C\nm3o6=C Test\nm3o6swf=\n"
                "m1o1=N\nm1o1swf=\n"},
        {"DeleteTopicKeepsOtherKeys", base(), {{"m1o2", Cmd::DeleteTopic}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|", "m1o3",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\nm3=C\nm3o6=C Test\nm3o6swf=\n"},
        {"DeleteTestIsRefused", base(), {{"m2o6", Cmd::DeleteTopic}}, baseDisplay, "m2o6", head + baseModules},
        {"DeleteFirstModule", base(), {{"m1", Cmd::DeleteModule}},
         "root=T\nm1=B\nm1o1=B1|b1\nm1o6=B Test|\nm2=C\nm2o6=C Test|", "m1",
         head + "m1=B\nm1o1=B1\nm1o1swf=b1\nm1o6=B Test\nm1o6swf=\nm2=C\nm2o6=C Test\nm2o6swf=\n"},
        {"DeleteMiddleModule", base(), {{"m2", Cmd::DeleteModule}},
         "root=T\nm1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\nm2=C\nm2o6=C Test|", "m1",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=A2\nm1o2swf=a2\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
                "m2=C\nm2o6=C Test\nm2o6swf=\n"},
        {"DeleteLastModule", base(), {{"m3", Cmd::DeleteModule}},
         "root=T\nm1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\nm2=B\nm2o1=B1|b1\nm2o6=B Test|", "m2",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=A2\nm1o2swf=a2\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\n"},
        {"DeleteOnlyModuleMakesTitleCurrent", makeCourse("T", {{"A", {1}}}), {{"m1", Cmd::DeleteModule}},
         "root=T", "root", "[Cursus]\nTitel=T\n"},
        {"DuplicateModuleNamesRenumber", makeCourse("T", {{"X", {}}, {"X", {}}, {"X", {1}}}),
         {{"m1", Cmd::DeleteModule}},
         "root=T\nm1=X\nm1o6=X Test|\nm2=X\nm2o1=X1|x1\nm2o6=X Test|", "m1",
         head + "m1=X\nm1o6=X Test\nm1o6swf=\nm2=X\nm2o1=X1\nm2o1swf=x1\nm2o6=X Test\nm2o6swf=\n"},
        {"ModuleUpExchangesContents", base(), {{"m2", Cmd::Up}},
         "root=T\n"
         "m1=B\nm1o1=B1|b1\nm1o6=B Test|\n"
         "m2=A\nm2o1=A1|a1\nm2o2=A2|a2\nm2o3=A3|a3\nm2o6=A Test|\n"
         "m3=C\nm3o6=C Test|", "m1",
         head + "m1=B\nm2=A\nm3=C\nm3o6=C Test\nm3o6swf=\n"
                "m2o1=A1\nm2o1swf=a1\nm1o1=B1\nm1o1swf=b1\nm2o2=A2\nm2o2swf=a2\nm2o3=A3\nm2o3swf=a3\n"
                "m2o6=A Test\nm2o6swf=\nm1o6=B Test\nm1o6swf=\n"},
        {"ModuleDownGivesTheSameTree", base(), {{"m1", Cmd::Down}},
         "root=T\n"
         "m1=B\nm1o1=B1|b1\nm1o6=B Test|\n"
         "m2=A\nm2o1=A1|a1\nm2o2=A2|a2\nm2o3=A3|a3\nm2o6=A Test|\n"
         "m3=C\nm3o6=C Test|", "m2",
         head + "m1=B\nm2=A\nm3=C\nm3o6=C Test\nm3o6swf=\n"
                "m2o1=A1\nm2o1swf=a1\nm1o1=B1\nm1o1swf=b1\nm2o2=A2\nm2o2swf=a2\nm2o3=A3\nm2o3swf=a3\n"
                "m2o6=A Test\nm2o6swf=\nm1o6=B Test\nm1o6swf=\n"},
        {"ModuleWithTopicGapsMovedPastAnother", makeCourse("T", {{"P", {1, 2}}, {"Q", {1, 3, 4}}}), {{"m1", Cmd::Down}},
         "root=T\n"
         "m1=Q\nm1o1=Q1|q1\nm1o3=Q3|q3\nm1o4=Q4|q4\nm1o6=Q Test|\n"
         "m2=P\nm2o1=P1|p1\nm2o2=P2|p2\nm2o6=P Test|", "m2",
         head + "m1=Q\nm2=P\nm2o1=P1\nm2o1swf=p1\nm1o1=Q1\nm1o1swf=q1\nm2o2=P2\nm2o2swf=p2\n"
                "m1o3=Q3\nm1o3swf=q3\nm1o4=Q4\nm1o4swf=q4\nm2o6=P Test\nm2o6swf=\nm1o6=Q Test\nm1o6swf=\n"},
        {"FirstModuleUpAndLastDownAreRefused", base(),
         {{"m1", Cmd::Up}, {"m3", Cmd::Down}, {"root", Cmd::Up}, {"root", Cmd::Down}},
         baseDisplay, "root", head + baseModules},
        {"TopicUpExchangesNamesAndMovies", base(), {{"m1o2", Cmd::Up}},
         "root=T\n"
         "m1=A\nm1o1=A2|a2\nm1o2=A1|a1\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|", "m1o1",
         head + "m1=A\nm1o1=A2\nm1o1swf=a2\nm1o2=A1\nm1o2swf=a1\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\nm3=C\nm3o6=C Test\nm3o6swf=\n"},
        {"TopicDownNeverPassesTheTest", base(), {{"m1o2", Cmd::Down}, {"m1o3", Cmd::Down}, {"m1o6", Cmd::Up}},
         "root=T\n"
         "m1=A\nm1o1=A1|a1\nm1o2=A3|a3\nm1o3=A2|a2\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|b1\nm2o6=B Test|\n"
         "m3=C\nm3o6=C Test|", "m1o6",
         head + "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=A3\nm1o2swf=a3\nm1o3=A2\nm1o3swf=a2\nm1o6=A Test\nm1o6swf=\n"
                "m2=B\nm2o1=B1\nm2o1swf=b1\nm2o6=B Test\nm2o6swf=\nm3=C\nm3o6=C Test\nm3o6swf=\n"},
        {"RenamesAndMovies", base(),
         {{"root", Cmd::Rename, "Tekenen"}, {"m3", Cmd::Rename, " C2 "}, {"m2o1", Cmd::Rename, ""},
          {"m2o1", Cmd::Movie, "/elders/intro.swf"}, {"m2o6", Cmd::Movie, "abc.swf"}, {"m1o1", Cmd::Movie, "a.sw"},
          {"m1o2", Cmd::Movie, ""}},
         "root=Tekenen\n"
         "m1=A\nm1o1=A1|a1\nm1o2=A2|a2\nm1o3=A3|a3\nm1o6=A Test|\n"
         "m2=B\nm2o1=B1|intro\nm2o6=B Test|abc\n"
         "m3= C2 \nm3o6=C Test|", "m1o2",
         "[Cursus]\nTitel=Tekenen\n[Modules]\n"
         "m1=A\nm1o1=A1\nm1o1swf=a1\nm1o2=A2\nm1o2swf=a2\nm1o3=A3\nm1o3swf=a3\nm1o6=A Test\nm1o6swf=\n"
         "m2=B\nm2o1=B1\nm2o1swf=intro\nm2o6=B Test\nm2o6swf=abc\nm3= C2 \nm3o6=C Test\nm3o6swf=\n"},
    };
    // clang-format on
}

class CourseTreeSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(CourseTreeSequence, DisplayCurrentAndSavedText)
{
    const SequenceCase& c = GetParam();
    CourseTree tree;
    tree.fill(c.course);
    for (const Step& step : c.steps)
        ASSERT_NO_FATAL_FAILURE(run(tree, step));
    EXPECT_EQ(dumpTree(tree).toStdString(), c.display.toStdString());
    EXPECT_EQ(tree.node(tree.current()).key.toStdString(), c.current.toStdString());
    EXPECT_EQ(savedText(tree).toStdString(), crlf(c.saved).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Commands, CourseTreeSequence, ::testing::ValuesIn(sequenceCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A hand-edited course may skip module numbers: A at m1, B at m3, C at m5.
Course gapCourse()
{
    return Course{"T", {makeModule(1, "A", {1}), makeModule(3, "B", {1, 2}), makeModule(5, "C", {})}};
}

// dumpTree's lines of a module made by makeModule, under module number `number`.
QString moduleLines(int number, const QString& name, std::initializer_list<int> topics)
{
    QString lines = '\n' + ModuleKey(number) + '=' + name;
    for (int j : topics)
        lines +=
            '\n' + TopicKey(number, j) + '=' + name + QString::number(j) + '|' + name.toLower() + QString::number(j);
    return lines + '\n' + TopicKey(number, TestTopic) + '=' + name + " Test|";
}

// No command gives two modules one key, the modules keep their order under ascending keys, and the
// saved file reads back to the same tree.
TEST(CourseTree, CoursesWithGapsKeepEveryModule)
{
    struct Case {
        const char* name;
        std::vector<Step> steps;
        QString display;
        QString current;
    };
    const auto A = [](int n) { return moduleLines(n, "A", {1}); };
    const auto B = [](int n) { return moduleLines(n, "B", {1, 2}); };
    const auto C = [](int n) { return moduleLines(n, "C", {}); };
    const auto D = [](int n) { return moduleLines(n, "D", {}); };
    const auto E = [](int n) { return moduleLines(n, "E", {}); };
    // clang-format off
    const Case cases[] = {
        {"NewModuleAtTitleTakesFirstFreeNumber", {{"root", Cmd::NewModule, "D"}}, A(1) + B(2) + C(3) + D(5), "m5"},
        {"NewModuleAtFirst", {{"m1", Cmd::NewModule, "D"}}, D(1) + A(2) + B(3) + C(5), "m1"},
        {"NewModuleAtMiddle", {{"m3", Cmd::NewModule, "D"}}, A(1) + D(2) + B(3) + C(5), "m2"},
        {"NewModuleAtLast", {{"m5", Cmd::NewModule, "D"}}, A(1) + B(2) + D(3) + C(5), "m3"},
        {"DeleteFirst", {{"m1", Cmd::DeleteModule}}, B(2) + C(4), "m2"},
        {"DeleteMiddle", {{"m3", Cmd::DeleteModule}}, A(1) + C(4), "m1"},
        {"DeleteLast", {{"m5", Cmd::DeleteModule}}, A(1) + B(3), "m3"},
        {"UpAndDown", {{"m5", Cmd::Up}, {"m1", Cmd::Down}}, C(1) + A(3) + B(5), "m3"},
        {"NewDeleteNew", {{"root", Cmd::NewModule, "D"}, {"m3", Cmd::DeleteModule}, {"root", Cmd::NewModule, "E"}},
         A(1) + B(2) + D(3) + E(4), "m4"},
    };
    // clang-format on
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("gaps.ini");
    for (const Case& c : cases) {
        CourseTree tree;
        tree.fill(gapCourse());
        for (const Step& step : c.steps)
            ASSERT_NO_FATAL_FAILURE(run(tree, step)) << c.name;
        EXPECT_EQ(dumpTree(tree).toStdString(), ("root=T" + c.display).toStdString()) << c.name;
        EXPECT_EQ(tree.node(tree.current()).key.toStdString(), c.current.toStdString()) << c.name;
        IniDocument document;
        tree.writeTo(document);
        ASSERT_TRUE(document.save(file));
        CourseTree reread;
        reread.load(file);
        EXPECT_EQ(dumpTree(reread).toStdString(), dumpTree(tree).toStdString()) << c.name;
    }
}

// An answer that the file would read back empty (blanks, or quotes around nothing) is treated
// like an empty answer: renames keep the old text, new module and new topic add nothing.
TEST(CourseTree, AnswersThatReadBackEmptyAreNoAnswers)
{
    const QString answers[] = {"   ", "\"\"", "''", "  \"\"  ", "\t"};
    const Step commands[] = {{"root", Cmd::Rename},   {"m2", Cmd::Rename},      {"m1o2", Cmd::Rename},
                             {"m1o6", Cmd::Rename},   {"root", Cmd::NewModule}, {"m2", Cmd::NewModule},
                             {"m1o2", Cmd::NewTopic}, {"m2o6", Cmd::NewTopic}};
    for (const Step& command : commands) {
        for (const QString& answer : answers) {
            CourseTree tree;
            tree.fill(base());
            const QString list = dumpNodeList(tree);
            ASSERT_NO_FATAL_FAILURE(run(tree, {command.select, command.command, answer}));
            EXPECT_EQ(dumpTree(tree).toStdString(), baseDisplay.toStdString())
                << command.select.toStdString() << " [" << answer.toStdString() << ']';
            EXPECT_EQ(dumpNodeList(tree), list);
        }
        // A quoted blank reads back as a blank: that is a name.
        CourseTree tree;
        tree.fill(base());
        ASSERT_NO_FATAL_FAILURE(run(tree, {command.select, command.command, "\" \""}));
        EXPECT_NE(dumpTree(tree), baseDisplay) << command.select.toStdString();
    }
}

// New module up to the sixteenth; then it is offered but disabled and does nothing.
TEST(CourseTree, SixteenModulesIsTheLimit)
{
    CourseTree tree;
    for (int i = 1; i <= 17; ++i) {
        tree.setCurrent(tree.root());
        tree.newModule(QStringLiteral("M%1").arg(i));
    }
    EXPECT_EQ(tree.ModuleNodes(), 16);
    EXPECT_EQ(tree.node(tree.modules().last()).key, QStringLiteral("m16"));
    const CommandStates s = tree.commandStates();
    EXPECT_TRUE(s.visible[NieuweModule]);
    EXPECT_FALSE(s.enabled[NieuweModule]);
    tree.setCurrent(tree.find("m5"));
    EXPECT_TRUE(tree.commandStates().visible[NieuweModule]);
    EXPECT_FALSE(tree.commandStates().enabled[NieuweModule]);
}

TEST(CourseTree, OndNodesAndModuleNodesCountByKey)
{
    CourseTree tree;
    // clang-format off
    tree.fill(makeCourse("T", {{"A", {1, 3}}, {"B", {}}, {"C", {}}, {"D", {}}, {"E", {}}, {"F", {}}, {"G", {}},
                               {"H", {}}, {"I", {}}, {"J", {1, 2, 3, 4, 5}}}));
    // clang-format on
    EXPECT_EQ(tree.ModuleNodes(), 10);
    EXPECT_EQ(tree.OndNodes("m1o3"), 3);
    EXPECT_EQ(tree.OndNodes("m1o6"), 3);
    // m10o2 must not be counted with m1's topics, nor m1o2 with m10's.
    EXPECT_EQ(tree.OndNodes("m10o6"), 6);
    EXPECT_EQ(tree.OndNodes("m2o6"), 1);
}

struct StateCase {
    const char* name;
    Course course;
    QString current;
    QStringList shown; // command items shown, in menu order
    bool newModuleEnabled;
    bool up, down, movieDefault;
};

void PrintTo(const StateCase& c, std::ostream* os)
{
    *os << c.name;
}

const char* const itemNames[] = {"Hernoemtitel",     "Hernoemmodule",  "NieuweModule",    "Verwijdermodule",
                                 "HernoemOnderwerp", "NieuwOnderwerp", "WijzigOnderwerp", "VerwijderOnderwerp"};

class CommandStateTable : public ::testing::TestWithParam<StateCase> {};

TEST_P(CommandStateTable, ItemsAndButtons)
{
    const StateCase& c = GetParam();
    CourseTree tree;
    tree.fill(c.course);
    tree.setCurrent(tree.find(c.current));
    ASSERT_EQ(tree.node(tree.current()).key, c.current);
    const CommandStates s = tree.commandStates();
    QStringList shown;
    for (int i = 0; i < PopupItemCount; ++i) {
        if (s.visible[i])
            shown << itemNames[i];
        if (i != NieuweModule) {
            EXPECT_TRUE(s.enabled[i]) << itemNames[i];
        }
    }
    EXPECT_EQ(shown.join(' ').toStdString(), c.shown.join(' ').toStdString());
    EXPECT_EQ(s.enabled[NieuweModule], c.newModuleEnabled);
    EXPECT_EQ(s.upEnabled, c.up);
    EXPECT_EQ(s.downEnabled, c.down);
    EXPECT_EQ(s.movieIsDefault, c.movieDefault);
}

const QStringList moduleItems{"Hernoemmodule", "NieuweModule", "Verwijdermodule"};
const QStringList topicItems{"HernoemOnderwerp", "NieuwOnderwerp", "WijzigOnderwerp", "VerwijderOnderwerp"};
const QStringList testItems{"HernoemOnderwerp", "NieuwOnderwerp", "WijzigOnderwerp"};

Course sixteen()
{
    Course course = makeCourse("T", {});
    for (int i = 1; i <= 16; ++i)
        course.modules.append(makeModule(i, QStringLiteral("M%1").arg(i), {}));
    return course;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    States, CommandStateTable,
    ::testing::Values(
        StateCase{"EmptyCourseTitle", Course{}, "root", {"Hernoemtitel", "NieuweModule"}, true, false, false, false},
        StateCase{"TitleWithModules", base(), "root", {"Hernoemtitel", "NieuweModule"}, true, false, false, false},
        StateCase{"FirstModule", base(), "m1", moduleItems, true, false, true, false},
        StateCase{"MiddleModule", base(), "m2", moduleItems, true, true, true, false},
        StateCase{"LastModule", base(), "m3", moduleItems, true, true, false, false},
        StateCase{"OnlyModule", makeCourse("T", {{"A", {1}}}), "m1", moduleItems, true, false, false, false},
        StateCase{"SixteenModulesTitle", sixteen(), "root", {"Hernoemtitel", "NieuweModule"},
                  false, false, false, false},
        StateCase{"SixteenModulesModule", sixteen(), "m16", moduleItems, false, true, false, false},
        StateCase{"FirstTopic", base(), "m1o1", topicItems, true, false, true, true},
        StateCase{"MiddleTopic", base(), "m1o2", topicItems, true, true, true, true},
        StateCase{"LastOrdinaryTopic", base(), "m1o3", topicItems, true, true, false, true},
        StateCase{"OnlyOrdinaryTopic", base(), "m2o1", topicItems, true, false, false, true},
        StateCase{"TheTest", base(), "m1o6", testItems, true, false, false, true},
        StateCase{"TestWithoutTopics", base(), "m3o6", testItems, true, false, false, true},
        StateCase{"FullModuleHidesNewTopic", makeCourse("T", {{"A", {1, 2, 3, 4, 5}}}), "m1o3",
                  {"HernoemOnderwerp", "WijzigOnderwerp", "VerwijderOnderwerp"}, true, true, true, true},
        StateCase{"FullModuleTest", makeCourse("T", {{"A", {1, 2, 3, 4, 5}}}), "m1o6",
                  {"HernoemOnderwerp", "WijzigOnderwerp"}, true, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(CourseTree, NewModuleAtEveryPlaceKeepsKeysInOrder)
{
    for (int place = 1; place <= 4; ++place) {
        CourseTree tree;
        tree.fill(makeCourse("T", {{"A", {1}}, {"B", {2}}, {"C", {3}}, {"D", {4}}}));
        tree.setCurrent(tree.find(ModuleKey(place)));
        tree.newModule("N");
        QStringList names;
        for (NodeId m : tree.modules())
            names << tree.node(m).key + '=' + tree.node(m).text;
        QStringList expected{"m1=A", "m2=B", "m3=C", "m4=D"};
        expected.insert(place - 1, QStringLiteral("m%1=N").arg(place));
        for (int i = place; i < 5; ++i)
            expected[i] = QStringLiteral("m%1=").arg(i + 1) + expected[i].mid(3);
        EXPECT_EQ(names, expected) << place;
        EXPECT_EQ(tree.node(tree.current()).key, ModuleKey(place));
        // Each old module kept its own topic number under its new key.
        for (int i = place; i < 5; ++i)
            EXPECT_NE(tree.find(TopicKey(i + 1, i)), NoNode) << place << ' ' << i;
    }
}

// Which tests lose the grades stored under their loaded name, after moves and other edits.
TEST(CourseTree, RenamedTestsAreThoseWhoseLoadedNameIsGone)
{
    const struct {
        const char* name;
        std::vector<Step> steps;
        QString renames; // "old>new" joined with ";"
    } cases[] = {
        {"OnlyCaseAndBlanks", {{"m1o6", Cmd::Rename, "  a TEST "}}, ""},
        {"ModulesMovedThenTestsRenamed",
         {{"m2", Cmd::Up}, {"m1o6", Cmd::Rename, "Toets B"}, {"m2o6", Cmd::Rename, "Toets A"}},
         "B Test>Toets B;A Test>Toets A"},
        {"TestNamesExchanged",
         {{"m1o6", Cmd::Rename, "Tijdelijk"}, {"m2o6", Cmd::Rename, "A Test"}, {"m1o6", Cmd::Rename, "B Test"}},
         ""},
        {"ModuleDeleted", {{"m1", Cmd::DeleteModule}}, ""},
        {"NewModuleTestRenamed", {{"m3", Cmd::NewModule, "N"}, {"m3o6", Cmd::Rename, "Eind"}}, ""},
    };
    for (const auto& c : cases) {
        CourseTree tree;
        tree.fill(base());
        for (const Step& step : c.steps)
            run(tree, step);
        QStringList renames;
        for (const TestRename& r : tree.renamedTests())
            renames << r.oldName + '>' + r.newName;
        EXPECT_EQ(renames.join(';').toStdString(), c.renames.toStdString()) << c.name;
    }
}

} // namespace
