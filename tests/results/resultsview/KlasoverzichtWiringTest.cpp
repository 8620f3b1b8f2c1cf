// The class overview and printing as the results window offers them: the items of "Bestand", the
// marks of insufficient grades in the table, and the overview following the table's fills.
#include "ClassFigures.h"
#include "Klasoverzichtform.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"

#include <QAction>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

TEST(KlasoverzichtWiring, BestandOpensTheOverviewThatFollowsTheTablesFillsAndPrintsTheTable)
{
    ScopedPrompts recorded;
    TestProgram folder;
    folder.writeCourse("Rekenen", {"Optellen", "Breuken"});
    folder.writePupil("4A", "Jan", {{"Optellen Test", "8"}, {"Breuken Test", "4,5"}});
    folder.writePupil("4A", "Els", {{"Optellen Test", "6"}, {"Breuken Test", "ziek"}});
    folder.writePupil("4A", "Tim", {{"Optellen Test", ""}, {"Breuken Test", "5.5"}});
    folder.use();
    Resultform results;
    results.show();
    EXPECT_FALSE(results.mnuKlasoverzicht->isEnabled());
    EXPECT_FALSE(results.mnuAfdrukken->isEnabled());

    results.TreeView_NodeClick(findClassNode(results, "4A"));
    ASSERT_TRUE(results.mnuMaakHTMLbestand->isEnabled());
    EXPECT_TRUE(results.mnuKlasoverzicht->isEnabled());
    EXPECT_TRUE(results.mnuAfdrukken->isEnabled());

    // Grades below 5,5 are red in the table and said to be insufficient; others, texts and empty
    // cells are not marked.
    const QAbstractItemModel& table = *results.ListView->model();
    const struct {
        const char* pupil;
        const char* column;
        bool insufficient;
    } marks[] = {
        {"Jan", "Breuken", true},  {"Jan", "Optellen", false}, {"Tim", "Breuken", false}, // 5.5 passes
        {"Els", "Breuken", false}, {"Tim", "Optellen", false}, {"Jan", "Leerling naam", false},
    };
    for (const auto& m : marks) {
        const QModelIndex index = table.index(shownRowOf(results, m.pupil), shownHeaders(results).indexOf(m.column));
        ASSERT_TRUE(index.isValid()) << m.pupil << " " << m.column;
        const QVariant colour = index.data(Qt::ForegroundRole);
        EXPECT_EQ(colour.isValid() && colour.value<QBrush>().color() == InsufficientColour, m.insufficient)
            << m.pupil << " " << m.column;
        EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), m.insufficient ? InsufficientText : QString())
            << m.pupil << " " << m.column;
    }

    results.mnuKlasoverzicht->trigger();
    Klasoverzichtform* overview = results.klasoverzicht();
    ASSERT_NE(overview, nullptr);
    EXPECT_TRUE(overview->isVisible());
    EXPECT_EQ(DescribeFigures(overview->figures()).toStdString(),
              "Eindresultaat:3:6,00:6:6:0 Optellen:2:7,00:6:8:0 Breuken:2:5,00:4,5:5,5:1 ");

    // A new fill of the class brings its new figures; the root empties them.
    folder.writePupil("4A", "Kees", {{"Optellen Test", "5"}});
    results.cmdVerVers_Click();
    EXPECT_EQ(DescribeFigures(overview->figures()).toStdString(),
              "Eindresultaat:4:5,75:5:6:1 Optellen:3:6,33:5:8:1 Breuken:2:5,00:4,5:5,5:1 ");
    results.TreeView_NodeClick(results.TreeView->topLevelItem(0));
    EXPECT_TRUE(overview->figures().isEmpty());
    EXPECT_FALSE(results.mnuKlasoverzicht->isEnabled());
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());

    // The table printed to a file: the preview, the print dialog, the pages.
    results.TreeView_NodeClick(findClassNode(results, "4A"));
    const QString pdf = folder.path() + "klas.pdf";
    recorded.prompts.texts = {pdf};
    results.mnuAfdrukken->trigger();
    ASSERT_EQ(recorded.prompts.calls.size(), 2);
    EXPECT_EQ(recorded.prompts.calls[0].kind, PromptCall::PrintPreview);
    EXPECT_EQ(pdfPages(pdf), 1);
}

} // namespace
