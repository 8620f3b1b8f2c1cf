#include "Resultform.h"

#include "ClassFill.h"
#include "ClassWatcher.h"
#include "CourseFile.h"
#include "Cursusform.h"
#include "ErrorRule.h"
#include "INIfunc.h"
#include "Instellingform.h"
#include "PupilResults.h"
#include "ScreenPointer.h"
#include "ShownNameDelegate.h"
#include "ShownOrderTable.h"
#include "Twips.h"
#include "Versieform.h"
#include "modPublic.h"
#include "modsearch.h"

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QCollator>
#include <QEvent>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString PupilNameHeader = QStringLiteral("Leerling naam");
const QString FinalResultHeader = QStringLiteral("Eindresultaat");

// Rows compare their cell texts as text: Dutch collation, without regard to case, so "10" sorts
// before "9" and an empty cell before any text.
class ResultRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return collator().compare(text(column), other.text(column)) < 0;
    }

private:
    static const QCollator& collator()
    {
        static const QCollator instance = [] {
            QCollator c(QLocale(QLocale::Dutch, QLocale::Netherlands));
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        return instance;
    }
};

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

QString classFolder(const QString& className)
{
    QString folder = DocumentFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + className;
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

Resultform::Resultform(QWidget* parent)
    : QMainWindow(parent)
    , m_layout(DesignResultLayout())
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

Resultform::~Resultform() = default;

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

    ListView = new QTreeWidget(frmMain);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setRootIsDecorated(false);
    ListView->setUniformRowHeights(true);
    ListView->setAllColumnsShowFocus(true);
    ListView->setColumnCount(0);
    ListView->setAccessibleName(QStringLiteral("Resultaten"));
    PresentColumnsAsShown(ListView);
    ListView->header()->setSectionsMovable(false);
    connect(ListView->header(), &QHeaderView::sectionClicked, this, [this](int column) { ListView_ColumnClick(column); });

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

void Resultform::buildMenus()
{
    mnuBestand = menuBar()->addMenu(QStringLiteral("&Bestand"));
    mnuBestand->setObjectName(QStringLiteral("mnuBestand"));
    mnuMaakHTMLbestand = mnuBestand->addAction(QStringLiteral("&Sla resultaten op als HTML"));
    mnuMaakHTMLbestand->setObjectName(QStringLiteral("mnuMaakHTMLbestand"));
    mnuExporteerCSV = mnuBestand->addAction(QStringLiteral("&Exporteer als CSV..."));
    mnuExporteerCSV->setObjectName(QStringLiteral("mnuExporteerCSV"));
    connect(mnuMaakHTMLbestand, &QAction::enabledChanged, mnuExporteerCSV, &QAction::setEnabled);
    mnuBestandHypen = mnuBestand->addSeparator();
    mnuBestandHypen->setObjectName(QStringLiteral("mnuBestandHypen"));
    mnuBestandAfsluiten = mnuBestand->addAction(QStringLiteral("&Afsluiten"));
    mnuBestandAfsluiten->setObjectName(QStringLiteral("mnuBestandAfsluiten"));
    connect(mnuBestandAfsluiten, &QAction::triggered, this, [this] { mnuBestandAfsluiten_Click(); });

    // Its items come with the settings window and the course editor.
    mnuInstelling = menuBar()->addMenu(QStringLiteral("&Instellingen"));
    mnuInstelling->setObjectName(QStringLiteral("mnuInstelling"));
    mnuInstellingenWijzigen = mnuInstelling->addAction(QStringLiteral("&Programma wijzigen..."));
    mnuInstellingenWijzigen->setObjectName(QStringLiteral("mnuInstellingenWijzigen"));
    connect(mnuInstellingenWijzigen, &QAction::triggered, this, [this] { mnuInstellingenWijzigen_Click(); });
    mnuInstellingenCursusInhoud = mnuInstelling->addAction(QStringLiteral("Cursus inhoud wijzigen..."));
    mnuInstellingenCursusInhoud->setObjectName(QStringLiteral("mnuInstellingenCursusInhoud"));
    connect(mnuInstellingenCursusInhoud, &QAction::triggered, this, [this] { mnuInstellingenCursusInhoud_Click(); });

    MnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    MnuHelp->setObjectName(QStringLiteral("MnuHelp"));
    MnuHelpVersie = MnuHelp->addAction(QStringLiteral("&Versie..."));
    MnuHelpVersie->setObjectName(QStringLiteral("MnuHelpVersie"));
    connect(MnuHelpVersie, &QAction::triggered, this, [this] { MnuHelpVersie_Click(); });
}

void Resultform::Form_Load()
{
    setWindowTitle(ApplicationTitle + QStringLiteral(" - ") + ReadINI(CourseFile, QStringLiteral("Cursus"),
                                                                      QStringLiteral("Titel"), QString()));
    TreeView->clear();
    SelectedNode = nullptr;
    ListView->clear();
    // Ascending first, then sorting on; the name column sorts until a header is clicked.
    m_sortOrder = Qt::AscendingOrder;
    ListView->sortByColumn(0, Qt::AscendingOrder);
    ListView->setSortingEnabled(true);
    // The sort direction follows our own rule (ListView_ColumnClick), not the header's.
    ListView->header()->setSortIndicatorShown(false);
    ListView->header()->setSectionsClickable(true);
    lstDirs.clear();
    FillTreeView();
    FillListView();
    mnuMaakHTMLbestand->setEnabled(false);
}

void Resultform::FillTreeView()
{
    RunGuarded(this, [this] {
        ++m_generation;
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
        }
        root->setExpanded(true);
        TreeView->scrollToItem(last);
    });
}

void Resultform::showRoot()
{
    ++m_generation; // a fill still running stops
    m_watcher->watchClass(QString(), QString());
    ListView->clear();
    SelectedNode = rootNode();
    selectInTree(SelectedNode);
    lblnLeerling->setText(QStringLiteral("0"));
    lblAvg->setText(QStringLiteral("0"));
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
        setColumns(ReadModuleNames(CourseFile));
        lblnLeerling->setText(QString::number(ListView->topLevelItemCount()));
        lblAvg->setText(QStringLiteral("0"));
    });
}

void Resultform::setColumns(const QStringList& moduleNames)
{
    QStringList headers{PupilNameHeader};
    headers += moduleNames;
    headers << FinalResultHeader;
    QStringList shown;
    for (int c = 0; c < ListView->columnCount(); ++c)
        shown << ListView->headerItem()->text(c);
    if (shown == headers)
        return; // the same columns keep their widths
    // The final result goes back to the end first, so the columns are made in creation order.
    QHeaderView* header = ListView->header();
    if (const int columns = ListView->columnCount(); columns > 1)
        header->moveSection(header->visualIndex(columns - 1), columns - 1);
    ListView->setColumnCount(int(headers.size()));
    ListView->setHeaderLabels(headers);
    // Shown second, but last in creation order so that it is filled last.
    header->moveSection(int(headers.size()) - 1, 1);
}

// The tree stays usable during a fill: a click on another class abandons it for that class.
void Resultform::lockTree()
{
    if (m_fillDepth++ == 0) {
        m_watcher->setHeld(true);
        setCursor(Qt::BusyCursor);
        // The report and the export wait for a finished table.
        updateReportItems();
        // Laying the table out again as every row joins would cost more than reading the files;
        // the count and the pointer show the progress, the rows appear when the fill ends.
        ListView->setUpdatesEnabled(false);
        emit fillStarted();
    }
}

void Resultform::unlockTree()
{
    if (--m_fillDepth == 0) {
        ListView->setUpdatesEnabled(true);
        unsetCursor();
        m_watcher->setHeld(false);
        updateReportItems();
        emit fillFinished();
    }
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
        LstFiles.clear();
        lstDirs.clear();
        showRoot();
        return;
    }
    // The node may disappear while pending events run (a refresh rebuilds the tree), so only its
    // text is used after this point.
    const QString nodeText = node->text(0);
    lockTree();
    RunGuarded(this, [&] {
        LstFiles.clear();
        lstDirs.clear();
        ListView->clear();
        SelectedNode = node;
        selectInTree(node);
        m_watcher->watchClass(classFolder(nodeText), CourseFile);
        fillRows(nodeText);
    });
    unlockTree();
}

void Resultform::TreeView_CurrentChanged(QTreeWidgetItem* node)
{
    // A mouse press moves the current node too; its click (or the release) decides what is shown.
    if (m_treeMouseDown || !node || node == SelectedNode)
        return;
    TreeView_NodeClick(node);
}

namespace {

// Rows made by a fill that have not joined the table yet; deleted if the fill is abandoned.
struct PendingRows {
    QList<QTreeWidgetItem*> items;
    ~PendingRows() { qDeleteAll(items); }
    // One by one, so that each row takes its place by the current sort.
    void joinTo(QTreeWidget* table)
    {
        for (QTreeWidgetItem* item : std::as_const(items))
            table->addTopLevelItem(item);
        items.clear();
    }
};

} // namespace

void Resultform::fillRows(const QString& nodeText)
{
    const quint64 generation = ++m_generation;
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

    QFutureWatcher<ClassListing> listed;
    listed.setFuture(QtConcurrent::run(FileReaders(), ReadClassListing, classFolder(nodeText), CourseFile));
    // Pending events run at least once in every fill, however soon the reads end.
    QCoreApplication::processEvents();
    if (!waitUntil([&] { return listed.isFinished(); }))
        return;
    const ClassListing listing = listed.result();
    LstFiles = listing.pupils;
    setColumns(listing.moduleNames);

    QFutureWatcher<QStringList> read;
    read.setFuture(ReadPupilGrades(listing));
    // The reads not begun yet are left when the fill ends early.
    const auto stopReading = qScopeGuard([&] { read.cancel(); });

    // The table is not painted during the fill, so its rows join it when the fill ends (or fails,
    // keeping the rows so far): a row joining as each pupil comes in makes the table lay out all
    // its rows again each time.
    PendingRows rows;
    ClassAverage average;
    qint16 finalResult = 0;
    const int moduleColumns = int(listing.moduleNames.size());
    try {
        // In list order, whatever order the reads end in, so that the figures are those of a
        // fill pupil by pupil.
        // Pupils already read come in a run; the window still reacts every 50 ms of one.
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        for (qsizetype i = 0; i < listing.pupils.size(); ++i) {
            if (sinceEvents.hasExpired(50)) {
                QCoreApplication::processEvents();
                sinceEvents.restart();
            }
            if (!waitUntil([&] { return read.future().isResultReadyAt(int(i)); }))
                return;
            lblnLeerling->setText(QString::number(rows.items.size()));
            // The previous pupil enters the average only now, so a total that overflows leaves the
            // rows so far in place.
            average.add(finalResult);
            finalResult = 0;

            auto* row = new ResultRow(QStringList{listing.pupils[i]});
            rows.items << row;
            FinalResult pupil;
            const QStringList grades = read.future().resultAt(int(i));
            for (int k = 1; k <= moduleColumns; ++k) {
                row->setText(k, grades[k - 1]);
                pupil.add(grades[k - 1]);
            }
            if (pupil.hasResult()) {
                finalResult = pupil.value();
                row->setText(moduleColumns + 1, pupil.text());
            }
        }
        average.add(finalResult);
    } catch (...) {
        rows.joinTo(ListView);
        throw;
    }
    rows.joinTo(ListView);

    lblnLeerling->setText(QString::number(ListView->topLevelItemCount()));
    lblAvg->setText(average.text());
}

void Resultform::refillShownClass()
{
    if (!SelectedNode || SelectedNode == rootNode())
        return;
    const TableView view = captureView(ListView);
    TreeView_NodeClick(SelectedNode);
    restoreView(ListView, view);
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

void Resultform::ListView_ColumnClick(int column)
{
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    ListView->sortItems(column, m_sortOrder);
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
    place(Label1, m_layout.Label1);
    place(lblnLeerling, m_layout.lblnLeerling);
    place(Label2, m_layout.Label2);
    place(lblAvg, m_layout.lblAvg);
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

void Resultform::mnuBestandAfsluiten_Click()
{
    // Ends the program without asking; a fill in progress stops at its next step.
    m_ending = true;
    QCoreApplication::exit(0);
}

void Resultform::mnuInstellingenWijzigen_Click()
{
    Instellingform form([this] { FillTreeView(); }, this);
    form.exec();
}

void Resultform::mnuInstellingenCursusInhoud_Click()
{
    SetScreenBusy();
    Cursusform form(this);
    form.exec();
    SetScreenDefault();
}

void Resultform::MnuHelpVersie_Click()
{
    Versieform form(this);
    form.exec();
}

ReportTable Resultform::tableSnapshot() const
{
    ReportTable table;
    for (int c = 0; c < ListView->columnCount(); ++c) {
        table.headers << ListView->headerItem()->text(c);
        table.shownColumns << ListView->header()->logicalIndex(c);
    }
    const int count = ListView->topLevelItemCount();
    table.rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        const QTreeWidgetItem* item = ListView->topLevelItem(r);
        ReportTable::Row row;
        row.name = item->text(0);
        for (int c = 1; c < ListView->columnCount(); ++c)
            row.cells << item->text(c);
        table.rows << row;
    }
    table.countCaption = lblnLeerling->text();
    table.averageCaption = lblAvg->text();
    return table;
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
