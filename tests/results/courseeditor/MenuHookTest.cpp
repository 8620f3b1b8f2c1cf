// The results window's menu item that opens the editor.

#include "Cursusform.h"
#include "ModalAnswers.h"
#include "ProgramFolder.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "modPublic.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(EditorMenu, OpensTheEditorModallyWithHourglassThenArrow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetPaths(dir.path() + QLatin1Char('/'));
    ASSERT_TRUE(QDir().mkpath(MovieFolder));
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/Documenten"));
    SetDocumentFolder();
    store(CourseFile, "[Cursus]\r\nTitel=Tekenen\r\n[Modules]\r\nm1=Inleiding\r\n");
    ScopedPrompts scoped;

    Resultform window;
    auto* menu = window.findChild<QMenu*>("mnuInstelling");
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* a : menu->actions())
        items << a->objectName() + '=' + a->text();
    EXPECT_EQ(items.join(';').toStdString(),
              "mnuInstellingenWijzigen=&Programma wijzigen...;mnuInstellingenCursusInhoud=Cursus inhoud wijzigen...");

    QString seenTitle;
    bool modal = false;
    EXPECT_TRUE(whileModal([&] { window.findChild<QAction*>("mnuInstellingenCursusInhoud")->trigger(); },
                           [&](QWidget* shown) {
                               auto* editor = qobject_cast<Cursusform*>(shown);
                               if (!editor)
                                   return false;
                               seenTitle = editor->windowTitle();
                               modal = editor->isModal();
                               editor->reject();
                               return true;
                           }));
    EXPECT_EQ(seenTitle, "Cursus Inhoud wijzigen - Tekenen");
    EXPECT_TRUE(modal);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
