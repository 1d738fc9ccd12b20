// The runtime library's number-to-text conversions, the decimal value rule
// and _wtoi, with the outputs the access layer's text getters rely on.
#include "platform/NumberText.h"

#include "platform/OleCurrency.h"

#include <climits>
#include <gtest/gtest.h>

using namespace platform;

TEST(NumberText, IntegersAndRealsAsTheWindowsRuntimeWritesThem)
{
    // Only radix 10 writes a sign; elsewhere the two's complement shows. A
    // real has at most 17 digits, as gcvt gives; a single widened to double
    // shows the single's 10.
    const std::pair<QString, const char*> cases[] = { { Itoa(0), "0" }, { Itoa(-25536), "-25536" },
        { Itoa(4464), "4464" }, { Itoa(INT_MIN), "-2147483648" }, { Itoa(255, 16), "ff" }, { Itoa(5, 2), "101" },
        { Itoa(35, 36), "z" }, { Itoa(-1, 16), "ffffffff" }, { Ltoa(-70000), "-70000" }, { Ltoa(70000), "70000" },
        { Ltoa(-2, 8), "37777777776" }, { Ultoa(4294967295u), "4294967295" }, { Ultoa(4294967295u, 16), "ffffffff" },
        { Itoa(5, 1), "" }, { Itoa(5, 37), "" }, { Gcvt(2.5, 20), "2.5" }, { Gcvt(70000.0, 20), "70000" },
        { Gcvt(-123.45, 20), "-123.45" }, { Gcvt(0.0, 20), "0" }, { Gcvt(1e20, 20), "1e+20" },
        { Gcvt(1e-5, 10), "1e-05" }, { Gcvt(0.1, 20), "0.10000000000000001" },
        { Gcvt(1.0 / 3.0, 20), "0.33333333333333331" }, { Gcvt(static_cast<double>(0.1f), 10), "0.1000000015" },
        { Gcvt(123456789012.0, 10), "1.23456789e+11" } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, QString::fromLatin1(expected));
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
    const std::pair<const char*, int> cases[]
        = { { "42", 42 }, { "  -42abc", -42 }, { "\t+7", 7 }, { "\r\n5", 5 }, { "", 0 }, { "abc", 0 }, { "- 5", 0 },
              { "99999999999", INT_MAX }, { "-99999999999", INT_MIN }, { "-2147483648", INT_MIN } };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(Wtoi(QString::fromLatin1(text)), value) << text;
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
