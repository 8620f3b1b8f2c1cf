// The class overview window against a model shaped like the results table's: it follows the model,
// prints and saves only a finished table.
#include "Klasoverzichtform.h"
#include "ClassFigures.h"
#include "MeansChart.h"
#include "RecordingPrompts.h"
#include "ResultsTestSupport.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QList<QStandardItem*> pupil(const QString& name, const QVector<double>& grades)
{
    QList<QStandardItem*> row{new QStandardItem(name)};
    for (double g : grades) {
        auto* item = new QStandardItem(QString::number(g));
        item->setData(g, ResultsTableModel::NumberRole);
        row << item;
    }
    return row;
}

class KlasoverzichtformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.setHorizontalHeaderLabels({"Leerling naam", "Eindresultaat", "Optellen", "Breuken"});
        model.appendRow(pupil("Els", {6, 8, 4}));
        model.appendRow(pupil("Jan", {5, 6, 5}));
        form.setSource(&model);
        form.setClass(folder.path(), "4B", "Rekenen");
        form.show();
    }

    // The overview's table as text, row by row.
    QStringList shown() const
    {
        QStringList rows;
        const QAbstractItemModel* table = form.tblOverzicht->model();
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c)
                cells << table->index(r, c).data().toString();
            rows << cells.join('|');
        }
        return rows;
    }

    ScopedPrompts recorded;
    QTemporaryDir folder;
    QStandardItemModel model;
    Klasoverzichtform form;
};

TEST_F(KlasoverzichtformTest, FollowsTheModelsChangesOncePerBurst)
{
    EXPECT_EQ(form.windowTitle().toStdString(), "Klasoverzicht - 4B");
    EXPECT_EQ(shown(), (QStringList{"Eindresultaat|2|5,50|5|6|1", "Optellen|2|7,00|6|8|0", "Breuken|2|4,50|4|5|2"}));
    EXPECT_EQ(form.picGrafiek->bars().size(), 2);
    const QAbstractItemModel* table = form.tblOverzicht->model();
    EXPECT_EQ(table->index(2, 2).data(Qt::AccessibleDescriptionRole).toString(), "onvoldoende");
    EXPECT_FALSE(table->index(1, 2).data(Qt::AccessibleDescriptionRole).isValid());

    // A fill: the model is reset, rows come in batches; the figures follow each burst.
    form.setFilling(true);
    model.removeRows(0, model.rowCount());
    EXPECT_FALSE(form.cmdAfdrukken->isEnabled());
    EXPECT_FALSE(form.cmdOpslaanCSV->isEnabled());
    for (int i = 0; i < 30; ++i)
        model.appendRow(pupil(QStringLiteral("P%1").arg(i), {7, 9, 7}));
    EXPECT_EQ(form.lblKlas->text().toStdString(), "Klas 4B: 2 leerlingen (bezig met inlezen...)")
        << "not summed up before the burst has passed";
    QTRY_COMPARE(form.lblKlas->text(), QStringLiteral("Klas 4B: 30 leerlingen (bezig met inlezen...)"));
    EXPECT_EQ(shown().value(2).toStdString(), "Breuken|30|7,00|7|7|0");
    model.item(0, 3)->setData(1.0, ResultsTableModel::NumberRole); // a cell changes
    form.setFilling(false);
    EXPECT_EQ(form.figures().value(2).below, 1);
    EXPECT_TRUE(form.cmdOpslaanCSV->isEnabled());

    // A class folder named "Klas ..." is not called "Klas Klas ...".
    const std::pair<const char*, const char*> headings[] = {
        {"Klas 1A", "Klas 1A: "}, {"klas 2b", "klas 2b: "}, {"Klassen", "Klas Klassen: "}, {"Klas", "Klas Klas: "}};
    for (const auto& [className, heading] : headings) {
        form.setClass(folder.path(), QString::fromUtf8(className), "Rekenen");
        EXPECT_TRUE(form.lblKlas->text().startsWith(QString::fromUtf8(heading))) << form.lblKlas->text().toStdString();
    }

    // The root: no class, nothing to print or save.
    form.setClass(folder.path(), QString(), "Rekenen");
    EXPECT_TRUE(form.figures().isEmpty());
    EXPECT_EQ(form.windowTitle().toStdString(), "Klasoverzicht");
    EXPECT_EQ(form.lblKlas->text().toStdString(), "Geen klas gekozen");
    EXPECT_FALSE(form.cmdAfdrukken->isEnabled());
    form.cmdOpslaanCSV_Click();
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(KlasoverzichtformTest, SavesItsCsvWhereTheTeacherChoosesAndPrintsOnePage)
{
    const QString csv = folder.filePath("overzicht");
    recorded.prompts.texts = {csv};
    form.cmdOpslaanCSV_Click();
    ASSERT_EQ(recorded.prompts.calls.size(), 1);
    EXPECT_EQ(recorded.prompts.calls[0].request.fileName.toStdString(), "4B overzicht.csv");
    EXPECT_EQ(recorded.prompts.calls[0].request.initialFolder, folder.path() + "4B");
    EXPECT_TRUE(readAll(csv + ".csv")
                    .startsWith("\xEF\xBB\xBF"
                                "Kolom;Aantal;Gemiddelde;Laagste;Hoogste;Onder 5,5\r\n"
                                "Eindresultaat;2;5,50;5;6;1\r\n"));

    // A class gone meanwhile: the check stops the export before any dialog.
    form.setExportCheck([] { return false; });
    form.cmdOpslaanCSV_Click();
    form.cmdAfdrukken_Click();
    EXPECT_EQ(recorded.prompts.calls.size(), 1);
    form.setExportCheck({});

    const QString pdf = folder.filePath("overzicht.pdf");
    recorded.prompts.texts = {pdf};
    form.cmdAfdrukken_Click();
    ASSERT_EQ(recorded.prompts.calls.size(), 3);
    EXPECT_EQ(recorded.prompts.calls[1].kind, PromptCall::PrintPreview);
    EXPECT_EQ(recorded.prompts.calls[2].kind, PromptCall::ChoosePrinter);
    EXPECT_EQ(pdfPages(pdf), 1);
}

TEST_F(KlasoverzichtformTest, EveryPartIsNamedAndReachedByTheKeyboard)
{
    QStringList order;
    QWidget* w = form.tblOverzicht;
    for (int i = 0; i < 5; ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (!(w->isVisible() && (w->focusPolicy() & Qt::TabFocus)))
            w = w->nextInFocusChain();
    }
    EXPECT_EQ(order, (QStringList{"tblOverzicht", "picGrafiek", "cmdAfdrukken", "cmdOpslaanCSV", "cmdSluiten"}));
    for (QWidget* w : std::initializer_list<QWidget*>{form.tblOverzicht, form.picGrafiek, form.cmdAfdrukken,
                                                      form.cmdOpslaanCSV, form.cmdSluiten, form.lblKlas})
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
            << w->objectName().toStdString();

    // The arrow keys go from bar to bar.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.picGrafiek->setFocus();
    EXPECT_EQ(form.picGrafiek->currentBar(), 0);
    // Each key from where the previous one left off; no step goes past either end.
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Left, 0}, {Qt::Key_Right, 1}, {Qt::Key_Right, 1}, {Qt::Key_Home, 0}, {Qt::Key_End, 1}};
    for (const auto& [key, bar] : steps) {
        QTest::keyClick(form.picGrafiek, key);
        EXPECT_EQ(form.picGrafiek->currentBar(), bar) << QKeySequence(key).toString().toStdString();
    }
    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(form.picGrafiek);
    ASSERT_NE(chart->focusChild(), nullptr);
    EXPECT_EQ(chart->focusChild()->text(QAccessible::Name).toStdString(), "Breuken: gemiddeld 4,5");
}

} // namespace
