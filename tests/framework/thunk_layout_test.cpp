// The bytes of a thunk page, checked for the addresses it is built for: the 32-bit layout
// the Windows program runs, and the x86-64 one of the native build.
#include "thunk_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

std::uint32_t Get32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint64_t Get64(const unsigned char* at)
{
    return static_cast<std::uint64_t>(Get32(at)) | static_cast<std::uint64_t>(Get32(at + 4)) << 32;
}

using Page = std::array<unsigned char, THUNK_PAGE_SIZE>;

TEST(ThunkLayoutI386, HeaderJumpsToTheEntryAfterPoppingEcx)
{
    Page page{};
    const std::uint32_t at = 0x00520000;
    const std::uint32_t entry = 0x00401A30;
    BuildI386ThunkPage(page.data(), at, 0x00510000, entry, 0);

    EXPECT_EQ(Get32(&page[0]), 0x00510000u);  // the page made before
    EXPECT_EQ(page[4], 0x59);                 // pop ecx
    EXPECT_EQ(page[5], 0xE9);                 // jmp rel32
    EXPECT_EQ(Get32(&page[6]), entry - (at + 10));
}

TEST(ThunkLayoutI386, EveryThunkCallsTheHeaderAndLinksTheFreeListDownwards)
{
    Page page{};
    const std::uint32_t at = 0x7FFE0000;  // high enough that the call goes backwards
    const std::uint32_t before = 0x00600123;
    const std::uint32_t head = BuildI386ThunkPage(page.data(), at, 0, 0x00401000, before);

    EXPECT_EQ(head, at + 10 + 453 * 9);  // handed out from the highest address down
    for (std::uint32_t k = 0; k < 454; ++k) {
        const std::uint32_t offset = 10 + 9 * k;
        ASSERT_EQ(page[offset], 0xE8) << "thunk " << k;
        ASSERT_EQ(Get32(&page[offset + 1]), (at + 4) - (at + offset + 5)) << "thunk " << k;
        const std::uint32_t link = k == 0 ? before : at + offset - 9;
        ASSERT_EQ(Get32(&page[offset + 5]), link) << "thunk " << k;
    }
    EXPECT_EQ(10 + 454 * 9, 4096);  // the last slot ends the page
}

TEST(ThunkLayoutI386, FirstPageLinksToNothing)
{
    Page page{};
    page.fill(0xAA);
    BuildI386ThunkPage(page.data(), 0x00520000, 0, 0x00401000, 0);
    EXPECT_EQ(Get32(&page[0]), 0u);
    EXPECT_EQ(Get32(&page[10 + 5]), 0u);  // thunk 0 ends the free list
}

TEST(ThunkLayoutX64, HeaderPopsTheSlotIntoR8AndJumpsThroughTheEntryWord)
{
    Page page{};
    const std::uint64_t at = 0x00007F1234560000;
    const std::uint64_t entry = 0x000055AA00001230;  // farther than 2 GB away
    const std::uint64_t head = BuildX64ThunkPage(page.data(), at, 0x00007F0000001000, entry, 0);

    EXPECT_EQ(Get64(&page[0]), 0x00007F0000001000u);
    const std::array<unsigned char, 6> code{0x41, 0x58, 0xFF, 0x25, 0x00, 0x00};
    for (std::size_t i = 0; i < code.size(); ++i) {
        EXPECT_EQ(page[8 + i], code[i]) << "header byte " << i;
    }
    EXPECT_EQ(Get32(&page[12]), 0u);  // rip-relative 0: the word right after the jump
    EXPECT_EQ(Get64(&page[16]), entry);

    EXPECT_EQ(head, at + X64_FIRST_THUNK + (X64_THUNK_COUNT - 1) * X64_THUNK_SIZE);
    for (std::size_t k = 0; k < X64_THUNK_COUNT; ++k) {
        const std::size_t offset = X64_FIRST_THUNK + k * X64_THUNK_SIZE;
        ASSERT_EQ(page[offset], 0xE8) << "thunk " << k;
        ASSERT_EQ(Get32(&page[offset + 1]), static_cast<std::uint32_t>((at + 8) - (at + offset + 5)));
        const std::uint64_t link = k == 0 ? 0 : at + offset - X64_THUNK_SIZE;
        ASSERT_EQ(Get64(&page[offset + 5]), link) << "thunk " << k;
    }
    const std::size_t end = X64_FIRST_THUNK + X64_THUNK_COUNT * X64_THUNK_SIZE;
    ASSERT_LE(end, THUNK_PAGE_SIZE);
    ASSERT_GT(end + X64_THUNK_SIZE, THUNK_PAGE_SIZE);  // no room for one more
    for (std::size_t i = end; i < THUNK_PAGE_SIZE; ++i) {
        EXPECT_EQ(page[i], 0xCC) << "tail byte " << i;
    }
}

}  // namespace
