// Internal to the stand-in: the table behind kernel HANDLEs. A HANDLE is an opaque number
// that maps to one object; numbers are never reused, so a stale handle finds nothing
// instead of someone else's port. CloseHandle removes the entry and destroys the object.
#pragma once

#include "base.h"

#include <memory>

namespace winapi_posix {

class KernelObject {
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
};

HANDLE InsertHandle(std::unique_ptr<KernelObject> object);
KernelObject* LookupHandle(HANDLE handle);
std::unique_ptr<KernelObject> TakeHandle(HANDLE handle);

template <class T>
T* LookupHandleAs(HANDLE handle)
{
    return dynamic_cast<T*>(LookupHandle(handle));
}

}  // namespace winapi_posix
