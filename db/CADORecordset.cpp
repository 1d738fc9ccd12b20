// CADORecordset over engine::Recordset. Each operation makes the engine
// calls that ADO's wrapper made, with the same arguments, so that the
// recordset behaves as the layer's callers expect: a static client-side
// snapshot with optimistic locking, edits written through on Update, and the
// conversions of field values to and from the program's types.
//
// The engine's calls return nothing on success and throw platform::ComError
// on failure; "returned S_OK" is therefore "did not throw".
#include "db/CADORecordset.h"

#include "db/CADOCommand.h"
#include "db/CADODataBase.h"
#include "db/ComErrorReport.h"
#include "db/ComObject.h"
#include "db/ValueText.h"
#include "engine/ado/Command.h"
#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/RecordBinding.h"
#include "engine/ado/Recordset.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cassert>
#include <cstring>

using db::Use;
using platform::ComError;
using platform::Variant;

namespace {

Variant NameKey(const QString& name)
{
    return Variant::FromBstr(name);
}
Variant IndexKey(int index)
{
    return Variant::FromI2(static_cast<std::int16_t>(index));
}

constexpr long kChunkSize = 100;

// --- The getters' conversions. Each returns false for a type it does not
// convert, leaving the value unchanged.

bool FromFieldValue(const Variant& v, double& value)
{
    using namespace platform;
    switch (v.vt()) {
    case VT_EMPTY:
    case VT_NULL:
        value = 0.0;
        break;
    case VT_R4:
        value = v.fltVal();
        break;
    case VT_I2:
        value = v.iVal();
        break;
    case VT_UI1:
        value = v.bVal();
        break;
    case VT_I4:
    case VT_INT:
        value = v.lVal();
        break;
    case VT_DECIMAL:
        value = DecimalToDouble(v.decVal());
        break;
    default:
        value = v.dblVal();
        break; // VT_R8, and the raw 64-bit real of any other type
    }
    return true;
}

bool FromFieldValue(const Variant& v, long& value)
{
    value = v.IsEmpty() || v.IsNull() ? 0 : v.lVal();
    return true;
}

bool FromFieldValue(const Variant& v, unsigned long& value)
{
    value = v.IsEmpty() || v.IsNull() ? 0 : v.ulVal();
    return true;
}

bool FromFieldValue(const Variant& v, int& value)
{
    if (v.IsEmpty() || v.IsNull())
        value = 0;
    else if (v.vt() == platform::VT_INT)
        value = v.intVal();
    else
        value = v.iVal(); // the 16-bit member, whatever the type
    return true;
}

bool FromFieldValue(const Variant& v, QString& value, const QString& dateFormat)
{
    std::optional<QString> text;
    if (v.vt() == platform::VT_UI4)
        text = platform::Ultoa(v.ulVal());
    else if (v.vt() == platform::VT_BOOL)
        text = v.boolVal() == platform::VARIANT_TRUE ? QStringLiteral("T") : QStringLiteral("F");
    else
        text = db::CommonValueText(v, dateFormat);
    if (!text)
        return false;
    value = *text;
    return true;
}

bool FromFieldValue(const Variant& v, platform::OleDateTime& value)
{
    if (v.IsEmpty() || v.IsNull()) {
        value.SetStatus(platform::OleDateTime::null);
        return true;
    }
    if (v.vt() != platform::VT_DATE)
        return false;
    value.m_dt = v.date();
    value.SetStatus(platform::OleDateTime::valid);
    return true;
}

bool FromFieldValue(const Variant& v, bool& value)
{
    if (v.IsEmpty() || v.IsNull()) {
        value = false;
        return true;
    }
    if (v.vt() != platform::VT_BOOL)
        return false;
    value = v.boolVal() == platform::VARIANT_TRUE;
    return true;
}

bool FromFieldValue(const Variant& v, platform::OleCurrency& value)
{
    if (v.IsEmpty() || v.IsNull()) {
        value.m_cur = 0;
        value.SetStatus(platform::OleCurrency::null);
        return true;
    }
    if (v.vt() != platform::VT_CY)
        return false;
    value.m_cur = v.cyVal();
    value.SetStatus(platform::OleCurrency::valid);
    return true;
}

Variant TextValue(const QString& text)
{
    return text.isEmpty() ? Variant::Null() : Variant::FromBstr(text);
}

} // namespace

CADORecordset::CADORecordset()
    : m_pRecordset(db::CreateOrNull<engine::Recordset>())
    , m_pCommand(db::CreateOrNull<engine::Command>())
    , m_nSearchDirection(searchForward)
    , m_nEditStatus(editNone)
    , m_dwLastError(0)
{
}

CADORecordset::CADORecordset(CADODataBase* pAdoDatabase)
    : CADORecordset()
{
    assert(pAdoDatabase != nullptr);
    m_pConnection = pAdoDatabase->GetActiveConnection();
}

CADORecordset::~CADORecordset()
{
    try {
        Close();
    } catch (...) {
        // The engine refused to close a recordset that is being dropped
        // anyway; there is nobody left to tell.
    }
    m_pRecordset.reset();
    m_pCommand.reset();
    m_pRecordBinding.reset();
    m_pConnection.reset();
    m_strQuery.clear();
    m_strLastError.clear();
    m_strFindCriteria.clear();
    m_dwLastError = 0;
    m_nEditStatus = editNone;
    m_varFindBookmark = Variant();
    m_varBookmark = Variant();
}

// --- Opening, state and moves -----------------------------------------------

bool CADORecordset::Open(const std::shared_ptr<engine::Connection>& mpdb, const QString& lpstrExec, int nOption)
{
    try {
        Close();
        if (!lpstrExec.isEmpty())
            m_strQuery = lpstrExec;
        if (!m_pConnection)
            m_pConnection = mpdb;
        const auto firstNonSpace
            = std::find_if(m_strQuery.cbegin(), m_strQuery.cend(), [](QChar c) { return !c.isSpace(); });
        m_strQuery.remove(0, firstNonSpace - m_strQuery.cbegin());

        Use(m_pRecordset).SetCursorType(engine::adOpenStatic);
        Use(m_pRecordset).SetCursorLocation(engine::adUseClient);
        switch (nOption) {
        case openUnknown:
        case openQuery:
            Use(m_pRecordset)
                .Open(m_strQuery, mpdb, engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdUnknown);
            break;
        case openTable:
            Use(m_pRecordset)
                .Open(m_strQuery, mpdb, engine::adOpenKeyset, engine::adLockOptimistic, engine::adCmdTable);
            break;
        case openStoredProc:
            Use(m_pCommand).SetActiveConnection(mpdb);
            Use(m_pCommand).SetCommandText(m_strQuery);
            Use(m_pCommand).SetCommandType(engine::adCmdStoredProc);
            Use(m_pConnection).SetCursorLocation(engine::adUseClient);
            m_pRecordset = Use(m_pCommand).Execute(nullptr, engine::adCmdText);
            break;
        default:
            return false;
        }
        return m_pRecordset != nullptr;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::Open(const QString& lpstrExec, int nOption)
{
    const std::shared_ptr<engine::Connection> connection = m_pConnection;
    return Open(connection, lpstrExec, nOption);
}

bool CADORecordset::OpenSchema(int nSchema, const QString& SchemaID)
{
    try {
        const Variant schemaId = SchemaID.isEmpty() ? Variant::Missing() : Variant::FromBstr(SchemaID);
        m_pRecordset = Use(m_pConnection).OpenSchema(nSchema, QStringList(), schemaId);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::Requery()
{
    if (!IsOpen())
        return true;
    try {
        Use(m_pRecordset).Requery(engine::adExecuteRecord);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::Resync()
{
    try {
        Use(m_pRecordset).Resync(engine::adAffectCurrent);
        m_nEditStatus = editNone;
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::IsOpen()
{
    if (!m_pRecordset || !m_pConnection)
        return false;
    if (m_pConnection->State() == engine::adStateClosed)
        return false;
    return m_pRecordset->State() != engine::adStateClosed;
}

void CADORecordset::Close()
{
    if (!IsOpen())
        return;
    if (m_nEditStatus != editNone)
        CancelUpdate();
    m_pRecordset->SetSort(QString());
    m_pRecordset->Close();
}

bool CADORecordset::IsEof()
{
    try {
        return Use(m_pRecordset).IsEOF();
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::IsBof()
{
    try {
        return Use(m_pRecordset).IsBOF();
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::MoveFirst()
{
    try {
        Use(m_pRecordset).MoveFirst();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::MoveNext()
{
    try {
        Use(m_pRecordset).MoveNext();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::MovePrevious()
{
    try {
        Use(m_pRecordset).MovePrevious();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

unsigned long CADORecordset::GetRecordCount()
{
    return CADODataBase::GetRecordCount(m_pRecordset);
}

// --- Field values -------------------------------------------------------------

std::shared_ptr<engine::Field> CADORecordset::FieldByKey(const Variant& key)
{
    std::shared_ptr<engine::Field> field = Use(Use(m_pRecordset).GetFields()).Item(key);
    Use(field);
    return field;
}

bool CADORecordset::ReadFieldValue(const Variant& key, Variant& value)
{
    try {
        value = FieldByKey(key)->Value();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::WriteFieldValue(const Variant& key, const Variant& value)
{
    if (m_nEditStatus == editNone)
        return false;
    try {
        FieldByKey(key)->PutValue(value);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

template <typename T> bool CADORecordset::GetConverted(const Variant& key, T& value)
{
    Variant v;
    return ReadFieldValue(key, v) && FromFieldValue(v, value);
}

// clang-format off
bool CADORecordset::GetFieldValue(const QString& lpFieldName, double& dbValue) { return GetConverted(NameKey(lpFieldName), dbValue); }
bool CADORecordset::GetFieldValue(int nIndex, double& dbValue) { return GetConverted(IndexKey(nIndex), dbValue); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, long& lValue) { return GetConverted(NameKey(lpFieldName), lValue); }
bool CADORecordset::GetFieldValue(int nIndex, long& lValue) { return GetConverted(IndexKey(nIndex), lValue); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, unsigned long& ulValue) { return GetConverted(NameKey(lpFieldName), ulValue); }
bool CADORecordset::GetFieldValue(int nIndex, unsigned long& ulValue) { return GetConverted(IndexKey(nIndex), ulValue); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, int& nValue) { return GetConverted(NameKey(lpFieldName), nValue); }
bool CADORecordset::GetFieldValue(int nIndex, int& nValue) { return GetConverted(IndexKey(nIndex), nValue); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, platform::OleDateTime& time) { return GetConverted(NameKey(lpFieldName), time); }
bool CADORecordset::GetFieldValue(int nIndex, platform::OleDateTime& time) { return GetConverted(IndexKey(nIndex), time); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, bool& bValue) { return GetConverted(NameKey(lpFieldName), bValue); }
bool CADORecordset::GetFieldValue(int nIndex, bool& bValue) { return GetConverted(IndexKey(nIndex), bValue); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, platform::OleCurrency& cyValue) { return GetConverted(NameKey(lpFieldName), cyValue); }
bool CADORecordset::GetFieldValue(int nIndex, platform::OleCurrency& cyValue) { return GetConverted(IndexKey(nIndex), cyValue); }
bool CADORecordset::GetFieldValue(const QString& lpFieldName, Variant& vtValue) { return ReadFieldValue(NameKey(lpFieldName), vtValue); }
bool CADORecordset::GetFieldValue(int nIndex, Variant& vtValue) { return ReadFieldValue(IndexKey(nIndex), vtValue); }
// clang-format on

bool CADORecordset::GetFieldValue(const QString& lpFieldName, QString& strValue, const QString& strDateFormat)
{
    Variant v;
    return ReadFieldValue(NameKey(lpFieldName), v) && FromFieldValue(v, strValue, strDateFormat);
}

bool CADORecordset::GetFieldValue(int nIndex, QString& strValue, const QString& strDateFormat)
{
    Variant v;
    return ReadFieldValue(IndexKey(nIndex), v) && FromFieldValue(v, strValue, strDateFormat);
}

bool CADORecordset::IsFieldNull(const QString& lpFieldName)
{
    Variant v;
    return ReadFieldValue(NameKey(lpFieldName), v) && v.IsNull();
}

bool CADORecordset::IsFieldNull(int nIndex)
{
    Variant v;
    return ReadFieldValue(IndexKey(nIndex), v) && v.IsNull();
}

bool CADORecordset::IsFieldEmpty(const QString& lpFieldName)
{
    Variant v;
    return ReadFieldValue(NameKey(lpFieldName), v) && (v.IsEmpty() || v.IsNull());
}

bool CADORecordset::IsFieldEmpty(int nIndex)
{
    Variant v;
    return ReadFieldValue(IndexKey(nIndex), v) && (v.IsEmpty() || v.IsNull());
}

// clang-format off
bool CADORecordset::SetFieldValue(const QString& lpFieldName, const QString& strValue) { return WriteFieldValue(NameKey(lpFieldName), TextValue(strValue)); }
bool CADORecordset::SetFieldValue(int nIndex, const QString& strValue) { return WriteFieldValue(IndexKey(nIndex), TextValue(strValue)); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, int nValue) { return WriteFieldValue(NameKey(lpFieldName), Variant::FromI2(static_cast<std::int16_t>(nValue))); }
bool CADORecordset::SetFieldValue(int nIndex, int nValue) { return WriteFieldValue(IndexKey(nIndex), Variant::FromI2(static_cast<std::int16_t>(nValue))); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, long lValue) { return WriteFieldValue(NameKey(lpFieldName), Variant::FromI4(static_cast<std::int32_t>(lValue))); }
bool CADORecordset::SetFieldValue(int nIndex, long lValue) { return WriteFieldValue(IndexKey(nIndex), Variant::FromI4(static_cast<std::int32_t>(lValue))); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, unsigned long ulValue) { return WriteFieldValue(NameKey(lpFieldName), Variant::FromUI4(static_cast<std::uint32_t>(ulValue))); }
bool CADORecordset::SetFieldValue(int nIndex, unsigned long ulValue) { return WriteFieldValue(IndexKey(nIndex), Variant::FromUI4(static_cast<std::uint32_t>(ulValue))); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, double dblValue) { return WriteFieldValue(NameKey(lpFieldName), Variant::FromR8(dblValue)); }
bool CADORecordset::SetFieldValue(int nIndex, double dblValue) { return WriteFieldValue(IndexKey(nIndex), Variant::FromR8(dblValue)); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, const platform::OleDateTime& time) { return WriteFieldValue(NameKey(lpFieldName), Variant::FromDate(time.m_dt)); }
bool CADORecordset::SetFieldValue(int nIndex, const platform::OleDateTime& time) { return WriteFieldValue(IndexKey(nIndex), Variant::FromDate(time.m_dt)); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, bool bValue) { return WriteFieldValue(NameKey(lpFieldName), Variant::FromBool(bValue)); }
bool CADORecordset::SetFieldValue(int nIndex, bool bValue) { return WriteFieldValue(IndexKey(nIndex), Variant::FromBool(bValue)); }
bool CADORecordset::SetFieldValue(const QString& lpFieldName, const Variant& vtValue) { return WriteFieldValue(NameKey(lpFieldName), vtValue); }
bool CADORecordset::SetFieldValue(int nIndex, const Variant& vtValue) { return WriteFieldValue(IndexKey(nIndex), vtValue); }
bool CADORecordset::SetFieldEmpty(const QString& lpFieldName) { return WriteFieldValue(NameKey(lpFieldName), Variant()); }
bool CADORecordset::SetFieldEmpty(int nIndex) { return WriteFieldValue(IndexKey(nIndex), Variant()); }
// clang-format on

// A currency whose status is invalid has no amount to write.
bool CADORecordset::SetFieldValue(const QString& lpFieldName, const platform::OleCurrency& cyValue)
{
    if (cyValue.GetStatus() == platform::OleCurrency::invalid)
        return false;
    return WriteFieldValue(NameKey(lpFieldName), Variant::FromCy(cyValue.m_cur));
}

bool CADORecordset::SetFieldValue(int nIndex, const platform::OleCurrency& cyValue)
{
    if (cyValue.GetStatus() == platform::OleCurrency::invalid)
        return false;
    return WriteFieldValue(IndexKey(nIndex), Variant::FromCy(cyValue.m_cur));
}

bool CADORecordset::GetFieldInfo(const QString& lpFieldName, CADOFieldDesc* fldInfo)
{
    return GetFieldInfoByKey(NameKey(lpFieldName), fldInfo);
}

bool CADORecordset::GetFieldInfo(int nIndex, CADOFieldDesc* fldInfo)
{
    return GetFieldInfoByKey(IndexKey(nIndex), fldInfo);
}

bool CADORecordset::GetFieldInfoByKey(const Variant& key, CADOFieldDesc* fldInfo)
{
    const std::shared_ptr<engine::Field> field = FieldByKey(key);
    assert(fldInfo != nullptr);
    *fldInfo = CADOFieldDesc {};
    const QString name = field->Name().left(CADOFieldDesc::nameCapacity - 1);
    std::copy_n(reinterpret_cast<const char16_t*>(name.utf16()), name.size(), fldInfo->m_szName);
    fldInfo->m_lDefinedSize = static_cast<std::int32_t>(field->DefinedSize());
    fldInfo->m_nType = static_cast<std::int16_t>(field->Type());
    fldInfo->m_lAttributes = static_cast<std::int32_t>(field->Attributes());
    if (!IsEof())
        fldInfo->m_lSize = static_cast<std::int32_t>(field->ActualSize());
    return true;
}

bool CADORecordset::GetChunk(const QString& lpFieldName, QString& strValue)
{
    return GetChunkByKey(NameKey(lpFieldName), strValue);
}
bool CADORecordset::GetChunk(int nIndex, QString& strValue)
{
    return GetChunkByKey(IndexKey(nIndex), strValue);
}
bool CADORecordset::GetChunk(const QString& lpFieldName, void* pData)
{
    return GetChunkByKey(NameKey(lpFieldName), pData);
}
bool CADORecordset::GetChunk(int nIndex, void* pData)
{
    return GetChunkByKey(IndexKey(nIndex), pData);
}

bool CADORecordset::AppendChunk(const QString& lpFieldName, const void* lpData, unsigned int nBytes)
{
    return AppendChunkByKey(NameKey(lpFieldName), lpData, nBytes);
}

bool CADORecordset::AppendChunk(int nIndex, const void* lpData, unsigned int nBytes)
{
    return AppendChunkByKey(IndexKey(nIndex), lpData, nBytes);
}

bool CADORecordset::GetChunkByKey(const Variant& key, QString& strValue)
{
    const std::shared_ptr<engine::Field> field = FieldByKey(key);
    const long actualSize = field->ActualSize();
    QString text;
    try {
        for (long offset = 0; offset < actualSize; offset += kChunkSize) {
            const Variant chunk = field->GetChunk(kChunkSize);
            if (chunk.vt() == platform::VT_BSTR)
                text += chunk.bstrVal();
        }
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
    strValue = text;
    return true;
}

bool CADORecordset::GetChunkByKey(const Variant& key, void* pData)
{
    const std::shared_ptr<engine::Field> field = FieldByKey(key);
    const long actualSize = field->ActualSize();
    auto* out = static_cast<unsigned char*>(pData);
    try {
        for (long offset = 0; offset < actualSize; offset += kChunkSize) {
            const Variant chunk = field->GetChunk(kChunkSize);
            // Elements are copied until the chunk has no more (a short last one).
            const qsizetype n = std::min<qsizetype>(chunk.bytes().size(), kChunkSize);
            std::memcpy(out, chunk.bytes().constData(), static_cast<std::size_t>(n));
            out += n;
        }
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

bool CADORecordset::AppendChunkByKey(const Variant& key, const void* lpData, unsigned int nBytes)
{
    const std::shared_ptr<engine::Field> field = FieldByKey(key);
    const Variant data
        = Variant::FromBytes(QByteArray(static_cast<const char*>(lpData), static_cast<qsizetype>(nBytes)));
    try {
        field->AppendChunk(data);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

// --- Editing ------------------------------------------------------------------

void CADORecordset::Edit()
{
    // The engine edits the current row in place as soon as a value is put.
    m_nEditStatus = editInProgress;
}

bool CADORecordset::AddNew()
{
    m_nEditStatus = editNone;
    try {
        Use(m_pRecordset).AddNew();
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
    m_nEditStatus = editNew;
    return true;
}

bool CADORecordset::AddNew(engine::RecordBinding& pAdoRecordBinding)
{
    try {
        Use(m_pRecordBinding).AddNew(&pAdoRecordBinding);
        Use(m_pRecordBinding).Update(&pAdoRecordBinding);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::Update()
{
    if (m_nEditStatus == editNone)
        return true;
    bool bResult = true;
    try {
        Use(m_pRecordset).Update();
    } catch (const ComError& e) {
        ReportComError(e);
        bResult = false;
    }
    // A failed store must not leave a half-edited row behind.
    if (!bResult)
        Use(m_pRecordset).CancelUpdate();
    m_nEditStatus = editNone;
    return bResult;
}

void CADORecordset::CancelUpdate()
{
    Use(m_pRecordset).CancelUpdate();
    m_nEditStatus = editNone;
}

bool CADORecordset::Delete()
{
    Use(m_pRecordset).Delete(engine::adAffectCurrent);
    Use(m_pRecordset).Update();
    m_nEditStatus = editNone;
    return true;
}

bool CADORecordset::BindRecord(engine::RecordBinding& pAdoRecordBinding)
{
    m_pRecordBinding.reset();
    Use(m_pRecordset); // the binding side of a missing recordset is missing too
    m_pRecordBinding = m_pRecordset;
    m_pRecordBinding->BindToRecordset(&pAdoRecordBinding);
    return true;
}

// --- Search, order, copies and persistence --------------------------------------

bool CADORecordset::FoundAfterSearch(int nSearchDirection)
{
    if (nSearchDirection == searchForward ? IsEof() : IsBof())
        return false;
    m_varFindBookmark = Use(m_pRecordset).Bookmark();
    return true;
}

bool CADORecordset::Find(const QString& lpFind, int nSearchDirection)
{
    m_strFindCriteria = lpFind;
    m_nSearchDirection = nSearchDirection;
    if (nSearchDirection != searchForward && nSearchDirection != searchBackward) {
        m_nSearchDirection = searchForward;
        return false;
    }
    const long direction = nSearchDirection == searchForward ? engine::adSearchForward : engine::adSearchBackward;
    // An empty start starts from the current record.
    Use(m_pRecordset).Find(m_strFindCriteria, 0, direction, Variant::FromBstr(QString()));
    return FoundAfterSearch(nSearchDirection);
}

bool CADORecordset::FindFirst(const QString& lpFind)
{
    Use(m_pRecordset).MoveFirst();
    return Find(lpFind, searchForward);
}

bool CADORecordset::FindNext()
{
    const long direction = m_nSearchDirection == searchForward ? engine::adSearchForward : engine::adSearchBackward;
    Use(m_pRecordset).Find(m_strFindCriteria, 1, direction, m_varFindBookmark);
    return FoundAfterSearch(m_nSearchDirection == searchForward ? searchForward : searchBackward);
}

void CADORecordset::GetBookmark()
{
    m_varBookmark = Use(m_pRecordset).Bookmark();
}

bool CADORecordset::SetBookmark()
{
    if (m_varBookmark.IsEmpty())
        return false;
    Use(m_pRecordset).SetBookmark(m_varBookmark);
    return true;
}

bool CADORecordset::SetFilter(const QString& strFilter)
{
    try {
        Use(m_pRecordset).SetFilter(strFilter);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::SetSort(const QString& lpstrCriteria)
{
    try {
        Use(m_pRecordset).SetSort(lpstrCriteria);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::Clone(CADORecordset& pRs)
{
    try {
        pRs.m_pRecordset = Use(m_pRecordset).Clone(engine::adLockUnspecified);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

QString CADORecordset::GetString(const QString& lpCols, const QString& lpRows, long numRows)
{
    const QString columnDelimiter = lpCols.isEmpty() ? QStringLiteral("\t") : lpCols;
    const QString rowDelimiter = lpRows.isEmpty() ? QStringLiteral("\r") : lpRows;
    if (numRows == 0)
        numRows = static_cast<long>(GetRecordCount());
    return Use(m_pRecordset).GetString(engine::adClipString, numRows, columnDelimiter, rowDelimiter, QString());
}

bool CADORecordset::SaveToXML(const QString& lpstrXMLFile)
{
    try {
        Use(m_pRecordset).Save(lpstrXMLFile, engine::adPersistXML);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::OpenFromXML(const QString& lpstrXMLFile)
{
    if (IsOpen())
        Close();
    try {
        Use(m_pRecordset)
            .Open(lpstrXMLFile, QStringLiteral("Provider=MSPersist;"), engine::adOpenForwardOnly,
                engine::adLockOptimistic, engine::adCmdFile);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADORecordset::Execute(CADOCommand* pAdoCommand)
{
    if (IsOpen())
        Close();
    try {
        if (pAdoCommand == nullptr)
            throw ComError(platform::E_POINTER);
        Use(m_pConnection).SetCursorLocation(engine::adUseClient);
        m_pRecordset = Use(pAdoCommand->GetCommand()).Execute(nullptr, pAdoCommand->GetType());
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

void CADORecordset::ReportComError(const ComError& e)
{
    const QString report = FormatComErrorReport(QStringLiteral("CADORecordset Error"), e);
    m_strLastError = QStringLiteral("Query = ") + GetQuery() + QStringLiteral("\r\n") + report;
    m_dwLastError = static_cast<std::uint32_t>(e.Error());
    ShowComErrorReport(report);
}
