#pragma once
// The spreadsheet export: the results table as a CSV file that opens by double-click in a
// spreadsheet with Dutch settings (UTF-8 with byte-order mark, ";" between fields, CRLF, decimal
// comma).

#include "ClassFigures.h"
#include "modMaakHTML.h"

#include <QByteArray>

class QWidget;

// The file's bytes: a header row with the column titles, then one row per pupil, columns and rows
// in the order the table shows them.
QByteArray MaakCSV(const ReportTable& table);

// The class overview's figures in the same form: a header row, then one row per column.
QByteArray MaakOverzichtCSV(const QVector<ColumnFigures>& figures);

inline const QString CsvFilter = QStringLiteral("CSV bestand (*.csv)|*.csv");

// The export command: save dialog, then the file; a failure to write is reported like the
// report's.
void ExporteerCSVbestand(QWidget* parent, const QString& documentFolder, const QString& className,
                         const ReportTable& table);
