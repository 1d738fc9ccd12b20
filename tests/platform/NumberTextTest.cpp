// The runtime library's number-to-text conversions, the decimal value rule
// and _wtoi, with the outputs the access layer's text getters rely on.
#include "platform/NumberText.h"

#include "platform/OleCurrency.h"

#include <climits>
#include <gtest/gtest.h>

using namespace platform;

TEST(NumberText, IntegersAsTheWindowsRuntimeWritesThem)
{
    EXPECT_EQ(Itoa(0), QStringLiteral("0"));
    EXPECT_EQ(Itoa(-25536), QStringLiteral("-25536"));
    EXPECT_EQ(Itoa(4464), QStringLiteral("4464"));
    EXPECT_EQ(Itoa(INT_MIN), QStringLiteral("-2147483648"));
    EXPECT_EQ(Itoa(255, 16), QStringLiteral("ff"));
    EXPECT_EQ(Itoa(5, 2), QStringLiteral("101"));
    EXPECT_EQ(Itoa(35, 36), QStringLiteral("z"));
    // Only radix 10 writes a sign; elsewhere the two's complement shows.
    EXPECT_EQ(Itoa(-1, 16), QStringLiteral("ffffffff"));
    EXPECT_EQ(Ltoa(-70000), QStringLiteral("-70000"));
    EXPECT_EQ(Ltoa(70000), QStringLiteral("70000"));
    EXPECT_EQ(Ltoa(-2, 8), QStringLiteral("37777777776"));
    EXPECT_EQ(Ultoa(4294967295u), QStringLiteral("4294967295"));
    EXPECT_EQ(Ultoa(4294967295u, 16), QStringLiteral("ffffffff"));
    EXPECT_EQ(Itoa(5, 1), QString());
    EXPECT_EQ(Itoa(5, 37), QString());
}

TEST(NumberText, RealsInGeneralFormat)
{
    EXPECT_EQ(Gcvt(2.5, 20), QStringLiteral("2.5"));
    EXPECT_EQ(Gcvt(70000.0, 20), QStringLiteral("70000"));
    EXPECT_EQ(Gcvt(-123.45, 20), QStringLiteral("-123.45"));
    EXPECT_EQ(Gcvt(0.0, 20), QStringLiteral("0"));
    EXPECT_EQ(Gcvt(1e20, 20), QStringLiteral("1e+20"));
    EXPECT_EQ(Gcvt(1e-5, 10), QStringLiteral("1e-05"));
    // More digits than a double holds are capped at 17, as gcvt does.
    EXPECT_EQ(Gcvt(0.1, 20), QStringLiteral("0.10000000000000001"));
    EXPECT_EQ(Gcvt(1.0 / 3.0, 20), QStringLiteral("0.33333333333333331"));
    // A single widened to double, with the single's 10 digits.
    EXPECT_EQ(Gcvt(static_cast<double>(0.1f), 10), QStringLiteral("0.1000000015"));
    EXPECT_EQ(Gcvt(123456789012.0, 10), QStringLiteral("1.23456789e+11"));
}

TEST(NumberText, DecimalValueUsesTheLowThirtyTwoBits)
{
    DECIMAL d;
    d.Lo64 = 12345;
    d.scale = 2;
    d.sign = 0x80;
    EXPECT_DOUBLE_EQ(DecimalToDouble(d), -123.45);
    d.sign = 0;
    EXPECT_DOUBLE_EQ(DecimalToDouble(d), 123.45);
    d.sign = 0x01; // only 0x80 is negative
    EXPECT_DOUBLE_EQ(DecimalToDouble(d), 123.45);
    d.Lo64 = (std::uint64_t { 1 } << 32) | 7u;
    d.Hi32 = 99;
    d.scale = 0;
    EXPECT_DOUBLE_EQ(DecimalToDouble(d), 7.0);
    d.Lo64 = 0xFFFFFFFFu; // unsigned, never negative by itself
    EXPECT_DOUBLE_EQ(DecimalToDouble(d), 4294967295.0);
}

TEST(NumberText, WtoiReadsALeadingInteger)
{
    EXPECT_EQ(Wtoi(QStringLiteral("42")), 42);
    EXPECT_EQ(Wtoi(QStringLiteral("  -42abc")), -42);
    EXPECT_EQ(Wtoi(QStringLiteral("\t+7")), 7);
    EXPECT_EQ(Wtoi(QStringLiteral("")), 0);
    EXPECT_EQ(Wtoi(QStringLiteral("abc")), 0);
    EXPECT_EQ(Wtoi(QStringLiteral("- 5")), 0);
    EXPECT_EQ(Wtoi(QStringLiteral("99999999999")), INT_MAX);
    EXPECT_EQ(Wtoi(QStringLiteral("-99999999999")), INT_MIN);
    EXPECT_EQ(Wtoi(QStringLiteral("-2147483648")), INT_MIN);
}

TEST(OleCurrency, UnitsAndFractionsAddWithTheirOwnSigns)
{
    EXPECT_EQ(OleCurrency(12, 3400).m_cur, 123400);
    EXPECT_DOUBLE_EQ(OleCurrency(12, 3400).ToDouble(), 12.34);
    EXPECT_EQ(OleCurrency(-1, 5000).m_cur, -5000);
    EXPECT_EQ(OleCurrency(-1, -5000).m_cur, -15000);
    EXPECT_EQ(OleCurrency(std::int64_t { 123 }).m_cur, 123);
    EXPECT_EQ(OleCurrency().GetStatus(), OleCurrency::valid);
    OleCurrency c(1, 0);
    c.SetStatus(OleCurrency::null);
    EXPECT_EQ(c.GetStatus(), OleCurrency::null);
}
