#include "ResultsTableModel.h"

#include "ClassFigures.h"
#include "PupilResults.h"
#include "modsearch.h"

#include <QBrush>

ResultsTableModel::ResultsTableModel(QObject* parent)
    : QAbstractTableModel(parent), m_headers{PupilNameHeader, FinalResultHeader}
{
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QString ResultsTableModel::text(int row, int column) const
{
    const ResultRow& r = m_rows.at(row);
    if (column == 0)
        return ShownName(r.fileName);
    if (column == finalColumn())
        return r.finalResult;
    return r.grades.value(column - 1);
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int column = index.column();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(index.row(), column);
    if (role == Qt::ForegroundRole || role == Qt::AccessibleDescriptionRole) {
        // A grade below the pass mark is red, and said so; texts and empty cells are not marked.
        const QVariant number = data(index, NumberRole);
        if (!number.isValid() || !IsInsufficient(number.toDouble()))
            return {};
        return role == Qt::ForegroundRole ? QVariant(QBrush(InsufficientColour)) : QVariant(InsufficientText);
    }
    if (role != NumberRole || column == 0)
        return {};
    if (column == finalColumn()) {
        const QString& final = m_rows.at(index.row()).finalResult;
        return final.isEmpty() ? QVariant() : QVariant(final.toDouble());
    }
    const std::optional<double> number = GradeNumber(text(index.row(), column));
    return number ? QVariant(*number) : QVariant();
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ResultsTableModel::reset(const QStringList& moduleNames)
{
    beginResetModel();
    m_headers = QStringList{PupilNameHeader} + moduleNames + QStringList{FinalResultHeader};
    m_rows.clear();
    endResetModel();
}

void ResultsTableModel::append(const QVector<ResultRow>& rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + rows.size()) - 1);
    m_rows += rows;
    endInsertRows();
}

void ResultsTableModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}
