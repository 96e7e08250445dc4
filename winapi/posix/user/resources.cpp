// The program's resource table, and icons and cursors loaded from it or from the system.
#include "internal.h"
#include "posix/user_resources.h"

#include <list>

namespace winapi_posix::user {

namespace {

// A resource key: a numeric id, or an upper-cased name.
struct Key {
    WORD id = 0;
    std::string name;

    bool operator==(const Key& other) const { return id == other.id && name == other.name; }
};

bool MakeKey(LPCSTR value, Key& key)
{
    if (value == nullptr) {
        return false;
    }
    if (IS_INTRESOURCE(value)) {
        key.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value));
        return key.id != 0;
    }
    if (value[0] == '#') {
        unsigned long n = 0;
        const char* p = value + 1;
        if (*p == '\0') {
            return false;
        }
        for (; *p != '\0'; ++p) {
            if (*p < '0' || *p > '9' || n > 0xFFFF) {
                return false;
            }
            n = n * 10 + static_cast<unsigned long>(*p - '0');
        }
        if (n == 0 || n > 0xFFFF) {
            return false;
        }
        key.id = static_cast<WORD>(n);
        return true;
    }
    for (const char* p = value; *p != '\0'; ++p) {
        key.name.push_back(static_cast<char>(FoldCase(static_cast<unsigned char>(*p))));
    }
    return !key.name.empty();
}

struct Resource {
    Key type;
    Key name;
    WORD language = 0;
    std::vector<BYTE> data;
};

std::list<Resource>& Table()
{
    static std::list<Resource> table;
    return table;
}

}  // namespace
}  // namespace winapi_posix::user

namespace winapi_posix {

bool AddResource(LPCSTR type, LPCSTR name, WORD language, const void* data, DWORD size)
{
    using namespace user;
    Resource r;
    if (!MakeKey(type, r.type) || !MakeKey(name, r.name) || (data == nullptr && size != 0)) {
        return false;
    }
    r.language = language;
    const auto* bytes = static_cast<const BYTE*>(data);
    r.data.assign(bytes, bytes + size);
    for (Resource& existing : Table()) {
        if (existing.type == r.type && existing.name == r.name && existing.language == language) {
            existing.data = std::move(r.data);
            return true;
        }
    }
    Table().push_back(std::move(r));
    return true;
}

bool RemoveResource(LPCSTR type, LPCSTR name)
{
    using namespace user;
    Key t;
    Key n;
    if (!MakeKey(type, t) || !MakeKey(name, n)) {
        return false;
    }
    const auto before = Table().size();
    Table().remove_if([&](const Resource& r) { return r.type == t && r.name == n; });
    return Table().size() != before;
}

}  // namespace winapi_posix

using namespace winapi_posix::user;

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type)
{
    Key t;
    Key n;
    if (!MakeKey(type, t)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (!MakeKey(name, n)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    bool typeFound = false;
    for (Resource& r : Table()) {
        if (r.type == t) {
            typeFound = true;
            if (r.name == n) {
                return reinterpret_cast<HRSRC>(&r);
            }
        }
    }
    SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    for (Resource& r : Table()) {
        if (reinterpret_cast<HRSRC>(&r) == resource) {
            return r.data.data();
        }
    }
    return nullptr;
}

LPVOID LockResource(HGLOBAL data)
{
    return data;
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    for (Resource& r : Table()) {
        if (reinterpret_cast<HRSRC>(&r) == resource) {
            return static_cast<DWORD>(r.data.size());
        }
    }
    return 0;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    if (instance == nullptr) {
        // The system's own icons.
        const auto id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : 0;
        if (id >= 32512 && id <= 32517) {
            return MakeIcon(id);
        }
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (FindResourceA(nullptr, name, RT_GROUP_ICON) == nullptr) {
        return nullptr;
    }
    Key key;
    MakeKey(name, key);
    // One icon handle per resource; program icons are numbered apart from the system's.
    return MakeIcon(key.id != 0 ? 0x10000 + key.id : 0x20000 + static_cast<int>(std::hash<std::string>{}(key.name) & 0xFFFF));
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    if (instance != nullptr) {
        return FindResourceA(nullptr, name, RT_GROUP_CURSOR) == nullptr ? nullptr : MakeIcon(0x30000);
    }
    const auto id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : 0;
    if (id >= 32512 && id <= 32515) {
        return MakeIcon(0x40000 + id);
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}
