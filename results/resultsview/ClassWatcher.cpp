#include "ClassWatcher.h"

#include "Resultform.h"
#include "modPublic.h"

#include <QApplication>
#include <QDirIterator>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWindow>

#include <utility>

namespace {

// How soon a refill held up by a running fill is tried again.
constexpr int FillRetryMs = 100;

int ownChangesDepth = 0;

QList<ClassWatcher*>& allWatchers()
{
    static QList<ClassWatcher*> watchers;
    return watchers;
}

QString classFolder(const QString& className)
{
    QString folder = DocumentFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + className;
}

// The pupils' files of `folder`, chosen as the fill chooses them, without letting events run.
QStringList pupilFiles(const QString& folder)
{
    QStringList paths;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        if (entry.isFile() && !entry.fileName().contains(QLatin1Char('.')))
            paths << entry.filePath();
    }
    return paths;
}

// The open dialog or menu of the program, if any.
QObject* openDialogOrMenu()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QGuiApplication::modalWindow(); // a platform dialog has no widget
}

// What the teacher looks at in the table, by pupil name, as rows are rebuilt by a fill.
struct TableView {
    QString current;
    QStringList selected;
    int vertical = 0;
    int horizontal = 0;
};

TableView captureView(const QTreeWidget* table)
{
    TableView view;
    if (const QTreeWidgetItem* current = table->currentItem())
        view.current = current->text(0);
    for (const QTreeWidgetItem* item : table->selectedItems())
        view.selected << item->text(0);
    view.vertical = table->verticalScrollBar()->value();
    view.horizontal = table->horizontalScrollBar()->value();
    return view;
}

void restoreView(QTreeWidget* table, const TableView& view)
{
    for (int r = 0; r < table->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = table->topLevelItem(r);
        if (item->text(0) == view.current)
            table->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        if (view.selected.contains(item->text(0)))
            item->setSelected(true);
    }
    // The scroll ranges follow the new rows only once they are laid out.
    table->doItemsLayout();
    table->verticalScrollBar()->setValue(view.vertical);
    table->horizontalScrollBar()->setValue(view.horizontal);
}

} // namespace

ClassWatcher::ClassWatcher(Resultform* form)
    : QObject(form)
    , m_form(form)
{
    setObjectName(QStringLiteral("ClassWatcher"));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ClassWatcher::attempt);
    allWatchers() << this;
}

ClassWatcher::~ClassWatcher()
{
    allWatchers().removeOne(this);
}

void ClassWatcher::watchClass(const QString& className)
{
    m_pending = false;
    m_timer.stop();
    const QString folder = classFolder(className);
    if (folder != m_folder || m_stale) {
        m_folder = folder;
        arm();
    }
}

void ClassWatcher::arm()
{
    // A new watcher rather than new paths: notices of the old one still queued (the program's own
    // changes, files replaced by a rename) go with it. Never called from its own signals.
    delete m_files;
    m_files = new QFileSystemWatcher(this);
    connect(m_files, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        if (path == CourseFile)
            m_courseChanged = true;
        changed();
    });
    connect(m_files, &QFileSystemWatcher::directoryChanged, this, &ClassWatcher::changed);
    m_stale = false;
    m_folderExisted = QFileInfo(m_folder).isDir();
    if (!m_folderExisted)
        return;
    // The folder shows pupils added and removed, each file a pupil's file written in place.
    QStringList paths = pupilFiles(m_folder);
    paths << m_folder;
    if (QFileInfo::exists(CourseFile))
        paths << CourseFile;
    m_files->addPaths(paths);
}

void ClassWatcher::changed()
{
    // A file replaced by a rename or removed has dropped out of the watch.
    m_stale = true;
    if (ownChangesDepth > 0)
        return;
    m_pending = true;
    if (!m_timer.isActive() && !m_blocker)
        m_timer.start(m_settleDelay);
}

void ClassWatcher::attempt()
{
    if (!m_pending || ownChangesDepth > 0)
        return;
    if (QObject* blocker = openDialogOrMenu()) {
        waitFor(blocker);
        return;
    }
    if (m_form->isFilling()) {
        m_timer.start(FillRetryMs);
        return;
    }
    m_pending = false;
    // After the tree was rebuilt (a new data folder) the table is empty and follows nothing.
    const QTreeWidgetItem* shown = m_form->SelectedNode;
    if (!shown || classFolder(shown->text(0)) != m_folder || !m_folderExisted)
        return;
    ++m_refreshes;
    emit refreshing();
    if (QFileInfo(m_folder).isDir())
        refill();
    else
        m_form->cmdVerVers_Click();
}

void ClassWatcher::refill()
{
    const TableView view = captureView(m_form->ListView);
    // Module names and their number come from the course description too.
    if (std::exchange(m_courseChanged, false))
        m_form->FillListView();
    m_form->TreeView_NodeClick(m_form->SelectedNode);
    // The focus that locking the tree moved on comes back as the fill ends (Resultform::unlockTree).
    restoreView(m_form->ListView, view);
}

void ClassWatcher::waitFor(QObject* blocker)
{
    if (m_blocker == blocker)
        return;
    releaseBlocker();
    m_blocker = blocker;
    blocker->installEventFilter(this);
    connect(blocker, &QObject::destroyed, this, &ClassWatcher::blockerGone);
}

void ClassWatcher::releaseBlocker()
{
    if (m_blocker) {
        m_blocker->removeEventFilter(this);
        disconnect(m_blocker, &QObject::destroyed, this, &ClassWatcher::blockerGone);
    }
    m_blocker = nullptr;
}

bool ClassWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_blocker && event->type() == QEvent::Hide)
        blockerGone();
    return QObject::eventFilter(watched, event);
}

void ClassWatcher::blockerGone()
{
    releaseBlocker();
    // Once the code that opened it has gone on; another dialog or menu may still be open.
    m_timer.start(0);
}

void ClassWatcher::ownChangesDone()
{
    // Notices of the changes just made may still be queued: they go with the old watcher.
    arm();
    if (m_pending && !m_timer.isActive() && !m_blocker)
        m_timer.start(0);
}

OwnChanges::OwnChanges()
{
    ++ownChangesDepth;
}

OwnChanges::~OwnChanges()
{
    if (--ownChangesDepth == 0)
        for (ClassWatcher* watcher : allWatchers())
            watcher->ownChangesDone();
}
