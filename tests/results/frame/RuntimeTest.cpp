#include "Runtime.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

const QLocale Dutch(QLocale::Dutch, QLocale::Netherlands);
const QLocale CLocale = QLocale::c();

// Runs `f`; the runtime error number it raised, or nothing.
template <typename F> std::optional<int> errorOf(F f)
{
    try {
        f();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return std::nullopt;
}

struct ValCase {
    const char* text;
    double value;
};

class ValTable : public testing::TestWithParam<ValCase> {};

TEST_P(ValTable, ReadsTheLeadingNumber)
{
    const ValCase& c = GetParam();
    const double value = Val(QString::fromUtf8(c.text));
    EXPECT_EQ(value, c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Decimal, ValTable,
                         testing::Values(ValCase{"7.5", 7.5}, ValCase{"7,5", 7}, ValCase{"8 0", 80},
                                         ValCase{" 1 2 3 ", 123}, ValCase{"abc", 0}, ValCase{"", 0},
                                         ValCase{"    1615 198th Street N.E.", 1615198}, ValCase{"24 and 57", 24},
                                         ValCase{"+1", 1}, ValCase{".1", 0.1}, ValCase{"-.5", -0.5}, ValCase{"- 5", -5},
                                         ValCase{"1.2.3", 1.2}, ValCase{"1..1", 1}, ValCase{"1. 1", 1.1},
                                         ValCase{"1e3", 1000}, ValCase{"1e-3", 0.001}, ValCase{"1.1e +3", 1100},
                                         ValCase{"1eA", 1}, ValCase{"1e+1+", 10}, ValCase{"1e", 1}, ValCase{"1d2", 100},
                                         ValCase{"1D2", 100}, ValCase{"\t6\n.5", 6.5}, ValCase{"0x10", 0},
                                         ValCase{"50%", 50}, ValCase{"1&", 1}, ValCase{"7.5%", 7.5},
                                         ValCase{"50.5%", 50.5}, ValCase{"1.0&", 1}, ValCase{"1e1%", 10},
                                         ValCase{"0.1", 0.1}, ValCase{"1e-400", 0}, ValCase{"12\r3", 12}));

INSTANTIATE_TEST_SUITE_P(Radix, ValTable,
                         testing::Values(ValCase{"&HFF", 255}, ValCase{"&H7F", 127}, ValCase{"&H F", 15},
                                         ValCase{"&hff", 255}, ValCase{"&O177", 127}, ValCase{"&o17", 15},
                                         ValCase{"&HFFFF", -1}, ValCase{"&H80", 128}, ValCase{"&H8000", -32768},
                                         ValCase{"&H10000", 65536}, ValCase{"&HFFFFFFFF", -1},
                                         ValCase{"&H0000FFFF", -1}, ValCase{"&HFFFF&", 65535}, ValCase{"&HFFFF%", -1},
                                         ValCase{"&O177777%", -1}, ValCase{"&10", 0}, ValCase{"&H", 0}, ValCase{"&", 0},
                                         ValCase{"&HG", 0}, ValCase{"&O8", 0}));

TEST(Val, MinusMinusIsNegativeZero)
{
    const double value = Val("--5");
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(std::signbit(value));
    EXPECT_EQ(NumberText(value, Dutch), "0");
}

TEST(Val, RaisesOverflow)
{
    EXPECT_EQ(errorOf([] { Val("123456e789"); }), 6);
    EXPECT_EQ(errorOf([] { Val("&H10000%"); }), 6);
    EXPECT_EQ(errorOf([] { Val("&H12345678901234567"); }), 6);
}

TEST(RuntimeError, CarriesNumberAndDescription)
{
    try {
        RaiseOverflow();
        FAIL();
    } catch (const std::exception& error) {
        const auto* runtime = dynamic_cast<const RuntimeError*>(&error);
        ASSERT_NE(runtime, nullptr);
        EXPECT_EQ(runtime->description(), "Overflow");
        EXPECT_STREQ(error.what(), "Overflow");
    }
    EXPECT_EQ(errorOf([] { RaiseTypeMismatch(); }), 13);
}

struct CIntCase {
    double value;
    int expected; // INT_MIN: overflow
};

class CIntDoubleTable : public testing::TestWithParam<CIntCase> {};

constexpr int Overflow = INT_MIN;

TEST_P(CIntDoubleTable, RoundsTiesToEvenWithinRange)
{
    const CIntCase& c = GetParam();
    if (c.expected == Overflow)
        EXPECT_EQ(errorOf([&] { CInt(c.value); }), 6) << c.value;
    else
        EXPECT_EQ(CInt(c.value), c.expected) << c.value;
}

INSTANTIATE_TEST_SUITE_P(Rules, CIntDoubleTable,
                         testing::Values(CIntCase{0.5, 0}, CIntCase{1.5, 2}, CIntCase{2.5, 2}, CIntCase{3.5, 4},
                                         CIntCase{-0.5, 0}, CIntCase{-1.5, -2}, CIntCase{2345.5678, 2346},
                                         CIntCase{6.5, 6}, CIntCase{7.5, 8}, CIntCase{32767.49, 32767},
                                         CIntCase{32767.5, Overflow}, CIntCase{-32768.5, -32768},
                                         CIntCase{-32768.51, Overflow}, CIntCase{40000, Overflow},
                                         CIntCase{NAN, Overflow}, CIntCase{INFINITY, Overflow}));

struct CIntTextCase {
    const char* text;
    bool dutch;
    int expected; // Overflow, TypeMismatch or the value
};

constexpr int TypeMismatch = INT_MAX;

void PrintTo(const CIntTextCase& c, std::ostream* os)
{
    *os << (c.dutch ? "nl \"" : "C \"") << c.text << '"';
}

class CIntTextTable : public testing::TestWithParam<CIntTextCase> {};

TEST_P(CIntTextTable, UsesTheLocaleSeparators)
{
    const CIntTextCase& c = GetParam();
    const QLocale& locale = c.dutch ? Dutch : CLocale;
    const QString text = QString::fromUtf8(c.text);
    if (c.expected == Overflow)
        EXPECT_EQ(errorOf([&] { CInt(text, locale); }), 6);
    else if (c.expected == TypeMismatch)
        EXPECT_EQ(errorOf([&] { CInt(text, locale); }), 13);
    else
        EXPECT_EQ(CInt(text, locale), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CIntTextTable,
    testing::Values(CIntTextCase{"32767", false, 32767}, CIntTextCase{"32768", false, Overflow},
                    CIntTextCase{"-32768", false, -32768}, CIntTextCase{"7,5", true, 8}, CIntTextCase{"6,5", true, 6},
                    CIntTextCase{"-2,5", true, -2}, CIntTextCase{" 12 ", true, 12}, CIntTextCase{"1.000", true, 1000},
                    CIntTextCase{"7.5", true, 75}, CIntTextCase{"1.234,5", true, 1234}, CIntTextCase{"7.5", false, 8},
                    CIntTextCase{"1,234", false, 1234}, CIntTextCase{"7,5", false, 75},
                    CIntTextCase{"", false, TypeMismatch}, CIntTextCase{"abc", true, TypeMismatch},
                    CIntTextCase{"12abc", false, TypeMismatch}, CIntTextCase{"1 2", false, TypeMismatch},
                    CIntTextCase{"--5", false, TypeMismatch}, CIntTextCase{"0x10", false, TypeMismatch},
                    CIntTextCase{"1e", false, TypeMismatch}, CIntTextCase{"1d2", false, TypeMismatch},
                    CIntTextCase{".5", true, TypeMismatch}, CIntTextCase{",5", true, 0},
                    CIntTextCase{"&H10", false, 16}, CIntTextCase{"&HFFFF", false, -1}, CIntTextCase{"&O17", true, 15},
                    CIntTextCase{"1e2", false, 100}, CIntTextCase{"1E2", true, 100}, CIntTextCase{"(5)", false, -5},
                    CIntTextCase{"(5", false, TypeMismatch}, CIntTextCase{"5-", false, -5},
                    CIntTextCase{"+5", false, 5}, CIntTextCase{"-", false, TypeMismatch},
                    CIntTextCase{"99999999999999999999", false, Overflow}, CIntTextCase{"55", true, 55}));

struct TextCase {
    double value;
    const char* dutch;
};

class NumberTextTable : public testing::TestWithParam<TextCase> {};

TEST_P(NumberTextTable, FifteenDigitsAndTheLocaleSeparator)
{
    const TextCase& c = GetParam();
    const QString dutch = QString::fromUtf8(c.dutch);
    EXPECT_EQ(NumberText(c.value, Dutch), dutch) << c.value;
    EXPECT_EQ(NumberText(c.value, CLocale), QString(dutch).replace(QLatin1Char(','), QLatin1Char('.'))) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NumberTextTable,
    testing::Values(TextCase{7.5, "7,5"}, TextCase{-7.5, "-7,5"}, TextCase{100, "100"}, TextCase{0.5, "0,5"},
                    TextCase{0.00005, "0,00005"}, TextCase{999999999999999, "999999999999999"}, TextCase{1E15, "1E+15"},
                    TextCase{1.2E15, "1,2E+15"}, TextCase{1.234E16, "1,234E+16"},
                    TextCase{12.345678901234567, "12,3456789012346"}, TextCase{5.6789E-11, "0,000000000056789"},
                    TextCase{5.6789E-12, "5,6789E-12"}, TextCase{-0.0, "0"}, TextCase{1.0 / 3, "0,333333333333333"},
                    TextCase{2.0 / 3, "0,666666666666667"}, TextCase{0.1 + 0.2, "0,3"},
                    TextCase{1E-14, "0,00000000000001"}, TextCase{1E100, "1E+100"},
                    TextCase{20.0 / 3, "6,66666666666667"}, TextCase{7, "7"}, TextCase{-32768, "-32768"}));

TEST(AddInteger, SixteenBitWithOverflow)
{
    EXPECT_EQ(AddInteger(32766, 1), 32767);
    EXPECT_EQ(AddInteger(-32767, -1), -32768);
    EXPECT_EQ(AddInteger(-5, 3), -2);
    EXPECT_EQ(errorOf([] { AddInteger(32767, 1); }), 6);
    EXPECT_EQ(errorOf([] { AddInteger(-32768, -1); }), 6);
}

} // namespace
