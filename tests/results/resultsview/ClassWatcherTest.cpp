// The shown class follows the disk by itself: changes by other programs refill the table (once per
// burst, never under a dialog, menu or running fill), the program's own changes do not.
#include "ClassWatcher.h"
#include "OddEntries.h"
#include "ProgramFolder.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"
#include "SlowShare.h"
#include "modsearch.h"

#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Grades = QVector<std::pair<QString, QString>>;

const QString Optellen = QStringLiteral("Optellen Test");
const QString Aftrekken = QStringLiteral("Aftrekken Test");
const QString Klas = QStringLiteral("4B");

// Long enough for a refill that should not come to have come.
constexpr int QuietMs = 300;

class ClassWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        folder.writeCourse("Rekenen", {"Optellen", "Aftrekken"});
    }

    void openWindow()
    {
        folder.use();
        form = std::make_unique<Resultform>();
        form->show();
        watcher = form->findChild<ClassWatcher*>();
        ASSERT_NE(watcher, nullptr);
        watcher->setSettleDelay(50);
    }

    void show(const QString& cls = Klas)
    {
        ASSERT_NO_FATAL_FAILURE(openWindow());
        QTreeWidgetItem* node = findClassNode(*form, cls);
        ASSERT_NE(node, nullptr);
        form->TreeView_NodeClick(node);
    }

    QString pupilPath(const QString& pupil, const QString& cls = Klas) const
    {
        return folder.documents() + cls + QLatin1Char('/') + pupil;
    }

    // Written beside the file and renamed over it, as careful writers do.
    void replacePupil(const QString& pupil, const Grades& grades) const
    {
        folder.writePupil(Klas, pupil + ".tmp", grades);
        ASSERT_EQ(std::rename(QFile::encodeName(pupilPath(pupil + QStringLiteral(".tmp"))).constData(),
                              QFile::encodeName(pupilPath(pupil)).constData()),
                  0);
    }

    // The text of `column` in the row of `pupil`, or "-" when there is no such row.
    QString cell(const QString& pupil, int column) const
    {
        const int row = shownRowOf(*form, pupil);
        return row < 0 ? QStringLiteral("-") : shownCell(*form, row, column);
    }

    // A share is compared every 2 seconds; a busy machine may take many times longer.
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

    ScopedPrompts recorded;
    TestProgram folder;
    std::unique_ptr<Resultform> form;
    ClassWatcher* watcher = nullptr;
};

TEST_F(ClassWatcherTest, ChangesByOthersShowByThemselves)
{
    folder.writePupil(Klas, "Anna", {{Optellen, "6"}, {Aftrekken, "8"}});
    folder.writePupil(Klas, "Bram", {{Optellen, "5"}});
    show();
    ASSERT_EQ(form->lblAvg->text(), QStringLiteral("6"));

    struct Step {
        const char* label;
        std::function<void()> change;
        QString pupil;
        int column;
        QString shown;
        QString count;
        QString average;
    };
    const QString anna = QStringLiteral("Anna"), bram = QStringLiteral("Bram"), cor = QStringLiteral("Cor");
    const QByteArray renamed =
        "[Modules]\r\nm1=Optellen\r\nm1o6=Aftrekken Test\r\nm2=Aftrekken\r\nm2o6=Aftrekken Test\r\n";
    // In this order: each step also proves the watch survived the one before.
    // clang-format off
    const Step steps[] = {
        {"grade written in place", [&] { folder.writePupil(Klas, anna, {{Optellen, "9"}, {Aftrekken, "8"}}); },
         anna, 1, "9", "2", "7"},
        {"file replaced by a rename", [&] { replacePupil(bram, {{Optellen, "7"}}); }, bram, 1, "7", "2", "8"},
        {"the replaced file written in place", [&] { folder.writePupil(Klas, bram, {{Optellen, "3"}}); },
         bram, 1, "3", "2", "6"},
        {"pupil added", [&] { folder.writePupil(Klas, cor, {{Aftrekken, "10"}}); },
         cor, 2, "10", "3", "7.33333333333333"},
        {"pupil removed", [&] { QFile::remove(pupilPath(bram)); }, bram, 0, "-", "2", "9.5"},
        // Module 1 now reads the second test: Anna's 8 and Cor's 10 in both columns.
        {"test renamed in the course description",
         [&] { folder.writeFile(QStringLiteral("swf/Omschrijving.ini"), renamed); }, anna, 1, "8", "2", "9"},
    };
    // clang-format on
    int refreshes = 0;
    for (const Step& step : steps) {
        step.change();
        EXPECT_TRUE(waitFor([&] { return cell(step.pupil, step.column) == step.shown; })) << step.label;
        EXPECT_EQ(form->lblnLeerling->text(), step.count) << step.label;
        EXPECT_EQ(form->lblAvg->text(), step.average) << step.label;
        EXPECT_GT(watcher->refreshCount(), refreshes) << step.label;
        refreshes = watcher->refreshCount();
    }
    // Reading the files is no change.
    QTest::qWait(QuietMs);
    EXPECT_EQ(watcher->refreshCount(), refreshes);
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

// On a share the kernel sees only this PC's writes; a write by another PC is a write to the
// folder behind the FUSE mount.
TEST_F(ClassWatcherTest, OnASharePollingShowsChangesTheKernelMisses)
{
    folder.writeFile(QStringLiteral("server/4B/Anna"), "[Resultaten]\r\nOptellen Test=6\r\n");
    const QString written = folder.path() + QStringLiteral("server/4B/Anna");
    SlowShare share(folder.path() + QStringLiteral("server"), folder.documents(), 0);
    if (!share.mounted() && SlowShare::mayLackRights())
        GTEST_SKIP() << "a FUSE mount needs root or read and write rights on /dev/fuse";
    ASSERT_TRUE(share.mounted());
    show();
    ASSERT_TRUE(watcher->polling());
    ASSERT_EQ(cell(QStringLiteral("Anna"), 1), QStringLiteral("6"));

    struct Step {
        const char* label;
        bool minimised;
        QByteArray grade;
    };
    const Step steps[] = {{"shown", false, "7"}, {"minimised, then shown again", true, "8"}};
    for (const Step& step : steps) {
        // The fill's own poll, which later ones are compared with, may be slow on a busy machine.
        ASSERT_TRUE(waitFor([&] { return watcher->comparing(); })) << step.label;
        const int refreshes = watcher->refreshCount();
        if (step.minimised)
            form->showMinimized();
        store(written, "[Resultaten]\r\nOptellen Test=" + step.grade + "\r\n");
        if (step.minimised) {
            // Nothing is polled while minimised.
            QTest::qWait(2500);
            EXPECT_EQ(watcher->refreshCount(), refreshes) << step.label;
            form->showNormal();
        }
        EXPECT_TRUE(waitFor([&] { return cell(QStringLiteral("Anna"), 1) == QString::fromLatin1(step.grade); }))
            << step.label;
        EXPECT_GT(watcher->refreshCount(), refreshes) << step.label;
    }
    form.reset();

    // A local disk is left to the kernel: nothing is polled.
    TestProgram local;
    local.writePupil(Klas, "Anna", {{Optellen, "6"}});
    local.use();
    Resultform onDisk;
    onDisk.TreeView_NodeClick(findClassNode(onDisk, Klas));
    EXPECT_FALSE(onDisk.findChild<ClassWatcher*>()->polling());
}

// On a share, the state later polls compare with is read before the fill reads the files, also
// while the window is minimised: a change made after the fill read its files shows, whenever it came.
TEST_F(ClassWatcherTest, OnAShareAChangeMadeDuringOrAfterTheFillShows)
{
    // Three rounds of look-ups of 200 ms each for the poll: the fill has read the course description
    // long before a poll running beside it would.
    for (int p = 0; p < 40; ++p)
        folder.writeFile(QStringLiteral("server/4B/L%1").arg(p, 2, 10, QLatin1Char('0')),
                         "[Resultaten]\r\nOptellen Test=6\r\n");
    SlowShare share(folder.path() + QStringLiteral("server"), folder.documents(), 200);
    if (!share.mounted() && SlowShare::mayLackRights())
        GTEST_SKIP() << "a FUSE mount needs root or read and write rights on /dev/fuse";
    ASSERT_TRUE(share.mounted());

    struct Row {
        const char* label;
        bool minimised; // minimised as the fill starts; the change is made before it is shown again
        std::function<bool()> shown;
    };
    const Row rows[] = {
        {"course description changed once the fill has read it", false,
         [&] { return shownHeaders(*form).contains(QStringLiteral("Plus")); }},
        {"pupil changed while minimised", true, [&] { return cell(QStringLiteral("L00"), 1) == QStringLiteral("9"); }},
    };
    for (const Row& row : rows) {
        ASSERT_NO_FATAL_FAILURE(openWindow());
        bool changed = false;
        if (row.minimised) {
            QObject::connect(form.get(), &Resultform::fillStarted, form.get(), [&] { form->showMinimized(); });
        } else {
            // The columns are made once the fill has read the course description and the listing.
            QObject::connect(form->resultsModel(), &QAbstractItemModel::modelReset, form.get(), [&] {
                if (form->isFilling() && !std::exchange(changed, true))
                    folder.writeFile(QStringLiteral("swf/Omschrijving.ini"),
                                     "[Modules]\r\nm1=Plus\r\nm1o6=Optellen Test\r\n");
            });
        }
        form->TreeView_NodeClick(findClassNode(*form, Klas));
        ASSERT_FALSE(form->isFilling()) << row.label;
        ASSERT_EQ(shownRowCount(*form), 40) << row.label;
        if (row.minimised) {
            ASSERT_TRUE(form->isMinimized()) << row.label;
            folder.writeFile(QStringLiteral("server/4B/L00"), "[Resultaten]\r\nOptellen Test=9\r\n");
            form->showNormal();
        } else {
            ASSERT_TRUE(changed) << row.label;
        }
        EXPECT_TRUE(waitFor(row.shown)) << row.label;
        form.reset();
    }
}

TEST_F(ClassWatcherTest, ColumnsFollowTheCourseDescription)
{
    folder.writePupil(Klas, "Anna", {{Optellen, "6"}, {Aftrekken, "8"}});
    show();
    const auto titles = [&] { return shownHeaders(*form); };
    ASSERT_EQ(titles(), (QStringList{"Leerling naam", "Eindresultaat", "Optellen", "Aftrekken"}));

    // A module renamed, one added: the columns are made again, the final result still shown second.
    folder.writeFile(QStringLiteral("swf/Omschrijving.ini"),
                     "[Modules]\r\nm1=Plus\r\nm1o6=Optellen Test\r\nm2=Aftrekken\r\nm2o6=Aftrekken Test\r\n"
                     "m3=Alles\r\nm3o6=Aftrekken Test\r\n");
    const QStringList expected{"Leerling naam", "Eindresultaat", "Plus", "Aftrekken", "Alles"};
    EXPECT_TRUE(waitFor([&] { return titles() == expected; })) << titles().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(cell(QStringLiteral("Anna"), 3), QStringLiteral("8"));
    EXPECT_EQ(cell(QStringLiteral("Anna"), 4), QStringLiteral("7")); // final result, the last column made
}

TEST_F(ClassWatcherTest, RefillKeepsSortSelectionAndScrollPosition)
{
    for (int p = 0; p < 80; ++p)
        folder.writePupil(Klas, QStringLiteral("L%1").arg(p, 2, 10, QLatin1Char('0')),
                          {{Optellen, QString::number(1 + p % 9)}});
    show();
    ASSERT_TRUE(waitFor([&] { return form->ListView->verticalScrollBar()->maximum() > 20; }));
    form->ListView_ColumnClick(1); // grades, descending
    const int chosen = shownRowOf(*form, QStringLiteral("L40"));
    ASSERT_GE(chosen, 0);
    form->ListView->setCurrentIndex(form->ListView->model()->index(chosen, 0));
    QScrollBar* scroll = form->ListView->verticalScrollBar();
    scroll->setValue(scroll->maximum() / 2);
    const int position = scroll->value();
    const QString average = form->lblAvg->text();

    folder.writePupil(Klas, "L03", {{Optellen, "1"}, {Aftrekken, "1"}});
    ASSERT_TRUE(waitFor([&] { return cell(QStringLiteral("L03"), 2) == QStringLiteral("1"); }));

    const int sorted = form->shownColumns()->shownColumn(1);
    EXPECT_EQ(form->ListView->horizontalHeader()->sortIndicatorSection(), sorted);
    EXPECT_EQ(form->ListView->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(shownCell(*form, 0, 1), QStringLiteral("9"));
    EXPECT_EQ(form->ListView->currentIndex().siblingAtColumn(0).data().toString(), QStringLiteral("L40"));
    const QModelIndexList selected = form->ListView->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().data().toString(), QStringLiteral("L40"));
    EXPECT_EQ(scroll->value(), position);
    EXPECT_NE(form->lblAvg->text(), average);
    EXPECT_EQ(form->lblnLeerling->text(), QStringLiteral("80"));
}

TEST_F(ClassWatcherTest, WaitsForAnOpenDialogOrMenuThenRefillsOnce)
{
    struct Case {
        const char* label;
        std::function<std::unique_ptr<QWidget>(QWidget* parent)> open;
    };
    const Case cases[] = {
        {"dialog",
         [](QWidget* parent) {
             auto dialog = std::make_unique<QDialog>(parent);
             dialog->setModal(true);
             dialog->show();
             return std::unique_ptr<QWidget>(std::move(dialog));
         }},
        {"menu",
         [](QWidget* parent) {
             auto menu = std::make_unique<QMenu>(parent);
             menu->addAction(QStringLiteral("Iets"));
             menu->popup(parent->geometry().center());
             return std::unique_ptr<QWidget>(std::move(menu));
         }},
    };
    int grade = 1;
    for (const Case& c : cases) {
        folder.writePupil(Klas, "Anna", {{Optellen, "6"}});
        show();
        const std::unique_ptr<QWidget> blocker = c.open(form.get());
        ASSERT_TRUE(blocker->isVisible()) << c.label;

        // A burst of writes while it is open.
        for (int i = 0; i < 3; ++i)
            folder.writePupil(Klas, "Anna", {{Optellen, QString::number(++grade)}});
        ASSERT_TRUE(waitFor([&] { return watcher->changePending(); })) << c.label;
        QTest::qWait(QuietMs);
        EXPECT_EQ(cell(QStringLiteral("Anna"), 1), QStringLiteral("6")) << c.label;
        EXPECT_EQ(watcher->refreshCount(), 0) << c.label;

        blocker->hide();
        EXPECT_TRUE(waitFor([&] { return cell(QStringLiteral("Anna"), 1) == QString::number(grade); })) << c.label;
        QTest::qWait(QuietMs);
        EXPECT_EQ(watcher->refreshCount(), 1) << c.label;
    }
}

TEST_F(ClassWatcherTest, ChangeDuringAFillWaitsForItsEnd)
{
    for (int p = 0; p < 40; ++p)
        folder.writePupil(Klas, QStringLiteral("L%1").arg(p, 2, 10, QLatin1Char('0')), {{Optellen, "5"}});
    show();
    watcher->setSettleDelay(0);
    bool refilledInsideAFill = false;
    QObject::connect(watcher, &ClassWatcher::refreshing, form.get(),
                     [&] { refilledInsideAFill = refilledInsideAFill || form->isFilling(); });
    // Written among the events the teacher's next fill lets run.
    QTimer::singleShot(0, form.get(), [&] { folder.writePupil(Klas, "L00", {{Optellen, "8"}}); });
    form->TreeView_NodeClick(findClassNode(*form, Klas));

    EXPECT_TRUE(waitFor([&] { return cell(QStringLiteral("L00"), 1) == QStringLiteral("8"); }));
    EXPECT_FALSE(refilledInsideAFill);
    EXPECT_EQ(shownRowCount(*form), 40);
    EXPECT_EQ(form->lblnLeerling->text(), QStringLiteral("40"));
}

TEST_F(ClassWatcherTest, TheProgramsOwnChangesRefillNothing)
{
    struct Case {
        const char* label;
        std::function<void()> act;
    };
    const Case cases[] = {
        // A report saved without extension would count as a pupil.
        {"report saved into the class folder",
         [&] {
             recorded.prompts.texts = {pupilPath(QStringLiteral("rapport"))};
             recorded.prompts.answers = {PromptAnswer::No};
             form->mnuMaakHTMLbestand_Click();
         }},
        // Failing on its second file, emptying stops without a refresh: the table stays.
        {"emptying that fails half-way",
         [&] {
             QFile::setPermissions(pupilPath(QStringLiteral("Bram")), QFileDevice::ReadOwner);
             recorded.prompts.answers = {PromptAnswer::Ok};
             form->pklasleegmaken_Click();
         }},
    };
    for (const Case& c : cases) {
        for (const QString& pupil : {QStringLiteral("Anna"), QStringLiteral("Bram"), QStringLiteral("Cor")})
            folder.writePupil(Klas, pupil, {{Optellen, "7"}});
        show();
        c.act();
        QTest::qWait(QuietMs);
        EXPECT_EQ(watcher->refreshCount(), 0) << c.label;
        EXPECT_EQ(shownRowCount(*form), 3) << c.label;

        // Changes by others still show afterwards.
        folder.writePupil(Klas, "Cor", {{Optellen, "2"}});
        EXPECT_TRUE(waitFor([&] { return cell(QStringLiteral("Cor"), 1) == QStringLiteral("2"); })) << c.label;
        form.reset();
        QFile::setPermissions(pupilPath(QStringLiteral("Bram")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ASSERT_TRUE(QDir(folder.documents() + Klas).removeRecursively());
    }
}

TEST_F(ClassWatcherTest, VanishedClassFolderRefreshesTheTree)
{
    folder.writePupil("4A", "Anna", {{Optellen, "6"}});
    folder.writePupil(Klas, "Bram", {{Optellen, "7"}});
    show();
    ASSERT_EQ(shownRowCount(*form), 1);

    ASSERT_TRUE(QDir(folder.documents() + Klas).removeRecursively());
    ASSERT_TRUE(waitFor([&] { return findClassNode(*form, Klas) == nullptr; }));
    // The class is gone: the root is shown, as after "Ververs".
    EXPECT_EQ(Resultform::nodeKey(form->SelectedNode), QStringLiteral("root"));
    EXPECT_EQ(shownRowCount(*form), 0);
    EXPECT_EQ(form->lblnLeerling->text(), QStringLiteral("0"));
    EXPECT_NE(findClassNode(*form, QStringLiteral("4A")), nullptr);
    EXPECT_TRUE(form->cmdVerVers->isEnabled());
}

// A class and its pupils named on another system show, count and follow the disk like any other.
TEST_F(ClassWatcherTest, NamesThatAreNotUtf8ShowAndFollowTheDisk)
{
    const OddEntriesRemoved cleanup(folder.path());
    const QByteArray classFolder = EntryPath(folder.documents(), "Klas \xe9");
    ASSERT_TRUE(QDir().mkpath(folder.documents()) && MakeFolder(classFolder));
    ASSERT_TRUE(WriteBytes(classFolder + "/Ren\xe9 Dijkman", "[Resultaten]\r\nOptellen Test=6\r\n"));
    show(NameFromBytes("Klas \xe9"));
    EXPECT_EQ(form->lblnLeerling->text(), QStringLiteral("1"));
    EXPECT_EQ(form->lblAvg->text(), QStringLiteral("6"));
    const QModelIndex node = form->TreeView->currentIndex();
    const auto* delegate = qobject_cast<QStyledItemDelegate*>(form->TreeView->itemDelegateForIndex(node));
    ASSERT_NE(delegate, nullptr);
    EXPECT_EQ(delegate->displayText(node.data(), QLocale()), QString::fromUtf8("Klas é"));

    ASSERT_TRUE(WriteBytes(classFolder + "/Ren\xe9 Dijkman", "[Resultaten]\r\nOptellen Test=8\r\n"));
    EXPECT_TRUE(waitFor([&] { return form->lblAvg->text() == QStringLiteral("8"); }))
        << form->lblAvg->text().toStdString();
    ASSERT_TRUE(WriteBytes(classFolder + "/Zo\xeb", "[Resultaten]\r\nOptellen Test=6\r\n"));
    EXPECT_TRUE(waitFor([&] { return form->lblAvg->text() == QStringLiteral("7"); }));
    EXPECT_EQ(form->lblnLeerling->text(), QStringLiteral("2"));
}

// The kernel's watches a user may hold are few (8192 by default on smaller machines): one for the
// class folder tells of all its pupils' files, however many there are.
TEST_F(ClassWatcherTest, OneWatchForTheWholeClass)
{
    for (int i = 0; i < 200; ++i)
        folder.writePupil(Klas, QStringLiteral("Leerling %1").arg(i), {{Optellen, "6"}});
    show();
    ASSERT_FALSE(watcher->polling());
    int watches = 0;
    QDirIterator infos(QStringLiteral("/proc/self/fdinfo"), QDir::Files);
    while (infos.hasNext()) {
        QFile info(infos.next());
        if (info.open(QIODevice::ReadOnly))
            watches += int(info.readAll().count("inotify wd:"));
    }
    EXPECT_LE(watches, 3); // the class folder and the course description
    folder.writePupil(Klas, "Leerling 7", {{Optellen, "10"}});
    EXPECT_TRUE(waitFor([&] { return form->lblAvg->text() == QStringLiteral("6.02"); }));
}

} // namespace
