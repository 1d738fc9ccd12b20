// The HRESULT codes that this program raises or meets, with the names that
// the Windows headers give them. The engine's failures use the ADO and Jet
// codes a user of ADO would have seen.
#pragma once

#include <cstdint>

namespace platform {

using HRESULT = std::int32_t;

constexpr HRESULT MakeHr(std::uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHr(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHr(0x80004002u);
constexpr HRESULT E_POINTER = MakeHr(0x80004003u);
constexpr HRESULT E_ABORT = MakeHr(0x80004004u);
constexpr HRESULT E_FAIL = MakeHr(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHr(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHr(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = MakeHr(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHr(0x80070057u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHr(0x80020005u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHr(0x8002000Au);

// ADO (0x800A....) errors.
constexpr HRESULT adErrProviderNotFound = MakeHr(0x800A0E7Au);
constexpr HRESULT adErrInvalidArgument = MakeHr(0x800A0BB9u);
constexpr HRESULT adErrNoCurrentRecord = MakeHr(0x800A0BCDu);
constexpr HRESULT adErrIllegalOperation = MakeHr(0x800A0C93u);
constexpr HRESULT adErrItemNotFound = MakeHr(0x800A0CC1u);
constexpr HRESULT adErrObjectClosed = MakeHr(0x800A0E78u);
constexpr HRESULT adErrObjectOpen = MakeHr(0x800A0E79u);
constexpr HRESULT adErrFeatureNotAvailable = MakeHr(0x800A0CB3u);
constexpr HRESULT adErrDataConversion = MakeHr(0x800A0D5Du);
constexpr HRESULT adErrFieldsUpdateFailed = MakeHr(0x800A0D3Cu);
constexpr HRESULT adErrCantChangeProvider = MakeHr(0x800A0E7Bu);
constexpr HRESULT adErrFileAlreadyExists = MakeHr(0x800A0E87u);  // "File already exists."

// OLE DB (provider) errors.
constexpr HRESULT DB_E_ERRORSINCOMMAND = MakeHr(0x80040E14u);   // syntax error
constexpr HRESULT DB_E_PARAMNOTOPTIONAL = MakeHr(0x80040E10u);  // "No value given..."
constexpr HRESULT DB_E_NOTABLE = MakeHr(0x80040E37u);           // table missing
constexpr HRESULT DB_E_INTEGRITYVIOLATION = MakeHr(0x80040E2Fu);
constexpr HRESULT DB_E_CANTCONVERTVALUE = MakeHr(0x80040E07u);
constexpr HRESULT DB_E_DATAOVERFLOW = MakeHr(0x80040E57u);
constexpr HRESULT DB_E_SCHEMAVIOLATION = MakeHr(0x80040E21u);   // multiple-step errors
constexpr HRESULT DB_E_CONCURRENCYVIOLATION = MakeHr(0x80040E38u);  // row changed underneath
constexpr HRESULT DB_E_NOTSUPPORTED = MakeHr(0x80040E53u);
constexpr HRESULT DB_E_BADBOOKMARK = MakeHr(0x80040E0Eu);

}  // namespace platform
