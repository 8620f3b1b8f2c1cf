#include "Cp1252.h"
#include "INIfunc.h"
#include "IniReader.h"
#include "ProgramFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A literal with its embedded NUL bytes.
template <std::size_t N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

class IniFile {
public:
    explicit IniFile(const QByteArray& bytes, const char* name = "test.ini")
        : m_path(m_dir.filePath(QString::fromLatin1(name)))
    {
        store(m_path, bytes);
    }
    const QString& path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

struct ReadCase {
    const char* name;
    QByteArray file;
    const char* section;
    const char* key;
    const char* defaultValue;
    QString expected;
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReadIniTable : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadIniTable, ReturnsTheProfileValue)
{
    const ReadCase& c = GetParam();
    IniFile file(c.file);
    EXPECT_EQ(
        ReadINI(file.path(), QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString::fromUtf8(c.defaultValue)),
        c.expected);
}

const QString Long300 = QString(300, QLatin1Char('x'));

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadIniTable,
    testing::Values(
        ReadCase{"plain", "[A]\r\nk=v\r\n", "A", "k", "d", "v"},
        ReadCase{"caseOfNames", "[Profiel]\r\nDocumenten=x\r\n", "PROFIEL", "documenten", "d", "x"},
        ReadCase{"accentedCase", "[\xC9T\xC9]\r\n\xC9t\xE9=1\r\n", "été", "ÉTÉ", "d", "1"},
        ReadCase{"valueTrimmed", "[A]\r\n  k  =   v w \t \r\n", "A", "k", "d", "v w"},
        ReadCase{"doubleQuotes", "[A]\r\nk=\" v \"\r\n", "A", "k", "d", " v "},
        ReadCase{"singleQuotes", "[A]\r\nk='v'\r\n", "A", "k", "d", "v"},
        ReadCase{"onePairOnly", "[A]\r\nk=\"\"v\"\"\r\n", "A", "k", "d", "\"v\""},
        ReadCase{"mixedQuotesKept", "[A]\r\nk=\"v'\r\n", "A", "k", "d", "\"v'"},
        ReadCase{"loneQuoteKept", "[A]\r\nk=\"\r\n", "A", "k", "d", "\""},
        ReadCase{"emptyValue", "[A]\r\nk=\r\n", "A", "k", "d", ""},
        ReadCase{"secondEqualsInValue", "[A]\r\nk=a=b\r\n", "A", "k", "d", "a=b"},
        ReadCase{"firstKeyWins", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "d", "1"},
        ReadCase{"firstSectionOnly", "[A]\r\nx=1\r\n[B]\r\n[A]\r\nk=2\r\n", "A", "k", "d", "d"},
        ReadCase{"otherSectionNotSearched", "[A]\r\nk=1\r\n[B]\r\nj=2\r\n", "B", "k", "d", "d"},
        ReadCase{"semicolonComment", "[A]\r\n;k=1\r\n  ; k=2\r\nk=3\r\n", "A", "k", "d", "3"},
        ReadCase{"hashIsNoComment", "[A]\r\n#k=1\r\n", "A", "#k", "d", "1"},
        ReadCase{"headerEndsAtBracket", "[A]junk\r\nk=1\r\n", "A", "k", "d", "1"},
        ReadCase{"headerWithoutBracket", "[A\r\nk=1\r\n", "A", "k", "d", "1"},
        ReadCase{"blanksInBrackets", "[  A B  ]\r\nk=1\r\n", "A B", "k", "d", "1"},
        ReadCase{"keysBeforeAnySection", "k=1\r\n[A]\r\nj=2\r\n", "", "k", "d", "d"},
        ReadCase{"emptySectionName", "k=1\r\n[]\r\nk=2\r\n", "", "k", "d", "2"},
        ReadCase{"lineWithoutEqualsSkipped", "[A]\r\nk\r\nk=1\r\n", "A", "k", "d", "1"},
        ReadCase{"lfOnly", "[A]\nk=1\nj=2\n", "A", "j", "d", "2"},
        ReadCase{"lastLineWithoutEnd", "[A]\r\nk=1", "A", "k", "d", "1"},
        ReadCase{"blanksAroundRequestedNames", "[sec]\r\nkey=v\r\n", " sec ", "  key  ", "d", "v"},
        ReadCase{"tabBeforeKeyBelongsToIt", "[sec]\r\nkey=v\r\n", "sec", "\tkey", "d", "d"},
        ReadCase{"tabAfterSectionBelongsToIt", "[sec]\r\nkey=v\r\n", " sec\t", "key", "d", "d"},
        ReadCase{"blanksOnlyKeyFindsNothing", "[A]\r\n=v\r\n", "A", "   ", "d", "d"},
        ReadCase{"loneCarriageReturns", "[A]\rk=1\rj=2", "A", "j", "d", "2"},
        ReadCase{"loneCarriageReturnEndsSection", "[A]\r\nx=1\r[B]\r\nk=2\r\n", "A", "k", "d", "d"},
        ReadCase{"loneCarriageReturnOpensSection", "[A]\r\nx=1\r[B]\r\nk=2\r\n", "B", "k", "d", "2"},
        ReadCase{"carriageReturnBeforeLineEnd", "[A]\r\r\nk=1\r\r\n", "A", "k", "d", "1"},
        ReadCase{"missingKey", "[A]\r\nk=1\r\n", "A", "z", "d", "d"},
        ReadCase{"defaultTrailingBlanksCut", "", "A", "k", "  d  ", "  d"},
        ReadCase{"defaultQuotesKept", "", "A", "k", "\"d\"", "\"d\""},
        ReadCase{"windows1252Value", "[A]\r\nk=caf\xE9 \x80\r\n", "A", "k", "d", "café €"},
        ReadCase{"unassignedByteKept", "[A]\r\nk=\x81\r\n", "A", "k", "d", QString(QChar(0x81))},
        ReadCase{"valueCutTo254", "[A]\r\nk=" + QByteArray(300, 'x') + "\r\n", "A", "k", "d", Long300.left(254)},
        ReadCase{"quotedLongValueCut", "[A]\r\nk=\"" + QByteArray(300, 'x') + "\"\r\n", "A", "k", "d",
                 Long300.left(254)},
        // Saved as UTF-8 with a byte-order mark: the mark is no part of the first line, the values and
        // names are UTF-8; without the mark the same bytes stay Windows-1252.
        ReadCase{"markBeforeFirstSection", "\xEF\xBB\xBF[Resultaten]\r\nRekenen Test=7\r\n", "Resultaten",
                 "Rekenen Test", "d", "7"},
        ReadCase{"markMakesValuesUtf8", "\xEF\xBB\xBF;\r\n[A]\r\nk=caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\r\n", "A", "k",
                 "d", "café € 中"},
        ReadCase{"markMakesNamesUtf8", "\xEF\xBB\xBF;\r\n[\xC3\x89T\xC3\x89]\r\n\xC3\xA9t\xC3\xA9=1\r\n", "été", "ÉTÉ",
                 "d", "1"},
        ReadCase{"markValueCutTo254Characters",
                 "\xEF\xBB\xBF;\r\n[A]\r\nk=" + QByteArray(300, 'x').replace("x", "\xC3\xA9") + "\r\n", "A", "k", "d",
                 QString(254, QChar(0xE9))},
        ReadCase{"markValueNeverCutInsideAPair",
                 "\xEF\xBB\xBF;\r\n[A]\r\nk=" + QByteArray(253, 'x') + "\xF0\x9F\x98\x80yy\r\n", "A", "k", "d",
                 QString(253, QLatin1Char('x'))},
        ReadCase{"markOnlyAtTheStart", "[A]\r\nk=\xEF\xBB\xBFx\r\n", "A", "k", "d", "ï»¿x"},
        ReadCase{"utf8WithoutMarkIsWindows1252", "[A]\r\nk=caf\xC3\xA9\r\n", "A", "k", "d", "cafÃ©"},
        ReadCase{"defaultCutTo254", "", "A", "k",
                 "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                 "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                 "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                 "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
                 Long300.left(254)}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(ReadIni, MissingFileGivesTheDefault)
{
    QTemporaryDir dir;
    EXPECT_EQ(ReadINI(dir.filePath("none.ini"), "A", "k", "dflt"), "dflt");
    EXPECT_EQ(ReadINI(dir.path(), "A", "k", "dflt"), "dflt"); // a folder is no file
    EXPECT_FALSE(QFile::exists(dir.filePath("none.ini")));
}

TEST(ReadIni, NamesOutsideTheCodePageStillMatchTheirStoredForm)
{
    // A name the code page cannot hold travels as '?', as it does through the 8-bit calls.
    IniFile file("[A]\r\nk?=1\r\n");
    EXPECT_EQ(ReadINI(file.path(), "A", QString::fromUtf8("k\u4e2d"), "d"), "1");
}

// Bad input: nothing crashes and readable keys are still found.
TEST(ReadIniBadInput, EmptyFile)
{
    IniFile file("");
    EXPECT_EQ(ReadINI(file.path(), "A", "k", "d"), "d");
}

TEST(ReadIniBadInput, BinaryBytesAroundTheSection)
{
    QByteArray bytes = raw("\x00\x01\xFF\xFE garbage\n");
    bytes += raw("[A]\r\nk=v\x00w\r\n");
    bytes += raw("\x81\x8D\x8F\x90\x9D=\xC3\x28\n");
    bytes += "j=2\n";
    IniFile file(bytes);
    EXPECT_EQ(ReadINI(file.path(), "A", "k", "d"), QString::fromLatin1("v\0w", 3));
    EXPECT_EQ(ReadINI(file.path(), "A", "j", "d"), "2");
    EXPECT_EQ(
        ReadINI(file.path(), "A", QString(QChar(0x81)) + QChar(0x8D) + QChar(0x8F) + QChar(0x90) + QChar(0x9D), "d"),
        QString::fromUtf8("Ã("));
}

TEST(ReadIniBadInput, TenMegabyteFileIsReadUpToTheCap)
{
    QByteArray bytes = "[Filler]\r\n";
    const QByteArray line = "key=0123456789012345678901234567890123456789012345678901234567890123456789\r\n";
    while (bytes.size() < 10 * 1024 * 1024)
        bytes += line;
    bytes += "[A]\r\nk=last\r\n";
    IniFile file(bytes);
    EXPECT_EQ(ReadINI(file.path(), "A", "k", "d"), "d");
    EXPECT_EQ(ReadINI(file.path(), "filler", "KEY", "d"), QString::fromLatin1(line.mid(4, 70)));
}

TEST(ReadIniBadInput, CapIsExact)
{
    // The cap falls right after the "1" of "k=12".
    QByteArray bytes = "[A]\r\n;";
    bytes += QByteArray(MaxIniFileBytes - bytes.size() - 5, 'x') + "\r\nk=1";
    ASSERT_EQ(bytes.size(), MaxIniFileBytes);
    IniFile file(bytes + "2\r\nj=3\r\n");
    EXPECT_EQ(ReadINI(file.path(), "A", "k", "d"), "1");
    EXPECT_EQ(ReadINI(file.path(), "A", "j", "d"), "d");
}

TEST(ReadIniBadInput, OneLineOfOneMegabyte)
{
    IniFile file("[A]\r\nk=" + QByteArray(1000 * 1000, 'y') + "\r\nj=1");
    EXPECT_EQ(ReadINI(file.path(), "A", "k", "d"), QString(254, QLatin1Char('y')));
    EXPECT_EQ(ReadINI(file.path(), "A", "j", "d"), "1");

    IniFile noBreaks(QByteArray(1024 * 1024, '['));
    EXPECT_EQ(ReadINI(noBreaks.path(), "A", "k", "d"), "d");
}

TEST(IniReader, OneReadingAnswersAsReadINIDoes)
{
    IniFile file("[A]\r\nk=1\r\nj=\"2\"\r\n[B]\nk=3\n[a]\r\nk=4\r\n[C]\rk=5\r");
    const IniReader reading(file.path());
    // Back and forth between sections, so that a remembered section must be the right one.
    const char* lookups[][2] = {{"A", "k"}, {"A", "J"}, {"B", "k"},   {"a", "k"}, {" a ", "j"}, {"Z", "k"},
                                {"C", "k"}, {"A", "z"}, {"b", " K "}, {"A", ""},  {"", "k"},    {"A", "k"}};
    for (const auto& [section, key] : lookups)
        EXPECT_EQ(reading.value(section, key, "d"), ReadINI(file.path(), section, key, "d")) << section << "/" << key;
    EXPECT_EQ(reading.value("C", "k", "d"), "5");
    EXPECT_EQ(reading.value("A", "j", "d"), "2");
}

TEST(Cp1252, RoundTripsEveryByteAndReplacesTheRest)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    EXPECT_EQ(fromCp1252("\x80\x9F\xFF"), QString::fromUtf8("€Ÿÿ"));
    EXPECT_EQ(toCp1252(QString::fromUtf8("a\u4e2db\U0001F600c")), QByteArray("a?b?c"));
}

} // namespace
