// Where the dialogs find the word store.
#include "ui/AppWordStore.h"

#include <cassert>
#include <utility>

namespace {
CWordStore* g_pStore = nullptr; // the application's store; set before any dialog shows
}

CWordStore& AppWordStore()
{
    assert(g_pStore && "no word store set for the dialogs");
    return *g_pStore;
}

CWordStore* SetAppWordStore(CWordStore* pStore)
{
    return std::exchange(g_pStore, pStore);
}
