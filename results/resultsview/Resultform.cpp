#include "Resultform.h"

#include "ClassFill.h"
#include "ClassWatcher.h"
#include "CourseFile.h"
#include "DataFolder.h"
#include "ErrorRule.h"
#include "INIfunc.h"
#include "PupilResults.h"
#include "ResultsTableModel.h"
#include "ResultsTableProxies.h"
#include "ShownNameDelegate.h"
#include "Twips.h"
#include "modPublic.h"
#include "modsearch.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// The summary labels are only 17 pixels high and "Aantal Leerlingen: " has 89 pixels: a smaller,
// narrower face than the window's keeps the caption whole.
QFont summaryFont()
{
    QFont font = formFont();
    font.setPixelSize(10);
    font.setStretch(90);
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(summaryFont());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void place(QWidget* widget, const TwipsRect& rect)
{
    widget->setGeometry(twipsRect(rect.left, rect.top, rect.width, rect.height));
}

// Rows read per step of a fill before pending events run again.
constexpr int FillBatch = 500;

} // namespace

Resultform::Resultform(QWidget* parent) : QMainWindow(parent), m_layout(DesignResultLayout())
{
    setObjectName(QStringLiteral("Resultform"));
    setFont(formFont());
    setWindowTitle(ApplicationTitle);
    buildControls();
    buildMenus();
    buildClassCommands();
    m_watcher = new ClassWatcher(this);
    connect(m_watcher, &ClassWatcher::classChanged, this, [this] { refillShownClass(); });
    connect(m_watcher, &ClassWatcher::classGone, this, [this] { cmdVerVers_Click(); });

    // Client area 9660 x 5940 twips below the menu bar; centred on the screen when first shown.
    resize(twips(ResultClientWidth), twips(ResultClientHeight) + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    RunGuarded(this, [this] { Form_Load(); });
}

Resultform::~Resultform()
{
    m_reads.cancel();
}

void Resultform::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Resultform_client"));
    setCentralWidget(client);
    client->installEventFilter(this);

    frmMain = new QGroupBox(QStringLiteral("Klassen beheer"), client);
    frmMain->setObjectName(QStringLiteral("frmMain"));

    TreeView = new QTreeWidget(frmMain);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setItemDelegate(new ShownNameDelegate(TreeView));
    TreeView->setAccessibleName(QStringLiteral("Klassen"));
    connect(TreeView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        // A second click on the class being filled changes nothing; another class takes its place.
        if (!isFilling() || item != SelectedNode)
            TreeView_NodeClick(item);
    });
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { TreeView_CurrentChanged(current); });
    TreeView->viewport()->installEventFilter(this);

    buildTable();

    cmdVerVers = new QPushButton(QStringLiteral("Ververs"), frmMain);
    cmdVerVers->setObjectName(QStringLiteral("cmdVerVers"));
    cmdVerVers->setToolTip(QStringLiteral("Ververst het klassen overzicht"));
    connect(cmdVerVers, &QPushButton::clicked, this, [this] { cmdVerVers_Click(); });

    Label1 = makeLabel(frmMain, QStringLiteral("Label1"), QStringLiteral("Aantal Leerlingen: "));
    lblnLeerling = makeLabel(frmMain, QStringLiteral("lblnLeerling"), QStringLiteral("nLeerling"));
    Label2 = makeLabel(frmMain, QStringLiteral("Label2"), QStringLiteral("Gemiddelde:"));
    lblAvg = makeLabel(frmMain, QStringLiteral("lblAvg"), QStringLiteral("avg"));
    // The captions label the figures for assistive technology.
    Label1->setBuddy(lblnLeerling);
    Label2->setBuddy(lblAvg);

    applyLayout();
}

void Resultform::Form_Load()
{
    setWindowTitle(ApplicationTitle + QStringLiteral(" - ") + ReadCourseTitle(CourseFile));
    TreeView->clear();
    SelectedNode = nullptr;
    m_model->clear();
    // Ascending first, then sorting on; the name column sorts until a header is clicked.
    m_sortOrder = Qt::AscendingOrder;
    m_sorted->sort(0, Qt::AscendingOrder);
    ListView->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    lstDirs.clear();
    FillTreeView();
    FillListView();
    mnuMaakHTMLbestand->setEnabled(false);
}

void Resultform::FillTreeView()
{
    RunGuarded(this, [this] {
        abandonFill();
        lstDirs.clear();
        {
            // Rebuilding moves the tree's current node; that is no key press.
            const QSignalBlocker quiet(TreeView);
            TreeView->clear();
        }
        SelectedNode = nullptr;
        QString folder = DocumentFolder;
        ListDirs(folder, lstDirs);

        auto* root = new QTreeWidgetItem(TreeView, QStringList{RootText});
        root->setData(0, NodeKeyRole, RootKey);
        showRoot();
        QTreeWidgetItem* last = root;
        for (qsizetype i = 0; i < lstDirs.size(); ++i) {
            last = new QTreeWidgetItem(root, QStringList{lstDirs.at(i)});
            last->setData(0, NodeKeyRole, QStringLiteral("child") + QString::number(i));
            // A screen reader reads the name as the delegate paints it.
            last->setData(0, Qt::AccessibleTextRole, ShownName(lstDirs.at(i)));
        }
        root->setExpanded(true);
        TreeView->scrollToItem(last);
    });
}

void Resultform::showRoot()
{
    abandonFill();
    m_watcher->watchClass(QString(), QString());
    m_model->clear();
    SelectedNode = rootNode();
    selectInTree(SelectedNode);
    setFigure(lblnLeerling, QStringLiteral("0"));
    setFigure(lblAvg, QStringLiteral("0"));
    mnuMaakHTMLbestand->setEnabled(false);
}

void Resultform::selectInTree(QTreeWidgetItem* node)
{
    const QSignalBlocker quiet(TreeView);
    TreeView->setCurrentItem(node);
}

void Resultform::FillListView()
{
    RunGuarded(this, [this] {
        m_model->reset(ReadModuleNames(CourseFile));
        setFigure(lblnLeerling, QString::number(m_model->rowCount()));
        setFigure(lblAvg, QStringLiteral("0"));
    });
}

// The tree stays usable during a fill: a click on another class abandons it for that class.
void Resultform::beginFill()
{
    if (m_fillDepth++ == 0) {
        m_watcher->setHeld(true);
        setCursor(Qt::BusyCursor);
        // The report and the export wait for a finished table.
        updateReportItems();
        // The count and the pointer show the progress; the rows are painted when the fill ends.
        ListView->setUpdatesEnabled(false);
        emit fillStarted();
    }
}

void Resultform::endFill()
{
    if (--m_fillDepth == 0) {
        ListView->setUpdatesEnabled(true);
        unsetCursor();
        m_watcher->setHeld(false);
        updateReportItems();
        emit fillFinished();
    }
}

void Resultform::abandonFill()
{
    ++m_generation;
    // The pool then reads the next class's files, not the rest of these.
    m_reads.cancel();
}

void Resultform::updateReportItems()
{
    mnuMaakHTMLbestand->setEnabled(!isFilling() && SelectedNode && SelectedNode != rootNode());
}

void Resultform::TreeView_NodeClick(QTreeWidgetItem* node)
{
    if (!node)
        return;
    if (node == rootNode()) {
        lstDirs.clear();
        showRoot();
        return;
    }
    // The node may disappear while pending events run (a refresh rebuilds the tree), so only its
    // text is used after this point.
    const QString nodeText = node->text(0);
    beginFill();
    RunGuarded(this, [&] {
        lstDirs.clear();
        m_model->clear();
        SelectedNode = node;
        selectInTree(node);
        m_watcher->watchClass(ClassFolderPath(DocumentFolder, nodeText), CourseFile);
        fillRows(nodeText);
    });
    endFill();
}

void Resultform::TreeView_CurrentChanged(QTreeWidgetItem* node)
{
    // A mouse press moves the current node too; its click (or the release) decides what is shown.
    if (m_treeMouseDown || !node || node == SelectedNode)
        return;
    TreeView_NodeClick(node);
}

void Resultform::fillRows(const QString& nodeText)
{
    abandonFill();
    const quint64 generation = m_generation;
    // A newer fill or a rebuilt tree owns the table then.
    const auto abandoned = [&] { return generation != m_generation || m_ending; };
    // Events run while the files are read; `ready` is true once the reads report something.
    const auto waitUntil = [&](const auto& ready) {
        while (!ready()) {
            if (abandoned())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return !abandoned();
    };

    // On a share, the watcher's starting state is read first: a change made during the fill is
    // then one its next poll sees.
    if (!waitUntil([&] { return m_watcher->comparing(); }))
        return;
    const FileSource source = m_watcher->polling() ? FileSource::Share : FileSource::LocalDisk;
    QFutureWatcher<ClassListing> listed;
    listed.setFuture(QtConcurrent::run(FileReaders(source), ReadClassListing, source,
                                       ClassFolderPath(DocumentFolder, nodeText), CourseFile));
    // Pending events run at least once in every fill, however soon the reads end.
    QCoreApplication::processEvents();
    if (!waitUntil([&] { return listed.isFinished(); }))
        return;
    const ClassListing listing = listed.result();
    m_model->reset(listing.moduleNames);

    QFutureWatcher<QStringList> read;
    m_reads = ReadPupilGrades(listing);
    read.setFuture(m_reads);
    // The reads not begun yet are left when the fill ends early.
    const auto stopReading = qScopeGuard([&] { read.cancel(); });

    // In list order, whatever order the reads end in, so that the figures are those of a fill
    // pupil by pupil; the rows join the table a batch at a time, events running in between.
    ClassAverage average;
    qint16 finalResult = 0;
    QVector<ResultRow> batch;
    const int pupils = int(listing.pupils.size());
    try {
        for (int i = 0; i < pupils; ++i) {
            if (!waitUntil([&] { return read.future().isResultReadyAt(i); }))
                return;
            if (batch.size() >= FillBatch || !read.future().isResultReadyAt(i + 1)) {
                m_model->append(std::exchange(batch, {}));
                setFigure(lblnLeerling, QString::number(m_model->rowCount()));
                QCoreApplication::processEvents();
                if (abandoned())
                    return;
            }
            // The previous pupil enters the average only now, so a total that overflows leaves
            // the rows so far in place.
            average.add(finalResult);
            batch.push_back({listing.pupils[i], read.future().resultAt(i), QString()});
            FinalResult pupil;
            for (const QString& grade : std::as_const(batch.back().grades))
                pupil.add(grade);
            finalResult = pupil.value();
            batch.back().finalResult = pupil.text();
        }
        average.add(finalResult);
    } catch (...) {
        // The rows so far stay, the failing pupil's with its grades.
        m_model->append(batch);
        setFigure(lblnLeerling, QString::number(m_model->rowCount()));
        throw;
    }
    m_model->append(batch);

    setFigure(lblnLeerling, QString::number(m_model->rowCount()));
    setFigure(lblAvg, average.text());
}

void Resultform::cmdVerVers_Click()
{
    refreshShowing(SelectedNode && SelectedNode != rootNode() ? SelectedNode->text(0) : QString());
}

void Resultform::refreshShowing(const QString& className)
{
    cmdVerVers->setEnabled(false);
    FillTreeView();
    TreeView->setFocus();
    // The class is found again by its name, whatever classes came or went before it; when it is
    // gone, the root.
    QTreeWidgetItem* node = className.isEmpty() ? nullptr : classNode(className);
    if (!node)
        node = rootNode();
    if (node) {
        selectInTree(node);
        SelectedNode = node;
        TreeView_NodeClick(node);
    }
    cmdVerVers->setEnabled(true);
}

int Resultform::SetScreenSize(qint32& mode)
{
    if (mode == 1) {
        const QWidget* client = centralWidget();
        ApplyScreenSize(m_layout, OuterWidthFromClient(client->width() * 15),
                        OuterHeightFromClient(client->height() * 15));
        applyLayout();
    }
    return 0;
}

void Resultform::applyLayout()
{
    place(frmMain, m_layout.frmMain);
    place(TreeView, m_layout.TreeView);
    place(ListView, m_layout.ListView);
    place(cmdVerVers, m_layout.cmdVerVers);
    placeFigures();
}

bool Resultform::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        qint32 mode = 1;
        SetScreenSize(mode);
    }
    if (TreeView && watched == TreeView->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            m_treeMouseDown = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            // After the click has been handled: a press that moved the current node without a
            // click (dragged to another node, another button) shows that node all the same.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_treeMouseDown = false;
                    QTreeWidgetItem* current = TreeView->currentItem();
                    if (isFilling() || !current)
                        return;
                    if (current != SelectedNode)
                        TreeView_NodeClick(current);
                    else if (!current->isSelected())
                        selectInTree(current);
                },
                Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QString Resultform::nodeKey(const QTreeWidgetItem* node)
{
    return node ? node->data(0, NodeKeyRole).toString() : QString();
}

QTreeWidgetItem* Resultform::rootNode() const
{
    return TreeView->topLevelItemCount() > 0 ? TreeView->topLevelItem(0) : nullptr;
}

QTreeWidgetItem* Resultform::classNode(const QString& className) const
{
    QTreeWidgetItem* root = rootNode();
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->child(i)->text(0) == className)
            return root->child(i);
    return nullptr;
}
