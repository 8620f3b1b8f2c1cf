// The class context menu and the report, driven through the real results window.
#include "ClassCommands.h"
#include "ErrorRule.h"
#include "ModalAnswers.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Grades = QVector<std::pair<QString, QString>>;

class ResultformCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
        folder.writeCourse("Rekenen", {"Optellen", "Delen"});
    }
    void TearDown() override
    {
        form.reset();
        QLocale::setDefault(QLocale::c());
    }

    Resultform& open()
    {
        folder.use();
        form = std::make_unique<Resultform>();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return *form;
    }

    QTreeWidgetItem* classNode(const QString& name) const { return findClassNode(*form, name); }

    QStringList classNames() const
    {
        QStringList names;
        QTreeWidgetItem* root = form->TreeView->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            names << root->child(i)->text(0);
        return names;
    }

    void clickClass(const QString& name)
    {
        QTreeWidgetItem* node = classNode(name);
        ASSERT_NE(node, nullptr) << name.toStdString();
        form->TreeView_NodeClick(node);
    }

    // Right-clicks `node` in the tree and chooses `item` from the menu that opens.
    void choose(QTreeWidgetItem* node, QAction* item)
    {
        const QPoint at = form->TreeView->visualItemRect(node).center();
        QTest::mouseClick(form->TreeView->viewport(), Qt::RightButton, {}, at);
        ASSERT_TRUE(form->pPopopmenu->isVisible());
        QTest::mouseClick(form->pPopopmenu, Qt::LeftButton, {}, form->pPopopmenu->actionGeometry(item).center());
        QCoreApplication::processEvents();
        EXPECT_FALSE(form->pPopopmenu->isVisible());
    }

    QString selectedText() const { return form->SelectedNode ? form->SelectedNode->text(0) : QString(); }

    ScopedPrompts recorded;
    TestProgram folder;
    std::unique_ptr<Resultform> form;
};

} // namespace

TEST_F(ResultformCommandsTest, MenuItemsInOrderAndHiddenFromTheMenuBar)
{
    Resultform& f = open();
    const QList<QAction*> items = f.pPopopmenu->actions();
    ASSERT_EQ(items.size(), 6);
    const QStringList names = {"pKlasAanmaken",  "pKlasHernoemen", "pKlasVerwijderen",
                               "pklasleegmaken", "pHypen",         "pSluiten"};
    const QStringList captions = {"Klas &aanmaken", "Klas &hernoemen", "Klas &verwijderen", "Klas &leegmaken", "",
                                  "&Sluiten"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(items[i]->objectName(), names[i]);
        EXPECT_EQ(items[i]->isSeparator(), i == 4);
        if (i != 4) {
            EXPECT_EQ(items[i]->text(), captions[i]);
        }
        EXPECT_TRUE(items[i]->isEnabled());
    }
    EXPECT_EQ(f.pPopopmenu->objectName(), QStringLiteral("pPopopmenu"));
    EXPECT_EQ(f.findChild<QMenu*>(QStringLiteral("pPopopmenu")), f.pPopopmenu);
    EXPECT_FALSE(f.menuBar()->actions().contains(f.pPopopmenu->menuAction()));
}

TEST_F(ResultformCommandsTest, RightClickShowsTheClickedClassFirst)
{
    folder.makeClass("4A");
    folder.writePupil("4B", "Piet", {{"Optellen Test", "6"}});
    Resultform& f = open();
    QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {}, f.TreeView->visualItemRect(classNode("4A")).center());
    ASSERT_EQ(selectedText(), QStringLiteral("4A"));
    EXPECT_FALSE(f.pPopopmenu->isVisible());

    // Right-click on 4B and empty: 4B is shown, and the question names it.
    choose(classNode(QStringLiteral("4B")), f.pklasleegmaken);
    ASSERT_EQ(recorded.prompts.calls.size(), 1);
    EXPECT_EQ(
        recorded.prompts.calls[0].text,
        QStringLiteral(
            "Wilt u de gegevens in de klas: 4B verwijderen? (Alle resultaten gaan verloren)\r\n\r\nDit verwijdert de bestanden van 1 leerling."));
    EXPECT_EQ(selectedText(), QStringLiteral("4B"));
    EXPECT_EQ(f.TreeView->currentItem(), classNode(QStringLiteral("4B")));
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));

    // "&Sluiten" only closes the menu; the class clicked stays shown.
    recorded.prompts.calls.clear();
    choose(classNode(QStringLiteral("4A")), f.pSluiten);
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
    EXPECT_EQ(selectedText(), QStringLiteral("4A"));
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("0"));
}

TEST_F(ResultformCommandsTest, CommandsOnTheRootWarnAndRefresh)
{
    folder.makeClass("4A");
    folder.writePupil("4A", "Jan", {{"Optellen Test", "8"}});
    Resultform& f = open();
    for (QAction* item : {f.pKlasHernoemen, f.pKlasVerwijderen, f.pklasleegmaken}) {
        recorded.prompts.calls.clear();
        f.lblAvg->setText(QStringLiteral("x"));
        choose(f.TreeView->topLevelItem(0), item);
        ASSERT_EQ(recorded.prompts.calls.size(), 1) << item->objectName().toStdString();
        EXPECT_EQ(recorded.prompts.calls[0].text, SelectClassFirst);
        EXPECT_EQ(recorded.prompts.calls[0].title, QStringLiteral("Waarschuwing!"));
        EXPECT_EQ(f.lblAvg->text(), QStringLiteral("0"));
        EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
    }
    EXPECT_EQ(classNames(), QStringList{"4A"});
}

TEST_F(ResultformCommandsTest, CreateRefreshesTheTreeAndCancelLeavesItAlone)
{
    folder.makeClass("4A");
    folder.writePupil("4A", "Jan", {{"Optellen Test", "7"}});
    Resultform& f = open();
    clickClass("4A");
    ASSERT_EQ(f.lblAvg->text(), QStringLiteral("7"));

    choose(classNode(QStringLiteral("4A")), f.pKlasAanmaken); // cancelled
    EXPECT_EQ(classNames(), QStringList{"4A"});
    EXPECT_EQ(f.lblAvg->text(), QStringLiteral("7"));

    recorded.prompts.texts = {QStringLiteral("3C")};
    choose(classNode(QStringLiteral("4A")), f.pKlasAanmaken);
    EXPECT_EQ(classNames(), (QStringList{"3C", "4A"}));
    // The refresh shows 4A again, now at another position, with its own figures.
    EXPECT_EQ(selectedText(), QStringLiteral("4A"));
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));
    EXPECT_EQ(f.lblAvg->text(), QStringLiteral("7"));
}

TEST_F(ResultformCommandsTest, RenameShowsTheRenamedClassWithItsFigures)
{
    folder.makeClass("4A");
    folder.writePupil("4A", "Jan", {{"Optellen Test", "8"}});
    Resultform& f = open();
    clickClass("4A");
    recorded.prompts.texts = {QStringLiteral("5A")};
    choose(classNode(QStringLiteral("4A")), f.pKlasHernoemen);
    EXPECT_EQ(recorded.prompts.calls[0].defaultText, QStringLiteral("4A"));
    EXPECT_EQ(classNames(), QStringList{"5A"});
    EXPECT_EQ(selectedText(), QStringLiteral("5A"));
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));
    EXPECT_EQ(f.lblAvg->text(), QStringLiteral("8"));
}

TEST_F(ResultformCommandsTest, DeletingTheLastClassShowsTheRoot)
{
    folder.makeClass("4A");
    folder.makeClass("4B");
    folder.writePupil("4B", "Piet", {{"Optellen Test", "6"}});
    Resultform& f = open();
    clickClass("4B");
    ASSERT_TRUE(f.mnuMaakHTMLbestand->isEnabled());
    recorded.prompts.answers = {PromptAnswer::Ok};
    choose(classNode(QStringLiteral("4B")), f.pKlasVerwijderen);
    EXPECT_EQ(
        recorded.prompts.calls[0].text,
        QStringLiteral(
            "Wilt u de klas: 4B verwijderen? (Alle resultaten gaan verloren)\r\n\r\nDit verwijdert de bestanden van 1 leerling."));
    EXPECT_EQ(classNames(), QStringList{"4A"});
    EXPECT_FALSE(QDir(folder.documents() + QStringLiteral("4B")).exists());
    EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
    EXPECT_EQ(shownRowCount(f), 0);
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("0"));
    EXPECT_EQ(f.lblAvg->text(), QStringLiteral("0"));
    EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled());

    // And the only class left, too.
    recorded.prompts.answers = {PromptAnswer::Ok};
    clickClass("4A");
    choose(classNode(QStringLiteral("4A")), f.pKlasVerwijderen);
    EXPECT_TRUE(classNames().isEmpty());
    EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
}

TEST_F(ResultformCommandsTest, RefusedDeleteKeepsTheWholeClassAndItsFigures)
{
    folder.makeClass("4A");
    for (const char* pupil : {"Jan", "Piet"})
        folder.writePupil("4A", QString::fromUtf8(pupil), {{"Optellen Test", "8"}});
    folder.writeFile(QStringLiteral("Documenten/4A/notities.txt"), "x");
    Resultform& f = open();
    clickClass("4A");
    recorded.prompts.answers = {PromptAnswer::Ok};
    choose(classNode(QStringLiteral("4A")), f.pKlasVerwijderen);
    EXPECT_EQ(recorded.prompts.messages().last(), ClassNotEmpty + QStringLiteral("\r\n\r\nnotities.txt"));
    EXPECT_EQ(classNames(), QStringList{"4A"});
    EXPECT_EQ(selectedText(), QStringLiteral("4A"));
    EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("2"));
    EXPECT_EQ(f.lblAvg->text(), QStringLiteral("8"));
}

TEST_F(ResultformCommandsTest, ReportWritesWhatTheTableShows)
{
    folder.writeCourse("Reken & <Taal>", {"Optellen", "Delen"});
    folder.makeClass("4A");
    folder.writePupil("4A", "Piet", {{"Optellen Test", "6"}, {"Delen Test", "7"}});
    folder.writePupil("4A", "Anna <b>", {{"Optellen Test", "9"}});
    folder.writePupil("4A", "Bram", {});
    Resultform& f = open();
    clickClass("4A");
    ASSERT_EQ(f.lblAvg->text(), QStringLiteral("8")); // (9 + 7) / 2

    const QString path = folder.documents() + QStringLiteral("4A/4A.HTML");
    recorded.prompts.texts = {path};
    recorded.prompts.answers = {PromptAnswer::Yes};
    f.mnuMaakHTMLbestand->trigger();
    ASSERT_EQ(recorded.prompts.calls.size(), 3);
    EXPECT_EQ(recorded.prompts.calls[0].request.initialFolder, folder.documents() + QStringLiteral("4A"));
    EXPECT_EQ(recorded.prompts.calls[2].kind, PromptCall::OpenDocument);

    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QString f1 = QStringLiteral("<font face='Arial' size='1'>");
    auto row = [&](const QString& name, const QString& final, const QString& m1, const QString& m2) {
        return "<tr><td nowrap>" + f1 + name + "</font></td><td bgcolor='#C0C0C0' >" + f1 + final + "</font></td>" +
               "<td align=right>" + f1 + m1 + "</font></td><td align=right>" + f1 + m2 + "</font></td><tr>";
    };
    const QString expected =
        "<html><body><table border='0' cellpadding='0' cellspacing='4' style='border-collapse: collapse' "
        "bordercolor='#111111' ><tr><th colspan=4 ><font face='Arial' size='2'>Resultaten Reken &amp; "
        "&lt;Taal&gt; - Klas: 4A, datum: " +
        date +
        "</font></th></tr><tr><td>&nbsp;</td></tr></table><table width=70%><TR><TD><table>"
        "<TR><td>" +
        f1 + "1</td><td><nowrap>" + f1 +
        "Optellen</td></font></TR>"
        "<TR><td>" +
        f1 + "2</td><td><nowrap>" + f1 +
        "Delen</td></font></TR></TD></table><TD><table>"
        "<tr><td >" +
        f1 + "Aantal leerlingen:</font></td><td >" + f1 +
        "3</font></td></tr>"
        "<tr><td >" +
        f1 + "Gemiddelde:</font></td><td >" + f1 +
        "8</font></td></tr>"
        "</table></TD></tr></table><tr></tr>"
        "<table><tr><th align=left nowrap><font face='Arial' size='2'>Leerlingnaam</font></th><th align=left "
        "nowrap bgcolor='#C0C0C0' ><font face='Arial' size='2'>Eindresultaat</font></th>"
        "<th nowrap><font face='Arial' size='2'>1</font></th><th nowrap><font face='Arial' size='2'>2</font></th>"
        "</tr>" +
        row("Anna &lt;b&gt;", "9", "9", "") + row("Bram", "", "", "") + row("Piet", "7", "6", "7") +
        "</tr></table></body></html>";
    EXPECT_EQ(QString::fromLatin1(readAll(path)).toStdString(), expected.toStdString());
}

namespace {

// Enter in the save dialog, after typing `typed` when it is not empty; `preset` receives the name
// the dialog offered.
ModalAnswers::Step pressEnterInSaveDialog(QString* preset, const QString& typed = QString())
{
    return [=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!edit)
            return false;
        *preset = edit->text();
        if (!typed.isEmpty())
            edit->setText(typed);
        QTest::keyClick(edit, Qt::Key_Return);
        return true;
    };
}

bool answerNo(QWidget* modal)
{
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box || !box->button(QMessageBox::No))
        return false;
    box->button(QMessageBox::No)->click();
    return true;
}

} // namespace

// The toolkit's own save dialog, driven with the keyboard: the report never lands in the class
// folder as a file without "." (a pupil), and a name in quotes is saved as shown.
TEST_F(ResultformCommandsTest, ReportSavedWithEnterNeverAddsAPupil)
{
    setPrompts(nullptr);
    struct Case {
        QString className;
        QString typed; // empty: the preset name
        QString saved;
    };
    const Case cases[] = {
        {QStringLiteral("Klas 1B"), QString(), QStringLiteral("Klas 1B.html")},
        {QStringLiteral("Review \"X\""), QString(), QStringLiteral("Review \"X\".html")},
        {QStringLiteral("Klas 1B"), QStringLiteral("verslag"), QStringLiteral("verslag.html")},
        {QStringLiteral("Review \"X\""), QStringLiteral("Review \"Y\""), QStringLiteral("Review \"Y\".html")},
    };
    for (const Case& c : cases)
        folder.writePupil(c.className, "Jan", {{"Optellen Test", "6"}});
    Resultform& f = open();
    for (const Case& c : cases) {
        const QString classFolder = folder.documents() + c.className;
        for (const QString& file : QDir(classFolder).entryList({QStringLiteral("*.html")}, QDir::Files))
            QFile::remove(classFolder + QLatin1Char('/') + file);
        clickClass(c.className);
        ASSERT_EQ(f.lblnLeerling->text(), QStringLiteral("1"));
        QString preset;
        ModalAnswers answers({pressEnterInSaveDialog(&preset, c.typed), answerNo});
        f.mnuMaakHTMLbestand->trigger();
        EXPECT_TRUE(answers.allDone()) << c.saved.toStdString();
        EXPECT_EQ(preset, c.className + QStringLiteral(".html"));
        EXPECT_EQ(QDir(classFolder).entryList(QDir::Files).join(QLatin1Char('|')).toStdString(),
                  ("Jan|" + c.saved).toStdString());
        f.cmdVerVers_Click();
        EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("1")) << c.saved.toStdString();
    }
}

// Ververs and the class commands show the class again by its name, whatever came or went before
// it, and the count and average (which the report and the CSV take) are those of the rows shown.
TEST_F(ResultformCommandsTest, RefreshShowsTheSameClassByNameWithItsFigures)
{
    const struct {
        void (Resultform::*command)();
        QString elsewhere; // made ("+") or removed ("-") by another PC first
        QString typed;     // empty: cancelled
        QString shown;     // empty: the root
    } cases[] = {
        {&Resultform::cmdVerVers_Click, "+0A", "", "1B"},  {&Resultform::cmdVerVers_Click, "-1A", "", "1B"},
        {&Resultform::cmdVerVers_Click, "-1B", "", ""},    {&Resultform::pKlasHernoemen_Click, "", "00", "00"},
        {&Resultform::pKlasHernoemen_Click, "", "", "1B"}, {&Resultform::pklasleegmaken_Click, "", "", "1B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (&c - cases) << " " << c.elsewhere.toStdString());
        QDir(folder.documents()).removeRecursively();
        folder.writePupil("1A", "Anna", {{"Optellen Test", "5"}});
        folder.writePupil("1B", "Jan", {{"Optellen Test", "8"}});
        folder.writePupil("1B", "Piet", {{"Optellen Test", "6"}, {"Delen Test", "8"}});
        folder.makeClass("1C");
        Resultform& f = open();
        clickClass("1B");
        if (c.elsewhere.startsWith(u'+'))
            folder.makeClass(c.elsewhere.mid(1));
        else if (c.elsewhere.startsWith(u'-'))
            QDir(folder.documents() + c.elsewhere.mid(1)).removeRecursively();
        recorded.prompts.texts = {c.typed};
        recorded.prompts.answers = {PromptAnswer::Cancel};
        (f.*c.command)();
        const bool rows = !c.shown.isEmpty();
        EXPECT_EQ(rows ? selectedText() : Resultform::nodeKey(f.SelectedNode), rows ? c.shown : QStringLiteral("root"));
        EXPECT_EQ(f.TreeView->currentItem(), f.SelectedNode);
        const ReportTable table = f.tableSnapshot();
        EXPECT_EQ(table.rows.size(), rows ? 2 : 0);
        EXPECT_EQ(table.countCaption, rows ? QStringLiteral("2") : QStringLiteral("0"));
        EXPECT_EQ(table.averageCaption, rows ? QStringLiteral("7,5") : QStringLiteral("0"));
    }
}

// A report or export started while the table fills would describe half a class.
TEST_F(ResultformCommandsTest, ReportAndExportWaitForAFinishedTable)
{
    for (int p = 0; p < 5; ++p)
        folder.writePupil("4A", QStringLiteral("L%1").arg(p), {{"Optellen Test", "6"}});
    Resultform& f = open();
    // The two items are greyed while it fills, and their handlers, called directly, wait too.
    const std::array starts = {&Resultform::mnuMaakHTMLbestand_Click, &Resultform::mnuExporteerCSV_Click};
    for (int i = 0; i < 2; ++i) {
        f.TreeView_NodeClick(f.TreeView->topLevelItem(0));
        recorded.prompts.calls.clear();
        bool sawFill = false;
        QTimer::singleShot(0, &f, [&] {
            sawFill = f.isFilling();
            EXPECT_FALSE(f.mnuMaakHTMLbestand->isEnabled()) << i;
            EXPECT_FALSE(f.mnuExporteerCSV->isEnabled()) << i;
            (f.*starts[i])();
        });
        clickClass("4A");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.isFilling(); }));
        EXPECT_TRUE(sawFill) << i;
        EXPECT_TRUE(recorded.prompts.calls.isEmpty()) << i;
        EXPECT_EQ(f.lblnLeerling->text(), QStringLiteral("5"));
        EXPECT_TRUE(f.mnuMaakHTMLbestand->isEnabled());
        EXPECT_TRUE(f.mnuExporteerCSV->isEnabled());
    }
}

// Another PC renamed the class shown (gone under its name): every command on it says so and refreshes; the
// save dialog never opens elsewhere (the working folder) for it.
TEST_F(ResultformCommandsTest, CommandsOnAClassGoneElsewhereSaySoAndRefresh)
{
    // Klas hernoemen, leegmaken, verwijderen, the report and the export.
    const std::array commands = {&Resultform::pKlasHernoemen_Click, &Resultform::pklasleegmaken_Click,
                                 &Resultform::pKlasVerwijderen_Click, &Resultform::mnuMaakHTMLbestand_Click,
                                 &Resultform::mnuExporteerCSV_Click};
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "command " << i);
        QDir(folder.documents()).removeRecursively();
        folder.writePupil("4A", "Jan", {{"Optellen Test", "8"}});
        folder.writePupil("4B", "Piet", {{"Optellen Test", "6"}});
        Resultform& f = open();
        clickClass("4B");
        ASSERT_TRUE(
            QDir().rename(folder.documents() + QStringLiteral("4B"), folder.documents() + QStringLiteral("4C")));
        recorded.prompts.calls.clear();
        recorded.prompts.texts = {folder.documents() + QStringLiteral("4C")};
        recorded.prompts.answers = {PromptAnswer::Ok};
        (f.*commands[i])();
        ASSERT_EQ(recorded.prompts.calls.size(), 1);
        EXPECT_EQ(recorded.prompts.calls[0].kind, PromptCall::Message);
        EXPECT_EQ(recorded.prompts.calls[0].text, ClassGoneText(QStringLiteral("4B")));
        EXPECT_EQ(recorded.prompts.calls[0].title, QStringLiteral("Waarschuwing!"));
        EXPECT_EQ(Resultform::nodeKey(f.SelectedNode), QStringLiteral("root"));
        EXPECT_EQ(classNames(), QStringList({"4A", "4C"}));
        EXPECT_EQ(QDir(folder.documents() + QStringLiteral("4A")).entryList(QDir::Files), QStringList{"Jan"});
    }
}
