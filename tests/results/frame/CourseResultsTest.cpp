#include "CourseFile.h"
#include "INIfunc.h"
#include "ProgramFolder.h"
#include "PupilResults.h"
#include "Runtime.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVector>
#include <gtest/gtest.h>

namespace {

const QLocale Dutch(QLocale::Dutch, QLocale::Netherlands);

class CourseTest : public testing::Test {
protected:
    QTemporaryDir dir;
    QString course = dir.filePath("Omschrijving.ini");
};

TEST(CourseKeys, DecimalWithoutPadding)
{
    EXPECT_EQ(ModuleKey(1), "m1");
    EXPECT_EQ(TopicKey(12, 3), "m12o3");
    EXPECT_EQ(MovieKey(12, 3), "m12o3swf");
}

TEST_F(CourseTest, MissingFileIsAnEmptyCourse)
{
    const Course c = ReadCourse(course);
    EXPECT_TRUE(c.title.isEmpty());
    EXPECT_TRUE(c.modules.isEmpty());
    EXPECT_TRUE(ReadModuleNames(course).isEmpty());
}

TEST_F(CourseTest, ReadsModulesTopicsAndTheTestRule)
{
    store(course, "[Cursus]\r\nTitel=Tekenen\r\n[Modules]\r\n"
                  "m1=Inleiding\r\nm1o1=Het scherm\r\nm1o1swf=scherm\r\nm1o2=\r\nm1o2swf=weg\r\nm1o3=Kleur\r\n"
                  "m1o6=Inleiding Test\r\nm1o6swf=\r\n"
                  "m3=Lijnen\r\nm3o7=nooit\r\n"
                  "m17=nooit\r\n");
    const Course c = ReadCourse(course);
    EXPECT_EQ(c.title, "Tekenen");
    ASSERT_EQ(c.modules.size(), 2);
    EXPECT_EQ(c.modules[0].number, 1);
    EXPECT_EQ(c.modules[1].number, 3);
    const auto& topics = c.modules[0].topics;
    ASSERT_EQ(topics.size(), 3);
    EXPECT_EQ(topics[0].name, "Het scherm");
    EXPECT_EQ(topics[0].movie, "scherm");
    EXPECT_EQ(topics[1].number, 3);
    EXPECT_EQ(topics[2].number, TestTopic);
    EXPECT_EQ(topics[2].name, "Inleiding Test");
    // Module 3 has no test key: its test is named after the module; o7 is never read.
    ASSERT_EQ(c.modules[1].topics.size(), 1);
    EXPECT_EQ(c.modules[1].topics[0].name, "Lijnen Test");
    EXPECT_EQ(ReadModuleNames(course), (QStringList{"Inleiding", "Lijnen"}));
}

TEST_F(CourseTest, LongTitleIsCut)
{
    WriteINI(course, "Cursus", "Titel", QString(300, QLatin1Char('t')));
    EXPECT_EQ(ReadCourseTitle(course).size(), 254);
}

TEST_F(CourseTest, GradesAreReadThroughTheCurrentTestName)
{
    store(course, "[Modules]\r\nm1=A\r\nm1o6=Toets A\r\nm2=B\r\n");
    const QString pupil = dir.filePath("Jan");
    store(pupil, "[Resultaten]\r\nToets A=7.5\r\nB Test=6\r\n=9\r\n");
    EXPECT_EQ(ReadTestName(course, 1), "Toets A");
    EXPECT_EQ(ReadGrade(pupil, ReadTestName(course, 1)), "7.5");
    // The stored course has no m2o6: the empty test name finds nothing.
    EXPECT_EQ(ReadTestName(course, 2), "");
    EXPECT_EQ(ReadGrade(pupil, ReadTestName(course, 2)), "");
    WriteINI(course, "Modules", "m1o6", "Nieuwe toets");
    EXPECT_EQ(ReadGrade(pupil, ReadTestName(course, 1)), "");
}

TEST_F(CourseTest, ModuleColumnsReadTheTestOfTheirOwnModule)
{
    // Module 1 removed by hand: column 1 is module 2, column 2 module 5.
    store(course, "[Modules]\r\nm1o6=Oud\r\nm2=B\r\nm2o6=TB\r\nm3=\r\nm3o6=T3\r\nm5=E\r\nm5o6=TE\r\n");
    EXPECT_EQ(ReadModuleNames(course), (QStringList{"B", "E"}));
    EXPECT_EQ(ReadTestNames(course, 2), (QStringList{"TB", "TE"}));
    EXPECT_EQ(ReadTestName(course, 2), "TE");
    EXPECT_EQ(ReadTestName(course, 3), "");
    // Consecutive modules: column k is module k, as before.
    store(course, "[Modules]\r\nm1=A\r\nm1o6=TA\r\nm2=B\r\nm2o6=TB\r\n");
    EXPECT_EQ(ReadTestNames(course, 2), (QStringList{"TA", "TB"}));
}

struct FinalCase {
    const char* name;
    QStringList grades;
    QString text;
};

void PrintTo(const FinalCase& c, std::ostream* os)
{
    *os << c.name;
}

class FinalResultTable : public testing::TestWithParam<FinalCase> {};

TEST_P(FinalResultTable, RoundedMeanOfTheGradesThatHoldANumber)
{
    FinalResult result;
    for (const QString& grade : GetParam().grades)
        result.add(grade);
    EXPECT_EQ(result.text(), GetParam().text);
    EXPECT_EQ(result.hasResult(), !GetParam().text.isEmpty());
    EXPECT_EQ(result.value(), GetParam().text.toShort());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FinalResultTable,
    testing::Values(FinalCase{"sixAndEight", {"6", "8", ""}, "7"},
                    // Pupils a spreadsheet's rounded mean contradicted.
                    FinalCase{"threeHalfAndSeven", {"3.5", "7"}, "5"},
                    FinalCase{"fourGrades", {"4", "7", "5", "5.5"}, "5"}, FinalCase{"halfGoesUp", {"5", "4"}, "5"},
                    FinalCase{"sixHalfAndSeven", {"6.5", "7"}, "7"}, FinalCase{"belowHalf", {"7.5", "7"}, "7"},
                    FinalCase{"tieMadeOfFractions", {"6.45", "6.55"}, "7"}, FinalCase{"comma", {"7,5"}, "8"},
                    FinalCase{"point", {"7.5"}, "8"}, FinalCase{"commaAndPointAlike", {"7,5", "6", "7.5"}, "7"},
                    FinalCase{"wordDoesNotCount", {"ziek", "8"}, "8"}, FinalCase{"dashDoesNotCount", {"6", "-"}, "6"},
                    FinalCase{"onlyWords", {"ziek", "-"}, ""}, FinalCase{"badRadix", {"&Hz"}, ""},
                    FinalCase{"noResults", {"", ""}, ""}, FinalCase{"nothing", {}, ""},
                    FinalCase{"zeroAverage", {"0", "0"}, "0"}, FinalCase{"negative", {"-3", "-4"}, "-3"},
                    FinalCase{"blanksInside", {" 7 ", "+ 6"}, "7"}, FinalCase{"hexGrade", {"&HA"}, "10"},
                    FinalCase{"percentSuffixEndsTheNumber", {"7.5%", "50%", "6&"}, "21"},
                    FinalCase{"largeGradesNoLongerOverflowTheSum", {"20000", "20000"}, "20000"}),
    [](const testing::TestParamInfo<FinalCase>& info) { return std::string(info.param.name); });

TEST(FinalResult, GradeOutsideSixteenBitsOverflows)
{
    for (const char* grade : {"40000", "32767.5", "-32769", "1E6"}) {
        FinalResult result;
        result.add("7");
        try {
            result.add(grade);
            FAIL() << "no overflow for " << grade;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.description(), "Overflow");
        }
        // What was counted before the failure stays.
        EXPECT_EQ(result.text(), "7") << grade;
    }
    FinalResult atLimit;
    atLimit.add("32767");
    atLimit.add("-32768");
    EXPECT_EQ(atLimit.text(), "0");
}

TEST(GradeNumber, ReadsTheLeadingNumberWithADecimalComma)
{
    EXPECT_EQ(GradeNumber("7,5"), 7.5);
    EXPECT_EQ(GradeNumber("7.5"), 7.5);
    EXPECT_EQ(GradeNumber(".5"), 0.5);
    EXPECT_EQ(GradeNumber("8 (herkansing)"), 8.0);
    EXPECT_EQ(GradeNumber("0"), 0.0);
    for (const char* none : {"", "ziek", "-", "+", ".", "&H", "&Q1", "  "})
        EXPECT_FALSE(GradeNumber(none).has_value()) << none;
}

TEST(GradeNumber, PlainGradesReadToTheSameNumberAsTheFullRule)
{
    QStringList texts{"7.",  "007", "1234567890123456", "123456789012345", "1.23456789012345", "99999999999999.9",
                      "0.1", "0,3", "10,000",           "5.55555555555555"};
    for (int whole = 0; whole <= 10; ++whole)
        for (int fraction = 0; fraction < 1000; ++fraction)
            texts << QStringLiteral("%1.%2").arg(whole).arg(fraction)
                  << QStringLiteral("%1,%2").arg(whole).arg(fraction, 3, 10, QLatin1Char('0'));
    for (const QString& text : std::as_const(texts)) {
        const std::optional<double> number = GradeNumber(text);
        ASSERT_TRUE(number.has_value()) << text.toStdString();
        EXPECT_EQ(*number, Val(QString(text).replace(',', '.'))) << text.toStdString();
    }
}

TEST(ClassAverage, NonZeroFinalResultsOnly)
{
    const struct {
        QVector<qint16> finals;
        int counted;
        const char* dutch;
        const char* c;
    } cases[] = {{{0}, 0, "0", "0"}, {{7, 0, 5}, 2, "6", "6"}, {{7, 7, 6}, 3, "6,66666666666667", "6.66666666666667"}};
    for (const auto& c : cases) {
        ClassAverage average;
        for (qint16 v : c.finals)
            average.add(v);
        EXPECT_EQ(average.counted(), c.counted) << c.dutch;
        EXPECT_EQ(average.text(Dutch), c.dutch);
        EXPECT_EQ(average.text(QLocale::c()), c.c);
    }

    ClassAverage big;
    big.add(30000);
    EXPECT_THROW(big.add(3000), RuntimeError);
}

struct DemoClass {
    const char* name;
    int count;
    const char* average;
    const char* finals; // in name order
};

// The demo classes as the table shows them: a reading of each file per row gives the cells that
// a reading per cell gives (the final results those of the rounded mean).
TEST(DemoClasses, OneReadingPerRowGivesTheFiguresOfOneReadingPerCell)
{
    const QString data = QStringLiteral(DEMO_DATA_FOLDER);
    const QString course = data + QStringLiteral("/swf/STDOmschrijving.ini");
    const int modules = int(ReadModuleNames(course).size());
    ASSERT_EQ(modules, 6);
    const QStringList testNames = ReadTestNames(course, modules);
    const DemoClass expected[] = {
        {"Avondcursus 2024", 22, "7,09090909090909", "6,7,7,8,6,8,6,5,7,7,9,8,7,7,7,7,7,8,7,9,6,7"},
        {"Klas 1A", 12, "6,72727272727273", "7,7,7,7,8,7,7,6,7,,5,6"},
        {"Klas 1B", 9, "7,125", "9,6,6,6,8,8,,7,7"},
    };
    QCryptographicHash cells(QCryptographicHash::Sha1);
    const QDir documents(data + QStringLiteral("/Documenten"));
    const QStringList classes = documents.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_EQ(classes.size(), std::size(expected));
    for (int c = 0; c < classes.size(); ++c) {
        const QDir folder(documents.filePath(classes[c]));
        ClassAverage average;
        QStringList finals;
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            const QString path = folder.filePath(name);
            const IniReader reading(path);
            FinalResult pupil;
            QStringList row{classes[c], name};
            for (int k = 1; k <= modules; ++k) {
                const QString grade = ReadGrade(reading, testNames[k - 1]);
                EXPECT_EQ(grade, ReadGrade(path, ReadTestName(course, k))) << name.toStdString() << " " << k;
                pupil.add(grade);
                row << grade;
            }
            finals << pupil.text();
            average.add(pupil.value());
            cells.addData((row + QStringList{pupil.text()}).join(QLatin1Char('\t')).toUtf8() + '\n');
        }
        EXPECT_EQ(classes[c], expected[c].name);
        EXPECT_EQ(finals.size(), expected[c].count) << expected[c].name;
        EXPECT_EQ(average.text(Dutch), expected[c].average) << expected[c].name;
        EXPECT_EQ(finals.join(QLatin1Char(',')), expected[c].finals) << expected[c].name;
    }
    // Every cell of every row, as the per-cell reading gave them.
    EXPECT_EQ(cells.result().toHex(), "3feff460e46ec50b47a7362d811d981b9cda47d8");
}

} // namespace
