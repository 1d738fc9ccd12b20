// The Variant's raw member reads: the access layer's getters are defined in
// terms of reading a narrower member than was written, so those reads must
// give what OLE's union gives.
#include "platform/Variant.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Variant, RawReadsSeeTheValueAreaWhateverTheTag)
{
    const Variant big = Variant::FromI4(70000);
    EXPECT_EQ(big.vt(), VT_I4);
    EXPECT_EQ(big.lVal(), 70000);
    EXPECT_EQ(big.iVal(), 4464); // the low 16 bits of 0x00011170
    EXPECT_EQ(Variant::FromI4(-70000).iVal(), -4464);
    EXPECT_EQ(Variant::FromI4(40000).iVal(), -25536);

    EXPECT_EQ(Variant::FromBool(true).iVal(), VARIANT_TRUE);
    EXPECT_EQ(Variant::FromBool(false).boolVal(), VARIANT_FALSE);
    EXPECT_EQ(Variant::FromI2(-1).lVal(), 0xFFFF); // the upper bytes stay zero
    EXPECT_EQ(Variant::FromUI1(200).bVal(), 200);
    EXPECT_DOUBLE_EQ(Variant::FromR8(2.5).dblVal(), 2.5);
    EXPECT_FLOAT_EQ(Variant::FromR4(0.25f).fltVal(), 0.25f);
    EXPECT_EQ(Variant::FromCy(123456).cyVal(), 123456);

    // Texts and byte arrays keep nothing in the value area.
    EXPECT_EQ(Variant::FromBstr(QStringLiteral("abc")).lVal(), 0);
    EXPECT_EQ(Variant::FromBstr(QStringLiteral("abc")).bstrVal(), QStringLiteral("abc"));
    EXPECT_EQ(Variant().iVal(), 0);
}

TEST(Variant, DecimalOverlaysTheValueAreaWithTheLowMantissa)
{
    DECIMAL d;
    d.scale = 2;
    d.sign = 0x80;
    d.Hi32 = 7;
    d.Lo64 = (std::uint64_t { 3 } << 32) | 12345u;
    const Variant v = Variant::FromDecimal(d);
    EXPECT_EQ(v.vt(), VT_DECIMAL);
    EXPECT_EQ(v.decVal(), d);
    // The 32-bit member is the low 32 bits of the mantissa; the 64-bit one
    // the low 64 bits; the high 32 bits and the scale are elsewhere.
    EXPECT_EQ(v.lVal(), 12345);
    EXPECT_EQ(v.ullVal(), d.Lo64);
    EXPECT_EQ(v.iVal(), 12345);
    // Any other value read as a decimal is a positive whole number.
    const DECIMAL overlay = Variant::FromI4(-5).decVal();
    EXPECT_EQ(overlay.sign, 0);
    EXPECT_EQ(overlay.scale, 0);
    EXPECT_EQ(overlay.Hi32, 0u);
}

TEST(Variant, TagsNullMissingAndEquality)
{
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_TRUE(Variant::Null().IsNull());
    EXPECT_FALSE(Variant::Null().IsEmpty());
    const Variant missing = Variant::Missing();
    EXPECT_EQ(missing.vt(), VT_ERROR);
    EXPECT_TRUE(missing.IsMissing());
    EXPECT_FALSE(Variant::FromError(5).IsMissing());
    // The tags are OLE's VARTYPE numbers, which the access layer's tables name.
    const std::pair<Variant, VARTYPE> tags[] = { { Variant(), 0 }, { Variant::Null(), 1 }, { Variant::FromI2(1), 2 },
        { Variant::FromI4(1), 3 }, { Variant::FromR4(1), 4 }, { Variant::FromR8(1), 5 }, { Variant::FromCy(1), 6 },
        { Variant::FromDate(1), 7 }, { Variant::FromBstr("a"), 8 }, { Variant::FromError(1), 10 },
        { Variant::FromBool(true), 11 }, { Variant::FromDecimal({}), 14 }, { Variant::FromUI1(1), 17 },
        { Variant::FromUI4(1), 19 }, { Variant::FromInt(1), 22 }, { Variant::FromBytes(QByteArray("xy")), 0x2011 } };
    for (const auto& [value, tag] : tags)
        EXPECT_EQ(value.vt(), tag) << tag;

    EXPECT_EQ(Variant::FromI4(5), Variant::FromI4(5));
    EXPECT_NE(Variant::FromI4(5), Variant::FromInt(5)); // same bits, other tag
    EXPECT_NE(Variant::FromBstr("a"), Variant::FromBstr("b"));
}
