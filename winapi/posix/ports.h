// Internal to the stand-in: where serial ports come from. A port name resolves first in
// the per-user folder of named links, then in the device folder; the port list of the
// registry is built from the same places.
#pragma once

#include "testing_ports.h"

#include <string>
#include <vector>

namespace winapi_posix {

// Names a port may have: no path tricks, nothing hidden.
bool IsAcceptablePortName(const std::string& name);

// The path to open for a port name; empty when no folder can hold it.
std::string ResolvePortPath(const std::string& name);

// True while a test has taken the serialcomm key away (no serial port ever installed).
bool SerialCommKeyMissing();

// The values of HKLM\hardware\devicemap\serialcomm at this moment.
std::vector<testing_ports::PortValue> SnapshotPortList();

}  // namespace winapi_posix
