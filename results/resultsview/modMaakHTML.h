#pragma once
// The HTML results report: a page built from what the results table shows, written in
// Windows-1252 where the teacher chooses, then optionally opened in the desktop's viewer.

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

// What the results table shows at the moment of the report.
struct ReportTable {
    // Column headers in creation order: "Leerling naam", the modules, "Eindresultaat".
    QStringList headers;
    // The columns (indexes into `headers`) in the order shown on screen; empty: creation order.
    QVector<int> shownColumns;
    struct Row {
        QString name;
        QStringList cells; // columns 2.. in creation order; missing trailing cells count as empty (value())
    };
    QVector<Row> rows;      // in the displayed (sorted) order
    QString countCaption;   // lblnLeerling
    QString averageCaption; // lblAvg
};

struct ReportInput {
    QString courseTitle;
    QString className;
    QDate date;
    ReportTable table;
};

// Escapes & < > " ' for insertion into the page.
QString HtmlEscaped(const QString& text);

// The page text. The count and average captions go through the locale's text-to-integer
// conversion, which raises RuntimeError for a caption that is not a number.
QString MaakHTML(const ReportInput& input, const QLocale& locale = QLocale());

// Windows-1252 bytes; a character outside it becomes a numeric character reference.
QByteArray ToWindows1252(const QString& text);

// Replaces `path` with the encoded text; raises RuntimeError with a Dutch description on failure.
void WriteHTMLFile(const QString& path, const QString& text);

// The save filter as stored (its odd closing ")" included).
inline const QString ReportFilter = QStringLiteral("HTML bestand (*.HTML)|*.HTML|HTM bestand (*.HTM)|*.HTM)");

// The report command: save dialog, page, file, then (only when written) the viewing question.
// `courseFile` gives the title; `documentFolder` ends in "/".
void MaakHTMLbestand(QWidget* parent, const QString& documentFolder, const QString& courseFile,
                     const QString& className, const ReportTable& table);
