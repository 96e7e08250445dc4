// Where serial ports come from on POSIX, and the fixtures tests put in their place.
//
// A Windows port name (COM7) is a link in the per-user port folder ($MEQ_PORT_DIR, else
// $HOME/.meq-config/ports), made by a user or by meq-sim: COM7 -> /dev/pts/3. A name
// that is no link there is a kernel device name in /dev (ttyS0, ttyUSB0, ttyACM0).
#include "ports.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <utility>

namespace winapi_posix {
namespace {

struct Sources {
    std::optional<std::string> portFolder;
    std::optional<std::string> deviceFolder;
    std::optional<std::string> ttyClassFolder;
    std::optional<std::vector<testing_ports::PortValue>> fixedList;
    bool keyMissing = false;
};

std::mutex sourcesMutex;
Sources& TheSources()
{
    static Sources sources;
    return sources;
}

// The tool reads at most 7 characters of a port name (COM1 to COM9999), so a longer
// name is not listed; such a port gets a short link name in the port folder instead.
constexpr std::size_t MAX_LISTED_NAME = 7;

std::string PortFolder()
{
    {
        std::lock_guard lock(sourcesMutex);
        if (TheSources().portFolder) {
            return *TheSources().portFolder;
        }
    }
    if (const char* dir = std::getenv("MEQ_PORT_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.meq-config/ports";
    }
    return {};
}

std::string DeviceFolder()
{
    std::lock_guard lock(sourcesMutex);
    return TheSources().deviceFolder.value_or("/dev");
}

std::string TtyClassFolder()
{
    std::lock_guard lock(sourcesMutex);
    return TheSources().ttyClassFolder.value_or("/sys/class/tty");
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// Entry names of a folder, sorted so that every listing and every lookup is repeatable.
std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (folder.empty()) {
        return names;
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (IsAcceptablePortName(name)) {
            names.push_back(std::move(name));
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool IsTty(const std::string& path)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    // Majors that are ttys without asking: pseudo-terminal slaves, ttyS, ttyUSB, ttyACM.
    const unsigned int devMajor = major(st.st_rdev);
    if ((devMajor >= 136 && devMajor <= 143) || devMajor == 4 || devMajor == 188 || devMajor == 166) {
        return true;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A tty held exclusively by its user refuses other opens with EBUSY.
        return errno == EBUSY;
    }
    const bool tty = isatty(fd) != 0;
    close(fd);
    return tty;
}

bool Exists(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// A ttyS port is listed only when a UART answers at it: the kernel makes ttyS0..ttyS31
// whether or not the hardware exists, and marks the absent ones type 0 (unknown).
bool HasUart(const std::string& entryPath)
{
    std::ifstream typeFile(entryPath + "/type");
    long type = 0;
    return (typeFile >> type) && type != 0;
}

}  // namespace

bool IsAcceptablePortName(const std::string& name)
{
    if (name.empty() || name.size() > 255 || name.front() == '.' || name.find("..") != std::string::npos) {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || u < 0x20 || u == 0x7F;
    });
}

std::string ResolvePortPath(const std::string& name)
{
    // Windows port names ignore case (com7 opens COM7); an exact link name wins over a
    // link that differs only in case. Kernel device names in /dev are taken as given.
    const std::string folder = PortFolder();
    if (!folder.empty()) {
        const std::string exact = folder + "/" + name;
        struct stat st{};
        if (lstat(exact.c_str(), &st) == 0) {
            return exact;
        }
        for (const std::string& entry : FolderEntries(folder)) {
            if (SameIgnoringCase(entry, name)) {
                return folder + "/" + entry;
            }
        }
    }
    return DeviceFolder() + "/" + name;
}

std::vector<testing_ports::PortValue> SnapshotPortList()
{
    {
        std::lock_guard lock(sourcesMutex);
        if (TheSources().fixedList) {
            return *TheSources().fixedList;
        }
    }
    std::vector<testing_ports::PortValue> values;
    std::vector<std::string> linkNames;

    const std::string folder = PortFolder();
    for (const std::string& name : FolderEntries(folder)) {
        if (name.size() <= MAX_LISTED_NAME && IsTty(folder + "/" + name)) {
            values.push_back(testing_ports::SzValue("\\Device\\Link\\" + name, name));
            linkNames.push_back(name);
        }
    }

    const std::string ttyClass = TtyClassFolder();
    for (const std::string& name : FolderEntries(ttyClass)) {
        const std::string entry = ttyClass + "/" + name;
        const bool usb = StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM");
        const bool uart = StartsWith(name, "ttyS");
        if (name.size() > MAX_LISTED_NAME || !(usb || uart) || !Exists(entry + "/device") ||
            (uart && !HasUart(entry))) {
            continue;
        }
        // A link of the same name takes the name over (it is what CreateFileA opens).
        if (std::any_of(linkNames.begin(), linkNames.end(),
                        [&](const std::string& link) { return SameIgnoringCase(link, name); })) {
            continue;
        }
        values.push_back(testing_ports::SzValue("\\Device\\" + name, name));
    }
    return values;
}

}  // namespace winapi_posix

namespace winapi_posix {

bool SerialCommKeyMissing()
{
    std::lock_guard lock(sourcesMutex);
    return TheSources().keyMissing;
}

}  // namespace winapi_posix

namespace testing_ports {

PortValue SzValue(const std::string& name, const std::string& text)
{
    PortValue value;
    value.name = name;
    value.type = REG_SZ;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

void SetPortFolder(const std::string& folder)
{
    std::lock_guard lock(winapi_posix::sourcesMutex);
    winapi_posix::TheSources().portFolder = folder;
}

void SetDeviceFolder(const std::string& folder)
{
    std::lock_guard lock(winapi_posix::sourcesMutex);
    winapi_posix::TheSources().deviceFolder = folder;
}

void SetTtyClassFolder(const std::string& folder)
{
    std::lock_guard lock(winapi_posix::sourcesMutex);
    winapi_posix::TheSources().ttyClassFolder = folder;
}

void SetPortList(std::vector<PortValue> values)
{
    std::lock_guard lock(winapi_posix::sourcesMutex);
    winapi_posix::TheSources().fixedList = std::move(values);
}

void SetSerialCommKeyMissing(bool missing)
{
    std::lock_guard lock(winapi_posix::sourcesMutex);
    winapi_posix::TheSources().keyMissing = missing;
}

void ResetPortSources()
{
    std::lock_guard lock(winapi_posix::sourcesMutex);
    winapi_posix::TheSources() = winapi_posix::Sources{};
}

std::vector<PortValue> CurrentPortList()
{
    return winapi_posix::SnapshotPortList();
}

}  // namespace testing_ports
