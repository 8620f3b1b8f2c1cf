#pragma once
// The results table as shown: the columns in the order on screen ("Leerling naam",
// "Eindresultaat", the modules) and the rows in the teacher's sort.

#include <QCollator>
#include <QIdentityProxyModel>
#include <QSortFilterProxyModel>

#include <vector>

// Presents the final result, last in creation order, as the second column.
class ShownColumnsProxy : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    // Creation column of shown column `shown`, and back; the name column stays first.
    int sourceColumn(int shown) const;
    int shownColumn(int source) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};

// Sorts the rows of a results table. Cells holding a number (ResultsTableModel::NumberRole)
// compare as numbers; ascending, empty cells come first, then the numbers, then the texts without
// a number. Names and texts compare by Dutch collation, case ignored.
class ResultsSortProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ResultsSortProxy(QObject* parent = nullptr);

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // What a cell sorts by: empty first, then numbers, then texts.
    struct Key {
        int rank = 0;
        double number = 0;
        QString text;
    };
    static Key keyOf(const QModelIndex& cell);
    bool less(const Key& left, const Key& right) const;

    QCollator m_collator;
    // While sort() runs: the sorted column's keys by source row.
    std::vector<Key> m_keys;
    int m_keysColumn = -1;
};
