// Record binding: a description of a C++ structure's members, each bound to
// a field by ordinal with a data type, a buffer, a size and a status, so that
// a recordset can fill the structure from the current row, add a row from
// it, and store it back.
#pragma once

#include "engine/common/AdoEnums.h"

#include <cstddef>
#include <vector>

namespace engine {

enum BindingStatus { adFldOK = 0, adFldNull = 3, adFldTruncated = 4, adFldCantConvertValue = 2 };

struct FieldBinding {
    int ordinal = 0;         // 1-based field ordinal, as ADO's binding macros
    long type = adInteger;   // DataTypeEnum of the buffer
    void* buffer = nullptr;  // for text: wchar_t-free UTF-16 (char16_t) buffer of size/2 units
    std::size_t size = 0;    // bytes the buffer holds
    long* status = nullptr;  // BindingStatus after each transfer; optional
    bool modify = true;      // whether AddNew and Update write this member
};

class RecordBinding {
public:
    virtual ~RecordBinding() = default;
    virtual std::vector<FieldBinding> Bindings() = 0;
};

}  // namespace engine
