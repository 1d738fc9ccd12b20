// The code meaning of an HRESULT and the parts of a ComError, as the error
// reports of the access layer print them.
#include "platform/ComError.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ComError, CodeMeaningUsesSystemTextWithoutItsLineEnd)
{
    EXPECT_EQ(CodeMeaning(E_POINTER), QStringLiteral("Invalid pointer"));
    EXPECT_EQ(CodeMeaning(E_FAIL), QStringLiteral("Unspecified error"));
    EXPECT_EQ(CodeMeaning(E_INVALIDARG), QStringLiteral("The parameter is incorrect."));
    // Today's Windows wording, not the older "Not enough storage ...".
    EXPECT_EQ(SystemMessageText(E_OUTOFMEMORY),
        QStringLiteral("Not enough memory resources are available to complete this operation.\r\n"));
    // The system's own text keeps its line end; only the meaning drops it.
    ASSERT_TRUE(SystemMessageText(E_POINTER).has_value());
    EXPECT_TRUE(SystemMessageText(E_POINTER)->endsWith(QStringLiteral("\r\n")));
}

TEST(ComError, CodeMeaningFallbackForms)
{
    EXPECT_EQ(CodeMeaning(DB_E_ERRORSINCOMMAND), QStringLiteral("IDispatch error #3092"));
    EXPECT_EQ(CodeMeaning(MakeHr(0x80040201u)), QStringLiteral("IDispatch error #1"));
    EXPECT_EQ(CodeMeaning(MakeHr(0x8004FFFFu)), QStringLiteral("IDispatch error #65023"));
    EXPECT_EQ(CodeMeaning(MakeHr(0x80040200u)), QStringLiteral("Unknown error 0x80040200"));
    EXPECT_EQ(CodeMeaning(adErrInvalidArgument), QStringLiteral("Unknown error 0x800A0BB9"));
    EXPECT_EQ(CodeMeaning(adErrNoCurrentRecord), QStringLiteral("Unknown error 0x800A0BCD"));
    EXPECT_EQ(CodeMeaning(MakeHr(0x80050000u)), QStringLiteral("Unknown error 0x80050000"));
    // No leading zeros in the fallback form.
    EXPECT_EQ(CodeMeaning(MakeHr(0x1234u)), QStringLiteral("Unknown error 0x1234"));
    EXPECT_FALSE(SystemMessageText(adErrInvalidArgument).has_value());
}

TEST(ComError, CarriesCodeSourceAndDescription)
{
    const ComError bare(E_POINTER);
    EXPECT_EQ(bare.Error(), E_POINTER);
    EXPECT_FALSE(bare.Source().has_value());
    EXPECT_FALSE(bare.Description().has_value());
    EXPECT_EQ(OrNullText(bare.Source()), QStringLiteral("(null)"));
    EXPECT_EQ(OrNullText(bare.Description()), QStringLiteral("(null)"));
    EXPECT_EQ(bare.ErrorMessage(), QStringLiteral("Invalid pointer"));

    const ComError full(adErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."),
        QStringLiteral("ADODB.Recordset"));
    EXPECT_EQ(OrNullText(full.Source()), QStringLiteral("ADODB.Recordset"));
    EXPECT_EQ(OrNullText(full.Description()), QStringLiteral("Operation is not allowed when the object is closed."));
    EXPECT_EQ(full.ErrorMessage(), QStringLiteral("Unknown error 0x800A0E78"));
    EXPECT_EQ(OrNullText(QString()), QString()); // present but empty is not "(null)"

    try {
        throw full;
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("800a0e78"), std::string::npos);
    }
}
