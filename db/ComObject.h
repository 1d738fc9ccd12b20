// Private to the access layer: how a wrapper reaches the engine object it
// holds. ADO's smart pointers raise E_POINTER, with no source and no
// description, when a call goes through a null interface; the wrappers keep
// that behaviour so that an object that could not be created fails at its
// first use like any other COM error.
#pragma once

#include "platform/ComError.h"

#include <memory>
#include <new>

namespace db {

template <typename T> T& Use(const std::shared_ptr<T>& object)
{
    if (!object)
        throw platform::ComError(platform::E_POINTER);
    return *object;
}

// Creates an engine object as CoCreateInstance would: a failure leaves the
// wrapper's pointer null, unreported.
template <typename T> std::shared_ptr<T> CreateOrNull()
{
    try {
        return T::Create();
    } catch (const platform::ComError&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace db
