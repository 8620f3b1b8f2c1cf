#include "Cursusform.h"
#include "CourseFixture.h"
#include "ProgramFolder.h"
#include "RecordingPrompts.h"
#include "modPublic.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <deque>
#include <gtest/gtest.h>

namespace {

const QByteArray courseBytes = "[Cursus]\r\nTitel=Tekenen\r\nVersie=5\r\n"
                               "[Modules]\r\nm1=Inleiding\r\nm1o1=Het scherm\r\nm1o1swf=scherm\r\n"
                               "m1o6=Inleiding Test\r\nm1o6swf=\r\nm2=Lijnen\r\nm2o1=Rechte lijnen\r\nm2o1swf=recht\r\n"
                               "[Extra]\r\nsleutel=waarde\r\n";

const QByteArray factoryBytes = "[Cursus]\r\nTitel=Fabriek\r\n[Modules]\r\nm1=Start\r\nm1o6=Start Test\r\nm1o6swf=\r\n";

// What OK writes for the unchanged course: "Modules" moves to the end and m2 gains its test.
const QByteArray unchangedSave = "[Cursus]\r\nTitel=Tekenen\r\nVersie=5\r\n[Extra]\r\nsleutel=waarde\r\n"
                                 "[Modules]\r\nm1=Inleiding\r\nm1o1=Het scherm\r\nm1o1swf=scherm\r\n"
                                 "m1o6=Inleiding Test\r\nm1o6swf=\r\nm2=Lijnen\r\nm2o1=Rechte lijnen\r\n"
                                 "m2o1swf=recht\r\nm2o6=Lijnen Test\r\nm2o6swf=\r\n";

class Editor : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetPaths(dir.path() + QLatin1Char('/'));
        ASSERT_TRUE(QDir().mkpath(MovieFolder));
        store(CourseFile, courseBytes);
        store(DefaultCourseFile, factoryBytes);
    }

    void TearDown() override { delete form; }

    void open()
    {
        form = new Cursusform;
        form->show();
        tree = form->findChild<QTreeWidget*>("TreeView");
        ASSERT_NE(tree, nullptr);
    }

    QPushButton* button(const char* name) { return form->findChild<QPushButton*>(name); }
    QAction* action(const char* name) { return form->findChild<QAction*>(name); }

    QTreeWidgetItem* item(const QString& text)
    {
        const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return items.size() == 1 ? items.first() : nullptr;
    }

    QString currentKey() const { return form->tree().node(form->tree().current()).key; }

    void click(const QString& text, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QTreeWidgetItem* it = item(text);
        ASSERT_NE(it, nullptr) << text.toStdString();
        if (it->parent())
            it->parent()->setExpanded(true);
        tree->scrollToItem(it);
        QTest::mouseClick(tree->viewport(), mouse, {}, tree->visualItemRect(it).center());
    }

    // Right-clicks `text` and returns "name,name,...|default" of the menu that opened.
    QString contextMenuAt(const QString& text)
    {
        QString seen;
        QTimer::singleShot(0, [&seen] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QStringList names;
            for (QAction* a : menu->actions())
                if (a->isVisible())
                    names << a->objectName();
            seen = names.join(',') + '|' + (menu->defaultAction() ? menu->defaultAction()->objectName() : QString());
            menu->close();
        });
        click(text, Qt::RightButton);
        return seen;
    }

    QTemporaryDir dir;
    ScopedPrompts scoped;
    RecordingPrompts& recorded = scoped.prompts;
    Cursusform* form = nullptr;
    QTreeWidget* tree = nullptr;
};

TEST_F(Editor, OpensOnTheTitleWithModulesFolded)
{
    open();
    EXPECT_EQ(form->windowTitle(), "Cursus Inhoud wijzigen - Tekenen");
    EXPECT_TRUE(form->isModal());
    EXPECT_EQ(form->size(), QSize(368, 437));
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Tekenen");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_FALSE(root->child(0)->isExpanded());
    EXPECT_EQ(root->child(1)->child(1)->text(0), "Lijnen Test");
    EXPECT_EQ(tree->currentItem(), root);
    EXPECT_EQ(currentKey(), "root");
    EXPECT_FALSE(button("cdmUp")->isEnabled());
    EXPECT_FALSE(button("cmdDown")->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Editor, ControlsAndMenuAsDesigned)
{
    open();
    EXPECT_EQ(form->findChild<QGroupBox*>("frmEdit")->title(), "Inhoud Wijzigen");
    EXPECT_EQ(form->findChild<QGroupBox*>("frmEdit")->geometry(), QRect(8, 8, 353, 425));
    EXPECT_EQ(tree->geometry(), QRect(16, 16, 289, 345));
    EXPECT_EQ(button("cdmUp")->toolTip(), "Element omhoog verplaatsen");
    EXPECT_EQ(button("cmdDown")->toolTip(), "Element omlaag verplaatsen");
    EXPECT_FALSE(button("cdmUp")->icon().isNull());
    EXPECT_TRUE(button("cdmUp")->text().isEmpty());
    EXPECT_EQ(button("cmdDown")->geometry(), QRect(312, 56, 33, 33));
    EXPECT_EQ(button("cmdDefault")->text(), "Default");
    EXPECT_EQ(button("cmdOk")->text(), "OK");
    EXPECT_TRUE(button("cmdOk")->isDefault());
    EXPECT_EQ(button("cmdOk")->geometry(), QRect(128, 384, 105, 25));
    EXPECT_EQ(button("cmdCancel")->text(), "Cancel");
    auto* menu = form->findChild<QMenu*>("pPopupMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Popupmenu");
    QStringList items;
    for (QAction* a : menu->actions())
        items << a->objectName() + '=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items.join(';').toStdString(),
              "Hernoemtitel=Hernoem titel...;Hernoemmodule=Hernoem module...;NieuweModule=Nieuwe module...;"
              "Verwijdermodule=Verwijder module;HernoemOnderwerp=Hernoem onderwerp...;"
              "NieuwOnderwerp=Nieuw onderwerp...;WijzigOnderwerp=Wijzig onderwerp...;"
              "VerwijderOnderwerp=Verwijder onderwerp;Hypen=-;Sluiten=Sluiten");
}

TEST_F(Editor, ContextMenuIsForTheCurrentNode)
{
    open();
    // The title is current: right-clicking a topic neither selects it nor offers topic commands.
    tree->topLevelItem(0)->child(0)->setExpanded(true);
    EXPECT_EQ(currentKey(), "m1");
    click("Tekenen");
    EXPECT_EQ(contextMenuAt("Het scherm").toStdString(), "Hernoemtitel,NieuweModule,Hypen,Sluiten|");
    EXPECT_EQ(currentKey(), "root");
    EXPECT_EQ(tree->currentItem()->text(0), "Tekenen");
    click("Het scherm");
    EXPECT_EQ(currentKey(), "m1o1");
    EXPECT_EQ(contextMenuAt("Lijnen").toStdString(),
              "HernoemOnderwerp,NieuwOnderwerp,WijzigOnderwerp,VerwijderOnderwerp,Hypen,Sluiten|WijzigOnderwerp");
    click("Lijnen");
    EXPECT_EQ(contextMenuAt("Lijnen").toStdString(), "Hernoemmodule,NieuweModule,Verwijdermodule,Hypen,Sluiten|");
    EXPECT_TRUE(button("cdmUp")->isEnabled());
    EXPECT_FALSE(button("cmdDown")->isEnabled());
}

TEST_F(Editor, RenameAsksWithPromptTitleAndOldText)
{
    open();
    click("Lijnen");
    recorded.texts = {"Krommen", ""};
    action("Hernoemmodule")->trigger();
    action("Hernoemmodule")->trigger(); // emptied field: no change
    ASSERT_EQ(recorded.calls.size(), 2);
    EXPECT_EQ(recorded.calls[0].kind, PromptCall::InputBox);
    EXPECT_EQ(recorded.calls[0].text, "Geef een nieuwe modulenaam op");
    EXPECT_EQ(recorded.calls[0].title, "Module Hernoemen");
    EXPECT_EQ(recorded.calls[0].defaultText, "Lijnen");
    EXPECT_EQ(recorded.calls[1].defaultText, "Krommen");
    EXPECT_NE(item("Krommen"), nullptr);
    EXPECT_EQ(currentKey(), "m2");
}

TEST_F(Editor, NewModuleAndTopicUseTheirInputBoxes)
{
    open();
    click("Lijnen");
    recorded.texts = {"Vlakken"};
    action("NieuweModule")->trigger();
    EXPECT_EQ(recorded.calls.last().text, "Geef een nieuwe modulenaam op");
    EXPECT_EQ(recorded.calls.last().title, "Module aanmaken");
    EXPECT_EQ(recorded.calls.last().defaultText, "");
    EXPECT_EQ(currentKey(), "m2");
    EXPECT_EQ(tree->currentItem()->text(0), "Vlakken");
    click("Het scherm");
    recorded.texts = {"Muis"};
    action("NieuwOnderwerp")->trigger();
    EXPECT_EQ(recorded.calls.last().text, "Geef een nieuwe onderwerpnaam op");
    EXPECT_EQ(recorded.calls.last().title, "Onderwerp aanmaken");
    EXPECT_EQ(currentKey(), "m1o1");
    EXPECT_EQ(tree->currentItem()->text(0), "Muis");
    EXPECT_EQ(tree->currentItem()->parent()->child(1)->text(0), "Het scherm");
}

TEST_F(Editor, DoubleClickOnTopicChoosesMovie)
{
    open();
    click("Inleiding");
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item("Inleiding")).center());
    EXPECT_TRUE(recorded.calls.isEmpty()); // a module: nothing
    recorded.texts = {"/elders/intro.swf", ""};
    click("Het scherm");
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item("Het scherm")).center());
    ASSERT_EQ(recorded.calls.size(), 1);
    const FileDialogRequest& r = recorded.calls[0].request;
    EXPECT_EQ(recorded.calls[0].kind, PromptCall::OpenFile);
    EXPECT_EQ(r.title, "Selecteer een SWF bestand");
    EXPECT_EQ(r.filter, "SFW bestand (*.swf)|*.swf");
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.initialFolder, MovieFolder);
    EXPECT_EQ(r.fileName, "scherm");
    EXPECT_EQ(form->tree().node(form->tree().current()).tag, "intro");
    action("WijzigOnderwerp")->trigger(); // cancelled
    EXPECT_EQ(recorded.calls.last().request.fileName, "intro");
    EXPECT_EQ(form->tree().node(form->tree().current()).tag, "intro");
}

TEST_F(Editor, OkWithoutChangesRewritesAndCloses)
{
    // The second time the file is UTF-8 with a byte-order mark, as a text editor may save it; it stays so.
    for (const QByteArray& mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        const QByteArray title = mark.isEmpty() ? "Tekenen" : "Tek\xC3\xA9nen";
        store(CourseFile, mark + QByteArray(courseBytes).replace("Tekenen", title));
        open();
        EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral(" - ") + QString::fromUtf8(title))) << title.data();
        QTest::keyClick(form, Qt::Key_Return);
        EXPECT_EQ(readAll(CourseFile).toStdString(),
                  (mark + QByteArray(unchangedSave).replace("Tekenen", title)).toStdString());
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), QDialog::Accepted);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(recorded.calls.isEmpty());
        delete std::exchange(form, nullptr);
    }
}

// Enter presses the button that has the focus; from the tree it presses OK, the default button.
TEST_F(Editor, EnterPressesTheFocusedButton)
{
    struct Case {
        const char* focus;
        QString select;            // tree item clicked first, if any
        const char* focusedBefore; // widget that had the focus before, if any
        bool saves;
        bool staysOpen;
        QString current; // key=text of the current node afterwards
        int prompts;
    };
    const Case cases[] = {
        {"cmdCancel", {}, nullptr, false, false, "root=Tekenen", 0},
        {"cmdDefault", {}, nullptr, false, true, "root=Tekenen", 1}, // its question, answered Cancel
        {"cdmUp", "Lijnen", nullptr, false, true, "m1=Lijnen", 0},
        {"cmdDown", "Inleiding", nullptr, false, true, "m2=Inleiding", 0},
        {"cmdOk", {}, nullptr, true, false, "root=Tekenen", 0},
        {"TreeView", {}, nullptr, true, false, "root=Tekenen", 0},
        {"TreeView", {}, "cmdCancel", true, false, "root=Tekenen", 0},
    };
    for (const Case& c : cases) {
        const std::string name =
            std::string(c.focus) + (c.focusedBefore ? " after " : "") + (c.focusedBefore ? c.focusedBefore : "");
        store(CourseFile, courseBytes);
        recorded.calls.clear();
        open();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form)) << name;
        if (!c.select.isEmpty())
            click(c.select);
        for (const char* focus : {c.focusedBefore, c.focus}) {
            if (!focus)
                continue;
            auto* widget = form->findChild<QWidget*>(focus);
            ASSERT_NE(widget, nullptr) << name;
            widget->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), widget) << name;
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(readAll(CourseFile).toStdString(), (c.saves ? unchangedSave : courseBytes).toStdString()) << name;
        EXPECT_EQ(form->isVisible(), c.staysOpen) << name;
        const CourseTree::Node& current = form->tree().node(form->tree().current());
        EXPECT_EQ((current.key + '=' + current.text).toStdString(), c.current.toStdString()) << name;
        EXPECT_EQ(recorded.calls.size(), c.prompts) << name;
        delete form;
        form = nullptr;
    }
}

// A tree rule that breaks inside a command (no command can reach one today) undoes the command
// and says so in Dutch, not with the tree's internal text.
TEST_F(Editor, CommandThatFailsInsideTheTreeIsUndoneWithADutchMessage)
{
    open();
    click("Lijnen");
    const QString before = dumpTree(form->tree());
    form->command([](CourseTree& t) {
        t.rename("Half");
        t.newModule("Half");
        throw std::logic_error("duplicate course tree key m3");
    });
    EXPECT_EQ(dumpTree(form->tree()).toStdString(), before.toStdString());
    EXPECT_EQ(currentKey(), "m2");
    EXPECT_EQ(item("Half"), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), "Lijnen");
    ASSERT_EQ(recorded.calls.size(), 1);
    EXPECT_EQ(recorded.calls[0].text,
              "Deze wijziging kan niet worden uitgevoerd. De cursusinhoud blijft zoals hij was.");
    EXPECT_EQ(recorded.calls[0].title, "Er is een Fout opgetreden!");
    EXPECT_EQ(recorded.calls[0].icon, PromptIcon::Critical);
    QTest::mouseClick(button("cmdOk"), Qt::LeftButton);
    EXPECT_EQ(readAll(CourseFile).toStdString(), unchangedSave.toStdString());
}

TEST_F(Editor, OkAfterMovingModuleUpWritesRecreatedTopicsLast)
{
    open();
    click("Lijnen");
    QTest::mouseClick(button("cdmUp"), Qt::LeftButton);
    EXPECT_EQ(currentKey(), "m1");
    EXPECT_EQ(tree->currentItem()->text(0), "Lijnen");
    QTest::mouseClick(button("cmdOk"), Qt::LeftButton);
    EXPECT_EQ(readAll(CourseFile).toStdString(),
              "[Cursus]\r\nTitel=Tekenen\r\nVersie=5\r\n[Extra]\r\nsleutel=waarde\r\n"
              "[Modules]\r\nm1=Lijnen\r\nm2=Inleiding\r\n"
              "m2o1=Het scherm\r\nm2o1swf=scherm\r\nm1o1=Rechte lijnen\r\nm1o1swf=recht\r\n"
              "m2o6=Inleiding Test\r\nm2o6swf=\r\nm1o6=Lijnen Test\r\nm1o6swf=\r\n");
}

TEST_F(Editor, CancelEscapeAndCloseBoxWriteNothing)
{
    for (int way = 0; way < 3; ++way) {
        open();
        click("Lijnen");
        recorded.texts = {"Weg"};
        action("Hernoemmodule")->trigger();
        action("Verwijdermodule")->trigger();
        if (way == 0)
            QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(form, Qt::Key_Escape);
        else
            form->close();
        EXPECT_FALSE(form->isVisible()) << way;
        EXPECT_EQ(readAll(CourseFile), courseBytes) << way;
        delete form;
        form = nullptr;
    }
}

// Default asks first. OK puts the factory file in place of the course, and cancelling the window
// afterwards keeps it; Cancel changes nothing; a missing factory file is said and keeps the course.
TEST_F(Editor, DefaultRestoresTheFactoryFileAfterAsking)
{
    const struct {
        const char* name;
        PromptAnswer answer;
        bool factoryThere;
        const char* failure; // nullptr: none
    } cases[] = {
        {"Ok", PromptAnswer::Ok, true, nullptr},
        {"Cancel", PromptAnswer::Cancel, true, nullptr},
        {"NoFactoryFile", PromptAnswer::Ok, false, "File not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store(CourseFile, courseBytes);
        if (!c.factoryThere) {
            ASSERT_TRUE(QFile::remove(DefaultCourseFile));
        }
        recorded.calls.clear();
        delete std::exchange(form, nullptr);
        open();
        click("Lijnen");
        recorded.answers = {c.answer};
        QTest::mouseClick(button("cmdDefault"), Qt::LeftButton);
        ASSERT_EQ(recorded.calls.size(), c.failure ? 2 : 1);
        EXPECT_EQ(recorded.calls[0].text, "Deze actie verwijdert alle huidige instellingen en zet deze terug naar de "
                                          "standaard waarde. Weet u het zeker?");
        EXPECT_EQ(recorded.calls[0].title, "Default waarde terug zetten?");
        EXPECT_EQ(recorded.calls[0].icon, PromptIcon::Question);
        EXPECT_EQ(recorded.calls[0].buttons, PromptButtons::OkCancel);
        if (c.failure) {
            EXPECT_EQ(recorded.calls[1].text, c.failure);
            EXPECT_EQ(recorded.calls[1].title, "Er is een Fout opgetreden!");
            EXPECT_EQ(recorded.calls[1].icon, PromptIcon::Critical);
        }
        const bool restored = c.answer == PromptAnswer::Ok && !c.failure;
        const QByteArray after = restored ? factoryBytes : courseBytes;
        EXPECT_EQ(readAll(CourseFile), after);
        EXPECT_EQ(form->windowTitle(),
                  restored ? "Cursus Inhoud wijzigen - Fabriek" : "Cursus Inhoud wijzigen - Tekenen");
        EXPECT_EQ(currentKey(), restored ? "root" : "m2");
        EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), restored ? "Start" : "Inleiding");
        EXPECT_TRUE(form->isVisible());
        for (const char* name : {"cmdOk", "cmdCancel", "cmdDefault"})
            EXPECT_TRUE(button(name)->isEnabled()) << name;
        QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
        EXPECT_EQ(readAll(CourseFile), after);
        if (!c.factoryThere)
            store(DefaultCourseFile, factoryBytes);
    }
}

// Grades filed under a test the factory course lacks vanish from the table once it is restored:
// Default counts them in all classes and asks first, as OK does for a renamed test.
TEST_F(Editor, DefaultCountsTheGradesTheFactoryCourseWouldHide)
{
    const QString documents = dir.path() + QStringLiteral("/Documenten/");
    const auto pupil = [&](const char* path, const QByteArray& grades) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(documents + QLatin1String(path)).path()));
        store(documents + QLatin1String(path), "[Resultaten]\r\n" + grades);
    };
    pupil("4B/Anna", "Inleiding Test=7\r\n");
    pupil("4B/Bart", "inleiding test=6\r\n");
    pupil("4B/Cor", "Start Test=8\r\n");
    pupil("4C/Dirk", "Inleiding Test=5\r\nStart Test=6\r\n");
    pupil("4C/Eva", "Inleiding Test=\r\n"); // no grade
    DocumentFolder = documents;
    const QString question =
        QStringLiteral("De standaard cursus heeft deze toetsen niet. Cijfers die eronder zijn opgeslagen, worden na "
                       "het terugzetten niet meer getoond:\n\n\"Inleiding Test\": cijfers in 3 leerlingbestanden\n\n"
                       "Wilt u toch de standaard waarde terug zetten?");
    const QByteArray factoryWithTheTest =
        "[Cursus]\r\nTitel=Fabriek\r\n[Modules]\r\nm1=Start\r\nm1o6=INLEIDING TEST\r\n";
    struct Case {
        const char* name;
        QByteArray factory;
        std::deque<PromptAnswer> answers;
        QString asked; // empty: only the general question
        bool restored;
    };
    const Case cases[] = {
        {"No", factoryBytes, {PromptAnswer::Ok, PromptAnswer::No}, question, false},
        {"Yes", factoryBytes, {PromptAnswer::Ok, PromptAnswer::Yes}, question, true},
        {"FactoryHasTheTest", factoryWithTheTest, {PromptAnswer::Ok}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store(CourseFile, courseBytes);
        store(DefaultCourseFile, c.factory);
        recorded.calls.clear();
        delete form;
        open();
        recorded.answers = c.answers;
        QTest::mouseClick(button("cmdDefault"), Qt::LeftButton);
        ASSERT_EQ(recorded.calls.size(), c.asked.isEmpty() ? 1 : 2);
        if (!c.asked.isEmpty()) {
            EXPECT_EQ(recorded.calls[1].text, c.asked);
            EXPECT_EQ(recorded.calls[1].title, QStringLiteral("Cijfers verborgen"));
            EXPECT_EQ(recorded.calls[1].buttons, PromptButtons::YesNo);
            EXPECT_EQ(recorded.calls[1].icon, PromptIcon::Question);
        }
        EXPECT_EQ(readAll(CourseFile), c.restored ? c.factory : courseBytes);
        EXPECT_TRUE(button("cmdDefault")->isEnabled());
    }
}

TEST_F(Editor, FailedSaveKeepsTheOldFileAndTheWindow)
{
    open();
    click("Lijnen");
    action("Verwijdermodule")->trigger();
    // A folder where the new file must go: the replacement cannot be made.
    const QString blocked = CourseFile;
    ASSERT_TRUE(QFile::rename(blocked, blocked + ".bak"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    QTest::mouseClick(button("cmdOk"), Qt::LeftButton);
    ASSERT_EQ(recorded.calls.size(), 1);
    EXPECT_EQ(recorded.calls[0].title, "Er is een Fout opgetreden!");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    // The window can still be closed with its close box.
    form->close();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Editor, MissingCourseFileShowsOnlyTheTitleNode)
{
    ASSERT_TRUE(QFile::remove(CourseFile));
    open();
    EXPECT_EQ(form->windowTitle(), "Cursus Inhoud wijzigen - ");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "");
    EXPECT_TRUE(action("Hernoemtitel")->isVisible());
    EXPECT_TRUE(action("NieuweModule")->isVisible());
    EXPECT_TRUE(action("NieuweModule")->isEnabled());
    EXPECT_FALSE(action("Hernoemmodule")->isVisible());
    EXPECT_FALSE(button("cdmUp")->isEnabled());
    EXPECT_FALSE(button("cmdDown")->isEnabled());
}

} // namespace
