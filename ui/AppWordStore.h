// The application's one word store, as the dialogs reach it. The store
// belongs to the application object, which lives in the layer above the
// dialogs; the application hands it over here when it is constructed, and
// a test can hand over a store of its own.
#pragma once

class CWordStore;

// The store that the dialogs work on. Using it before one was set is a
// programming error.
CWordStore& AppWordStore();

// Sets the store (nullptr: none); gives the one it replaces.
CWordStore* SetAppWordStore(CWordStore* pStore);
