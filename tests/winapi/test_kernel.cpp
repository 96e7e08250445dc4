// kernel32 basics of the stand-in: executable memory for thunks, the last error, time and
// the module handle.
#include "winapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

#if defined(__x86_64__) || defined(__i386__)
TEST(VirtualMemory, ExecutablePagesRunCodeWrittenIntoThem)
{
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    ASSERT_NE(page, nullptr);
    const unsigned char code[] = {0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3};  // mov eax, 42; ret
    std::memcpy(page, code, sizeof code);
    int (*function)() = nullptr;
    std::memcpy(&function, &page, sizeof page);
    EXPECT_EQ(function(), 42);

    EXPECT_FALSE(VirtualFree(page, 4096, MEM_RELEASE));  // a release names no size
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(page, 0, MEM_RELEASE));
}
#endif

TEST(VirtualMemory, ReservedPagesAreCommittedLater)
{
    auto* region = static_cast<unsigned char*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(region, nullptr);
    void* committed = VirtualAlloc(region + 4096 + 10, 100, MEM_COMMIT, PAGE_READWRITE);
    EXPECT_EQ(committed, region + 4096);  // rounded down to its page
    std::memset(committed, 0x5A, 4096);
    EXPECT_EQ(region[4096 + 4095], 0x5A);

    EXPECT_EQ(VirtualAlloc(region + 2 * 4096, 2 * 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
}

TEST(VirtualMemory, RefusesBadRequests)
{
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_COMMIT, 0x12345), nullptr);
    EXPECT_EQ(VirtualAlloc(nullptr, 4096, 0, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    int local = 0;
    EXPECT_FALSE(VirtualFree(&local, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(nullptr, 0, MEM_RELEASE));
}

TEST(Kernel, LastErrorBelongsToItsThread)
{
    SetLastError(1234);
    DWORD other = 1;
    std::thread([&] { other = GetLastError(); }).join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST(Kernel, SleepWaitsAtLeastItsTimeOnTheTickCount)
{
    const DWORD before = GetTickCount();
    Sleep(60);
    EXPECT_GE(static_cast<DWORD>(GetTickCount() - before), 60u);
}

TEST(Kernel, TheProgramHasAModuleHandle)
{
    const HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
    EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
}

}  // namespace
