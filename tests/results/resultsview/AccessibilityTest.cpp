// The windows as a screen reader meets them: Qt's accessibility interfaces, the keyboard's
// context menu keys and the pass-grade scroll bar's arrow keys.
#include "Cursusform.h"
#include "Instellingform.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"
#include "Startupform.h"
#include "Versieform.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        folder.writeCourse(QStringLiteral("Rekenen"), {QStringLiteral("Optellen"), QStringLiteral("Delen")});
        folder.makeClass(QStringLiteral("4A"));
        folder.writePupil(QStringLiteral("4A"), QStringLiteral("Jan"), {{"Optellen Test", "8"}, {"Delen Test", "6"}});
        folder.writePupil(QStringLiteral("4A"), QStringLiteral("Els"), {{"Optellen Test", "9"}});
        folder.use();
    }

    Resultform& openResults()
    {
        results = std::make_unique<Resultform>();
        results->show();
        results->TreeView_NodeClick(findClassNode(*results, QStringLiteral("4A")));
        return *results;
    }

    ScopedPrompts recorded;
    TestProgram folder;
    std::unique_ptr<Resultform> results;
};

QAccessibleInterface* accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// What a listener cannot act on: shown controls without a name, and controls that take input
// sharing a name with another one of the window.
QStringList namingFaults(QWidget* window)
{
    QStringList faults;
    QMap<QString, QStringList> controlsByName;
    const std::function<void(QAccessibleInterface*)> visit = [&](QAccessibleInterface* node) {
        if (!node || node->state().invisible)
            return;
        const QAccessible::Role role = node->role();
        const QString name = node->text(QAccessible::Name).trimmed();
        const QString what = node->object() ? node->object()->objectName() : QString::number(int(role));
        // Containers without a caption and the table's data cells have no name of their own.
        const bool needsName = role != QAccessible::Client && role != QAccessible::Pane &&
                               role != QAccessible::MenuBar && role != QAccessible::Separator &&
                               role != QAccessible::Cell && role != QAccessible::Row;
        if (needsName && name.isEmpty())
            faults << QStringLiteral("no name: ") + what;
        switch (role) {
        case QAccessible::EditableText:
        case QAccessible::CheckBox:
        case QAccessible::ScrollBar:
        case QAccessible::PushButton:
        case QAccessible::Tree:
        case QAccessible::Table:
            controlsByName[name] << what;
            break;
        default:
            break;
        }
        if (role == QAccessible::Tree || role == QAccessible::Table)
            return; // its items are data
        for (int i = 0; i < node->childCount(); ++i)
            visit(node->child(i));
    };
    visit(accessible(window));
    for (auto it = controlsByName.cbegin(); it != controlsByName.cend(); ++it)
        if (it.value().size() > 1)
            faults << QStringLiteral("same name \"%1\": %2").arg(it.key(), it.value().join(QLatin1Char(',')));
    return faults;
}

TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasItsOwnName)
{
    Startupform login(folder.path());
    login.show();
    Resultform& main = openResults();
    Instellingform settings;
    settings.show();
    Cursusform editor;
    editor.show();
    Versieform version;
    version.show();
    for (QWidget* window : std::initializer_list<QWidget*>{&login, &main, &settings, &editor, &version})
        EXPECT_EQ(namingFaults(window).join(QLatin1String("; ")).toStdString(), "")
            << window->objectName().toStdString();

    // Names that were there but said the wrong thing.
    const std::pair<QWidget*, QString> named[] = {
        {login.txtpassword, QStringLiteral("Geef Wachtwoord op:")},
        {settings.findChild<QWidget*>("cmdBrowse"), QStringLiteral("Bladeren naar de map")},
        {settings.findChild<QWidget*>("txtOldP"), QStringLiteral("Oud wachtwoord")},
        {settings.findChild<QWidget*>("scrVoldoende"), QStringLiteral("Cijfer voor voldoende:")},
        {editor.findChild<QWidget*>("cdmUp"), QStringLiteral("Module omhoog")},
        {editor.findChild<QWidget*>("cmdDown"), QStringLiteral("Module omlaag")},
    };
    for (const auto& [widget, name] : named)
        EXPECT_EQ(accessible(widget)->text(QAccessible::Name).toStdString(), name.toStdString());

    // The figures are labelled by their captions.
    for (const auto& [figure, caption] : {std::pair{main.lblnLeerling, main.Label1}, {main.lblAvg, main.Label2}}) {
        bool labelled = false;
        for (const auto& [other, relation] : accessible(figure)->relations(QAccessible::Label))
            labelled = labelled || other->object() == caption;
        EXPECT_TRUE(labelled) << figure->objectName().toStdString();
    }
}

TEST_F(AccessibilityTest, ResultsTableReachesAssistiveTechnologyInTheOrderShown)
{
    Resultform& f = openResults();
    f.ListView_ColumnClick(0); // by name, descending: Jan, Els
    QAccessibleInterface* table = accessible(f.ListView);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_EQ(cells->columnCount(), 4);
    ASSERT_EQ(cells->rowCount(), 2);

    const QStringList headers{"Leerling naam", "Eindresultaat", "Optellen", "Delen"};
    const QStringList rows[] = {{"Jan", "7", "8", "6"}, {"Els", "9", "9", ""}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(cells->columnDescription(c), headers[c]);
        for (int r = 0; r < 2; ++r) {
            QAccessibleInterface* cell = cells->cellAt(r, c);
            ASSERT_NE(cell, nullptr) << r << "," << c;
            EXPECT_EQ(cell->text(QAccessible::Name), rows[r][c]) << r << "," << c;
            QAccessibleTableCellInterface* place = cell->tableCellInterface();
            EXPECT_EQ(place->rowIndex(), r);
            EXPECT_EQ(place->columnIndex(), c);
            ASSERT_EQ(place->columnHeaderCells().size(), 1);
            EXPECT_EQ(place->columnHeaderCells()[0]->text(QAccessible::Name), headers[c]);
            // The cell's child number leads back to the same cell (focus and selection use it).
            EXPECT_EQ(table->child(table->indexOfChild(cell)), cell);
        }
    }
    // What the report and CSV take is unchanged: creation order.
    EXPECT_EQ(f.tableSnapshot().headers, (QStringList{"Leerling naam", "Optellen", "Delen", "Eindresultaat"}));
}

TEST_F(AccessibilityTest, KeyboardOpensTheClassMenuAtTheCurrentClass)
{
    folder.makeClass(QStringLiteral("4B"));
    Resultform& f = openResults();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const std::function<void()> asks[] = {
        [&] { QTest::keyClick(f.TreeView, Qt::Key_F10, Qt::ShiftModifier); },
        [&] { QTest::keyClick(f.TreeView, Qt::Key_Menu); },
        [&] {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
            QCoreApplication::sendEvent(f.TreeView, &event);
        },
    };
    for (const auto& ask : asks) {
        f.TreeView->setFocus();
        QTreeWidgetItem* node = findClassNode(f, QStringLiteral("4A"));
        ASSERT_EQ(f.SelectedNode, node);
        ask();
        ASSERT_TRUE(f.pPopopmenu->isVisible());
        const QRect nodeRect = f.TreeView->visualItemRect(node);
        EXPECT_TRUE(QRect(f.TreeView->viewport()->mapToGlobal(nodeRect.topLeft()), nodeRect.size())
                        .contains(f.pPopopmenu->pos()));
        recorded.prompts.calls.clear();
        QTest::mouseClick(f.pPopopmenu, Qt::LeftButton, {}, f.pPopopmenu->actionGeometry(f.pklasleegmaken).center());
        QCoreApplication::processEvents();
        ASSERT_EQ(recorded.prompts.calls.size(), 1);
        EXPECT_EQ(recorded.prompts.calls[0].text,
                  QStringLiteral("Wilt u de gegevens in de klas: 4A verwijderen? (Alle resultaten gaan verloren)"));
    }
}

TEST_F(AccessibilityTest, KeyboardOpensTheEditorMenuAtTheCurrentNode)
{
    Cursusform editor;
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    auto* tree = editor.findChild<QTreeWidget*>("TreeView");
    QTreeWidgetItem* module = tree->topLevelItem(0)->child(1);
    editor.TreeView_NodeClick(module);
    for (const auto key : {QKeyCombination(Qt::ShiftModifier, Qt::Key_F10), QKeyCombination(Qt::Key_Menu)}) {
        QString seen;
        QPoint at;
        QTimer hook;
        hook.setSingleShot(true);
        QObject::connect(&hook, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* a : menu->actions())
                if (a->isVisible() && !a->isSeparator())
                    seen += a->objectName() + QLatin1Char(',');
            at = menu->pos();
            menu->close();
        });
        hook.start(0);
        tree->setFocus();
        QTest::keyClick(tree, key.key(), key.keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !hook.isActive(); }));
        EXPECT_EQ(seen.toStdString(), "Hernoemmodule,NieuweModule,Verwijdermodule,Sluiten,");
        const QRect nodeRect = tree->visualItemRect(module);
        EXPECT_TRUE(QRect(tree->viewport()->mapToGlobal(nodeRect.topLeft()), nodeRect.size()).contains(at));
    }
}

TEST_F(AccessibilityTest, PassGradeArrowKeysMoveLikeTheArrowButtons)
{
    Instellingform settings;
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    auto* bar = settings.findChild<QScrollBar*>("scrVoldoende");
    auto* value = settings.findChild<QLabel*>("lblValue");
    bar->setFocus();
    const std::pair<Qt::Key, QPoint> keyAndButton[] = {
        {Qt::Key_Right, QPoint(bar->width() - 3, bar->height() / 2)},
        {Qt::Key_Left, QPoint(3, bar->height() / 2)},
    };
    for (const auto& [key, button] : keyAndButton) {
        const int before = bar->value();
        QTest::mouseClick(bar, Qt::LeftButton, {}, button);
        const int byButton = bar->value() - before;
        ASSERT_NE(byButton, 0);
        QTest::keyClick(bar, key);
        EXPECT_EQ(bar->value() - before, 2 * byButton) << key;
        EXPECT_EQ(value->text(), QString::number(bar->value()));
    }
}

} // namespace
