#include "serial_port.h"

#include <cstring>

static_assert(sizeof(DCB) == 28, "the flag word sits at byte 8 of a 28-byte DCB");

SerialPort::~SerialPort()
{
    Close();
}

bool SerialPort::Open(const char* devicePath)
{
    // Share mode 0: a port that another program holds cannot be opened.
    handle = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    return handle != INVALID_HANDLE_VALUE;
}

void SerialPort::Close()
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

void SerialPort::SetLine(std::uint32_t flags, std::uint32_t baudRate, std::uint8_t byteSize,
                         std::uint8_t parity, std::uint8_t stopBits)
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    GetCommState(handle, &dcb);
    dcb.BaudRate = baudRate;
    // The whole flag word is replaced, so no handshake the driver had set survives.
    std::memcpy(reinterpret_cast<unsigned char*>(&dcb) + 2 * sizeof(DWORD), &flags, sizeof flags);
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    SetCommState(handle, &dcb);
}

void SerialPort::SetTimeouts(const COMMTIMEOUTS& timeouts)
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    COMMTIMEOUTS copy = timeouts;
    SetCommTimeouts(handle, &copy);
}

std::uint32_t SerialPort::Read(void* destination, std::uint32_t count)
{
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    ReadFile(handle, destination, count, &read, nullptr);
    return read;
}

std::uint32_t SerialPort::Write(const void* source, std::uint32_t count)
{
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    WriteFile(handle, source, count, &written, nullptr);
    return written;
}

void SerialPort::Purge(std::uint32_t flags)
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    PurgeComm(handle, flags);
}
