// Small helpers shared by the framework's suites.
#pragma once

#include "framework.h"

#include <gtest/gtest.h>

#include <cstring>

// Dispatches every queued message; false when a WM_QUIT was among them.
inline bool PumpMessages()
{
    MSG msg{};
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return !quit;
}

// The object that a thunk's slot names, or the next free thunk of a free one.
inline void* SlotOf(const void* thunk)
{
    void* value = nullptr;
    std::memcpy(&value, static_cast<const unsigned char*>(thunk) + THUNK_SLOT_OFFSET, sizeof value);
    return value;
}

inline std::size_t FreeThunkCount()
{
    std::size_t count = 0;
    for (void* thunk = freeThunks; thunk != nullptr; thunk = SlotOf(thunk)) {
        ++count;
    }
    return count;
}

// Every test starts and ends with an empty queue and no application.
class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override { PumpMessages(); }
    void TearDown() override
    {
        PumpMessages();
        EXPECT_EQ(application, nullptr) << "a test left its application behind";
        EXPECT_EQ(objectBeingCreated, nullptr);
    }
};
