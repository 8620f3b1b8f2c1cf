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

bool ResultsSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QString leftText = left.data(Qt::DisplayRole).toString();
    const QString rightText = right.data(Qt::DisplayRole).toString();
    // Empty first, then numbers, then texts.
    const auto rank = [](const QString& text, const QVariant& number) {
        return text.isEmpty() ? 0 : number.isValid() ? 1 : 2;
    };
    const QVariant leftNumber = left.data(ResultsTableModel::NumberRole);
    const QVariant rightNumber = right.data(ResultsTableModel::NumberRole);
    const int leftRank = rank(leftText, leftNumber);
    const int rightRank = rank(rightText, rightNumber);
    if (leftRank != rightRank)
        return leftRank < rightRank;
    if (leftRank == 1 && leftNumber.toDouble() != rightNumber.toDouble())
        return leftNumber.toDouble() < rightNumber.toDouble();
    return m_collator.compare(leftText, rightText) < 0;
}
