// The settings window opened from the results window's menu, as the teacher uses it.

#include "Instellingform.h"
#include "ProgramFolder.h"
#include "Resultform.h"
#include "ResultsTableModel.h"

#include "INIfunc.h"
#include "ModalAnswers.h"
#include "RecordingPrompts.h"
#include "modPublic.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QStringList classes(const Resultform& window)
{
    QStringList names;
    const QTreeWidgetItem* root = window.TreeView->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        names << root->child(i)->text(0);
    return names;
}

class SettingsFromMenu : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir program(dir.path());
        for (const char* folder : {"swf", "Documenten/4A", "Documenten/4B", "elders/5C"})
            ASSERT_TRUE(program.mkpath(QLatin1String(folder)));
        SetPaths(dir.path());
        SetDocumentFolder();
    }

    // Runs `inDialog` on the settings window once the menu item has opened it modally.
    static void whileOpen(Resultform& window, const std::function<void(Instellingform&)>& inDialog)
    {
        EXPECT_TRUE(whileModal([&] { window.mnuInstellingenWijzigen->trigger(); },
                               [&](QWidget* shown) {
                                   auto* form = qobject_cast<Instellingform*>(shown);
                                   if (!form)
                                       return false;
                                   inDialog(*form);
                                   form->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
                                   return true;
                               }));
    }

    QTemporaryDir dir;
    ScopedPrompts scoped;
};

TEST_F(SettingsFromMenu, MenuItemIsInTheSettingsMenu)
{
    Resultform window;
    ASSERT_NE(window.mnuInstellingenWijzigen, nullptr);
    EXPECT_EQ(window.mnuInstellingenWijzigen->objectName(), QStringLiteral("mnuInstellingenWijzigen"));
    EXPECT_EQ(window.mnuInstellingenWijzigen->text(), QStringLiteral("&Programma wijzigen..."));
    ASSERT_FALSE(window.mnuInstelling->actions().isEmpty());
    EXPECT_EQ(window.mnuInstelling->actions().first(), window.mnuInstellingenWijzigen);
}

TEST_F(SettingsFromMenu, NewDataFolderShowsAtOnceInTheClassTree)
{
    store(dir.path() + QStringLiteral("/Documenten/4B/Jan"), {});
    Resultform window;
    ASSERT_EQ(classes(window), (QStringList{"4A", "4B"}));
    window.TreeView_NodeClick(window.TreeView->topLevelItem(0)->child(1));
    ASSERT_TRUE(window.mnuMaakHTMLbestand->isEnabled());
    ASSERT_EQ(window.lblnLeerling->text(), QStringLiteral("1"));

    bool modal = false;
    whileOpen(window, [&](Instellingform& form) {
        modal = form.isModal() && form.isVisible();
        form.findChild<QLineEdit*>(QStringLiteral("txtdocumenten"))->setText(dir.path() + QStringLiteral("/elders"));
        form.findChild<QPushButton*>(QStringLiteral("cmdApply"))->click();
        // Already while the window is still open.
        EXPECT_EQ(classes(window), (QStringList{"5C"}));
    });

    EXPECT_TRUE(modal);
    EXPECT_EQ(classes(window), (QStringList{"5C"}));
    // The root is current again, and shown as after the window's load.
    EXPECT_EQ(window.SelectedNode, window.TreeView->topLevelItem(0));
    EXPECT_EQ(window.TreeView->currentItem(), window.SelectedNode);
    EXPECT_EQ(window.resultsModel()->rowCount(), 0);
    EXPECT_EQ(window.lblnLeerling->text(), QStringLiteral("0"));
    EXPECT_EQ(window.lblAvg->text(), QStringLiteral("0"));
    EXPECT_FALSE(window.mnuMaakHTMLbestand->isEnabled());
    EXPECT_FALSE(window.mnuExporteerCSV->isEnabled());
    EXPECT_EQ(ReadINI(SettingsFile, QStringLiteral("Profiel"), QStringLiteral("Documenten"), QString()),
              dir.path() + QStringLiteral("/elders"));
}

TEST_F(SettingsFromMenu, ClosingWithoutApplyChangesNothing)
{
    Resultform window;
    whileOpen(window, [&](Instellingform& form) {
        form.findChild<QLineEdit*>(QStringLiteral("txtdocumenten"))->setText(dir.path() + QStringLiteral("/elders/"));
    });
    EXPECT_EQ(classes(window), (QStringList{"4A", "4B"}));
    EXPECT_FALSE(QFile::exists(SettingsFile));
}

} // namespace
