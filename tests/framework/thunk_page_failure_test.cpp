// When the system gives no page for thunks, the program ends with a message instead of
// going on with objects that have no window procedure.
#include "framework.h"
#include "posix/testing_kernel.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

void TakeThunksUntilANewPageIsNeeded()
{
    testing_kernel::SetVirtualAllocFails(true);
    while (freeThunks != nullptr) {
        TakeThunk(nullptr);
    }
    TakeThunk(nullptr);
    std::_Exit(0);  // went on without a page
}

TEST(ThunkPageDeathTest, NoPageEndsTheProgramWithAMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TakeThunksUntilANewPageIsNeeded(), ::testing::ExitedWithCode(EXIT_FAILURE),
                "VirtualAlloc gave no page for window procedures");
}

}  // namespace
