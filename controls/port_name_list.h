// PortNameList: the serial ports Windows lists in the registry (the key
// hardware\devicemap\serialcomm of HKEY_LOCAL_MACHINE), read once when the list is built,
// kept sorted by `ComparePortNames` (shorter names first, so COM2 comes before COM10) and
// without duplicates. The port combo box owns one and shows its names in order. Only names
// the tool can open and read back from the combo box are kept: 1 to 7 characters, no
// control characters, no path separators.
#pragma once

#include <cstddef>
#include <cstdint>

// Shorter names first (the result is the length difference); names of equal length by
// their first differing byte, as unsigned bytes. 0 means equal.
int ComparePortNames(const char* a, const char* b);

// The port name a registry value holds, or false when the value cannot name a port: data
// that is not REG_SZ, empty, longer than 7 characters, or with a control character, "\"
// or "/". The text ends at the first zero byte or at the end of the data, whichever comes
// first, so data stored without its terminator still counts.
bool PortNameFromValue(std::uint32_t type, const unsigned char* data, std::uint32_t dataLength,
                       char (&name)[8]);

class PortNameList {
public:
    static constexpr std::size_t INITIAL_CAPACITY = 10;
    static constexpr std::size_t CAPACITY_STEP = 5;
    static constexpr std::size_t MAX_NAMES = 16380;
    static constexpr std::size_t MAX_NAME_LENGTH = 7;

    struct Empty {};
    static constexpr Empty EMPTY{};

    // Reads the registry's port list (`ReadPortNames`); a missing key leaves it empty.
    PortNameList();
    // Starts empty without looking at the registry.
    explicit PortNameList(Empty);
    ~PortNameList();
    PortNameList(const PortNameList&) = delete;
    PortNameList& operator=(const PortNameList&) = delete;

    // Sorted insertion of a copy of `name`. False, and no change, for a name already held,
    // one that is empty or longer than 7 characters, or when the list is at MAX_NAMES (or
    // cannot grow).
    bool Insert(const char* name);

    std::size_t Count() const { return count; }
    std::size_t Capacity() const { return capacity; }
    // The name at `index` in list order; null past the end.
    const char* Name(std::size_t index) const;

private:
    struct Entry {
        char text[MAX_NAME_LENGTH + 1];
    };

    void ReadPortNames();
    bool Grow();

    Entry* entries = nullptr;
    std::size_t count = 0;
    std::size_t capacity = 0;
};
