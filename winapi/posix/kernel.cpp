// kernel32 basics: the last-error word, time, the handle table, executable memory and
// the module handle.
#include "winapi.h"
#include "testing_kernel.h"
#include "handles.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <utility>

namespace winapi_posix {
namespace {

std::mutex handleMutex;
std::map<ULONG_PTR, std::unique_ptr<KernelObject>>& HandleTable()
{
    static std::map<ULONG_PTR, std::unique_ptr<KernelObject>> table;
    return table;
}
// Multiples of 4 as on Windows, starting well above 0 and far below -1.
ULONG_PTR nextHandle = 0x100;

}  // namespace

HANDLE InsertHandle(std::unique_ptr<KernelObject> object)
{
    std::lock_guard lock(handleMutex);
    const ULONG_PTR value = nextHandle;
    nextHandle += 4;
    HandleTable().emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

KernelObject* LookupHandle(HANDLE handle)
{
    std::lock_guard lock(handleMutex);
    const auto it = HandleTable().find(reinterpret_cast<ULONG_PTR>(handle));
    return it == HandleTable().end() ? nullptr : it->second.get();
}

std::unique_ptr<KernelObject> TakeHandle(HANDLE handle)
{
    std::lock_guard lock(handleMutex);
    const auto it = HandleTable().find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == HandleTable().end()) {
        return nullptr;
    }
    std::unique_ptr<KernelObject> object = std::move(it->second);
    HandleTable().erase(it);
    return object;
}

}  // namespace winapi_posix

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD error)
{
    lastError = error;
}

void Sleep(DWORD milliseconds)
{
    timespec rest{static_cast<time_t>(milliseconds / 1000u),
                  static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

DWORD GetTickCount()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    // Wraps after 49.7 days, as on Windows.
    return static_cast<DWORD>(static_cast<std::uint64_t>(ms) & 0xFFFFFFFFu);
}

BOOL CloseHandle(HANDLE handle)
{
    // The object's destructor releases what it holds (a port's lock and descriptor).
    if (winapi_posix::TakeHandle(handle) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace {

// Regions handed out by VirtualAlloc, by base address, with their length.
std::mutex regionMutex;
std::map<ULONG_PTR, SIZE_T>& Regions()
{
    static std::map<ULONG_PTR, SIZE_T> regions;
    return regions;
}

bool ProtectionFlags(DWORD protect, int& prot)
{
    switch (protect) {
    case PAGE_NOACCESS: prot = PROT_NONE; return true;
    case PAGE_READONLY: prot = PROT_READ; return true;
    case PAGE_READWRITE: prot = PROT_READ | PROT_WRITE; return true;
    case PAGE_EXECUTE: prot = PROT_EXEC; return true;
    case PAGE_EXECUTE_READ: prot = PROT_READ | PROT_EXEC; return true;
    case PAGE_EXECUTE_READWRITE: prot = PROT_READ | PROT_WRITE | PROT_EXEC; return true;
    default: return false;
    }
}

SIZE_T PageSize()
{
    static const SIZE_T size = static_cast<SIZE_T>(sysconf(_SC_PAGESIZE));
    return size;
}

// The region that holds [address, address + size), or end().
std::map<ULONG_PTR, SIZE_T>::iterator RegionOf(ULONG_PTR address, SIZE_T size)
{
    auto& regions = Regions();
    auto it = regions.upper_bound(address);
    if (it == regions.begin()) {
        return regions.end();
    }
    --it;
    if (address - it->first >= it->second || size > it->second - (address - it->first)) {
        return regions.end();
    }
    return it;
}

}  // namespace

namespace {
bool virtualAllocFails = false;
}

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect)
{
    if (virtualAllocFails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    int prot = 0;
    if (size == 0 || (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) != 0 ||
        (allocationType & (MEM_COMMIT | MEM_RESERVE)) == 0 || !ProtectionFlags(protect, prot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const SIZE_T page = PageSize();
    std::lock_guard lock(regionMutex);

    if (address != nullptr) {
        // Committing pages of a region reserved before; placing a new region at a chosen
        // address is not offered.
        const ULONG_PTR first = reinterpret_cast<ULONG_PTR>(address) & ~(page - 1);
        const ULONG_PTR last = (reinterpret_cast<ULONG_PTR>(address) + size + page - 1) & ~(page - 1);
        if ((allocationType & MEM_COMMIT) == 0 || last <= first ||
            RegionOf(first, last - first) == Regions().end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return nullptr;
        }
        if (mprotect(reinterpret_cast<void*>(first), last - first, prot) != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return reinterpret_cast<LPVOID>(first);
    }

    if (size > SIZE_MAX - page) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const SIZE_T length = (size + page - 1) & ~(page - 1);
    // Reserved-only pages stay inaccessible until committed.
    const bool commit = (allocationType & MEM_COMMIT) != 0;
    void* base = mmap(nullptr, length, commit ? prot : PROT_NONE,
                      MAP_PRIVATE | MAP_ANONYMOUS | (commit ? 0 : MAP_NORESERVE), -1, 0);
    if (base == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Regions().emplace(reinterpret_cast<ULONG_PTR>(base), length);
    return base;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType)
{
    std::lock_guard lock(regionMutex);
    const ULONG_PTR at = reinterpret_cast<ULONG_PTR>(address);
    if (freeType == MEM_RELEASE) {
        // The whole region at once, named by its base, as on Windows.
        const auto it = Regions().find(at);
        if (size != 0 || it == Regions().end()) {
            SetLastError(size != 0 ? ERROR_INVALID_PARAMETER : ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        munmap(address, it->second);
        Regions().erase(it);
        return TRUE;
    }
    if (freeType == MEM_DECOMMIT) {
        const SIZE_T page = PageSize();
        auto it = RegionOf(at, size == 0 ? 1 : size);
        if (it == Regions().end() || (size == 0 && it->first != at)) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        const ULONG_PTR first = at & ~(page - 1);
        const ULONG_PTR last = size == 0 ? it->first + it->second : (at + size + page - 1) & ~(page - 1);
        void* start = reinterpret_cast<void*>(first);
        mprotect(start, last - first, PROT_NONE);
        madvise(start, last - first, MADV_DONTNEED);
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    // The program is its only module; its handle only has to be a stable non-null value.
    static char programModule;
    if (moduleName == nullptr) {
        return reinterpret_cast<HMODULE>(&programModule);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

namespace testing_kernel {

void SetVirtualAllocFails(bool fails)
{
    virtualAllocFails = fails;
}

}  // namespace testing_kernel
