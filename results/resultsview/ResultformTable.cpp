// Resultform's results table: the view on the model, its sort, the figures below it, and what the
// report and the export read of it.

#include "Resultform.h"
#include "ResultsTableModel.h"
#include "ResultsTableProxies.h"
#include "ScreenLayout.h"
#include "Twips.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>

void Resultform::buildTable()
{
    m_model = new ResultsTableModel(this);
    m_columns = new ShownColumnsProxy(this);
    m_columns->setSourceModel(m_model);
    m_sorted = new ResultsSortProxy(this);
    m_sorted->setSourceModel(m_columns);

    ListView = new QTableView(frmMain);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setAccessibleName(QStringLiteral("Resultaten"));
    ListView->setModel(m_sorted);
    // A report view: whole rows, no grid, no row numbers, one line per pupil.
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setShowGrid(false);
    ListView->setWordWrap(false);
    ListView->setTabKeyNavigation(false);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView->verticalHeader()->setDefaultSectionSize(ListView->fontMetrics().height() + 4);
    QHeaderView* header = ListView->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    // The direction follows our own rule (ListView_ColumnClick); the header shows it.
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int shown) { ListView_ColumnClick(m_columns->sourceColumn(shown)); });
}

void Resultform::setFigure(QLabel* label, const QString& text)
{
    label->setText(text);
    placeFigures();
}

void Resultform::placeFigures()
{
    // Each figure is as wide as its text needs; when a figure would pass the frame's edge, the
    // captions and figures move left together, as far as the refresh button allows.
    const auto at = [](const TwipsRect& r) { return twipsRect(r.left, r.top, r.width, r.height); };
    QRect captions[] = {at(m_layout.Label1), at(m_layout.Label2)};
    QRect figures[] = {at(m_layout.lblnLeerling), at(m_layout.lblAvg)};
    QLabel* const labels[] = {lblnLeerling, lblAvg};
    const int right = frmMain->contentsRect().right();
    int shift = 0;
    for (int i = 0; i < 2; ++i) {
        const QSize needed = labels[i]->sizeHint();
        figures[i].setWidth(std::max(figures[i].width(), needed.width()));
        figures[i].setHeight(std::max(figures[i].height(), needed.height()));
        shift = std::max(shift, figures[i].right() - right);
    }
    shift = std::min(shift, captions[0].left() - cmdVerVers->geometry().right() - 8);
    if (shift > 0)
        for (QRect* r : {&captions[0], &captions[1], &figures[0], &figures[1]})
            r->translate(-shift, 0);
    Label1->setGeometry(captions[0]);
    Label2->setGeometry(captions[1]);
    lblnLeerling->setGeometry(figures[0]);
    lblAvg->setGeometry(figures[1]);
}

void Resultform::ListView_ColumnClick(int column)
{
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    const int shown = m_columns->shownColumn(column);
    m_sorted->sort(shown, m_sortOrder);
    ListView->horizontalHeader()->setSortIndicator(shown, m_sortOrder);
}

void Resultform::refillShownClass()
{
    if (!SelectedNode || SelectedNode == rootNode())
        return;
    // What the teacher looks at, by the pupils' files, as the rows are made again.
    const auto fileAt = [this](const QModelIndex& shown) {
        return m_model->row(m_columns->mapToSource(m_sorted->mapToSource(shown)).row()).fileName;
    };
    const QModelIndex current = ListView->currentIndex();
    const QString currentFile = current.isValid() ? fileAt(current) : QString();
    QStringList selected;
    for (const QModelIndex& index : ListView->selectionModel()->selectedRows())
        selected << fileAt(index);
    const int vertical = ListView->verticalScrollBar()->value();
    const int horizontal = ListView->horizontalScrollBar()->value();

    TreeView_NodeClick(SelectedNode);

    QItemSelection selection;
    for (int r = 0; r < m_sorted->rowCount(); ++r) {
        const QModelIndex index = m_sorted->index(r, 0);
        const QString file = fileAt(index);
        if (file == currentFile)
            ListView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (selected.contains(file))
            selection.select(index, index);
    }
    ListView->selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    // The scroll ranges follow the new rows only once they are laid out.
    ListView->doItemsLayout();
    ListView->verticalScrollBar()->setValue(vertical);
    ListView->horizontalScrollBar()->setValue(horizontal);
}

ReportTable Resultform::tableSnapshot() const
{
    ReportTable table;
    table.headers = m_model->headers();
    for (int c = 0; c < m_columns->columnCount(); ++c)
        table.shownColumns << m_columns->sourceColumn(c);
    const int count = m_sorted->rowCount();
    table.rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        const int source = m_columns->mapToSource(m_sorted->mapToSource(m_sorted->index(r, 0))).row();
        ReportTable::Row row;
        row.name = m_model->text(source, 0);
        for (int c = 1; c < m_model->columnCount(); ++c)
            row.cells << m_model->text(source, c);
        table.rows << row;
    }
    table.countCaption = lblnLeerling->text();
    table.averageCaption = lblAvg->text();
    return table;
}
