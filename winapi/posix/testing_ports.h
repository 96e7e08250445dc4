// For tests only: points the serial-port sources of the stand-in (the port folder, the
// device folder, the kernel's tty class folder) at fixtures, or replaces the port list
// that RegOpenKeyA("hardware\devicemap\serialcomm") snapshots with a fixed list of values.
// The system code never includes this header.
#pragma once

#include "winapi.h"

#include <string>
#include <vector>

namespace testing_ports {

// One value of the serialcomm key, exactly as RegEnumValueA will hand it out.
struct PortValue {
    std::string name;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;

    bool operator==(const PortValue&) const = default;
};

// A REG_SZ value whose data is the text and its NUL, as the real key holds ports.
PortValue SzValue(const std::string& name, const std::string& text);

// The folder of named links (COM7 -> /dev/pts/3); replaces $MEQ_PORT_DIR and
// $HOME/.meq-config/ports.
void SetPortFolder(const std::string& folder);
// Where a name that is not a link is opened (default /dev).
void SetDeviceFolder(const std::string& folder);
// Where the serial ports with hardware are found (default /sys/class/tty); an entry
// ttyS0/ with device/ and a type file, ttyUSB0/ with device/.
void SetTtyClassFolder(const std::string& folder);

// From now on the key holds exactly these values; the sources above are not read.
void SetPortList(std::vector<PortValue> values);

// The key itself is missing, as on a machine that never had a serial port.
void SetSerialCommKeyMissing(bool missing);

// Back to the real sources: environment, /dev, /sys/class/tty, no fixed list.
void ResetPortSources();

// What RegOpenKeyA would snapshot now.
std::vector<PortValue> CurrentPortList();

}  // namespace testing_ports
