#pragma once
#include "wcl/Win.h"

// A function of a system library that the program needs only after some
// event (a USB device coming or going, a transfer) rather than at start-up:
// the library is loaded at the first look-up instead of with the program, so
// that starting does not pay for it. Null when the library or the function
// is missing. A library once loaded stays loaded until the program ends.
template <class Fn>
Fn LateBoundFunction(const char* library, const char* name)
{
    HMODULE module = ::GetModuleHandleA(library);
    if (!module)
        module = ::LoadLibraryA(library);
    if (!module)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
