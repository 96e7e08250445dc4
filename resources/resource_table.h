// The resources that the generated source registers with the Win32 stand-in, for code
// that wants to see all of them with their languages (the stand-in's lookup takes none).
#pragma once

#include "winapi.h"

#include <span>

namespace meq_resources {

struct Resource {
    WORD type;      // RT_DIALOG, RT_ICON, RT_GROUP_ICON, RT_VERSION as numbers
    WORD name;      // numeric id
    WORD language;  // 0x0409: English (United States)
    const BYTE* data;
    DWORD size;
};

// In the script's order, each icon image before its group.
std::span<const Resource> Table();

}  // namespace meq_resources
