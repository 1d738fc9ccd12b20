// Fuzzes the Find and Filter criteria reader: any text is either refused
// with ADO's invalid-argument error or gives a predicate that can test rows
// of every value type, Null and missing fields included, without failing
// in any other way. The first byte chooses Find or Filter.
#include "engine/jetsql/Criteria.h"
#include "platform/ComError.h"
#include "platform/HResult.h"

#include <QMap>
#include <cstdint>
#include <cstdlib>

namespace {

using platform::Variant;

std::vector<QMap<QString, Variant>> Rows()
{
    platform::DECIMAL d;
    d.scale = 2;
    d.Lo64 = 12345;
    return {
        { { "id", Variant::FromI4(9) }, { "word", Variant::FromBstr("Apple") }, { "date", Variant::FromDate(40315.5) },
            { "price", Variant::FromCy(500000) }, { "flag", Variant::FromBool(true) },
            { "ratio", Variant::FromR8(0.25) }, { "exact", Variant::FromDecimal(d) }, { "small", Variant::FromI2(-3) },
            { "big", Variant::FromI8(-9000000000000000000LL) },
            { "bytes", Variant::FromBytes(QByteArray("\x01\x02", 2)) } },
        { { "id", Variant::Null() }, { "word", Variant::FromBstr("2010-05-17 00:00:00") },
            { "date", Variant::FromDate(-657435.0) }, { "price", Variant() }, { "flag", Variant::FromBool(false) },
            { "ratio", Variant::FromR4(1e30f) }, { "exact", Variant::Null() }, { "small", Variant::FromUI1(255) },
            { "big", Variant::FromUI8(~0ULL) }, { "bytes", Variant::FromBstr("") } },
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 2048)
        return 0;
    static const std::vector<QMap<QString, Variant>> rows = Rows();
    const bool filter = (data[0] & 1) != 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    std::unique_ptr<engine::criteria::Predicate> predicate;
    try {
        predicate = filter ? engine::criteria::ParseFilter(text) : engine::criteria::ParseFind(text);
    } catch (const platform::ComError& e) {
        if (e.Error() != platform::adErrInvalidArgument)
            std::abort();
        return 0;
    }
    for (const auto& row : rows) {
        try {
            predicate->Matches([&row](const QString& name) {
                const auto found = row.constFind(name.toLower());
                if (found == row.constEnd())
                    throw platform::ComError(platform::adErrItemNotFound);
                return found.value();
            });
        } catch (const platform::ComError& e) {
            if (e.Error() != platform::adErrItemNotFound)
                std::abort();
        }
    }
    return 0;
}
