// The program's own resources on POSIX. On Windows the resource compiler links them into
// the program; here a generated source file registers each one before main runs (one
// static ResourceEntry per resource), and tests register their own. FindResourceA,
// DialogBoxParamA and LoadIconA look them up by type and by numeric id or name.
#pragma once

#include "user.h"

namespace winapi_posix {

// Keeps a copy of the data. A resource of the same type, name and language replaces the
// one there. Names compare without regard to case; "#5" names the numeric id 5.
bool AddResource(LPCSTR type, LPCSTR name, WORD language, const void* data, DWORD size);
bool RemoveResource(LPCSTR type, LPCSTR name);

struct ResourceEntry {
    ResourceEntry(LPCSTR type, LPCSTR name, WORD language, const void* data, DWORD size)
    {
        AddResource(type, name, language, data, size);
    }
};

}  // namespace winapi_posix
