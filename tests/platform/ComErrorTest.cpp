// The code meaning of an HRESULT and the parts of a ComError, as the error
// reports of the access layer print them.
#include "platform/ComError.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ComError, CodeMeaningUsesSystemTextWithoutItsLineEnd)
{
    // Windows's own texts for the codes that the layers raise.
    const std::pair<std::uint32_t, const char*> texts[] = { { 0x80004001u, "Not implemented" },
        { 0x80004002u, "No such interface supported" }, { 0x80004003u, "Invalid pointer" },
        { 0x80004004u, "Operation aborted" }, { 0x80004005u, "Unspecified error" },
        { 0x8000FFFFu, "Catastrophic failure" }, { 0x80070002u, "The system cannot find the file specified." },
        { 0x80070003u, "The system cannot find the path specified." }, { 0x80070005u, "Access is denied." },
        { 0x8007000Eu, "Not enough memory resources are available to complete this operation." }, // today's wording
        { 0x80070020u, "The process cannot access the file because it is being used by another process." },
        { 0x80070050u, "The file exists." }, { 0x80070057u, "The parameter is incorrect." },
        { 0x80070070u, "There is not enough space on the disk." }, { 0x80020004u, "Parameter not found." },
        { 0x80020005u, "Type mismatch." }, { 0x8002000Au, "Out of present range." },
        { 0x80020009u, "Exception occurred." }, { 0x00000000u, "The operation completed successfully." } };
    for (const auto& [code, text] : texts)
        EXPECT_EQ(CodeMeaning(MakeHr(code)), QString::fromLatin1(text)) << std::hex << code;
    // The names the layers raise them by are the codes Windows, ADO and
    // OLE DB give them: the reports print the numbers.
    const std::pair<HRESULT, std::uint32_t> names[] = { { E_NOTIMPL, 0x80004001u }, { E_NOINTERFACE, 0x80004002u },
        { E_POINTER, 0x80004003u }, { E_ABORT, 0x80004004u }, { E_FAIL, 0x80004005u }, { E_UNEXPECTED, 0x8000FFFFu },
        { E_ACCESSDENIED, 0x80070005u }, { E_OUTOFMEMORY, 0x8007000Eu }, { E_INVALIDARG, 0x80070057u },
        { DISP_E_TYPEMISMATCH, 0x80020005u }, { DISP_E_OVERFLOW, 0x8002000Au }, { adErrProviderNotFound, 0x800A0E7Au },
        { adErrInvalidArgument, 0x800A0BB9u }, { adErrNoCurrentRecord, 0x800A0BCDu },
        { adErrIllegalOperation, 0x800A0C93u }, { adErrItemNotFound, 0x800A0CC1u }, { adErrObjectClosed, 0x800A0E78u },
        { adErrObjectOpen, 0x800A0E79u }, { adErrFeatureNotAvailable, 0x800A0CB3u },
        { adErrDataConversion, 0x800A0D5Du }, { adErrFieldsUpdateFailed, 0x800A0D3Cu },
        { adErrCantChangeProvider, 0x800A0E7Bu }, { adErrFileAlreadyExists, 0x800A0E87u },
        { DB_E_ERRORSINCOMMAND, 0x80040E14u }, { DB_E_PARAMNOTOPTIONAL, 0x80040E10u }, { DB_E_NOTABLE, 0x80040E37u },
        { DB_E_INTEGRITYVIOLATION, 0x80040E2Fu }, { DB_E_CANTCONVERTVALUE, 0x80040E07u },
        { DB_E_DATAOVERFLOW, 0x80040E57u }, { DB_E_SCHEMAVIOLATION, 0x80040E21u },
        { DB_E_CONCURRENCYVIOLATION, 0x80040E38u }, { DB_E_NOTSUPPORTED, 0x80040E53u },
        { DB_E_BADBOOKMARK, 0x80040E0Eu }, { S_OK, 0u }, { S_FALSE, 1u } };
    for (const auto& [name, code] : names)
        EXPECT_EQ(static_cast<std::uint32_t>(name), code) << std::hex << code;
    // The system's own text keeps its line end; only the meaning drops it.
    ASSERT_TRUE(SystemMessageText(E_POINTER).has_value());
    EXPECT_TRUE(SystemMessageText(E_POINTER)->endsWith(QStringLiteral("\r\n")));
}

TEST(ComError, CodeMeaningFallbackForms)
{
    // The last has no leading zeros in the fallback form.
    const std::pair<std::uint32_t, const char*> forms[]
        = { { 0x80040E14u, "IDispatch error #3092" }, { 0x80040201u, "IDispatch error #1" },
              { 0x8004FFFFu, "IDispatch error #65023" }, { 0x80040200u, "Unknown error 0x80040200" },
              { 0x800A0BB9u, "Unknown error 0x800A0BB9" }, { 0x800A0BCDu, "Unknown error 0x800A0BCD" },
              { 0x80050000u, "Unknown error 0x80050000" }, { 0x1234u, "Unknown error 0x1234" } };
    for (const auto& [code, text] : forms)
        EXPECT_EQ(CodeMeaning(MakeHr(code)), QString::fromLatin1(text)) << std::hex << code;
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
