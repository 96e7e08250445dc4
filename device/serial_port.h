// SerialPort: the one Win32 file handle through which the tool talks to a COM device.
// It opens the device exclusively for synchronous I/O, sets the line and the timeouts,
// moves bytes and clears the driver's queues. It knows nothing of Modbus. Every call is
// safe on a closed port: it does nothing or reports 0 bytes moved.
#pragma once

#include "winapi.h"

#include <cstdint>

class SerialPort {
public:
    SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    virtual ~SerialPort();

    // devicePath is "\\.\" followed by the port name. Called only on a closed port.
    bool Open(const char* devicePath);
    void Close();
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

    void SetLine(std::uint32_t flags, std::uint32_t baudRate, std::uint8_t byteSize,
                 std::uint8_t parity, std::uint8_t stopBits);
    void SetTimeouts(const COMMTIMEOUTS& timeouts);
    std::uint32_t Read(void* destination, std::uint32_t count);
    std::uint32_t Write(const void* source, std::uint32_t count);
    void Purge(std::uint32_t flags);

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};
