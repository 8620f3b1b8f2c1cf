#pragma once
// The results table as plain values: one row per pupil (the listed file name, the grade texts in
// module order, the final result text), columns in creation order: "Leerling naam", the modules,
// "Eindresultaat". The report, the CSV, the view and the screen reader all read it.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

struct ResultRow {
    QString fileName;    // as ListFiles lists it, so that the file can be reached again
    QStringList grades;  // one per module column
    QString finalResult; // empty when no grade holds a number
};

class ResultsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // NumberRole: the number a cell counts as (a double), invalid for a cell without one and for
    // the name column.
    enum Role { NumberRole = Qt::UserRole + 1 };

    explicit ResultsTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Empties the table and makes the columns for these modules (a new fill starts here).
    void reset(const QStringList& moduleNames);
    // Adds rows at the end, in one insertion.
    void append(const QVector<ResultRow>& rows);
    void clear();

    // Column headers in creation order.
    const QStringList& headers() const { return m_headers; }
    int moduleCount() const { return int(m_headers.size()) - 2; }
    int finalColumn() const { return int(m_headers.size()) - 1; }
    const ResultRow& row(int r) const { return m_rows.at(r); }
    // The text of a cell in creation order, as shown.
    QString text(int row, int column) const;

private:
    QStringList m_headers;
    QVector<ResultRow> m_rows;
};

// The header captions of the first and last column.
inline const QString PupilNameHeader = QStringLiteral("Leerling naam");
inline const QString FinalResultHeader = QStringLiteral("Eindresultaat");
