// The port list: HKLM "hardware\devicemap\serialcomm" built from a fixture port folder
// and a fixture tty class folder, or from an injected list, read through the registry
// calls with their documented length rules.
#include "winapi.h"
#include "posix/testing_ports.h"
#include "pty_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace testing_ports {

void PrintTo(const PortValue& v, std::ostream* os)
{
    *os << "{" << v.name << ", type " << v.type << ", " << v.data.size() << " bytes}";
}

}  // namespace testing_ports

namespace {

using testing_ports::PortValue;
using testing_ports::SzValue;

HKEY OpenSerialComm()
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", &key), ERROR_SUCCESS);
    return key;
}

// Every value of the key, read with buffers as large as RegQueryInfoKeyA says they must be.
std::vector<PortValue> ReadValues(HKEY key)
{
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                               &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    std::vector<PortValue> values;
    for (DWORD i = 0; i < count; ++i) {
        std::vector<char> name(longestName + 1);
        std::vector<BYTE> data(longestData + 1);
        DWORD nameLength = longestName + 1;
        DWORD dataLength = longestData;
        DWORD type = 0;
        EXPECT_EQ(RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength),
                  ERROR_SUCCESS);
        values.push_back({std::string(name.data(), nameLength), type,
                          std::vector<BYTE>(data.begin(), data.begin() + dataLength)});
    }
    char name[8];
    DWORD nameLength = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, count, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    return values;
}

class PortListTest : public ::testing::Test {
protected:
    TempDir portFolder;
    TempDir ttyClass;
    Pty live;
    Pty other;

    void SetUp() override
    {
        testing_ports::SetPortFolder(portFolder.path.string());
        testing_ports::SetTtyClassFolder(ttyClass.path.string());
        testing_ports::SetDeviceFolder((portFolder / "no-dev"));
    }
    void TearDown() override { testing_ports::ResetPortSources(); }

    void Link(const std::string& name, const std::string& target)
    {
        std::filesystem::create_symlink(target, portFolder / name);
    }
    // A kernel tty entry: with device/ when hardware backs it, with a type file for ttyS.
    void Tty(const std::string& name, bool device, const char* type = nullptr)
    {
        std::filesystem::create_directories(ttyClass / name);
        if (device) {
            std::filesystem::create_directories(ttyClass / (name + "/device"));
        }
        if (type != nullptr) {
            std::ofstream(ttyClass / (name + "/type")) << type << "\n";
        }
    }
};

TEST_F(PortListTest, ListsLiveTtyLinksAndPortsWithHardware)
{
    Link("COM7", live.slavePath);
    Link("DANGLE", portFolder / "gone");
    Link("COMLONG99", other.slavePath);  // 9 characters: longer than a port name may be
    std::ofstream(portFolder / "notes.txt") << "x";
    Link("FILE", portFolder / "notes.txt");
    Link("NULLDEV", "/dev/null");
    Link("ttyACM0", other.slavePath);  // takes the kernel name over
    Tty("ttyS0", true, "4");
    Tty("ttyS1", true, "0");  // no UART behind it
    Tty("ttyS2", false, "4");
    Tty("ttyUSB0", true);
    Tty("ttyUSB10", true);  // 8 characters
    Tty("ttyACM0", true);
    Tty("tty5", true);
    Tty("console", true);

    const std::vector<PortValue> expected = {
        SzValue("\\Device\\Link\\COM7", "COM7"),
        SzValue("\\Device\\Link\\ttyACM0", "ttyACM0"),
        SzValue("\\Device\\ttyS0", "ttyS0"),
        SzValue("\\Device\\ttyUSB0", "ttyUSB0"),
    };
    HKEY key = OpenSerialComm();
    EXPECT_EQ(ReadValues(key), expected);

    DWORD subKeys = 9, values = 9, longestName = 9, longestData = 9, security = 9, classLength = 9;
    char className[4] = "xyz";
    FILETIME written{1, 1};
    EXPECT_EQ(RegQueryInfoKeyA(key, className, &classLength, nullptr, &subKeys, nullptr, nullptr, &values,
                               &longestName, &longestData, &security, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 4u);
    EXPECT_EQ(longestName, std::string("\\Device\\Link\\ttyACM0").size());
    EXPECT_EQ(longestData, 8u);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(classLength, 0u);
    EXPECT_EQ(className[0], '\0');
    EXPECT_EQ(security, 0u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    // What the list offers opens.
    HANDLE port = CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
    CloseHandle(port);
}

TEST_F(PortListTest, AnOpenKeyKeepsItsSnapshot)
{
    Link("COM7", live.slavePath);
    HKEY before = OpenSerialComm();
    Link("COM8", other.slavePath);
    std::filesystem::remove(portFolder / "COM7");
    HKEY after = OpenSerialComm();
    EXPECT_EQ(ReadValues(before), std::vector<PortValue>{SzValue("\\Device\\Link\\COM7", "COM7")});
    EXPECT_EQ(ReadValues(after), std::vector<PortValue>{SzValue("\\Device\\Link\\COM8", "COM8")});
    EXPECT_EQ(RegCloseKey(before), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(after), ERROR_SUCCESS);
}

TEST_F(PortListTest, EnumValueFollowsTheDocumentedLengthRules)
{
    testing_ports::SetPortList({SzValue("\\Device\\Serial0", "COM3")});
    HKEY key = OpenSerialComm();
    const std::string device = "\\Device\\Serial0";
    char name[64];
    BYTE data[16];
    DWORD type = 0;

    // The name length in counts the NUL; out it does not.
    DWORD nameLength = static_cast<DWORD>(device.size());
    DWORD dataLength = sizeof data;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataLength), ERROR_MORE_DATA);

    nameLength = static_cast<DWORD>(device.size() + 1);
    dataLength = 0;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, nullptr, &dataLength), ERROR_SUCCESS);
    EXPECT_EQ(nameLength, device.size());
    EXPECT_EQ(std::string(name), device);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(dataLength, 5u);  // asked for the length only: "COM3" and its NUL

    nameLength = sizeof name;
    dataLength = 4;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataLength), ERROR_MORE_DATA);
    EXPECT_EQ(dataLength, 5u);

    nameLength = sizeof name;
    dataLength = 8;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataLength), ERROR_SUCCESS);
    EXPECT_EQ(dataLength, 5u);
    EXPECT_EQ(std::memcmp(data, "COM3", 5), 0);

    nameLength = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 1, name, &nameLength, nullptr, &type, data, &dataLength), ERROR_NO_MORE_ITEMS);
    DWORD reserved = 0;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, &reserved, &type, data, &dataLength),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueA(key, 0, nullptr, &nameLength, nullptr, &type, data, &dataLength),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PortListTest, AnInjectedListIsEnumeratedExactly)
{
    const std::vector<PortValue> odd = {
        SzValue("\\Device\\Serial0", "COM1"),
        {"\\Device\\Number", REG_DWORD, {3, 0, 0, 0}},
        {"\\Device\\Empty", REG_SZ, {}},
        {"\\Device\\NoNul", REG_SZ, {'C', 'O', 'M', '5'}},
        SzValue("\\Device\\Long", "COM1234567890123456789012345678901234567"),
        SzValue(std::string(300, 'N'), "COM9"),
        SzValue("\\Device\\Serial0", "COM1"),  // duplicates are the reader's business
    };
    testing_ports::SetPortList(odd);
    // The real sources are not read while a list is injected.
    Link("COM7", live.slavePath);
    HKEY key = OpenSerialComm();
    EXPECT_EQ(ReadValues(key), odd);
    DWORD longestName = 0;
    DWORD longestData = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                               &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(longestName, 300u);
    EXPECT_EQ(longestData, 41u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    testing_ports::ResetPortSources();
    testing_ports::SetPortFolder(portFolder.path.string());
    testing_ports::SetTtyClassFolder(ttyClass.path.string());
    EXPECT_EQ(testing_ports::CurrentPortList(), std::vector<PortValue>{SzValue("\\Device\\Link\\COM7", "COM7")});
}

TEST_F(PortListTest, OtherKeysAndBadHandlesFail)
{
    const struct {
        HKEY root;
        const char* subKey;
        LONG result;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "HARDWARE\\DeviceMap\\SERIALCOMM", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "hardware\\devicemap", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm\\x", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, "hardware/devicemap/serialcomm", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, "software", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, "hardware\\devicemap\\serialcomm", ERROR_FILE_NOT_FOUND},
        {reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234)), "hardware\\devicemap\\serialcomm",
         ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subKey);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyA(c.root, c.subKey, &key), c.result);
        if (c.result == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
    }
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", nullptr), ERROR_INVALID_PARAMETER);

    HKEY key = OpenSerialComm();
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    char name[8];
    DWORD nameLength = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_INVALID_HANDLE);
}

}  // namespace
