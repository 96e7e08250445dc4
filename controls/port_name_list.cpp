#include "port_name_list.h"

#include "winapi.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr char SERIAL_PORT_KEY[] = "hardware\\devicemap\\serialcomm";
constexpr DWORD VALUE_NAME_CHARS = 64;
constexpr DWORD VALUE_DATA_BYTES = 8;

}  // namespace

int ComparePortNames(const char* a, const char* b) {
    const std::size_t lengthA = std::strlen(a);
    const std::size_t lengthB = std::strlen(b);
    if (lengthA != lengthB) {
        if (lengthA > lengthB) {
            const std::size_t difference = lengthA - lengthB;
            return difference > INT_MAX ? INT_MAX : static_cast<int>(difference);
        }
        const std::size_t difference = lengthB - lengthA;
        return difference > INT_MAX ? -INT_MAX : -static_cast<int>(difference);
    }
    for (std::size_t i = 0; i < lengthA; ++i) {
        const auto byteA = static_cast<unsigned char>(a[i]);
        const auto byteB = static_cast<unsigned char>(b[i]);
        if (byteA != byteB) {
            return static_cast<int>(byteA) - static_cast<int>(byteB);
        }
    }
    return 0;
}

bool PortNameFromValue(std::uint32_t type, const unsigned char* data, std::uint32_t dataLength,
                       char (&name)[8]) {
    if (type != REG_SZ || data == nullptr) {
        return false;
    }
    std::size_t length = 0;
    while (length < dataLength && data[length] != 0) {
        const unsigned char c = data[length];
        // Such a name could not be opened as "\\.\NAME".
        if (c < 0x20 || c == 0x7F || c == '\\' || c == '/') {
            return false;
        }
        if (length == PortNameList::MAX_NAME_LENGTH) {
            return false;  // the combo box gives back at most 7 characters
        }
        name[length] = static_cast<char>(c);
        ++length;
    }
    name[length] = '\0';
    return length != 0;
}

PortNameList::PortNameList(Empty) {
    entries = new (std::nothrow) Entry[INITIAL_CAPACITY];
    capacity = entries != nullptr ? INITIAL_CAPACITY : 0;
}

PortNameList::PortNameList() : PortNameList(EMPTY) { ReadPortNames(); }

PortNameList::~PortNameList() { delete[] entries; }

const char* PortNameList::Name(std::size_t index) const {
    return index < count ? entries[index].text : nullptr;
}

bool PortNameList::Grow() {
    if (capacity >= MAX_NAMES) {
        return false;
    }
    const std::size_t grown = capacity == 0 ? INITIAL_CAPACITY : capacity + CAPACITY_STEP;
    Entry* larger = new (std::nothrow) Entry[grown];
    if (larger == nullptr) {
        return false;
    }
    if (count != 0) {
        std::memcpy(larger, entries, count * sizeof(Entry));
    }
    delete[] entries;
    entries = larger;
    capacity = grown;
    return true;
}

bool PortNameList::Insert(const char* name) {
    if (name == nullptr) {
        return false;
    }
    std::size_t length = 0;
    while (length <= MAX_NAME_LENGTH && name[length] != '\0') {
        ++length;
    }
    if (length == 0 || length > MAX_NAME_LENGTH) {
        return false;
    }
    // Bisect for the first name that does not sort before `name`.
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const int order = ComparePortNames(entries[middle].text, name);
        if (order == 0) {
            return false;
        }
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (count == capacity && !Grow()) {
        return false;
    }
    std::memmove(entries + low + 1, entries + low, (count - low) * sizeof(Entry));
    std::memcpy(entries[low].text, name, length + 1);
    ++count;
    return true;
}

void PortNameList::ReadPortNames() {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, SERIAL_PORT_KEY, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD valueCount = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        valueCount = 0;
    }
    for (DWORD index = 0; index < valueCount; ++index) {
        char valueName[VALUE_NAME_CHARS];
        BYTE data[VALUE_DATA_BYTES];
        // Both lengths are in and out parameters: reset before every call.
        DWORD valueNameLength = VALUE_NAME_CHARS;
        DWORD dataLength = VALUE_DATA_BYTES;
        DWORD type = REG_NONE;
        // A value that does not fit (a longer name, or data past 8 bytes, which would be a
        // cut-off port name) or cannot be read is passed over; the rest still count.
        if (RegEnumValueA(key, index, valueName, &valueNameLength, nullptr, &type, data,
                          &dataLength) != ERROR_SUCCESS) {
            continue;
        }
        char portName[MAX_NAME_LENGTH + 1];
        if (PortNameFromValue(type, data, dataLength < VALUE_DATA_BYTES ? dataLength : VALUE_DATA_BYTES,
                              portName)) {
            Insert(portName);
        }
    }
    RegCloseKey(key);
}
