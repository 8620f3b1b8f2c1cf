// The windows as a screen reader meets them (Qt's accessibility interfaces), the context menu keys
// and the pass-grade scroll bar's arrow keys.
#include "Cursusform.h"
#include "Instellingform.h"
#include "Klasoverzichtform.h"
#include "OddEntries.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"
#include "Startupform.h"
#include "Versieform.h"
#include "modsearch.h"
#include <QApplication>
#include <QTableView>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

// Qt's own table accessibility keeps the header cells it hands out to a screen reader until the
// process ends; the leak checker is told so for this program only.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6Widgets.so\n";
}

namespace {

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.writeCourse("Rekenen", {"Optellen", "Delen"});
        folder.writePupil("4A", "Jan", {{"Optellen Test", "8"}, {"Delen Test", "6"}});
        folder.writePupil("4A", "Els", {{"Optellen Test", "9"}});
        folder.makeClass("4B");
        folder.use();
        results = std::make_unique<Resultform>();
        results->show();
        results->TreeView_NodeClick(findClassNode(*results, QStringLiteral("4A")));
    }

    ScopedPrompts recorded;
    TestProgram folder;
    std::unique_ptr<Resultform> results;
};

const auto accessible = &QAccessible::queryAccessibleInterface;

// Every shown control has a name, and no two controls that take input share one; containers without a
// caption and the table's data cells have no name of their own.
TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasItsOwnName)
{
    Startupform login(folder.path());
    Instellingform settings;
    Cursusform editor;
    Versieform version;
    const QList unnamed{QAccessible::Client, QAccessible::MenuBar, QAccessible::Separator, QAccessible::Cell};
    const QList inputs{QAccessible::EditableText, QAccessible::CheckBox, QAccessible::ScrollBar,
                       QAccessible::PushButton,   QAccessible::Tree,     QAccessible::Table};
    results->mnuKlasoverzicht_Click();
    QWidget* overview = results->klasoverzicht();
    ASSERT_NE(overview, nullptr);
    for (QWidget* window :
         std::initializer_list<QWidget*>{&login, results.get(), &settings, &editor, &version, overview}) {
        window->show();
        QString faults;
        QMap<QString, QString> inputByName;
        const std::function<void(QAccessibleInterface*)> visit = [&](QAccessibleInterface* node) {
            const QAccessible::Role role = node->role();
            const QString name = node->text(QAccessible::Name).trimmed();
            const QString what = node->object() ? node->object()->objectName() : QString::number(role);
            if (node->state().invisible)
                return;
            if (name.isEmpty() && !unnamed.contains(role))
                faults += QStringLiteral("no name: %1; ").arg(what);
            if (inputs.contains(role) && inputByName.contains(name))
                faults += QStringLiteral("same name \"%1\": %2,%3; ").arg(name, inputByName[name], what);
            if (inputs.contains(role))
                inputByName[name] = what;
            for (int i = 0; role != QAccessible::Tree && role != QAccessible::Table && i < node->childCount(); ++i)
                visit(node->child(i));
        };
        visit(accessible(window));
        EXPECT_EQ(faults.toStdString(), "") << window->objectName().toStdString();
    }

    // Names that were there but said the wrong thing.
    const std::pair<QWidget*, const char*> named[] = {
        {login.txtpassword, "Geef Wachtwoord op:"},
        {settings.findChild<QWidget*>("cmdBrowse"), "Bladeren naar de map"},
        {settings.findChild<QWidget*>("scrVoldoende"), "Cijfer voor voldoende:"},
        {editor.findChild<QWidget*>("cdmUp"), "Module omhoog"},
    };
    for (const auto& [widget, name] : named)
        EXPECT_EQ(accessible(widget)->text(QAccessible::Name).toStdString(), name);

    // The figures are labelled by their captions.
    for (const auto& [figure, caption] :
         {std::pair{results->lblnLeerling, results->Label1}, {results->lblAvg, results->Label2}}) {
        const auto labels = accessible(figure)->relations(QAccessible::Label);
        EXPECT_TRUE(std::any_of(labels.cbegin(), labels.cend(), [&](const auto& l) {
            return l.first->object() == caption;
        })) << figure->objectName().toStdString();
    }
}

TEST_F(AccessibilityTest, ResultsTableReachesAssistiveTechnologyInTheOrderShown)
{
    results->ListView_ColumnClick(0); // by name, descending: Jan, Els
    QAccessibleInterface* table = accessible(results->ListView);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    QString seen;
    for (int c = 0; c < cells->columnCount(); ++c)
        seen += cells->columnDescription(c) + '|';
    for (int r = 0; r < cells->rowCount(); ++r)
        for (int c = 0; c < cells->columnCount(); ++c) {
            QAccessibleInterface* cell = cells->cellAt(r, c);
            ASSERT_NE(cell, nullptr);
            QAccessibleTableCellInterface* place = cell->tableCellInterface();
            seen += (c ? "" : "/") + cell->text(QAccessible::Name) + '|';
            EXPECT_EQ(std::pair(place->rowIndex(), place->columnIndex()), std::pair(r, c));
            EXPECT_EQ(place->columnHeaderCells().value(0)->text(QAccessible::Name), cells->columnDescription(c));
            // Focus and selection events name cells by their child number.
            EXPECT_EQ(table->child(table->indexOfChild(cell)), cell);
        }
    EXPECT_EQ(seen.toStdString(), "Leerling naam|Eindresultaat|Optellen|Delen|/Jan|7|8|6|/Els|9|9||");
}

// Names made on another system (not UTF-8) are read as they are shown, in the tree and the table.
TEST_F(AccessibilityTest, NamesThatAreNotUtf8AreReadAsShown)
{
    const OddEntriesRemoved cleanup(folder.path());
    const QByteArray klas = EntryPath(folder.documents(), "Klas \xe9");
    ASSERT_TRUE(MakeFolder(klas));
    ASSERT_TRUE(WriteBytes(klas + "/Ren\xe9", "[Resultaten]\r\nOptellen Test=6\r\n"));
    results->cmdVerVers_Click();
    results->TreeView_NodeClick(findClassNode(*results, NameFromBytes("Klas \xe9")));

    QAccessibleInterface* tree = accessible(results->TreeView);
    QStringList classes;
    for (int i = 0; i < tree->childCount(); ++i)
        classes << tree->child(i)->text(QAccessible::Name);
    EXPECT_TRUE(classes.contains(QString::fromUtf8("Klas é"))) << classes.join('|').toStdString();
    QAccessibleTableInterface* cells = accessible(results->ListView)->tableInterface();
    ASSERT_NE(cells, nullptr);
    ASSERT_EQ(cells->rowCount(), 1);
    EXPECT_EQ(cells->cellAt(0, 0)->text(QAccessible::Name), QString::fromUtf8("René"));
}

// Shift+F10, the Menu key and the platform's keyboard menu event open the tree's context menu on its
// current node, with that node's items.
TEST_F(AccessibilityTest, KeyboardOpensTheContextMenuAtTheCurrentNode)
{
    Cursusform editor;
    editor.show();
    auto* editorTree = editor.findChild<QTreeWidget*>("TreeView");
    QTreeWidgetItem* module = editorTree->topLevelItem(0)->child(1);
    editor.TreeView_NodeClick(module);
    const std::tuple<QTreeWidget*, QTreeWidgetItem*, std::string> menus[] = {
        {results->TreeView, results->SelectedNode,
         "pKlasAanmaken,pKlasHernoemen,pKlasVerwijderen,pklasleegmaken,pSluiten,"},
        {editorTree, module, "Hernoemmodule,NieuweModule,Verwijdermodule,Sluiten,"},
    };
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier), menuKey(QEvent::KeyPress, Qt::Key_Menu, {});
    QContextMenuEvent byKeyboard(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    for (const auto& [tree, node, items] : menus)
        for (QEvent* press : std::initializer_list<QEvent*>{&shiftF10, &menuKey, &byKeyboard}) {
            std::pair<std::string, bool> seen;
            bool done = false;
            QTimer::singleShot(0, tree, [&] { // a modal menu returns only when closed
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                for (QAction* a : menu ? menu->actions() : QList<QAction*>())
                    if (a->isVisible() && !a->isSeparator())
                        seen.first += a->objectName().toStdString() + ',';
                const QRect rect = tree->visualItemRect(node);
                seen.second =
                    menu && QRect(tree->viewport()->mapToGlobal(rect.topLeft()), rect.size()).contains(menu->pos());
                if (menu)
                    menu->close();
                done = true;
            });
            tree->setFocus();
            QCoreApplication::sendEvent(tree, press);
            EXPECT_TRUE(QTest::qWaitFor([&] { return done; }));
            EXPECT_EQ(seen, std::pair(items, true));
        }
}

TEST_F(AccessibilityTest, PassGradeArrowKeysMoveLikeTheArrowButtons)
{
    Instellingform settings;
    settings.show();
    auto* bar = settings.findChild<QScrollBar*>("scrVoldoende");
    bar->setFocus();
    for (const auto& [key, x] : {std::pair{Qt::Key_Right, bar->width() - 3}, {Qt::Key_Left, 3}}) {
        const int before = bar->value();
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
        const int byButton = bar->value() - before;
        ASSERT_NE(byButton, 0);
        QTest::keyClick(bar, key);
        EXPECT_EQ(bar->value() - before, 2 * byButton) << key;
        EXPECT_EQ(settings.findChild<QLabel*>("lblValue")->text(), QString::number(bar->value()));
    }
}

} // namespace
