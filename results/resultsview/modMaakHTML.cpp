#include "modMaakHTML.h"

#include "CourseFile.h"
#include "Cp1252.h"
#include "ExportFile.h"
#include "INIfunc.h"
#include "Prompts.h"
#include "Runtime.h"
#include "modsearch.h"

namespace {

const QString Font1 = QStringLiteral("<font face='Arial' size='1'>");

} // namespace

QString HtmlEscaped(const QString& text)
{
    // Qt's escaping leaves the apostrophe, which ends a single-quoted attribute.
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

QString MaakHTML(const ReportInput& input, const QLocale& locale)
{
    const ReportTable& table = input.table;
    const qsizetype n = table.headers.size();
    const qint16 count = CInt(table.countCaption, locale);
    const qint16 average = CInt(table.averageCaption, locale);
    const QString date = locale.toString(input.date, QLocale::ShortFormat);

    QString page;
    page += QStringLiteral("<html><body><table border='0' cellpadding='0' cellspacing='4' style='border-collapse: "
                           "collapse' bordercolor='#111111' ><tr><th colspan=");
    page += QString::number(n);
    page += QStringLiteral(" ><font face='Arial' size='2'>Resultaten ");
    page += HtmlEscaped(input.courseTitle) + QStringLiteral(" - Klas: ") + HtmlEscaped(input.className);
    page += QStringLiteral(", datum: ") + date;
    page += QStringLiteral("</font></th></tr><tr><td>&nbsp;</td></tr></table>");
    page += QStringLiteral("<table width=70%><TR><TD><table>");

    // Legend: the modules numbered from 1.
    for (qsizetype i = 2; i <= n - 1; ++i) {
        page += QStringLiteral("<TR><td>") + Font1 + QString::number(i - 1);
        page += QStringLiteral("</td><td><nowrap>") + Font1 + HtmlEscaped(table.headers.at(i - 1));
        page += QStringLiteral("</td></font></TR>");
    }
    page += QStringLiteral("</TD></table><TD><table>");
    page += QStringLiteral("<tr><td >") + Font1 + QStringLiteral("Aantal leerlingen:</font></td><td >") + Font1;
    page += QString::number(count);
    page += QStringLiteral("</font></td></tr><tr><td >") + Font1 + QStringLiteral("Gemiddelde:</font></td>");
    page += QStringLiteral("<td >") + Font1 + QString::number(average) + QStringLiteral("</font></td></tr>");
    // Filler rows so that the right-hand table is as tall as the legend.
    for (qsizetype i = 0; i < n - 4; ++i)
        page += QStringLiteral("<tr><td>") + Font1 + QStringLiteral("&nbsp</font></td><td>") + Font1 +
                QStringLiteral("&nbsp</font></td></tr>");
    page += QStringLiteral("</table></TD></tr></table>");
    page += QStringLiteral("<tr></tr>");

    page += QStringLiteral("<table><tr><th align=left nowrap><font face='Arial' size='2'>Leerlingnaam</font></th>"
                           "<th align=left nowrap bgcolor='#C0C0C0' ><font face='Arial' size='2'>Eindresultaat"
                           "</font></th>");
    for (qsizetype k = 1; k <= n - 2; ++k)
        page += QStringLiteral("<th nowrap><font face='Arial' size='2'>") + QString::number(k) +
                QStringLiteral("</font></th>");
    page += QStringLiteral("</tr>");

    for (const ReportTable::Row& row : table.rows) {
        // Cells are in creation order: modules 1..N-2, then the final result.
        const QString finalResult = n > 2 ? row.cells.value(n - 2) : QString();
        page += QStringLiteral("<tr><td nowrap>") + Font1 + HtmlEscaped(row.name);
        page += QStringLiteral("</font></td><td bgcolor='#C0C0C0' >") + Font1 + HtmlEscaped(finalResult);
        page += QStringLiteral("</font></td>");
        for (qsizetype c = 1; c <= n - 2; ++c)
            page += QStringLiteral("<td align=right>") + Font1 + HtmlEscaped(row.cells.value(c - 1)) +
                    QStringLiteral("</font></td>");
        page += QStringLiteral("<tr>");
    }
    page += QStringLiteral("</tr></table></body></html>");
    return page;
}

QByteArray ToWindows1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints) {
        // The frame's encoder writes '?' for what the code page lacks; a reference keeps it.
        const QByteArray byte = c <= 0xFFFF ? toCp1252(QString(QChar(char16_t(c)))) : QByteArray("?");
        if (byte == "?" && c != '?')
            out += "&#" + QByteArray::number(c) + ';';
        else
            out += byte;
    }
    return out;
}

void WriteHTMLFile(const QString& path, const QString& text)
{
    WriteExportFile(path, ToWindows1252(text));
}

void MaakHTMLbestand(QWidget* parent, const QString& documentFolder, const QString& courseFile,
                     const QString& className, const ReportTable& table)
{
    const QString path = ChooseExportPath(parent, documentFolder, className, ReportFilter, QStringLiteral("html"));
    if (path.isEmpty())
        return;

    // From here every failure but the writing ends the command without a word.
    try {
        const ReportInput input{ReadCourseTitle(courseFile), ShownName(className), QDate::currentDate(), table};
        const QString page = MaakHTML(input);
        try {
            WriteHTMLFile(path, page);
        } catch (const RuntimeError& error) {
            // Nothing was written, so there is nothing to view.
            ShowCreateFailure(parent, error);
            return;
        }
        if (prompts().message(parent, QStringLiteral("Wilt u de resultaten nu bekijken?"),
                              QStringLiteral("HTML Resultaat"), PromptIcon::None,
                              PromptButtons::YesNo) == PromptAnswer::Yes)
            prompts().openDocument(path);
    } catch (const std::exception&) {
    }
}
