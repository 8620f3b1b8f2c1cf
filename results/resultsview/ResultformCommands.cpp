// Resultform's class context menu, report and export commands; the work itself is in ClassCommands,
// modMaakHTML and modMaakCSV.

#include "ClassCommands.h"
#include "CourseFile.h"
#include "KeyboardContextMenu.h"
#include "Klasoverzichtform.h"
#include "Resultform.h"
#include "modAfdrukken.h"
#include "modMaakCSV.h"
#include "modMaakHTML.h"
#include "modPublic.h"
#include "modsearch.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

namespace {

// Takes the right button from the tree before the tree sees it: TreeView_MouseDown decides what the
// click shows.
class RightButtonFilter : public QObject {
public:
    explicit RightButtonFilter(Resultform* form) : QObject(form), m_form(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
            return QObject::eventFilter(watched, event);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return QObject::eventFilter(watched, event);
        m_form->TreeView_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
        return true;
    }

private:
    Resultform* m_form;
};

QAction* addItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

} // namespace

void Resultform::buildClassCommands()
{
    pPopopmenu = new QMenu(QStringLiteral("Popupmenu"), this);
    pPopopmenu->setObjectName(QStringLiteral("pPopopmenu"));
    pKlasAanmaken = addItem(pPopopmenu, QStringLiteral("pKlasAanmaken"), QStringLiteral("Klas &aanmaken"));
    pKlasHernoemen = addItem(pPopopmenu, QStringLiteral("pKlasHernoemen"), QStringLiteral("Klas &hernoemen"));
    pKlasVerwijderen = addItem(pPopopmenu, QStringLiteral("pKlasVerwijderen"), QStringLiteral("Klas &verwijderen"));
    pklasleegmaken = addItem(pPopopmenu, QStringLiteral("pklasleegmaken"), QStringLiteral("Klas &leegmaken"));
    pHypen = pPopopmenu->addSeparator();
    pHypen->setObjectName(QStringLiteral("pHypen"));
    // Choosing "&Sluiten" only closes the menu.
    pSluiten = addItem(pPopopmenu, QStringLiteral("pSluiten"), QStringLiteral("&Sluiten"));

    // Queued, so that the menu has closed before a command asks its questions.
    connect(
        pKlasAanmaken, &QAction::triggered, this, [this] { pKlasAanmaken_Click(); }, Qt::QueuedConnection);
    connect(
        pKlasHernoemen, &QAction::triggered, this, [this] { pKlasHernoemen_Click(); }, Qt::QueuedConnection);
    connect(
        pKlasVerwijderen, &QAction::triggered, this, [this] { pKlasVerwijderen_Click(); }, Qt::QueuedConnection);
    connect(
        pklasleegmaken, &QAction::triggered, this, [this] { pklasleegmaken_Click(); }, Qt::QueuedConnection);
    connect(mnuMaakHTMLbestand, &QAction::triggered, this, [this] { mnuMaakHTMLbestand_Click(); });
    connect(mnuExporteerCSV, &QAction::triggered, this, [this] { mnuExporteerCSV_Click(); });

    connect(mnuKlasoverzicht, &QAction::triggered, this, [this] { mnuKlasoverzicht_Click(); });
    connect(mnuAfdrukken, &QAction::triggered, this, [this] { mnuAfdrukken_Click(); });
    // The report item changes with every fill and with the root: the overview follows the same steps.
    connect(this, &Resultform::fillStarted, this, [this] { updateKlasoverzicht(); });
    connect(this, &Resultform::fillFinished, this, [this] { updateKlasoverzicht(); });
    connect(mnuMaakHTMLbestand, &QAction::enabledChanged, this, [this] { updateKlasoverzicht(); });

    TreeView->viewport()->installEventFilter(new RightButtonFilter(this));
    OpenContextMenuFromKeyboard(TreeView, [this] {
        QTreeWidgetItem* node = SelectedNode ? SelectedNode : TreeView->currentItem();
        TreeView_MouseDown(Qt::RightButton, TreeView->viewport()->mapToGlobal(NodeMenuPoint(TreeView, node)));
    });
}

void Resultform::TreeView_MouseDown(Qt::MouseButton button, const QPoint& globalPos)
{
    // While a fill runs the tree is locked.
    if (button != Qt::RightButton || isFilling())
        return;
    // The commands act on SelectedNode: the class clicked is shown first.
    QTreeWidgetItem* node = TreeView->itemAt(TreeView->viewport()->mapFromGlobal(globalPos));
    if (node && node != SelectedNode)
        TreeView_NodeClick(node);
    pPopopmenu->popup(globalPos);
}

ClassCommandTarget Resultform::classCommandTarget()
{
    ClassCommandTarget target;
    target.parent = this;
    target.documentFolder = DocumentFolder;
    target.nodeText = SelectedNode ? SelectedNode->text(0) : QString();
    target.nodeKey = nodeKey(SelectedNode);
    target.refresh = [this](const QString& className) { refreshShowing(className); };
    return target;
}

void Resultform::pKlasAanmaken_Click()
{
    KlasAanmaken(classCommandTarget());
}

void Resultform::pKlasHernoemen_Click()
{
    KlasHernoemen(classCommandTarget());
}

void Resultform::pklasleegmaken_Click()
{
    KlasLeegmaken(classCommandTarget());
}

void Resultform::pKlasVerwijderen_Click()
{
    KlasVerwijderen(classCommandTarget());
}

bool Resultform::readyForExport()
{
    updateReportItems();
    if (!mnuMaakHTMLbestand->isEnabled())
        return false;
    // The save dialog would start elsewhere (the working folder) for a class folder that is gone.
    return !ReportClassGone(classCommandTarget());
}

void Resultform::mnuMaakHTMLbestand_Click()
{
    if (readyForExport())
        MaakHTMLbestand(this, DocumentFolder, CourseFile, SelectedNode->text(0), tableSnapshot());
}

void Resultform::mnuExporteerCSV_Click()
{
    if (readyForExport())
        ExporteerCSVbestand(this, DocumentFolder, SelectedNode->text(0), tableSnapshot());
}

void Resultform::mnuKlasoverzicht_Click()
{
    if (!readyForExport())
        return;
    if (!m_klasoverzicht) {
        m_klasoverzicht = new Klasoverzichtform(this);
        m_klasoverzicht->setAttribute(Qt::WA_DeleteOnClose);
        // Over the middle of this window, where the teacher looks.
        m_klasoverzicht->move(frameGeometry().center() - m_klasoverzicht->rect().center());
        m_klasoverzicht->setExportCheck([this] { return readyForExport(); });
    }
    updateKlasoverzicht();
    m_klasoverzicht->show();
    m_klasoverzicht->raise();
    m_klasoverzicht->activateWindow();
}

Klasoverzichtform* Resultform::klasoverzicht() const
{
    return m_klasoverzicht.data();
}

void Resultform::updateKlasoverzicht()
{
    if (!m_klasoverzicht)
        return;
    const bool hasClass = SelectedNode && nodeKey(SelectedNode) != RootKey;
    m_klasoverzicht->setSource(ListView->model());
    m_klasoverzicht->setClass(DocumentFolder, hasClass ? SelectedNode->text(0) : QString(),
                              ReadCourseTitle(CourseFile));
    m_klasoverzicht->setFilling(isFilling());
}

void Resultform::mnuAfdrukken_Click()
{
    if (readyForExport())
        PrintResultsTable(this, *ListView->model(), ShownName(SelectedNode->text(0)), ReadCourseTitle(CourseFile));
}
