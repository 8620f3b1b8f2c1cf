#include "modMaakCSV.h"

#include "ExportFile.h"
#include "Runtime.h"

#include <QRegularExpression>

namespace {

// A grade is written as a number only when it is a plain decimal number: digits with at most one
// "." or "," before further digits, and an optional leading "-" ("8", "7.5", "7,5", "-1"). The
// course player writes "7.5"; a file edited by hand may hold "7,5", and whoever typed it meant
// the same number. Anything else ("7.5%", "<9>", "8+", "v", " 7") stays text, as the table shows
// it: a spreadsheet that sums the column then skips it rather than guessing.
bool isPlainNumber(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]+([.,][0-9]+)?$"));
    return plain.match(text).hasMatch();
}

QString field(const QString& text)
{
    QString value = text;
    // A text that a spreadsheet would run as a formula ("=...", "+...", "@...") gets the
    // apostrophe that marks a cell as text; a pupil types the name, the teacher opens the file.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (value.size() > 1 && formulaStarts.contains(value.front()))
        value.prepend(QLatin1Char('\''));
    static const QRegularExpression special(QStringLiteral("[;\"\r\n]"));
    if (!value.contains(special))
        return value;
    value.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + value + QLatin1Char('"');
}

QString gradeField(const QString& text)
{
    if (!isPlainNumber(text))
        return field(text);
    QString number = text;
    number.replace(QLatin1Char('.'), QLatin1Char(','));
    return number;
}

} // namespace

QByteArray MaakCSV(const ReportTable& table)
{
    QVector<int> columns = table.shownColumns;
    if (columns.isEmpty())
        for (int c = 0; c < table.headers.size(); ++c)
            columns << c;
    const QString lineEnd = QStringLiteral("\r\n");
    const QString separator = QStringLiteral(";");

    QStringList fields;
    for (const int c : std::as_const(columns))
        fields << field(table.headers.value(c));
    QString text = fields.join(separator) + lineEnd;
    for (const ReportTable::Row& row : table.rows) {
        fields.clear();
        for (const int c : std::as_const(columns))
            fields << (c == 0 ? field(row.name) : gradeField(row.cells.value(c - 1)));
        text += fields.join(separator) + lineEnd;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray MaakOverzichtCSV(const QVector<ColumnFigures>& figures)
{
    ReportTable table;
    table.headers = FigureHeaders();
    for (const ColumnFigures& column : figures) {
        const QStringList fields = FigureRow(column);
        table.rows << ReportTable::Row{fields.front(), fields.mid(1)};
    }
    return MaakCSV(table);
}

void ExporteerCSVbestand(QWidget* parent, const QString& documentFolder, const QString& className,
                         const ReportTable& table)
{
    const QString path = ChooseExportPath(parent, documentFolder, className, CsvFilter, QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    try {
        WriteExportFile(path, MaakCSV(table));
    } catch (const RuntimeError& error) {
        ShowCreateFailure(parent, error);
    }
}
