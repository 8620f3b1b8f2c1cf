// The results window driven as the teacher drives it: load, class clicks, refresh, sorting.
#include "Resultform.h"
#include "ClassFill.h"
#include "ErrorRule.h"
#include "ModalAnswers.h"
#include "RecordingPrompts.h"
#include "ResultsTestSupport.h"
#include "SlowShare.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Grades = QVector<std::pair<QString, QString>>;

class ResultformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        folder.writeCourse("Rekenen", {"Optellen", "Aftrekken", "Delen"});
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    Resultform& open()
    {
        folder.use();
        form = std::make_unique<Resultform>();
        form->show();
        return *form;
    }

    QTreeWidgetItem* classNode(const QString& name) const { return findClassNode(*form, name); }

    void clickClass(const QString& name)
    {
        QTreeWidgetItem* node = classNode(name);
        ASSERT_NE(node, nullptr) << name.toStdString();
        form->TreeView_NodeClick(node);
    }

    QStringList rowNames() const
    {
        QStringList names;
        for (const auto& row : form->tableSnapshot().rows)
            names << row.name;
        return names;
    }

    // The rows shown, the count and the average, as "rows count average".
    static QString figures(const Resultform& f)
    {
        return QStringLiteral("%1 %2 %3").arg(shownRowCount(f)).arg(f.lblnLeerling->text(), f.lblAvg->text());
    }

    // Clicks a header section the way the mouse does.
    void clickHeader(int creationColumn)
    {
        QHeaderView* header = form->ListView->horizontalHeader();
        const int shown = form->shownColumns()->shownColumn(creationColumn);
        const QPoint at(header->sectionViewportPosition(shown) + header->sectionSize(shown) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    ScopedPrompts recorded;
    TestProgram folder;
    std::unique_ptr<Resultform> form;
};

TEST_F(ResultformTest, LoadTitlesTheWindowAndStartsEmpty)
{
    struct Case {
        QByteArray course;
        QString title;
    };
    const Case cases[] = {
        {"[Cursus]\r\nTitel=Rekenen\r\n", QStringLiteral("Velmora 5 - Scorix - Rekenen")},
        {"[Cursus]\r\nTitel=\r\n", QStringLiteral("Velmora 5 - Scorix - ")},
        {"", QStringLiteral("Velmora 5 - Scorix - ")},
    };
    for (const Case& c : cases) {
        folder.writeFile(QStringLiteral("swf/Omschrijving.ini"), c.course);
        Resultform& f = open();
        EXPECT_EQ(f.windowTitle(), c.title);
        EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled());
        EXPECT_EQ(figures(f), QStringLiteral("0 0 0"));
        EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
    }
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(ResultformTest, TreeListsClassFoldersUnderTheRoot)
{
    folder.makeClass("4B");
    folder.makeClass("Groep 7 zwemmen");
    folder.makeClass("Klas ë€");
    folder.makeClass(".verborgen");
    folder.writeFile(QStringLiteral("Documenten/losbestand"), "x");
    Resultform& f = open();

    ASSERT_EQ(f.TreeView->topLevelItemCount(), 1);
    QTreeWidgetItem* root = f.TreeView->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("Klassen overzicht"));
    EXPECT_EQ(Resultform::nodeKey(root), QStringLiteral("root"));
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 3);
    const QStringList names{QStringLiteral("4B"), QStringLiteral("Groep 7 zwemmen"), QStringLiteral("Klas ë€")};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(root->child(i)->text(0), names.at(i));
        EXPECT_EQ(Resultform::nodeKey(root->child(i)), QStringLiteral("child%1").arg(i));
    }
    EXPECT_EQ(f.lstDirs, names);
}

TEST_F(ResultformTest, MissingOrFileDataFolderGivesOnlyTheRoot)
{
    for (const bool asFile : {false, true}) {
        TestProgram other;
        other.writeCourse("X", {"Een"});
        if (asFile)
            other.writeFile(QStringLiteral("Documenten"), "geen map");
        other.use();
        Resultform f;
        ASSERT_EQ(f.TreeView->topLevelItemCount(), 1);
        EXPECT_EQ(f.TreeView->topLevelItem(0)->childCount(), 0);
        f.TreeView_NodeClick(f.TreeView->topLevelItem(0));
        EXPECT_EQ(shownRowCount(f), 0);
    }
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(ResultformTest, ColumnsInCreationOrderWithFinalResultShownSecond)
{
    Resultform& f = open();
    const QStringList created{QStringLiteral("Leerling naam"), QStringLiteral("Optellen"), QStringLiteral("Aftrekken"),
                              QStringLiteral("Delen"), QStringLiteral("Eindresultaat")};
    EXPECT_EQ(f.tableSnapshot().headers, created);
    EXPECT_EQ(shownHeaders(f),
              (QStringList{QStringLiteral("Leerling naam"), QStringLiteral("Eindresultaat"), QStringLiteral("Optellen"),
                           QStringLiteral("Aftrekken"), QStringLiteral("Delen")}));
}

TEST_F(ResultformTest, ModuleGapsAndNumbersAboveSixteenAreNotColumns)
{
    QByteArray course = "[Modules]\r\nm1=Een\r\nm1o6=T1\r\nm3=Drie\r\nm3o6=T3\r\nm17=Zeventien\r\nm2o6=T2\r\n";
    for (int i = 4; i <= 16; ++i)
        course += "m" + QByteArray::number(i) + "=M" + QByteArray::number(i) + "\r\n";
    course += "m16o6=T16\r\n";
    folder.writeFile(QStringLiteral("swf/Omschrijving.ini"), course);
    // The test of the missing module 2 has a grade: it is in no column.
    folder.writePupil("4B", "A", {{"T1", "4"}, {"T2", "1"}, {"T3", "8"}, {"T16", "9"}});
    Resultform& f = open();
    clickClass("4B");
    const ReportTable table = f.tableSnapshot();
    const QStringList& headers = table.headers;
    ASSERT_EQ(headers.size(), 1 + 15 + 1);
    EXPECT_EQ(headers.at(1), QStringLiteral("Een"));
    EXPECT_EQ(headers.at(2), QStringLiteral("Drie"));
    EXPECT_EQ(headers.at(15), QStringLiteral("M16"));
    EXPECT_FALSE(headers.contains(QStringLiteral("Zeventien")));
    // Each column shows the grade of the module it is headed with.
    ASSERT_EQ(table.rows.size(), 1);
    const QStringList& cells = table.rows[0].cells;
    EXPECT_EQ(cells.value(0), QStringLiteral("4"));
    EXPECT_EQ(cells.value(1), QStringLiteral("8"));
    EXPECT_EQ(cells.value(14), QStringLiteral("9"));
    EXPECT_EQ(cells.value(15), QStringLiteral("7"));
}

TEST_F(ResultformTest, ClassClickFillsRowsCountAndAverage)
{
    folder.writePupil("4B", "A", {{"Optellen Test", "6"}, {"Aftrekken Test", "8"}});
    folder.writePupil("4B", "B", {});
    folder.writePupil("4B", "C", {{"Optellen Test", "5"}, {"Delen Test", "5"}});
    folder.writeFile(QStringLiteral("Documenten/4B/rapport.html"), "<html>");
    Resultform& f = open();
    clickClass("4B");

    const ReportTable table = f.tableSnapshot();
    ASSERT_EQ(table.rows.size(), 3);
    EXPECT_EQ(table.rows[0].name, QStringLiteral("A"));
    EXPECT_EQ(table.rows[0].cells, (QStringList{"6", "8", "", "7"}));
    EXPECT_EQ(table.rows[1].cells, (QStringList{"", "", "", ""}));
    EXPECT_EQ(table.rows[2].cells, (QStringList{"5", "", "5", "5"}));
    EXPECT_EQ(table.countCaption, QStringLiteral("3"));
    EXPECT_EQ(table.averageCaption, QStringLiteral("6"));
    EXPECT_TRUE(f.mnuMaakHTMLbestand->isEnabled());
    EXPECT_EQ(f.SelectedNode, classNode(QStringLiteral("4B")));
    EXPECT_TRUE(f.TreeView->isEnabled());
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(ResultformTest, AverageLabelFollowsTheRules)
{
    struct Case {
        const char* label;
        QVector<QStringList> pupils; // grades for modules 1..3
        QLocale locale;
        QString average;
    };
    const QLocale nl(QLocale::Dutch, QLocale::Netherlands);
    const Case cases[] = {
        {"7, 7 and 6 with Dutch settings", {{"7"}, {"7"}, {"6"}}, nl, QStringLiteral("6,66666666666667")},
        {"7, 7 and 6 with C settings", {{"7"}, {"7"}, {"6"}}, QLocale::c(), QStringLiteral("6.66666666666667")},
        {"only pupil has final 0", {{"0"}}, QLocale::c(), QStringLiteral("0")},
        {"a word does not count: no final result", {{"goed"}}, QLocale::c(), QStringLiteral("0")},
        {"a word beside a grade does not lower it", {{"ziek", "8"}, {"6"}}, QLocale::c(), QStringLiteral("7")},
        {"zero final left out of the average", {{"0"}, {"8"}}, QLocale::c(), QStringLiteral("8")},
        {"the rounded mean: 6.5 and 7 give 7", {{"6.5", "7"}}, QLocale::c(), QStringLiteral("7")},
        {"the rounded mean: 7.5 and 7 give 7", {{"7.5", "7"}}, QLocale::c(), QStringLiteral("7")},
        {"a decimal comma is a point", {{"7,5"}}, QLocale::c(), QStringLiteral("8")},
        {"empty values do not count", {{"", "9", ""}}, QLocale::c(), QStringLiteral("9")},
    };
    const QStringList tests{QStringLiteral("Optellen Test"), QStringLiteral("Aftrekken Test"),
                            QStringLiteral("Delen Test")};
    int n = 0;
    for (const Case& c : cases) {
        const QString cls = QStringLiteral("klas%1").arg(n++);
        for (int p = 0; p < c.pupils.size(); ++p) {
            Grades grades;
            for (int k = 0; k < c.pupils[p].size(); ++k)
                grades.push_back({tests.at(k), c.pupils[p].at(k)});
            folder.writePupil(cls, QStringLiteral("leerling%1").arg(p), grades);
        }
    }
    n = 0;
    for (const Case& c : cases) {
        QLocale::setDefault(c.locale);
        Resultform& f = open();
        clickClass(QStringLiteral("klas%1").arg(n++));
        EXPECT_EQ(f.lblAvg->text(), c.average) << c.label;
        EXPECT_EQ(f.lblnLeerling->text(), QString::number(c.pupils.size())) << c.label;
        // The whole figure shows, inside the frame, also after the window is made larger.
        for (const QSize& size : {f.size(), f.size() + QSize(200, 100)}) {
            f.resize(size);
            for (const QLabel* figure : {f.lblAvg, f.lblnLeerling}) {
                EXPECT_GE(figure->width(), figure->fontMetrics().horizontalAdvance(figure->text())) << c.label;
                EXPECT_TRUE(f.frmMain->contentsRect().contains(figure->geometry())) << c.label;
            }
        }
    }
}

TEST_F(ResultformTest, RootAndEmptyClassClicks)
{
    folder.writePupil("4B", "A", {{"Optellen Test", "6"}});
    folder.makeClass("Leeg");
    Resultform& f = open();

    clickClass("4B");
    ASSERT_EQ(shownRowCount(f), 1);

    f.TreeView_NodeClick(f.TreeView->topLevelItem(0));
    EXPECT_EQ(figures(f), QStringLiteral("0 0 0"));
    EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled());
    EXPECT_FALSE(f.mnuExporteerCSV->isEnabled());

    clickClass("Leeg");
    EXPECT_EQ(figures(f), QStringLiteral("0 0 0"));
    EXPECT_TRUE(f.mnuMaakHTMLbestand->isEnabled());
    EXPECT_TRUE(f.mnuExporteerCSV->isEnabled());

    // A class that happens to carry the root's text is a class like any other.
    folder.writePupil(RootText, "B", {});
    f.cmdVerVers_Click();
    clickClass(RootText);
    EXPECT_EQ(shownRowCount(f), 1);
    EXPECT_TRUE(f.mnuMaakHTMLbestand->isEnabled());
    f.TreeView_NodeClick(f.TreeView->topLevelItem(0));
    EXPECT_EQ(shownRowCount(f), 0);
}

TEST_F(ResultformTest, KeysInTheTreeShowTheClassAndKeepTheFocus)
{
    folder.writePupil("1A", "A", {{"Optellen Test", "6"}});
    folder.writePupil("2B", "B", {{"Optellen Test", "8"}});
    folder.writePupil("2B", "C", {});
    Resultform& f = open();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.TreeView->setFocus();
    ASSERT_TRUE(f.TreeView->hasFocus());
    auto expectShown = [&](const QString& name, const QStringList& rows) {
        EXPECT_EQ(f.SelectedNode ? f.SelectedNode->text(0) : QString(), name);
        EXPECT_EQ(f.TreeView->currentItem(), f.SelectedNode) << name.toStdString();
        EXPECT_EQ(f.TreeView->selectedItems(), QList<QTreeWidgetItem*>{f.SelectedNode}) << name.toStdString();
        EXPECT_EQ(rowNames(), rows) << name.toStdString();
        EXPECT_TRUE(f.TreeView->hasFocus()) << name.toStdString();
    };
    // At load the root looks selected, as it is the class shown.
    expectShown(RootText, {});
    QTest::keyClick(f.TreeView, Qt::Key_Down);
    expectShown(QStringLiteral("1A"), {"A"});
    QTest::keyClick(f.TreeView, Qt::Key_Down);
    expectShown(QStringLiteral("2B"), {"B", "C"});
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("2"));
    EXPECT_TRUE(f.mnuMaakHTMLbestand->isEnabled());
    QTest::keyClick(f.TreeView, Qt::Key_Home);
    expectShown(RootText, {});
    EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled());
    // Ctrl moves only the focus frame in the toolkit; here it shows the class all the same.
    QTest::keyClick(f.TreeView, Qt::Key_End, Qt::ControlModifier);
    expectShown(QStringLiteral("2B"), {"B", "C"});

    // A press on one class released on another shows the other, as it looks selected.
    const QPoint from = f.TreeView->visualItemRect(classNode(QStringLiteral("1A"))).center();
    const QPoint to = f.TreeView->visualItemRect(f.TreeView->topLevelItem(0)).center();
    QTest::mousePress(f.TreeView->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(f.TreeView->viewport(), to);
    QTest::mouseRelease(f.TreeView->viewport(), Qt::LeftButton, {}, to);
    QTRY_COMPARE(f.SelectedNode, f.TreeView->currentItem());
    EXPECT_EQ(f.TreeView->selectedItems(), QList<QTreeWidgetItem*>{f.SelectedNode});
    EXPECT_EQ(rowNames(), f.SelectedNode == f.TreeView->topLevelItem(0) ? QStringList() : QStringList{"A"});
}

TEST_F(ResultformTest, MouseClickOnANodeFillsTheTable)
{
    folder.writePupil("4B", "A", {{"Optellen Test", "6"}});
    Resultform& f = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const QRect rect = f.TreeView->visualItemRect(classNode(QStringLiteral("4B")));
    QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(shownRowCount(f), 1);
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));
}

TEST_F(ResultformTest, TreeStaysUsableAndPointerBusyWhileFilling)
{
    for (int p = 0; p < 5; ++p)
        folder.writePupil("4B", QStringLiteral("L%1").arg(p), {{"Optellen Test", "6"}});
    Resultform& f = open();
    bool sawUsable = false;
    bool sawBusy = false;
    bool sawPaintingHeld = false;
    // Runs among the events that the fill lets through between pupils.
    QTimer::singleShot(0, &f, [&] {
        // A click on another class abandons the fill for that class.
        sawUsable = f.isFilling() && f.TreeView->isEnabled();
        sawBusy = f.cursor().shape() == Qt::BusyCursor;
        sawPaintingHeld = !f.ListView->updatesEnabled();
    });
    clickClass("4B");
    EXPECT_TRUE(sawUsable);
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(sawPaintingHeld);
    EXPECT_TRUE(f.TreeView->isEnabled());
    EXPECT_TRUE(f.ListView->updatesEnabled());
    EXPECT_TRUE(f.lblnLeerling->updatesEnabled());
    EXPECT_NE(f.cursor().shape(), Qt::BusyCursor);
}

TEST_F(ResultformTest, OverflowShowsTheErrorKeepsRowsAndUnlocksTheTree)
{
    struct Case {
        const char* label;
        QVector<QString> grades; // one module result per pupil, pupils P0, P1, ...
        int rows;
    };
    const Case cases[] = {
        // The running sum of P1 overflows: P0 complete, P1's row is there with its cell.
        {"grade of 40000", {"7", "40000", "8"}, 2},
        // The class total overflows when P1's final result is counted, at the start of P2.
        {"class total", {"20000", "20000", "8"}, 2},
        // The last pupil's final result is counted after the loop.
        {"class total after the last pupil", {"20000", "20000"}, 2},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString cls = QStringLiteral("klas%1").arg(n++);
        for (int p = 0; p < c.grades.size(); ++p)
            folder.writePupil(cls, QStringLiteral("P%1").arg(p), {{"Optellen Test", c.grades[p]}});
    }
    n = 0;
    for (const Case& c : cases) {
        recorded.prompts.calls.clear();
        Resultform& f = open();
        clickClass(QStringLiteral("klas%1").arg(n++));
        ASSERT_EQ(recorded.prompts.calls.size(), 1) << c.label;
        const PromptCall& call = recorded.prompts.calls.front();
        EXPECT_EQ(call.text, QStringLiteral("Overflow")) << c.label;
        EXPECT_EQ(call.title, ErrorTitle) << c.label;
        EXPECT_EQ(call.icon, PromptIcon::Critical) << c.label;
        EXPECT_EQ(call.buttons, PromptButtons::Ok) << c.label;
        EXPECT_EQ(shownRowCount(f), c.rows) << c.label;
        EXPECT_EQ(shownCell(f, 1, 1), c.grades[1]) << c.label;
        EXPECT_TRUE(f.TreeView->isEnabled()) << c.label;
        EXPECT_TRUE(f.ListView->updatesEnabled()) << c.label;
        EXPECT_TRUE(f.lblnLeerling->updatesEnabled()) << c.label;
        EXPECT_FALSE(f.isFilling()) << c.label;
        EXPECT_NE(f.cursor().shape(), Qt::BusyCursor) << c.label;
    }
}

TEST_F(ResultformTest, ColumnsFollowTheCourseDescriptionOnTheNextClick)
{
    folder.writePupil("4B", "A", {{"Optellen Test", "6"}, {"Aftrekken Test", "8"}});
    Resultform& f = open();
    clickClass("4B");
    f.TreeView_NodeClick(f.TreeView->topLevelItem(0));
    // Changed while no class is shown: "Optellen" gone, "Aftrekken" now module 1.
    folder.writeFile(QStringLiteral("swf/Omschrijving.ini"), "[Modules]\r\nm1=Aftrekken\r\nm1o6=Aftrekken Test\r\n");
    clickClass("4B");
    const ReportTable table = f.tableSnapshot();
    EXPECT_EQ(table.headers, (QStringList{"Leerling naam", "Aftrekken", "Eindresultaat"}));
    EXPECT_EQ(table.rows.value(0).cells, (QStringList{"8", "8"}));
}

// 40 pupils on a share that answers every look-up and open after 400 ms: the window's thread asks
// the share for none of the class's files, so it never waits for the server.
TEST_F(ResultformTest, FillOnASlowShareKeepsTheWindowRespondingAndGivesWayToAnotherClass)
{
    for (int p = 0; p < 40; ++p)
        folder.writeFile(QStringLiteral("server/Groot/L%1").arg(p, 2, 10, QLatin1Char('0')),
                         "[Resultaten]\r\nOptellen Test=7\r\n");
    folder.writeFile(QStringLiteral("server/Klein/Kim"), "[Resultaten]\r\nOptellen Test=9\r\n");
    const QString log = folder.path() + QStringLiteral("asked.txt");
    SlowShare share(folder.path() + QStringLiteral("server/"), folder.documents(), 400, log);
    if (!share.mounted() && SlowShare::mayLackRights())
        GTEST_SKIP() << "a FUSE mount needs root or read and write rights on /dev/fuse";
    ASSERT_TRUE(share.mounted());
    Resultform& f = open();

    // Once the count shows progress, the teacher clicks another class: the window's timers run.
    bool clicked = false;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, &f, [&] {
        if (!clicked && f.isFilling() && f.lblnLeerling->text().toInt() > 0) {
            clicked = true;
            QTimer::singleShot(0, &f, [&] {
                QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {},
                                  f.TreeView->visualItemRect(classNode(QStringLiteral("Klein"))).center());
            });
        }
    });
    ticker.start();
    clickClass("Groot");
    ticker.stop();

    EXPECT_TRUE(clicked);
    EXPECT_FALSE(f.isFilling());
    EXPECT_EQ(f.SelectedNode->text(0), QStringLiteral("Klein"));
    EXPECT_EQ(rowNames(), QStringList{"Kim"});
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));
    EXPECT_EQ(f.lblAvg->text(), QStringLiteral("9"));
    form.reset();
    std::string byWindow; // what the window's thread asked the share for
    int opened = 0;
    for (const SlowShare::Request& request : SlowShare::requests(log)) {
        const bool ofClass =
            request.path.startsWith(QLatin1String("/Groot")) || request.path.startsWith(QLatin1String("/Klein"));
        opened += ofClass && request.kind == "open";
        if (ofClass && request.thread == ::gettid())
            byWindow += request.kind.toStdString() + ' ' + request.path.toStdString() + "; ";
    }
    EXPECT_GT(opened, 1); // the log sees the reads
    EXPECT_EQ(byWindow, "");
}

// Another class clicked during a fill: the old class's reads not yet begun are dropped, so only
// those under way (one per reading thread at most) still open a file of it.
TEST_F(ResultformTest, AnotherClassDropsTheReadsOfTheOldOneNotYetBegun)
{
    for (int p = 0; p < 200; ++p)
        folder.writeFile(QStringLiteral("server/Groot/L%1").arg(p, 3, 10, QLatin1Char('0')),
                         "[Resultaten]\r\nOptellen Test=7\r\n");
    folder.writeFile(QStringLiteral("server/Klein/Kim"), "[Resultaten]\r\nOptellen Test=9\r\n");
    const QString log = folder.path() + QStringLiteral("opened.txt");
    SlowShare share(folder.path() + QStringLiteral("server/"), folder.documents(), 100, log);
    if (!share.mounted() && SlowShare::mayLackRights())
        GTEST_SKIP() << "a FUSE mount needs root or read and write rights on /dev/fuse";
    ASSERT_TRUE(share.mounted());
    const auto openedInGroot = [&] {
        const QList<SlowShare::Request> asked = SlowShare::requests(log);
        return int(std::count_if(asked.begin(), asked.end(), [](const SlowShare::Request& r) {
            return r.kind == "open" && r.path.startsWith(QLatin1String("/Groot/"));
        }));
    };
    Resultform& f = open();

    int openedBeforeClick = -1;
    QObject::connect(f.resultsModel(), &QAbstractItemModel::rowsInserted, &f, [&] {
        if (openedBeforeClick >= 0 || f.SelectedNode->text(0) != QStringLiteral("Groot"))
            return;
        openedBeforeClick = openedInGroot();
        QTimer::singleShot(0, &f, [&] { clickClass("Klein"); });
    });
    clickClass("Groot");

    ASSERT_GE(openedBeforeClick, 0);
    // A share's reads overlap: many files are open before the first rows are in.
    EXPECT_GE(openedBeforeClick, 8);
    ASSERT_LT(openedBeforeClick, 200 - 2 * FileReaders(FileSource::Share)->maxThreadCount());
    EXPECT_EQ(f.SelectedNode->text(0), QStringLiteral("Klein"));
    EXPECT_EQ(rowNames(), QStringList{"Kim"});
    EXPECT_LE(openedInGroot() - openedBeforeClick, FileReaders(FileSource::Share)->maxThreadCount());
    form.reset();
}

TEST_F(ResultformTest, ColumnClicksFlipTheDirectionOnEveryClick)
{
    const QVector<std::pair<QString, QString>> pupils{
        {QStringLiteral("bram"), QStringLiteral("9")},
        {QStringLiteral("Anna"), QStringLiteral("10")},
        {QStringLiteral("Cor"), QString()},
    };
    for (const auto& [name, grade] : pupils)
        folder.writePupil("4B", name, {{"Optellen Test", grade}});
    Resultform& f = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    clickClass("4B");
    // Names sort without regard to case.
    EXPECT_EQ(rowNames(), (QStringList{"Anna", "bram", "Cor"}));

    struct Step {
        int column;
        QStringList order;
    };
    const Step steps[] = {
        {0, {"Cor", "bram", "Anna"}}, // first click: descending
        {0, {"Anna", "bram", "Cor"}}, // same column again: ascending
        {1, {"Anna", "bram", "Cor"}}, // another column: opposite of the last sort, as numbers (10 > 9 > "")
        {1, {"Cor", "bram", "Anna"}}, // ascending: empty first, 9 before 10
        {4, {"Anna", "bram", "Cor"}}, // final result column, descending
    };
    for (const Step& step : steps) {
        clickHeader(step.column);
        EXPECT_EQ(rowNames(), step.order) << "column " << step.column;
        // The header shows the sort on the clicked column.
        const QHeaderView* header = f.ListView->horizontalHeader();
        EXPECT_TRUE(header->isSortIndicatorShown());
        EXPECT_EQ(header->sortIndicatorSection(), f.shownColumns()->shownColumn(step.column));
    }
    EXPECT_EQ(f.ListView->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    // Sorting stays on: a refill places the rows by the current sort.
    clickClass("4B");
    EXPECT_EQ(rowNames(), (QStringList{"Anna", "bram", "Cor"}));
}

TEST_F(ResultformTest, SnapshotGivesCellsInCreationOrderAndRowsAsShown)
{
    folder.writePupil("4B", "A", {{"Optellen Test", "4"}, {"Delen Test", "6"}});
    folder.writePupil("4B", "B", {{"Aftrekken Test", "9"}});
    Resultform& f = open();
    clickClass("4B");
    f.ListView_ColumnClick(0);
    const ReportTable table = f.tableSnapshot();
    ASSERT_EQ(table.rows.size(), 2);
    EXPECT_EQ(table.rows[0].name, QStringLiteral("B"));
    EXPECT_EQ(table.rows[0].cells, (QStringList{"", "9", "", "9"}));
    EXPECT_EQ(table.rows[1].cells, (QStringList{"4", "", "6", "5"}));
    EXPECT_EQ(table.countCaption, QStringLiteral("2"));
    EXPECT_EQ(table.averageCaption, QStringLiteral("7"));
}

TEST_F(ResultformTest, RefreshReadsTheFilesOfTheSameClassAgain)
{
    folder.writePupil("1A", "A", {{"Optellen Test", "6"}});
    folder.writePupil("2B", "B", {{"Optellen Test", "5"}});
    Resultform& f = open();
    clickClass("2B");

    // The course player writes a new result meanwhile.
    folder.writePupil("2B", "B", {{"Optellen Test", "5"}, {"Aftrekken Test", "9"}});
    QTest::mouseClick(f.cmdVerVers, Qt::LeftButton);
    EXPECT_EQ(f.SelectedNode->text(0), QStringLiteral("2B"));
    EXPECT_EQ(f.TreeView->currentItem(), f.SelectedNode);
    EXPECT_EQ(f.tableSnapshot().rows.value(0).cells, (QStringList{"5", "9", "", "7"}));
    EXPECT_TRUE(f.cmdVerVers->isEnabled());

    // A class added before it: the class is found again by its name.
    folder.writePupil("0Z", "Z", {});
    f.cmdVerVers_Click();
    EXPECT_EQ(f.SelectedNode->text(0), QStringLiteral("2B"));
    EXPECT_EQ(rowNames(), QStringList{"B"});
}

TEST_F(ResultformTest, RefreshWithTheRootOrAVanishedClassShowsTheRoot)
{
    folder.writePupil("1A", "A", {{"Optellen Test", "6"}});
    folder.writePupil("2B", "B", {{"Optellen Test", "5"}});
    Resultform& f = open();

    f.cmdVerVers_Click();
    EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
    EXPECT_EQ(figures(f), QStringLiteral("0 0 0"));

    clickClass("2B");
    ASSERT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));
    ASSERT_TRUE(QDir(folder.documents() + QStringLiteral("2B")).removeRecursively());
    f.cmdVerVers_Click();
    EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
    EXPECT_EQ(f.TreeView->currentItem(), f.SelectedNode);
    EXPECT_EQ(figures(f), QStringLiteral("0 0 0"));
    EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled());
    EXPECT_TRUE(f.cmdVerVers->isEnabled());

    // The last class gone as well: only the root is left, and it is shown.
    clickClass("1A");
    ASSERT_TRUE(QDir(folder.documents() + QStringLiteral("1A")).removeRecursively());
    f.cmdVerVers_Click();
    EXPECT_EQ(f.TreeView->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("0"));
    EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled());
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(ResultformTest, RefreshDuringAFillReplacesItWithoutStaleRows)
{
    for (int p = 0; p < 6; ++p)
        folder.writePupil("4B", QStringLiteral("L%1").arg(p), {{"Optellen Test", "6"}});
    Resultform& f = open();
    int refreshes = 0;
    QTimer::singleShot(0, &f, [&] {
        ++refreshes;
        f.cmdVerVers_Click();
    });
    clickClass("4B");
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(f.SelectedNode->text(0), QStringLiteral("4B"));
    EXPECT_EQ(shownRowCount(f), 6);
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("6"));
    EXPECT_TRUE(f.TreeView->isEnabled());
}

TEST_F(ResultformTest, MenusCarryTheirCaptions)
{
    Resultform& f = open();
    EXPECT_EQ(f.mnuBestand->title(), QStringLiteral("&Bestand"));
    EXPECT_EQ(f.mnuMaakHTMLbestand->text(), QStringLiteral("&Sla resultaten op als HTML"));
    EXPECT_TRUE(f.mnuBestandHypen->isSeparator());
    EXPECT_EQ(f.mnuBestandAfsluiten->text(), QStringLiteral("&Afsluiten"));
    EXPECT_EQ(f.mnuExporteerCSV->text(), QStringLiteral("&Exporteer als CSV..."));
    EXPECT_EQ(f.mnuKlasoverzicht->text(), QStringLiteral("&Klasoverzicht..."));
    EXPECT_EQ(f.mnuAfdrukken->text(), QStringLiteral("&Afdrukken..."));
    EXPECT_EQ(f.mnuBestand->actions(), (QList<QAction*>{f.mnuMaakHTMLbestand, f.mnuExporteerCSV, f.mnuKlasoverzicht,
                                                        f.mnuAfdrukken, f.mnuBestandHypen, f.mnuBestandAfsluiten}));
    QString accessKeys;
    for (const QAction* item : f.mnuBestand->actions())
        if (!item->isSeparator())
            accessKeys += item->text().at(item->text().indexOf(QLatin1Char('&')) + 1).toLower();
    // "&Afdrukken..." and "&Afsluiten" share theirs: the key goes from one to the other, Enter chooses.
    EXPECT_EQ(accessKeys, QStringLiteral("sekaa"));
    EXPECT_EQ(f.mnuInstelling->title(), QStringLiteral("&Instellingen"));
    EXPECT_EQ(f.MnuHelp->title(), QStringLiteral("&Help"));
    EXPECT_EQ(f.MnuHelpVersie->text(), QStringLiteral("&Versie..."));
    EXPECT_EQ(f.cmdVerVers->toolTip(), QStringLiteral("Ververst het klassen overzicht"));
    for (const char* name : {"frmMain", "TreeView", "ListView", "cmdVerVers", "Label1", "lblnLeerling", "Label2",
                             "lblAvg", "mnuMaakHTMLbestand", "mnuBestandAfsluiten", "MnuHelpVersie"})
        EXPECT_NE(f.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Aantal Leerlingen: "));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("Gemiddelde:"));
}

TEST_F(ResultformTest, AfsluitenEndsTheEventLoopWithoutAsking)
{
    Resultform& f = open();
    QTimer::singleShot(0, &f, [&] { f.mnuBestandAfsluiten->trigger(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(30000); // a deadline for a hang only
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(ResultformTest, VersieMenuOpensTheVersionWindowModally)
{
    Resultform& f = open();
    QString title;
    bool modal = false;
    EXPECT_TRUE(whileModal([&] { f.MnuHelpVersie->trigger(); },
                           [&](QWidget* dialog) {
                               title = dialog->windowTitle();
                               modal = dialog->isModal();
                               return dialog->close();
                           }));
    EXPECT_EQ(title, QStringLiteral("Velmora 5 - Versie informatie"));
    EXPECT_TRUE(modal);
}

} // namespace
