// The registry as far as the port list needs it: one key, "hardware\devicemap\serialcomm"
// under HKLM, whose values are the serial ports (device name -> port name as REG_SZ).
// Each open key holds a snapshot taken at RegOpenKeyA, so an enumeration stays stable.
#include "winapi.h"
#include "ports.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct OpenKey {
    std::vector<testing_ports::PortValue> values;
};

std::mutex keyMutex;
std::map<ULONG_PTR, std::shared_ptr<OpenKey>>& Keys()
{
    static std::map<ULONG_PTR, std::shared_ptr<OpenKey>> keys;
    return keys;
}
ULONG_PTR nextKey = 0x10;  // never reused; far from the predefined 0x8000000x keys

bool IsPredefined(HKEY key)
{
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    return value >= 0x80000000u && value <= 0x80000006u;
}

std::shared_ptr<OpenKey> Find(HKEY key)
{
    std::lock_guard lock(keyMutex);
    const auto it = Keys().find(reinterpret_cast<ULONG_PTR>(key));
    return it == Keys().end() ? nullptr : it->second;
}

bool SameIgnoringCase(const char* a, const char* b)
{
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (lower(*a) != lower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

}  // namespace

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!IsPredefined(key) && Find(key) == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (subKey == nullptr || *subKey == '\0') {
        *result = key;  // RegOpenKeyA hands back the same handle
        return ERROR_SUCCESS;
    }
    if (key != HKEY_LOCAL_MACHINE || !SameIgnoringCase(subKey, "hardware\\devicemap\\serialcomm") ||
        winapi_posix::SerialCommKeyMissing()) {
        return ERROR_FILE_NOT_FOUND;
    }
    auto open = std::make_shared<OpenKey>();
    open->values = winapi_posix::SnapshotPortList();
    std::lock_guard lock(keyMutex);
    const ULONG_PTR value = nextKey;
    nextKey += 8;
    Keys().emplace(value, std::move(open));
    *result = reinterpret_cast<HKEY>(value);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (IsPredefined(key)) {
        return ERROR_SUCCESS;
    }
    std::lock_guard lock(keyMutex);
    return Keys().erase(reinterpret_cast<ULONG_PTR>(key)) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                      LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorLength,
                      PFILETIME lastWriteTime)
{
    if (reserved != nullptr || (className != nullptr && classLength == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::shared_ptr<OpenKey> open;
    if (!IsPredefined(key)) {
        open = Find(key);
        if (open == nullptr) {
            return ERROR_INVALID_HANDLE;
        }
    }
    // The keys have no class, no subkeys we offer and no security descriptor to report.
    if (className != nullptr && *classLength > 0) {
        className[0] = '\0';
    }
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (open != nullptr) {
        count = static_cast<DWORD>(open->values.size());
        for (const auto& value : open->values) {
            longestName = std::max(longestName, static_cast<DWORD>(value.name.size()));
            longestData = std::max(longestData, static_cast<DWORD>(value.data.size()));
        }
    }
    const auto put = [](LPDWORD out, DWORD v) {
        if (out != nullptr) {
            *out = v;
        }
    };
    put(classLength, 0);
    put(subKeys, 0);
    put(maxSubKeyLength, 0);
    put(maxClassLength, 0);
    put(values, count);
    put(maxValueNameLength, longestName);
    put(maxValueLength, longestData);
    put(securityDescriptorLength, 0);
    if (lastWriteTime != nullptr) {
        *lastWriteTime = FILETIME{0, 0};
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD dataLength)
{
    if (valueName == nullptr || valueNameLength == nullptr || reserved != nullptr ||
        (data != nullptr && dataLength == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::shared_ptr<OpenKey> open;
    if (!IsPredefined(key)) {
        open = Find(key);
        if (open == nullptr) {
            return ERROR_INVALID_HANDLE;
        }
    }
    if (open == nullptr || index >= open->values.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const testing_ports::PortValue& value = open->values[index];

    // The name length counts characters: in, the buffer with room for the NUL; out, the
    // name without it. A name that does not fit is not stored.
    const auto nameSize = static_cast<DWORD>(value.name.size());
    if (*valueNameLength <= nameSize) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(valueName, value.name.c_str(), value.name.size() + 1);
    *valueNameLength = nameSize;
    if (type != nullptr) {
        *type = value.type;
    }
    // The data length counts bytes: in, the buffer; out, what was stored or, when the
    // buffer is missing or too small, what is needed.
    const auto dataSize = static_cast<DWORD>(value.data.size());
    if (dataLength == nullptr) {
        return ERROR_SUCCESS;
    }
    if (data == nullptr) {
        *dataLength = dataSize;
        return ERROR_SUCCESS;
    }
    if (*dataLength < dataSize) {
        *dataLength = dataSize;
        return ERROR_MORE_DATA;
    }
    if (dataSize != 0) {
        std::memcpy(data, value.data.data(), dataSize);
    }
    *dataLength = dataSize;
    return ERROR_SUCCESS;
}
