// The windows as a screen reader meets them (Qt's accessibility interfaces), the context menu keys
// and the pass-grade scroll bar's arrow keys.
#include "Cursusform.h"
#include "Instellingform.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"
#include "Startupform.h"
#include "Versieform.h"

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

namespace {

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        folder.writeCourse(QStringLiteral("Rekenen"), {QStringLiteral("Optellen"), QStringLiteral("Delen")});
        folder.writePupil(QStringLiteral("4A"), QStringLiteral("Jan"), {{"Optellen Test", "8"}, {"Delen Test", "6"}});
        folder.writePupil(QStringLiteral("4A"), QStringLiteral("Els"), {{"Optellen Test", "9"}});
        folder.makeClass(QStringLiteral("4B"));
        folder.use();
        form = std::make_unique<Resultform>();
        results = form.get();
        results->show();
        results->TreeView_NodeClick(findClassNode(*results, QStringLiteral("4A")));
    }

    ScopedPrompts recorded;
    TestProgram folder;
    std::unique_ptr<Resultform> form;
    Resultform* results = nullptr;
};

QAccessibleInterface* accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// Shown controls without a name, and controls that take input sharing a name.
QString namingFaults(QWidget* window)
{
    QStringList faults;
    QMap<QString, QStringList> inputsByName;
    const std::function<void(QAccessibleInterface*)> visit = [&](QAccessibleInterface* node) {
        if (node->state().invisible)
            return;
        const QAccessible::Role role = node->role();
        const QString name = node->text(QAccessible::Name).trimmed();
        const QString what = node->object() ? node->object()->objectName() : QString::number(role);
        // Containers without a caption and the table's data cells have no name of their own.
        const QList<QAccessible::Role> unnamed{QAccessible::Client, QAccessible::MenuBar, QAccessible::Separator,
                                               QAccessible::Cell};
        if (name.isEmpty() && !unnamed.contains(role))
            faults << QStringLiteral("no name: ") + what;
        const QList<QAccessible::Role> inputs{QAccessible::EditableText, QAccessible::CheckBox, QAccessible::ScrollBar,
                                              QAccessible::PushButton,   QAccessible::Tree,     QAccessible::Table};
        if (inputs.contains(role))
            inputsByName[name] << what;
        for (int i = 0; role != QAccessible::Tree && role != QAccessible::Table && i < node->childCount(); ++i)
            visit(node->child(i));
    };
    visit(accessible(window));
    for (auto it = inputsByName.cbegin(); it != inputsByName.cend(); ++it)
        if (it.value().size() > 1)
            faults << QStringLiteral("same name \"%1\": %2").arg(it.key(), it.value().join(QLatin1Char(',')));
    return faults.join(QLatin1String("; "));
}

TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasItsOwnName)
{
    Startupform login(folder.path());
    Instellingform settings;
    Cursusform editor;
    Versieform version;
    for (QWidget* window : std::initializer_list<QWidget*>{&login, results, &settings, &editor, &version}) {
        window->show();
        EXPECT_EQ(namingFaults(window).toStdString(), "") << window->objectName().toStdString();
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
    QStringList seen;
    for (int r = -1; r < cells->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < cells->columnCount(); ++c) {
            if (r < 0) {
                row << cells->columnDescription(c);
                continue;
            }
            QAccessibleInterface* cell = cells->cellAt(r, c);
            ASSERT_NE(cell, nullptr);
            QAccessibleTableCellInterface* place = cell->tableCellInterface();
            row << cell->text(QAccessible::Name);
            EXPECT_EQ(std::pair(place->rowIndex(), place->columnIndex()), std::pair(r, c));
            EXPECT_EQ(place->columnHeaderCells().value(0)->text(QAccessible::Name), cells->columnDescription(c));
            // Focus and selection events name cells by their child number.
            EXPECT_EQ(table->child(table->indexOfChild(cell)), cell);
        }
        seen << row.join(QLatin1Char('|'));
    }
    EXPECT_EQ(seen.join(QLatin1Char('/')).toStdString(),
              "Leerling naam|Eindresultaat|Optellen|Delen/Jan|7|8|6/Els|9|9|");
}

// Runs `press` in `tree` and returns the shown items of the context menu that opened, and whether
// it opened on `node`.
std::pair<std::string, bool> menuOpenedBy(const std::function<void(QWidget*)>& press, QTreeWidget* tree,
                                          QTreeWidgetItem* node)
{
    std::pair<std::string, bool> seen;
    QTimer hook; // a modal menu returns only when closed
    hook.setSingleShot(true);
    QObject::connect(&hook, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* a : menu ? menu->actions() : QList<QAction*>())
            if (a->isVisible() && !a->isSeparator())
                seen.first += a->objectName().toStdString() + ',';
        const QRect rect = tree->visualItemRect(node);
        seen.second = menu && QRect(tree->viewport()->mapToGlobal(rect.topLeft()), rect.size()).contains(menu->pos());
        if (menu)
            menu->close();
    });
    hook.start(0);
    tree->setFocus();
    press(tree);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hook.isActive(); }));
    return seen;
}

const std::function<void(QWidget*)> menuKeys[] = {
    [](QWidget* tree) { QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier); },
    [](QWidget* tree) { QTest::keyClick(tree, Qt::Key_Menu); },
    [](QWidget* tree) {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QCoreApplication::sendEvent(tree, &event);
    },
};

TEST_F(AccessibilityTest, KeyboardOpensTheClassMenuAtTheCurrentClass)
{
    for (const auto& press : menuKeys)
        EXPECT_EQ(
            menuOpenedBy(press, results->TreeView, results->SelectedNode),
            std::pair(std::string("pKlasAanmaken,pKlasHernoemen,pKlasVerwijderen,pklasleegmaken,pSluiten,"), true));
}

TEST_F(AccessibilityTest, KeyboardOpensTheEditorMenuAtTheCurrentNode)
{
    Cursusform editor;
    editor.show();
    auto* tree = editor.findChild<QTreeWidget*>("TreeView");
    QTreeWidgetItem* module = tree->topLevelItem(0)->child(1);
    editor.TreeView_NodeClick(module);
    for (const auto& press : menuKeys)
        EXPECT_EQ(menuOpenedBy(press, tree, module),
                  std::pair(std::string("Hernoemmodule,NieuweModule,Verwijdermodule,Sluiten,"), true));
}

TEST_F(AccessibilityTest, PassGradeArrowKeysMoveLikeTheArrowButtons)
{
    Instellingform settings;
    settings.show();
    auto* bar = settings.findChild<QScrollBar*>("scrVoldoende");
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
        EXPECT_EQ(settings.findChild<QLabel*>("lblValue")->text(), QString::number(bar->value()));
    }
}

} // namespace
