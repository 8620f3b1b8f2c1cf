#include "ShownOrderTable.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QTreeWidget>

namespace {

const char ShownOrderProperty[] = "presentColumnsAsShown";

QAccessibleInterface* tableOf(QTreeWidget* view)
{
    return QAccessible::queryAccessibleInterface(view);
}

// A header section (row -1) or a cell, found again from the table at every question, so that it
// follows sorting and refills; `column` is in creation order.
class ShownOrderCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    ShownOrderCell(QTreeWidget* view, int row, int column) : m_view(view), m_row(row), m_column(column) {}

    bool isValid() const override
    {
        return m_view && m_column < m_view->columnCount() && (isHeader() || m_row < m_view->topLevelItemCount());
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override { return m_view ? tableOf(m_view) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return isHeader() ? QAccessible::ColumnHeader : QAccessible::Cell; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return QString();
        return isHeader() ? m_view->headerItem()->text(m_column) : m_view->topLevelItem(m_row)->text(m_column);
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = localRect();
        return QRect(area()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.invisible = !m_view->isVisible() || !area()->rect().intersects(localRect());
        if (!isHeader()) {
            s.selectable = m_view->selectionMode() != QAbstractItemView::NoSelection;
            s.selected = isSelected();
            s.focusable = true;
            const QModelIndex current = m_view->currentIndex();
            s.focused = m_view->hasFocus() && current.row() == m_row && current.column() == m_column;
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    // Table cell: positions in display order.
    bool isSelected() const override { return isValid() && !isHeader() && m_view->topLevelItem(m_row)->isSelected(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    int columnIndex() const override { return m_view ? m_view->header()->visualIndex(m_column) : -1; }
    int rowIndex() const override { return m_row; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QAccessibleInterface* table() const override { return parent(); }

private:
    bool isHeader() const { return m_row < 0; }
    // The widget the cell is drawn in, and the cell's place in it.
    QWidget* area() const { return isHeader() ? m_view->header()->viewport() : m_view->viewport(); }
    QRect localRect() const
    {
        if (!isHeader())
            return m_view->visualRect(m_view->model()->index(m_row, m_column));
        const QHeaderView* header = m_view->header();
        return QRect(header->sectionViewportPosition(m_column), 0, header->sectionSize(m_column), header->height());
    }

    QPointer<QTreeWidget> m_view;
    int m_row;
    int m_column;
};

class ShownOrderTable : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ShownOrderTable(QTreeWidget* view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~ShownOrderTable() override { forgetCells(); }

    QTreeWidget* view() const { return static_cast<QTreeWidget*>(widget()); }

    // The cell (row -1: the header section) of `column` in creation order.
    QAccessibleInterface* cell(int row, int column) const
    {
        if (column < 0 || column >= columns() || row < -1 || row >= rowCount())
            return nullptr;
        const quint64 key = (quint64(quint32(row + 1)) << 32) | quint32(column);
        if (const QAccessible::Id id = m_cells.value(key))
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(id))
                return known;
        auto* made = new ShownOrderCell(view(), row, column);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    // Children: the header sections, then the cells row by row. A child's number has its column
    // in creation order, as the view numbers the cells it reports focused or selected.
    int childCount() const override { return (rowCount() + 1) * columns(); }
    QAccessibleInterface* child(int index) const override
    {
        const int n = columns();
        return index < 0 || n == 0 ? nullptr : cell(index / n - 1, index % n);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->parent() != this)
            return -1;
        QAccessibleTableCellInterface* c = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (!c)
            return -1;
        const int row = child->role() == QAccessible::ColumnHeader ? -1 : c->rowIndex();
        return (row + 1) * columns() + logical(c->columnIndex());
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint inView = view()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = view()->indexAt(inView);
        if (index.isValid() && !index.parent().isValid())
            return cell(index.row(), index.column());
        const QPoint inHeader = view()->header()->viewport()->mapFromGlobal(QPoint(x, y));
        if (view()->header()->viewport()->rect().contains(inHeader))
            return cell(-1, view()->header()->logicalIndexAt(inHeader));
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? cell(current.row(), current.column()) : nullptr;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // Table: columns in display order.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    int columnCount() const override { return columns(); }
    int rowCount() const override { return view()->topLevelItemCount(); }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        return row < 0 || column < 0 || column >= columns() ? nullptr : cell(row, logical(column));
    }
    QString columnDescription(int column) const override
    {
        return column < 0 || column >= columns() ? QString() : view()->headerItem()->text(logical(column));
    }
    QString rowDescription(int) const override { return QString(); }

    // Whole rows are selected, never columns.
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (int r = 0; r < rowCount(); ++r)
            if (view()->topLevelItem(r)->isSelected())
                rows << r;
        return rows;
    }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> cells;
        for (int r : selectedRows())
            for (int c = 0; c < columns(); ++c)
                cells << cellAt(r, c);
        return cells;
    }
    int selectedCellCount() const override { return selectedRowCount() * columns(); }
    QList<int> selectedColumns() const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override
    {
        return row >= 0 && row < rowCount() && view()->topLevelItem(row)->isSelected();
    }
    bool selectRow(int row) override
    {
        if (row < 0 || row >= rowCount() || view()->selectionMode() == QAbstractItemView::NoSelection)
            return false;
        const auto flags = view()->selectionMode() == QAbstractItemView::SingleSelection
                               ? QItemSelectionModel::ClearAndSelect
                               : QItemSelectionModel::Select;
        view()->selectionModel()->select(view()->model()->index(row, 0), flags | QItemSelectionModel::Rows);
        return true;
    }
    bool unselectRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return false;
        view()->selectionModel()->select(view()->model()->index(row, 0),
                                         QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { forgetCells(); }

private:
    int columns() const { return view()->columnCount(); }
    int logical(int shown) const { return view()->header()->logicalIndex(shown); }

    void forgetCells()
    {
        const QHash<quint64, QAccessible::Id> cells = std::exchange(m_cells, {});
        for (QAccessible::Id id : cells)
            QAccessible::deleteAccessibleInterface(id);
    }

    mutable QHash<quint64, QAccessible::Id> m_cells;
};

QList<QAccessibleInterface*> ShownOrderCell::columnHeaderCells() const
{
    if (!isValid() || isHeader())
        return {};
    auto* table = dynamic_cast<ShownOrderTable*>(tableOf(m_view));
    return table ? QList<QAccessibleInterface*>{table->cell(-1, m_column)} : QList<QAccessibleInterface*>{};
}

QAccessibleInterface* shownOrderFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QTreeWidget") && object->property(ShownOrderProperty).toBool())
        return new ShownOrderTable(static_cast<QTreeWidget*>(object));
    return nullptr;
}

} // namespace

void PresentColumnsAsShown(QTreeWidget* table)
{
    static const bool installed = [] {
        QAccessible::installFactory(shownOrderFactory);
        return true;
    }();
    Q_UNUSED(installed);
    table->setProperty(ShownOrderProperty, true);
    // Widgets announce changes while they are set up, which makes Qt's own interface for them
    // early; it is dropped so that the next question reaches the factory.
    if (QAccessibleInterface* early = QAccessible::queryAccessibleInterface(table);
        early && !dynamic_cast<ShownOrderTable*>(early))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(early));
}
