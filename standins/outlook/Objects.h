#pragma once
// Entry points of the object model for the class factory.
#include <windows.h>

namespace standin {

// A new Application: shares the profile of any Application still alive, else loads it.
HRESULT CreateApplication(REFIID iid, void** out);
// True when no object of this server is alive.
bool NoObjectsAlive();

} // namespace standin
