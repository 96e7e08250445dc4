// The port list's order, uniqueness, capacity and ownership, which registry values can
// name a port, and the list read from the registry. Every list here starts empty or reads
// a fixed set of values, so the machine's own ports never show up.
#include "port_name_list.h"

#include "posix/testing_ports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const PortNameList& list) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        names.emplace_back(list.Name(i));
    }
    return names;
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(ComparePortNames, ShorterFirstThenUnsignedBytes) {
    const struct {
        const char* a;
        const char* b;
        int result;
    } cases[] = {
        {"COM1", "COM10", -1},
        {"COM10", "COM1", 1},
        {"COM2", "COM1000", -3},
        {"COM10", "COM12", '0' - '2'},
        {"COM3", "COM3", 0},
        {"", "", 0},
        {"", "A", -1},
        // Bytes above 0x7F sort after ASCII, whatever the sign of char.
        {"\x80", "A", 0x80 - 'A'},
        {"A", "\xFF", 'A' - 0xFF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComparePortNames(c.a, c.b), c.result) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(ComparePortNames(c.b, c.a)), -Sign(c.result)) << c.b << " vs " << c.a;
    }
}

TEST(PortNameList, AnyInsertionOrderGivesShorterNamesFirst) {
    std::vector<std::string> order = {"COM1", "COM10", "COM2", "COM3"};
    do {
        PortNameList list{PortNameList::EMPTY};
        for (const auto& name : order) {
            EXPECT_TRUE(list.Insert(name.c_str()));
        }
        EXPECT_EQ(Names(list), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10"}));
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(PortNameList, EqualLengthNamesCompareByBytes) {
    PortNameList list{PortNameList::EMPTY};
    list.Insert("COM12");
    list.Insert("COM10");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM10", "COM12"}));
}

TEST(PortNameList, KeepsOneCopyOfADuplicate) {
    PortNameList list{PortNameList::EMPTY};
    EXPECT_TRUE(list.Insert("COM3"));
    EXPECT_FALSE(list.Insert("COM3"));
    EXPECT_TRUE(list.Insert("COM4"));
    EXPECT_FALSE(list.Insert("COM4"));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM3", "COM4"}));
}

TEST(PortNameList, RefusesNamesTheComboBoxCouldNotGiveBack) {
    PortNameList list{PortNameList::EMPTY};
    EXPECT_FALSE(list.Insert(nullptr));
    EXPECT_FALSE(list.Insert(""));
    EXPECT_FALSE(list.Insert("COM12345"));
    EXPECT_TRUE(list.Insert("COM1234"));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM1234"}));
    EXPECT_EQ(list.Name(1), nullptr);
}

TEST(PortNameList, OwnsCopiesOfItsNames) {
    PortNameList list{PortNameList::EMPTY};
    char buffer[8];
    for (int n = 9; n >= 1; --n) {
        std::snprintf(buffer, sizeof buffer, "COM%d", n);
        list.Insert(buffer);
    }
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_STREQ(list.Name(0), "COM1");
    EXPECT_STREQ(list.Name(8), "COM9");
}

// Names that all sort first make every insertion move the whole list.
TEST(PortNameList, GrowsByFiveFromTenUpToItsLimit) {
    PortNameList list{PortNameList::EMPTY};
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Capacity(), PortNameList::INITIAL_CAPACITY);
    char name[8];
    for (int n = 0; n < 16380; ++n) {
        std::snprintf(name, sizeof name, "P%05d", 16379 - n);
        ASSERT_TRUE(list.Insert(name)) << name;
        const std::size_t count = list.Count();
        const std::size_t expected = count <= 10 ? 10 : 10 + (count - 10 + 4) / 5 * 5;
        ASSERT_EQ(list.Capacity(), expected) << count;
    }
    EXPECT_EQ(list.Count(), PortNameList::MAX_NAMES);
    EXPECT_EQ(list.Capacity(), PortNameList::MAX_NAMES);
    // Full: new names are refused, the list is unchanged and still sorted.
    EXPECT_FALSE(list.Insert("COM1"));
    EXPECT_FALSE(list.Insert("P99999"));
    EXPECT_FALSE(list.Insert("P00000"));
    EXPECT_EQ(list.Count(), PortNameList::MAX_NAMES);
    EXPECT_STREQ(list.Name(0), "P00000");
    EXPECT_STREQ(list.Name(16379), "P16379");
    for (std::size_t i = 1; i < list.Count(); ++i) {
        ASSERT_LT(ComparePortNames(list.Name(i - 1), list.Name(i)), 0) << i;
    }
}

struct ValueCase {
    const char* what;
    std::uint32_t type;
    std::string data;
    const char* name;  // null: not a port
};

TEST(PortNameFromValue, TakesOnlyTextThatNamesAnOpenablePort) {
    using namespace std::string_literals;
    const ValueCase cases[] = {
        {"terminated", REG_SZ, "COM3\0"s, "COM3"},
        {"no terminator", REG_SZ, "COM3"s, "COM3"},
        {"seven characters", REG_SZ, "COM1234\0"s, "COM1234"},
        {"seven, no terminator", REG_SZ, "COM1234"s, "COM1234"},
        {"text ends at the zero byte", REG_SZ, "COM3\0xyz"s, "COM3"},
        {"eight characters", REG_SZ, "COM12345"s, nullptr},
        {"empty data", REG_SZ, ""s, nullptr},
        {"empty text", REG_SZ, "\0"s, nullptr},
        {"control character", REG_SZ, "COM\x01\0"s, nullptr},
        {"delete", REG_SZ, "COM\x7F\0"s, nullptr},
        {"backslash", REG_SZ, "..\\C\0"s, nullptr},
        {"slash", REG_SZ, "a/b\0"s, nullptr},
        {"dword", REG_DWORD, "COM\0"s, nullptr},
        {"binary", REG_BINARY, "COM3\0"s, nullptr},
        {"expandable", REG_EXPAND_SZ, "COM3\0"s, nullptr},
        {"multi", REG_MULTI_SZ, "COM3\0\0"s, nullptr},
        {"none", REG_NONE, "COM3\0"s, nullptr},
    };
    for (const auto& c : cases) {
        char name[8];
        std::memset(name, '#', sizeof name);
        const bool taken =
            PortNameFromValue(c.type, reinterpret_cast<const unsigned char*>(c.data.data()),
                              static_cast<std::uint32_t>(c.data.size()), name);
        EXPECT_EQ(taken, c.name != nullptr) << c.what;
        if (taken && c.name != nullptr) {
            EXPECT_STREQ(name, c.name) << c.what;
        }
    }
    char name[8];
    EXPECT_FALSE(PortNameFromValue(REG_SZ, nullptr, 4, name));
}

// The registry as the stand-in hands it out: the key holds exactly the values a test gives.
class RegistryPortList : public ::testing::Test {
protected:
    void SetUp() override { testing_ports::SetPortList({}); }
    void TearDown() override { testing_ports::ResetPortSources(); }

    static std::vector<std::string> Read(std::vector<testing_ports::PortValue> values) {
        testing_ports::SetPortList(std::move(values));
        const PortNameList list;
        return Names(list);
    }

    static testing_ports::PortValue Raw(const std::string& name, DWORD type, const std::string& data) {
        return {name, type, std::vector<BYTE>(data.begin(), data.end())};
    }
};

TEST_F(RegistryPortList, AnyValueOrderGivesShorterNamesFirst) {
    using testing_ports::SzValue;
    std::vector<testing_ports::PortValue> values = {
        SzValue("\\Device\\Serial0", "COM1"), SzValue("\\Device\\Serial1", "COM10"),
        SzValue("\\Device\\Serial2", "COM2"), SzValue("\\Device\\Serial3", "COM3")};
    std::vector<int> order = {0, 1, 2, 3};
    do {
        std::vector<testing_ports::PortValue> shuffled;
        for (int k : order) {
            shuffled.push_back(values[static_cast<std::size_t>(k)]);
        }
        EXPECT_EQ(Read(shuffled), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10"}));
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(RegistryPortList, EqualLengthNamesAndDuplicates) {
    using testing_ports::SzValue;
    EXPECT_EQ(Read({SzValue("Serial0", "COM12"), SzValue("Serial1", "COM10")}),
              (std::vector<std::string>{"COM10", "COM12"}));
    EXPECT_EQ(Read({SzValue("Serial0", "COM3"), SzValue("VCP0", "COM3")}),
              (std::vector<std::string>{"COM3"}));
}

TEST_F(RegistryPortList, AKeyWithoutValuesGivesAnEmptyList) {
    EXPECT_TRUE(Read({}).empty());
}

TEST_F(RegistryPortList, NoKeyGivesAnEmptyList) {
    testing_ports::SetSerialCommKeyMissing(true);
    EXPECT_TRUE(Read({testing_ports::SzValue("Serial0", "COM1")}).empty());
}

// Values that cannot name a port are passed over; the values after them still count.
TEST_F(RegistryPortList, SkipsValuesThatCannotNameAPort) {
    using namespace std::string_literals;
    using testing_ports::SzValue;
    const std::vector<testing_ports::PortValue> values = {
        Raw("NotText", REG_DWORD, "\x05\0\0\0"s),
        SzValue("Serial0", "COM1"),
        Raw("Empty", REG_SZ, ""s),
        Raw("OnlyTerminator", REG_SZ, "\0"s),
        Raw("Unterminated", REG_SZ, "COM4"s),
        Raw("EightBytes", REG_SZ, "COM1234\0"s),
        Raw("EightCharacters", REG_SZ, "COM12345"s),
        Raw("NineBytes", REG_SZ, "COM12345\0"s),
        SzValue(std::string(63, 'n'), "COM5"),
        SzValue(std::string(64, 'n'), "COM6"),
        SzValue(std::string(200, 'n'), "COM7"),
        Raw("Binary", REG_BINARY, "COM8\0"s),
        Raw("Multi", REG_MULTI_SZ, "COM9\0\0"s),
        SzValue("Serial9", "COM2"),
    };
    EXPECT_EQ(Read(values), (std::vector<std::string>{"COM1", "COM2", "COM4", "COM5", "COM1234"}));
}

TEST_F(RegistryPortList, ReadsOnceWhenBuilt) {
    testing_ports::SetPortList({testing_ports::SzValue("Serial0", "COM1")});
    const PortNameList list;
    testing_ports::SetPortList({testing_ports::SzValue("Serial0", "COM2")});
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM1"}));
}

}  // namespace
