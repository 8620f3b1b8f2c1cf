#include "ProgramFolder.h"
#include "modMaakCSV.h"
#include "modMaakHTML.h"

#include "ErrorRule.h"
#include "RecordingPrompts.h"
#include "Runtime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

const QLocale Dutch(QLocale::Dutch, QLocale::Netherlands);

// The fixed head of every page up to the colspan number.
const QString Head =
    QStringLiteral("<html><body><table border='0' cellpadding='0' cellspacing='4' style='border-collapse: collapse' "
                   "bordercolor='#111111' ><tr><th colspan=");

QString title(int n, const QString& course, const QString& klas)
{
    return Head + QString::number(n) + QStringLiteral(" ><font face='Arial' size='2'>Resultaten ") + course +
           QStringLiteral(" - Klas: ") + klas +
           QStringLiteral(", datum: 05-03-2024</font></th></tr><tr><td>&nbsp;</td></tr></table>");
}

ReportInput input(const QStringList& modules, const QVector<ReportTable::Row>& rows, const QString& count,
                  const QString& average)
{
    ReportInput in;
    in.courseTitle = QStringLiteral("Velmora cursus");
    in.className = QStringLiteral("4B");
    in.date = QDate(2024, 3, 5);
    in.table.headers = QStringList{"Leerling naam"} + modules + QStringList{"Eindresultaat"};
    in.table.rows = rows;
    in.table.countCaption = count;
    in.table.averageCaption = average;
    return in;
}

const QString Tail = QStringLiteral("</tr></table></body></html>");

} // namespace

TEST(MaakHTML, ThreeModulesWithAFillerRow)
{
    // Bram has no results: his row has no final-result cell.
    const ReportInput in =
        input({"Rekenen", "Taal", "Lezen"}, {{"Anna", {"6", "8", "7", "7"}}, {"Bram", {"", "", ""}}}, "2", "7");
    const QString expected =
        title(5, "Velmora cursus", "4B") + "<table width=70%><TR><TD><table>" +
        "<TR><td><font face='Arial' size='1'>1</td><td><nowrap><font face='Arial' size='1'>Rekenen</td></font></TR>"
        "<TR><td><font face='Arial' size='1'>2</td><td><nowrap><font face='Arial' size='1'>Taal</td></font></TR>"
        "<TR><td><font face='Arial' size='1'>3</td><td><nowrap><font face='Arial' size='1'>Lezen</td></font></TR>"
        "</TD></table><TD><table>"
        "<tr><td ><font face='Arial' size='1'>Aantal leerlingen:</font></td><td ><font face='Arial' size='1'>2"
        "</font></td></tr><tr><td ><font face='Arial' size='1'>Gemiddelde:</font></td><td ><font face='Arial' "
        "size='1'>7</font></td></tr>"
        "<tr><td><font face='Arial' size='1'>&nbsp</font></td><td><font face='Arial' size='1'>&nbsp</font></td></tr>"
        "</table></TD></tr></table>"
        "<tr></tr>"
        "<table><tr><th align=left nowrap><font face='Arial' size='2'>Leerlingnaam</font></th><th align=left nowrap "
        "bgcolor='#C0C0C0' ><font face='Arial' size='2'>Eindresultaat</font></th>"
        "<th nowrap><font face='Arial' size='2'>1</font></th><th nowrap><font face='Arial' size='2'>2</font></th>"
        "<th nowrap><font face='Arial' size='2'>3</font></th></tr>"
        "<tr><td nowrap><font face='Arial' size='1'>Anna</font></td><td bgcolor='#C0C0C0' ><font face='Arial' "
        "size='1'>7</font></td><td align=right><font face='Arial' size='1'>6</font></td><td align=right><font "
        "face='Arial' size='1'>8</font></td><td align=right><font face='Arial' size='1'>7</font></td><tr>"
        "<tr><td nowrap><font face='Arial' size='1'>Bram</font></td><td bgcolor='#C0C0C0' ><font face='Arial' "
        "size='1'></font></td><td align=right><font face='Arial' size='1'></font></td><td align=right><font "
        "face='Arial' size='1'></font></td><td align=right><font face='Arial' size='1'></font></td><tr>" +
        Tail;
    EXPECT_EQ(MaakHTML(in, Dutch).toStdString(), expected.toStdString());
}

TEST(MaakHTML, OneModuleHasNoFillerRow)
{
    const ReportInput in = input({"Rekenen"}, {{"Anna", {"9", "9"}}}, "1", "9");
    const QString expected =
        title(3, "Velmora cursus", "4B") + "<table width=70%><TR><TD><table>" +
        "<TR><td><font face='Arial' size='1'>1</td><td><nowrap><font face='Arial' size='1'>Rekenen</td></font></TR>"
        "</TD></table><TD><table>"
        "<tr><td ><font face='Arial' size='1'>Aantal leerlingen:</font></td><td ><font face='Arial' size='1'>1"
        "</font></td></tr><tr><td ><font face='Arial' size='1'>Gemiddelde:</font></td><td ><font face='Arial' "
        "size='1'>9</font></td></tr>"
        "</table></TD></tr></table><tr></tr>"
        "<table><tr><th align=left nowrap><font face='Arial' size='2'>Leerlingnaam</font></th><th align=left nowrap "
        "bgcolor='#C0C0C0' ><font face='Arial' size='2'>Eindresultaat</font></th>"
        "<th nowrap><font face='Arial' size='2'>1</font></th></tr>"
        "<tr><td nowrap><font face='Arial' size='1'>Anna</font></td><td bgcolor='#C0C0C0' ><font face='Arial' "
        "size='1'>9</font></td><td align=right><font face='Arial' size='1'>9</font></td><tr>" +
        Tail;
    EXPECT_EQ(MaakHTML(in, Dutch).toStdString(), expected.toStdString());
}

TEST(MaakHTML, NoModulesAndNoPupils)
{
    const ReportInput in = input({}, {}, "0", "0");
    const QString expected =
        title(2, "Velmora cursus", "4B") + "<table width=70%><TR><TD><table></TD></table><TD><table>" +
        "<tr><td ><font face='Arial' size='1'>Aantal leerlingen:</font></td><td ><font face='Arial' size='1'>0"
        "</font></td></tr><tr><td ><font face='Arial' size='1'>Gemiddelde:</font></td><td ><font face='Arial' "
        "size='1'>0</font></td></tr>"
        "</table></TD></tr></table><tr></tr>"
        "<table><tr><th align=left nowrap><font face='Arial' size='2'>Leerlingnaam</font></th><th align=left nowrap "
        "bgcolor='#C0C0C0' ><font face='Arial' size='2'>Eindresultaat</font></th></tr>" +
        Tail;
    EXPECT_EQ(MaakHTML(in, Dutch).toStdString(), expected.toStdString());
}

TEST(MaakHTML, FillerRowsAndColumnsGrowWithTheModules)
{
    const QStringList modules = {"M1", "M2", "M3", "M4", "M5", "M6", "M7"};
    const ReportInput in = input(modules, {{"Anna", {"1", "2", "3", "4", "5", "6", "7", "4"}}}, "1", "4");
    const QString page = MaakHTML(in, Dutch);
    EXPECT_EQ(page.count(QStringLiteral("&nbsp</font></td><td>")), 5); // N - 4 with N = 9
    EXPECT_EQ(page.count(QStringLiteral("<th nowrap>")), 7);
    EXPECT_EQ(page.count(QStringLiteral("<td align=right>")), 7);
    EXPECT_TRUE(page.contains(QStringLiteral(">7</td><td><nowrap><font face='Arial' size='1'>M7</td>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<td bgcolor='#C0C0C0' ><font face='Arial' size='1'>4</font>")));
}

TEST(MaakHTML, EveryRowKeepsAllModuleColumnsWhateverTheFirstRowHolds)
{
    // The first row in sort order has no final-result cell; the others must still show module 2.
    const ReportInput in = input({"A", "B"}, {{"Aad", {"", ""}}, {"Bea", {"6", "8", "7"}}}, "2", "7");
    const QString page = MaakHTML(in, Dutch);
    EXPECT_TRUE(page.contains(QStringLiteral("<td align=right><font face='Arial' size='1'>6</font></td>"
                                             "<td align=right><font face='Arial' size='1'>8</font></td><tr>")));
}

TEST(MaakHTML, CountAndAverageGoThroughTheLocaleConversion)
{
    struct Case {
        const char* average;
        const char* shown;
    };
    for (const Case& c : {Case{"6,5", "6"}, Case{"7,5", "8"}, Case{"6,66666666666667", "7"}, Case{"7", "7"}}) {
        const QString page = MaakHTML(input({"A"}, {}, "3", QString::fromUtf8(c.average)), Dutch);
        EXPECT_TRUE(page.contains(QStringLiteral("Gemiddelde:</font></td><td ><font face='Arial' size='1'>") +
                                  QString::fromUtf8(c.shown) + QStringLiteral("</font>")))
            << c.average;
    }
    // An empty average caption (after a failed class delete) is no number.
    EXPECT_THROW(MaakHTML(input({"A"}, {}, "3", QString()), Dutch), RuntimeError);
}

TEST(MaakHTML, TextsFromFilesAreEscapedFixedFragmentsAreNot)
{
    ReportInput in = input({"<b>Rekenen & Taal</b>"}, {{"Jan \"<script>\" O'Neil", {"<8>", "8"}}}, "1", "8");
    in.courseTitle = QStringLiteral("Cursus <1> & \"2\"");
    in.className = QStringLiteral("4B&'C'");
    const QString page = MaakHTML(in, Dutch);
    EXPECT_TRUE(page.contains(QStringLiteral("Resultaten Cursus &lt;1&gt; &amp; &quot;2&quot; - Klas: "
                                             "4B&amp;&#39;C&#39;, datum:")));
    EXPECT_TRUE(page.contains(QStringLiteral(">&lt;b&gt;Rekenen &amp; Taal&lt;/b&gt;</td>")));
    EXPECT_TRUE(page.contains(QStringLiteral(">Jan &quot;&lt;script&gt;&quot; O&#39;Neil</font>")));
    EXPECT_TRUE(page.contains(QStringLiteral(">&lt;8&gt;</font>")));
    EXPECT_FALSE(page.contains(QStringLiteral("<script>")));
    EXPECT_TRUE(page.startsWith(Head));
    EXPECT_TRUE(page.endsWith(Tail));
}

TEST(Windows1252, EncodesWesternTextAndReferencesTheRest)
{
    struct Case {
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {QStringLiteral("abc <>"), "abc <>"},
        {QStringLiteral("Ren\u00e9e \u00eb\u00ff"), "Ren\xe9"
                                                    "e \xeb\xff"},
        {QStringLiteral("\u20ac \u2018x\u2019 \u0160"), "\x80 \x91x\x92 \x8a"},
        {QStringLiteral("\u0141\u00f3d\u017a"), "&#321;\xf3"
                                                "d&#378;"},
        {QString::fromUcs4(U"\U0001F600"), "&#128512;"},
        {QStringLiteral("\u0081?"), "\x81?"}, // unassigned byte, as the platform maps it
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToWindows1252(c.text), c.bytes) << c.text.toStdString();
}

namespace {

class ReportCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        documents = temp.path() + QStringLiteral("/Documenten/");
        ASSERT_TRUE(QDir().mkpath(documents + QStringLiteral("4B")));
        courseFile = temp.path() + QStringLiteral("/Omschrijving.ini");
        store(courseFile, "[Cursus]\r\nTitel=Caf\xe9 cursus\r\n");
        table.headers = QStringList{"Leerling naam", "Rekenen", "Eindresultaat"};
        table.rows = {{QStringLiteral("Ren\u00e9e"), {"7", "7"}}};
        table.countCaption = QStringLiteral("1");
        table.averageCaption = QStringLiteral("7");
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    void run() { MaakHTMLbestand(nullptr, documents, courseFile, QStringLiteral("4B"), table); }

    QTemporaryDir temp;
    QString documents;
    QString courseFile;
    ReportTable table;
    ScopedPrompts scoped;
};

} // namespace

TEST_F(ReportCommandTest, SaveDialogIsPreparedAndCancelWritesNothing)
{
    run();
    ASSERT_EQ(scoped.prompts.calls.size(), 1);
    const FileDialogRequest& request = scoped.prompts.calls[0].request;
    EXPECT_EQ(scoped.prompts.calls[0].kind, PromptCall::SaveFile);
    EXPECT_EQ(request.title, QStringLiteral("Bestand opslaan"));
    EXPECT_EQ(request.filter, QStringLiteral("HTML bestand (*.HTML)|*.HTML|HTM bestand (*.HTM)|*.HTM)"));
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.initialFolder, documents + QStringLiteral("4B"));
    EXPECT_EQ(request.fileName, QStringLiteral("4B.html"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("html"));
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_EQ(QDir(documents + QStringLiteral("4B")).entryList(QDir::Files), QStringList());
}

// A file without "." in a class folder is a pupil: the report and the export never write one.
TEST_F(ReportCommandTest, ANameWithoutExtensionGetsOne)
{
    struct Case {
        const char* chosen;
        const char* html;
        const char* csv;
    };
    const Case cases[] = {
        {"4B", "4B.html", "4B.csv"},
        {"Review \"X\"", "Review \"X\".html", "Review \"X\".csv"},
        {"verslag.HTML", "verslag.HTML", "verslag.HTML"},
        {"lijst.txt", "lijst.txt", "lijst.txt"},
    };
    for (const Case& c : cases) {
        const QString folder = documents + QStringLiteral("4B/");
        for (const char* kind : {"html", "csv"}) {
            const bool html = QByteArray(kind) == "html";
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            scoped.prompts.calls.clear();
            scoped.prompts.texts = {folder + QString::fromUtf8(c.chosen)};
            scoped.prompts.answers = {PromptAnswer::Yes};
            if (html)
                run();
            else
                ExporteerCSVbestand(nullptr, documents, QStringLiteral("4B"), table);
            const QString expected = QString::fromUtf8(html ? c.html : c.csv);
            EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{expected}) << c.chosen << " " << kind;
            if (html) {
                ASSERT_EQ(scoped.prompts.calls.size(), 3) << c.chosen;
                EXPECT_EQ(scoped.prompts.calls[2].text, folder + expected) << "the viewer opens what was written";
            }
        }
    }
}

TEST_F(ReportCommandTest, WritesWindows1252AndOpensOnYes)
{
    QLocale::setDefault(Dutch);
    const QString path = documents + QStringLiteral("4B/4B.HTML");
    scoped.prompts.texts = {path};
    scoped.prompts.answers = {PromptAnswer::Yes};
    run();
    ASSERT_EQ(scoped.prompts.calls.size(), 3);
    const PromptCall& question = scoped.prompts.calls[1];
    EXPECT_EQ(question.text, QStringLiteral("Wilt u de resultaten nu bekijken?"));
    EXPECT_EQ(question.title, QStringLiteral("HTML Resultaat"));
    EXPECT_EQ(question.icon, PromptIcon::None);
    EXPECT_EQ(question.buttons, PromptButtons::YesNo);
    EXPECT_EQ(scoped.prompts.calls[2].kind, PromptCall::OpenDocument);
    EXPECT_EQ(scoped.prompts.calls[2].text, path);

    const QByteArray bytes = readAll(path);
    const QByteArray today = Dutch.toString(QDate::currentDate(), QLocale::ShortFormat).toLatin1();
    EXPECT_TRUE(bytes.contains("Resultaten Caf\xe9 cursus - Klas: 4B, datum: " + today + "</font>"));
    EXPECT_TRUE(bytes.contains(">Ren\xe9"
                               "e</font>"));
    EXPECT_TRUE(bytes.endsWith("</tr></table></body></html>"));
}

TEST_F(ReportCommandTest, ReplacesAnExistingFileAndNoKeepsItClosed)
{
    const QString path = documents + QStringLiteral("4B/4B.HTML");
    store(path, QByteArray(5000, 'x'));
    scoped.prompts.texts = {path};
    scoped.prompts.answers = {PromptAnswer::No};
    run();
    EXPECT_EQ(scoped.prompts.calls.size(), 2);
    const QByteArray bytes = readAll(path);
    EXPECT_TRUE(bytes.startsWith("<html><body>"));
    EXPECT_FALSE(bytes.contains('x' + QByteArray("xxxx")));
    EXPECT_EQ(QDir(documents + QStringLiteral("4B")).entryList(QDir::Files), QStringList{"4B.HTML"});
}

TEST_F(ReportCommandTest, WriteFailureIsReportedAndNothingIsOfferedForViewing)
{
    struct Case {
        const char* what;
        QString path;
        QString message;
        rlim_t sizeLimit = RLIM_INFINITY; // a file size limit fails the write after the temporary file exists
    };
    ASSERT_TRUE(QDir().mkpath(documents + QStringLiteral("4B/map.HTML")));
    const QString readOnly = documents + QStringLiteral("4B/oud.HTML");
    store(readOnly, "oud");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    const Case cases[] = {
        // A missing folder is named.
        {"missing folder", documents + QStringLiteral("geen/4B.HTML"),
         QStringLiteral("Kan bestand niet aanmaken! Pad niet gevonden: ") + documents + QStringLiteral("geen")},
        {"folder", documents + QStringLiteral("4B/map.HTML"),
         "Kan bestand niet aanmaken! Er bestaat al een map met deze naam"},
        {"read-only", readOnly, "Kan bestand niet aanmaken! Bestand is in gebruik of alleen-lezen"},
        {"too large", documents + QStringLiteral("4B/groot.HTML"), "Kan bestand niet aanmaken! Het bestand is te groot",
         64},
    };
    for (const Case& c : cases) {
        scoped.prompts.calls.clear();
        scoped.prompts.texts = {c.path};
        scoped.prompts.answers = {PromptAnswer::No};
        rlimit unlimited{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        const auto oldSignal = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = unlimited;
        limited.rlim_cur = c.sizeLimit == RLIM_INFINITY ? unlimited.rlim_cur : c.sizeLimit;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        run();
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        ::signal(SIGXFSZ, oldSignal);
        ASSERT_EQ(scoped.prompts.calls.size(), 2) << c.what;
        EXPECT_EQ(scoped.prompts.calls[1].text, c.message) << c.what;
        EXPECT_EQ(scoped.prompts.calls[1].title, ErrorTitle);
        EXPECT_EQ(scoped.prompts.calls[1].icon, PromptIcon::Critical);
    }
    EXPECT_EQ(readAll(readOnly), QByteArray("oud"));
    // No temporary file is left behind, not even by the write that failed after making one.
    EXPECT_EQ(QDir(documents + QStringLiteral("4B")).entryList(QDir::Files | QDir::Hidden), QStringList{"oud.HTML"});
}

TEST_F(ReportCommandTest, ACaptionThatIsNoNumberEndsSilently)
{
    table.averageCaption.clear();
    const QString path = documents + QStringLiteral("4B/4B.HTML");
    scoped.prompts.texts = {path};
    run();
    EXPECT_EQ(scoped.prompts.calls.size(), 1);
    EXPECT_FALSE(QFile::exists(path));
}

namespace {

// RFC 4180 with ";" between fields: the records of `text`, quotes undone.
QVector<QStringList> parseCsv(const QString& text)
{
    QVector<QStringList> records;
    QStringList record;
    QString value;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                value += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                value += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            record << value;
            value.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            record << value;
            value.clear();
            records << record;
            record.clear();
            ++i;
        } else {
            value += c;
        }
    }
    EXPECT_TRUE(value.isEmpty() && record.isEmpty() && !quoted) << "the last line ends in CRLF";
    return records;
}

ReportTable csvTable()
{
    ReportTable t;
    t.headers = QStringList{"Leerling naam", "Optellen", "Delen; rest", "Breuken", "Procenten", "Eindresultaat"};
    t.shownColumns = {0, 5, 1, 2, 3, 4}; // the final result shown second, as on screen
    t.rows = {
        {QStringLiteral("Zo\u00eb \"de\" Vries; jr."), {"7.5", "8", "<9>", "", "8"}},
        {QStringLiteral("Anna"), {"7,5", "-1", "7.5%", "=1+1"}}, // missing trailing cell: empty
        {QStringLiteral("=HYPERLINK(\"x\")"), {"07", "7.", ".5", "1.2.3", ""}},
    };
    return t;
}

} // namespace

TEST(MaakCSV, BytesForAClassWithQuotesSeparatorsAndTexts)
{
    const QByteArray bytes = MaakCSV(csvTable());
    const QByteArray expected = "\xEF\xBB\xBF"
                                "Leerling naam;Eindresultaat;Optellen;\"Delen; rest\";Breuken;Procenten\r\n"
                                "\"Zo\xC3\xAB \"\"de\"\" Vries; jr.\";8;7,5;8;<9>;\r\n"
                                "Anna;;7,5;-1;7.5%;'=1+1\r\n"
                                "\"'=HYPERLINK(\"\"x\"\")\";;07;7.;.5;1.2.3\r\n";
    EXPECT_EQ(bytes.toStdString(), expected.toStdString());
}

// A spreadsheet runs a cell beginning with any of these as a formula; one character alone is no
// formula, and a plain negative grade stays a number.
TEST(MaakCSV, EveryFormulaStartGetsTheApostrophe)
{
    struct Case {
        QString text;
        QString name;  // the field read back, as a name
        QString grade; // as a grade
    };
    const Case cases[] = {
        {"=1+1", "'=1+1", "'=1+1"},
        {"+31 6", "'+31 6", "'+31 6"},
        {"-x", "'-x", "'-x"},
        {"@SOM(A1)", "'@SOM(A1)", "'@SOM(A1)"},
        {"\tx", "'\tx", "'\tx"},
        {"\rx", "'\rx", "'\rx"},
        {"=", "=", "="},
        {"-1", "'-1", "-1"},
        {"Anna", "Anna", "Anna"},
    };
    for (const Case& c : cases) {
        ReportTable t;
        t.headers = QStringList{"Leerling naam", "Rekenen", "Eindresultaat"};
        t.rows = {{c.text, {c.text, ""}}};
        const QVector<QStringList> records = parseCsv(QString::fromUtf8(MaakCSV(t).mid(3)));
        ASSERT_EQ(records.size(), 2) << c.text.toStdString();
        EXPECT_EQ(records[1].value(0), c.name) << c.text.toStdString();
        EXPECT_EQ(records[1].value(1), c.grade) << c.text.toStdString();
    }
}

TEST(MaakCSV, ReadsBackAsTheTableShowsIt)
{
    const QByteArray bytes = MaakCSV(csvTable());
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QVector<QStringList> records = parseCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(records.size(), 4);
    EXPECT_EQ(records[0],
              (QStringList{"Leerling naam", "Eindresultaat", "Optellen", "Delen; rest", "Breuken", "Procenten"}));
    EXPECT_EQ(records[1], (QStringList{QStringLiteral("Zo\u00eb \"de\" Vries; jr."), "8", "7,5", "8", "<9>", ""}));
    for (const QStringList& record : records)
        EXPECT_EQ(record.size(), 6);
    // Without a shown order the columns come in creation order.
    ReportTable plain = csvTable();
    plain.shownColumns.clear();
    EXPECT_EQ(parseCsv(QString::fromUtf8(MaakCSV(plain).mid(3)))[0].last(), QStringLiteral("Eindresultaat"));
}

TEST_F(ReportCommandTest, CsvExportAsksLikeTheReportAndReportsFailuresLikeIt)
{
    ExporteerCSVbestand(nullptr, documents, QStringLiteral("4B"), table); // cancelled
    ASSERT_EQ(scoped.prompts.calls.size(), 1);
    const FileDialogRequest& request = scoped.prompts.calls[0].request;
    EXPECT_EQ(request.title, QStringLiteral("Bestand opslaan"));
    EXPECT_EQ(request.initialFolder, documents + QStringLiteral("4B"));
    EXPECT_EQ(request.fileName, QStringLiteral("4B.csv"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("csv"));
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_EQ(QDir(documents + QStringLiteral("4B")).entryList(QDir::Files), QStringList());

    scoped.prompts.calls.clear();
    scoped.prompts.texts = {documents + QStringLiteral("geen/4B.csv")};
    ExporteerCSVbestand(nullptr, documents, QStringLiteral("4B"), table);
    ASSERT_EQ(scoped.prompts.calls.size(), 2);
    EXPECT_EQ(scoped.prompts.calls[1].text,
              QStringLiteral("Kan bestand niet aanmaken! Pad niet gevonden: ") + documents + QStringLiteral("geen"));
    EXPECT_EQ(scoped.prompts.calls[1].title, ErrorTitle);
    EXPECT_EQ(scoped.prompts.calls[1].icon, PromptIcon::Critical);
}
