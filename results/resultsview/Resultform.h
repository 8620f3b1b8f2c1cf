#pragma once
// The results window: the class tree on the left, the results table of the selected class on the
// right, the pupil count and class average below, and the menu bar.

#include "ScreenLayout.h"
#include "modMaakHTML.h"

#include <QFuture>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class ClassWatcher;
class Klasoverzichtform;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class ResultsSortProxy;
class ResultsTableModel;
class ShownColumnsProxy;

// Keys of the class tree's nodes, held in Qt::UserRole of column 0.
inline const QString RootKey = QStringLiteral("root");
inline const QString RootText = QStringLiteral("Klassen overzicht");
inline constexpr int NodeKeyRole = Qt::UserRole;

class Resultform : public QMainWindow {
    Q_OBJECT
public:
    explicit Resultform(QWidget* parent = nullptr);
    ~Resultform() override;

    // Rebuilds the class tree from DocumentFolder; the root becomes SelectedNode.
    void FillTreeView();
    // Builds the table's columns from the course description and resets the two labels.
    void FillListView();
    // Fills the table for the class of `node` (the root gives an empty table), with the columns
    // of the course description as it is now. The files are read off the window's thread while
    // events run; returns when the fill has ended or another fill, a refresh or the end of the
    // program has abandoned it.
    void TreeView_NodeClick(QTreeWidgetItem* node);
    // Refresh: lists the classes anew and shows the same class again, found by its name.
    void cmdVerVers_Click();
    // Sorts by `column` (creation order) in the direction opposite to the last sort.
    void ListView_ColumnClick(int column);
    // Mode 1 lays the controls out for the current window size; the result is not used.
    int SetScreenSize(qint32& mode);
    void mnuBestandAfsluiten_Click();
    void MnuHelpVersie_Click();
    // Opens the settings window modally; its apply rebuilds the class tree.
    void mnuInstellingenWijzigen_Click();
    // Opens the course content editor modally, the hourglass showing until it has loaded.
    void mnuInstellingenCursusInhoud_Click();
    // Class tree mouse-down: the right button shows the class under the pointer, then opens
    // pPopopmenu at `globalPos`.
    void TreeView_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void pKlasAanmaken_Click();
    void pKlasHernoemen_Click();
    void pklasleegmaken_Click();
    void pKlasVerwijderen_Click();
    void mnuMaakHTMLbestand_Click();
    void mnuExporteerCSV_Click();
    // Opens the class overview of the shown class beside this window (one window, kept up to date).
    void mnuKlasoverzicht_Click();
    // Prints the results table as shown: preview, print dialog, pages.
    void mnuAfdrukken_Click();
    // The class overview while it is open; null otherwise.
    Klasoverzichtform* klasoverzicht() const;

    // What the table shows: headers and cells in creation order, rows in displayed order.
    ReportTable tableSnapshot() const;
    // The key of a class tree node ("root", "child0", ...).
    static QString nodeKey(const QTreeWidgetItem* node);
    // The controls' current geometry in twips.
    const ResultLayout& currentLayout() const { return m_layout; }
    // True while a fill of the table runs, from fillStarted to fillFinished.
    bool isFilling() const { return m_fillDepth > 0; }
    // The table's rows in creation order; ListView shows it through the column-order proxy and
    // the sort proxy (ListView->model()).
    ResultsTableModel* resultsModel() const { return m_model; }
    ShownColumnsProxy* shownColumns() const { return m_columns; }

    // Controls (objectName = member name).
    QGroupBox* frmMain = nullptr;
    QTreeWidget* TreeView = nullptr;
    QTableView* ListView = nullptr;
    QPushButton* cmdVerVers = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblnLeerling = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblAvg = nullptr;

    QMenu* mnuBestand = nullptr;
    QAction* mnuMaakHTMLbestand = nullptr;
    // The next three are enabled exactly when mnuMaakHTMLbestand is.
    QAction* mnuExporteerCSV = nullptr;
    QAction* mnuKlasoverzicht = nullptr;
    QAction* mnuAfdrukken = nullptr;
    QAction* mnuBestandHypen = nullptr;
    QAction* mnuBestandAfsluiten = nullptr;
    QMenu* mnuInstelling = nullptr;
    QAction* mnuInstellingenWijzigen = nullptr;
    QAction* mnuInstellingenCursusInhoud = nullptr;
    QMenu* MnuHelp = nullptr;
    QAction* MnuHelpVersie = nullptr;
    // Context menu of the class tree, never shown in the menu bar.
    QMenu* pPopopmenu = nullptr;
    QAction* pKlasAanmaken = nullptr;
    QAction* pKlasHernoemen = nullptr;
    QAction* pKlasVerwijderen = nullptr;
    QAction* pklasleegmaken = nullptr;
    QAction* pHypen = nullptr;
    QAction* pSluiten = nullptr;

    // The classes of the last listing of the data folder.
    QStringList lstDirs;

    // The class whose table is shown; the root after FillTreeView.
    QTreeWidgetItem* SelectedNode = nullptr;

signals:
    // A fill of the table begins; the table and its figures are incomplete until fillFinished.
    void fillStarted();
    // The fill has ended, complete, failed or abandoned for another; isFilling() is false again.
    void fillFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildTable();
    // The menu bar; each menu is built by its own function, so that items join in one place.
    void buildMenus();
    void buildBestandMenu();
    void buildInstellingMenu();
    void buildHelpMenu();
    // The class commands and the report (ResultformCommands.cpp).
    void buildClassCommands();
    struct ClassCommandTarget classCommandTarget();
    void Form_Load();
    void applyLayout();
    void fillRows(const QString& nodeText);
    // Shows the figure in the label, the label as wide as its text needs (never narrower than
    // its place in the layout) and inside the frame.
    void setFigure(QLabel* label, const QString& text);
    // The captions and figures below the table, in their layout places (see setFigure).
    void placeFigures();
    // The shown class filled again, keeping what the teacher looks at (sort, selection, scroll).
    void refillShownClass();
    // Makes the root current and shows it as after the window's load: empty table, count and
    // average "0", report items disabled.
    void showRoot();
    // Makes `node` the tree's current and selected node without running a fill.
    void selectInTree(QTreeWidgetItem* node);
    // A key moved the tree's current node: its class is shown, as a click shows it.
    void TreeView_CurrentChanged(QTreeWidgetItem* node);
    QTreeWidgetItem* rootNode() const;
    // The class node named `className`, or null.
    QTreeWidgetItem* classNode(const QString& className) const;
    // The refresh, showing the class named `className` afterwards (the root when empty or gone).
    void refreshShowing(const QString& className);
    // The report and export items: enabled for a class whose fill has ended.
    void updateReportItems();
    // A class is shown, its table complete and its folder still there (else said, and refreshed).
    bool readyForExport();
    // The overview follows the shown class, its fills and the root.
    void updateKlasoverzicht();
    // The fill's busy state: pointer, report items, painting, watcher, fillStarted/fillFinished.
    void beginFill();
    void endFill();
    // Stops the fill that runs (it returns at its next step) and drops its reads not yet begun.
    void abandonFill();

    ResultLayout m_layout;
    ResultsTableModel* m_model = nullptr;
    ShownColumnsProxy* m_columns = nullptr;
    ResultsSortProxy* m_sorted = nullptr;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // The reads of the running fill; cancelled when the fill is left.
    QFuture<QStringList> m_reads;
    int m_fillDepth = 0;
    // True from a mouse press on the tree until its click has been handled.
    bool m_treeMouseDown = false;
    // Changes whenever the tree is rebuilt or a new fill starts, so that a fill interrupted by
    // one of those (through the pending events it lets run) stops instead of using stale rows.
    quint64 m_generation = 0;
    bool m_ending = false;
    ClassWatcher* m_watcher = nullptr;
    // Deleted when closed; opened anew.
    QPointer<Klasoverzichtform> m_klasoverzicht;
};
