// The bytes of an instance-thunk page, for both processors the program runs on. The
// builders only write bytes into a buffer for the address the page will run at, so the
// 32-bit layout can be checked on any host; thunks.cpp uses the one of its own target.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t THUNK_PAGE_SIZE = 4096;

// Both layouts keep a thunk's object slot 5 bytes after its start (after the call).
inline constexpr std::size_t THUNK_SLOT_OFFSET = 5;

// 32-bit x86. Page: link to the previous page (4), header (pop ecx; jmp rel32 ThunkEntry),
// then 454 thunks of 9 bytes (call rel32 header; 4-byte slot), filling the page exactly.
inline constexpr std::size_t I386_HEADER_OFFSET = 4;
inline constexpr std::size_t I386_FIRST_THUNK = 10;
inline constexpr std::size_t I386_THUNK_SIZE = 9;
inline constexpr std::size_t I386_THUNK_COUNT = 454;
static_assert(I386_FIRST_THUNK + I386_THUNK_COUNT * I386_THUNK_SIZE == THUNK_PAGE_SIZE);

// x86-64. Page: link to the previous page (8), header (pop r8; jmp [rip]; the 8-byte
// address of ThunkEntry), then 313 thunks of 13 bytes (call rel32 header; 8-byte slot).
// The address of ThunkEntry may lie farther than 2 GB from an mmap'd page, hence the
// indirect jump instead of a relative one.
inline constexpr std::size_t X64_HEADER_OFFSET = 8;
inline constexpr std::size_t X64_FIRST_THUNK = 24;
inline constexpr std::size_t X64_THUNK_SIZE = 13;
inline constexpr std::size_t X64_THUNK_COUNT = 313;
static_assert(X64_FIRST_THUNK + X64_THUNK_COUNT * X64_THUNK_SIZE <= THUNK_PAGE_SIZE);

// Each builder writes the whole page for `pageAddress`: the link word `previousPage`, the
// header jumping to `entryAddress`, and thunks 0 to count - 1 in increasing address, each
// slot linking to the free list as it was before it (thunk 0 to `freeList`). Returns the
// new head of the free list: the highest thunk of the page.
std::uint32_t BuildI386ThunkPage(unsigned char* page, std::uint32_t pageAddress,
                                 std::uint32_t previousPage, std::uint32_t entryAddress,
                                 std::uint32_t freeList);
std::uint64_t BuildX64ThunkPage(unsigned char* page, std::uint64_t pageAddress,
                                std::uint64_t previousPage, std::uint64_t entryAddress,
                                std::uint64_t freeList);
