// ADO's Parameter and Parameters collection: the checks ADO makes when a
// parameter's type, direction or size is set and when it is appended, and
// the lookup by name or position. Values are not checked here: ADO converts
// a value to the parameter's type only when the command runs.
#include "engine/ado/Parameter.h"

#include "engine/common/AdoError.h"
#include "platform/HResult.h"

#include <algorithm>

namespace engine {

using platform::ComError;
using platform::Variant;

namespace {

constexpr auto kSource = "Parameter";
constexpr auto kCollectionSource = "Parameters";

// ADO's adErrInvalidParamInfo and adErrObjectInCollection.
constexpr platform::HRESULT adErrInvalidParamInfo = platform::MakeHr(0x800A0E7Cu);
constexpr platform::HRESULT adErrObjectInCollection = platform::MakeHr(0x800A0D27u);

bool IsKnownType(long type)
{
    switch (type) {
    case adEmpty:
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDate:
    case adBSTR:
    case adIDispatch:
    case adError:
    case adBoolean:
    case adVariant:
    case adIUnknown:
    case adDecimal:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
    case adGUID:
    case adBinary:
    case adChar:
    case adWChar:
    case adNumeric:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
    case adVarBinary:
    case adLongVarBinary:
        return true;
    default:
        return false;
    }
}

// Types whose values have a length: ADO wants their Size before a
// parameter of that type joins a command.
bool IsVariableLength(long type)
{
    switch (type) {
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
    case adLongVarChar:
    case adLongVarWChar:
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void ThrowInvalidArgument(const char* source)
{
    ThrowAdo(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument), source);
}

} // namespace

std::shared_ptr<Parameter> Parameter::Create()
{
    return std::make_shared<Parameter>();
}

void Parameter::SetType(long type)
{
    if (!IsKnownType(type))
        ThrowInvalidArgument(kSource);
    m_type = type;
}

void Parameter::SetDirection(long direction)
{
    if (direction < adParamUnknown || direction > adParamReturnValue)
        ThrowInvalidArgument(kSource);
    m_direction = direction;
}

void Parameter::SetSize(long size)
{
    if (size < 0)
        ThrowInvalidArgument(kSource);
    m_size = size;
}

void Parameters::Append(const std::shared_ptr<Parameter>& parameter)
{
    if (!parameter)
        ThrowInvalidArgument(kCollectionSource);
    if (std::find(m_items.begin(), m_items.end(), parameter) != m_items.end()) {
        ThrowAdo(adErrObjectInCollection, QStringLiteral("Object is already in collection. Cannot append."),
            kCollectionSource);
    }
    if (parameter->Type() == adEmpty || (IsVariableLength(parameter->Type()) && parameter->Size() == 0)) {
        ThrowAdo(adErrInvalidParamInfo,
            QStringLiteral("Parameter object is improperly defined. Inconsistent or incomplete information was "
                           "provided."),
            kCollectionSource);
    }
    m_items.push_back(parameter);
}

namespace {

// The position an index names: a name (case-insensitive, as Jet compares
// names) or an ordinal; -1 when it names nothing.
long IndexOf(const std::vector<std::shared_ptr<Parameter>>& items, const Variant& index)
{
    using namespace platform;
    long position = -1;
    switch (index.vt()) {
    case VT_BSTR: {
        const auto it = std::find_if(items.begin(), items.end(), [&index](const std::shared_ptr<Parameter>& p) {
            return p->Name().compare(index.bstrVal(), Qt::CaseInsensitive) == 0;
        });
        return it == items.end() ? -1 : static_cast<long>(it - items.begin());
    }
    case VT_I1:
        position = index.cVal();
        break;
    case VT_I2:
        position = index.iVal();
        break;
    case VT_I4:
    case VT_INT:
        position = index.lVal();
        break;
    case VT_I8:
        position = static_cast<long>(std::clamp<std::int64_t>(index.llVal(), -1, 1L << 30));
        break;
    case VT_UI1:
        position = index.bVal();
        break;
    case VT_UI2:
        position = index.uiVal();
        break;
    case VT_UI4:
    case VT_UINT:
        position = static_cast<long>(std::min<std::uint32_t>(index.ulVal(), 1u << 30));
        break;
    case VT_R4:
    case VT_R8: {
        const double d = index.vt() == VT_R4 ? index.fltVal() : index.dblVal();
        if (d >= 0 && d < static_cast<double>(items.size()) && d == static_cast<double>(static_cast<long>(d)))
            position = static_cast<long>(d);
        break;
    }
    default:
        return -1;
    }
    return position >= 0 && position < static_cast<long>(items.size()) ? position : -1;
}

[[noreturn]] void ThrowItemNotFound()
{
    ThrowAdo(platform::adErrItemNotFound, QString::fromLatin1(adotext::kItemNotFound), kCollectionSource);
}

} // namespace

void Parameters::Delete(const Variant& index)
{
    const long position = IndexOf(m_items, index);
    if (position < 0)
        ThrowItemNotFound();
    m_items.erase(m_items.begin() + position);
}

std::shared_ptr<Parameter> Parameters::Item(const Variant& index) const
{
    const long position = IndexOf(m_items, index);
    if (position < 0)
        ThrowItemNotFound();
    return m_items[static_cast<std::size_t>(position)];
}

} // namespace engine
