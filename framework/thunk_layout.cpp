#include "thunk_layout.h"

#include <cstring>

namespace {

void Put32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

void Put64(unsigned char* at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// The rel32 of a call or jump at `from` whose instruction is `length` bytes long. The
// arithmetic wraps in 32 bits, as the processor's does.
std::uint32_t Relative32(std::uint64_t target, std::uint64_t from, std::uint64_t length)
{
    return static_cast<std::uint32_t>(target - (from + length));
}

}  // namespace

std::uint32_t BuildI386ThunkPage(unsigned char* page, std::uint32_t pageAddress,
                                 std::uint32_t previousPage, std::uint32_t entryAddress,
                                 std::uint32_t freeList)
{
    Put32(page, previousPage);
    unsigned char* header = page + I386_HEADER_OFFSET;
    header[0] = 0x59;  // pop ecx: the slot address that the thunk's call pushed
    header[1] = 0xE9;  // jmp rel32: on to ThunkEntry, the stack as the system left it
    Put32(header + 2, Relative32(entryAddress, pageAddress + I386_HEADER_OFFSET + 1, 5));

    const std::uint32_t headerAddress = pageAddress + static_cast<std::uint32_t>(I386_HEADER_OFFSET);
    for (std::size_t k = 0; k < I386_THUNK_COUNT; ++k) {
        const std::size_t offset = I386_FIRST_THUNK + k * I386_THUNK_SIZE;
        const std::uint32_t address = pageAddress + static_cast<std::uint32_t>(offset);
        unsigned char* thunk = page + offset;
        thunk[0] = 0xE8;  // call rel32 header: pushes the address of the slot below
        Put32(thunk + 1, Relative32(headerAddress, address, 5));
        Put32(thunk + THUNK_SLOT_OFFSET, freeList);  // slot: next free thunk, or the object
        freeList = address;
    }
    return freeList;
}

std::uint64_t BuildX64ThunkPage(unsigned char* page, std::uint64_t pageAddress,
                                std::uint64_t previousPage, std::uint64_t entryAddress,
                                std::uint64_t freeList)
{
    // Unused tail bytes trap if anything ever jumps there.
    std::memset(page, 0xCC, THUNK_PAGE_SIZE);
    Put64(page, previousPage);
    unsigned char* header = page + X64_HEADER_OFFSET;
    header[0] = 0x41;  // pop r8: the slot address, as ThunkEntry's fifth argument
    header[1] = 0x58;
    header[2] = 0xFF;  // jmp [rip+0]: through the address word right after this jump;
    header[3] = 0x25;  // the return address on top of the stack is the system's again
    Put32(header + 4, 0);
    Put64(header + 8, entryAddress);  // ThunkEntry

    const std::uint64_t headerAddress = pageAddress + X64_HEADER_OFFSET;
    for (std::size_t k = 0; k < X64_THUNK_COUNT; ++k) {
        const std::size_t offset = X64_FIRST_THUNK + k * X64_THUNK_SIZE;
        const std::uint64_t address = pageAddress + offset;
        unsigned char* thunk = page + offset;
        thunk[0] = 0xE8;  // call rel32 header: pushes the address of the slot below
        Put32(thunk + 1, Relative32(headerAddress, address, 5));
        Put64(thunk + THUNK_SLOT_OFFSET, freeList);  // slot: next free thunk, or the object
        freeList = address;
    }
    return freeList;
}
