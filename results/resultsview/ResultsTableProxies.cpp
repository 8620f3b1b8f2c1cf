#include "ResultsTableProxies.h"

#include "ResultsTableModel.h"

#include <QLocale>

int ShownColumnsProxy::sourceColumn(int shown) const
{
    const int last = sourceModel() ? sourceModel()->columnCount() - 1 : 0;
    if (shown <= 0 || last < 1)
        return shown;
    if (shown == 1)
        return last;
    return shown - 1;
}

int ShownColumnsProxy::shownColumn(int source) const
{
    const int last = sourceModel() ? sourceModel()->columnCount() - 1 : 0;
    if (source <= 0 || last < 1)
        return source;
    if (source == last)
        return 1;
    return source + 1;
}

QModelIndex ShownColumnsProxy::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ShownColumnsProxy::sibling(int row, int column, const QModelIndex& idx) const
{
    return index(row, column, idx.parent());
}

QModelIndex ShownColumnsProxy::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel())
        return {};
    return sourceModel()->index(proxyIndex.row(), sourceColumn(proxyIndex.column()));
}

QModelIndex ShownColumnsProxy::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid())
        return {};
    return createIndex(sourceIndex.row(), shownColumn(sourceIndex.column()));
}

QVariant ShownColumnsProxy::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && sourceModel())
        return sourceModel()->headerData(sourceColumn(section), orientation, role);
    return QIdentityProxyModel::headerData(section, orientation, role);
}

ResultsSortProxy::ResultsSortProxy(QObject* parent)
    : QSortFilterProxyModel(parent), m_collator(QLocale(QLocale::Dutch, QLocale::Netherlands))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    setDynamicSortFilter(true);
}

ResultsSortProxy::Key ResultsSortProxy::keyOf(const QModelIndex& cell)
{
    Key key;
    key.text = cell.data(Qt::DisplayRole).toString();
    const QVariant number = cell.data(ResultsTableModel::NumberRole);
    key.rank = key.text.isEmpty() ? 0 : number.isValid() ? 1 : 2;
    key.number = number.toDouble();
    return key;
}

bool ResultsSortProxy::less(const Key& left, const Key& right) const
{
    if (left.rank != right.rank)
        return left.rank < right.rank;
    if (left.rank == 1 && left.number != right.number)
        return left.number < right.number;
    return m_collator.compare(left.text, right.text) < 0;
}

void ResultsSortProxy::sort(int column, Qt::SortOrder order)
{
    // A header click sorts every row at once: each cell's key is worked out once, not at each of
    // the many comparisons (in a class of 50,000 a fifth of the time on the window's thread).
    m_keys.clear();
    if (QAbstractItemModel* source = sourceModel(); source && column >= 0 && column < source->columnCount()) {
        const int rows = source->rowCount();
        m_keys.reserve(size_t(rows));
        for (int r = 0; r < rows; ++r)
            m_keys.push_back(keyOf(source->index(r, column)));
        m_keysColumn = column;
    }
    QSortFilterProxyModel::sort(column, order);
    m_keys.clear();
}

bool ResultsSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const auto known = [&](const QModelIndex& cell) {
        return cell.column() == m_keysColumn && cell.row() >= 0 && size_t(cell.row()) < m_keys.size();
    };
    if (known(left) && known(right))
        return less(m_keys[size_t(left.row())], m_keys[size_t(right.row())]);
    return less(keyOf(left), keyOf(right));
}
