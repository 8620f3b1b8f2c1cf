#include "ClassFigures.h"

#include "Runtime.h"

#include <QAbstractProxyModel>
#include <QLocale>

#include <cmath>

namespace {

QLocale dutch()
{
    QLocale locale(QLocale::Dutch, QLocale::Netherlands);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

bool IsInsufficient(double grade)
{
    return grade < PassMark;
}

QString DutchNumber(double value)
{
    return NumberText(value, dutch());
}

void ColumnFigures::add(double grade)
{
    if (count == 0) {
        lowest = highest = grade;
    } else {
        lowest = std::min(lowest, grade);
        highest = std::max(highest, grade);
    }
    ++count;
    sum += grade;
    if (IsInsufficient(grade))
        ++below;
}

double ColumnFigures::mean() const
{
    return count == 0 ? 0 : std::round(sum / count * 100) / 100;
}

QString ColumnFigures::meanText() const
{
    return count == 0 ? QString() : dutch().toString(mean(), 'f', 2);
}

QString ColumnFigures::spokenMeanText() const
{
    return count == 0 ? QString() : DutchNumber(mean());
}

QString ColumnFigures::lowestText() const
{
    return count == 0 ? QString() : DutchNumber(lowest);
}

QString ColumnFigures::highestText() const
{
    return count == 0 ? QString() : DutchNumber(highest);
}

namespace {

// The order of the rows does not change the figures, so the cells are read from the model under
// the proxies that only reorder rows and columns (as many rows as their source): mapping every cell
// through them costs more than the summing up. `columns` are made the source model's columns.
const QAbstractItemModel* ModelBelowReordering(const QAbstractItemModel& model, QVector<int>& columns)
{
    const QAbstractItemModel* cells = &model;
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(cells)) {
        const QAbstractItemModel* source = proxy->sourceModel();
        if (!source || proxy->rowCount() == 0 || source->rowCount() != proxy->rowCount())
            break;
        QVector<int> mapped(columns.size());
        for (int c = 0; c < columns.size(); ++c)
            mapped[c] = proxy->mapToSource(proxy->index(0, columns[c])).column();
        if (mapped.contains(-1))
            break;
        columns = mapped;
        cells = source;
    }
    return cells;
}

} // namespace

QVector<ColumnFigures> ComputeFigures(const QAbstractItemModel& model)
{
    const int columns = model.columnCount();
    const int rows = model.rowCount();
    QVector<int> sourceColumns(columns);
    for (int c = 0; c < columns; ++c)
        sourceColumns[c] = c;
    const QAbstractItemModel* cells = ModelBelowReordering(model, sourceColumns);
    QVector<ColumnFigures> figures;
    figures.reserve(columns);
    bool namesSeen = false;
    bool finalSeen = false;
    for (int c = 0; c < columns; ++c) {
        const QString caption = model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        if (!namesSeen && caption == PupilNameHeader) {
            namesSeen = true;
            continue;
        }
        ColumnFigures column;
        column.column = c;
        column.caption = caption;
        column.isFinalResult = !finalSeen && caption == FinalResultHeader;
        finalSeen = finalSeen || column.isFinalResult;
        for (int r = 0; r < rows; ++r) {
            const QVariant number = cells->data(cells->index(r, sourceColumns[c]), ResultsTableModel::NumberRole);
            if (number.isValid())
                column.add(number.toDouble());
        }
        figures << column;
    }
    return figures;
}

QStringList FigureHeaders()
{
    return {QStringLiteral("Kolom"),   QStringLiteral("Aantal"),  QStringLiteral("Gemiddelde"),
            QStringLiteral("Laagste"), QStringLiteral("Hoogste"), QStringLiteral("Onder 5,5")};
}

QStringList FigureRow(const ColumnFigures& column)
{
    return {column.caption,      QString::number(column.count), column.meanText(),
            column.lowestText(), column.highestText(),          QString::number(column.below)};
}
