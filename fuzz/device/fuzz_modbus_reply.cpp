// Arbitrary reply bytes through the master's real read path: a pseudo-terminal opened by
// name through the stand-in, the bytes queued on the device side before each transaction.
// Every outcome must be one row of the master's failure table.
#include "modbus_rtu_master.h"
#include "posix/testing_kernel.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

std::uint16_t Crc(const std::uint8_t* bytes, std::size_t length)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

struct Line {
    int device = -1;  // the pty master: the transmitter's end
    int keep = -1;    // a slave fd of our own, to flush the queue between cases
    ModbusRtuMaster master;

    Line()
    {
        char name[128];
        if (openpty(&device, &keep, name, nullptr, nullptr) != 0)
            std::abort();
        termios raw{};
        tcgetattr(keep, &raw);
        cfmakeraw(&raw);
        tcsetattr(keep, TCSANOW, &raw);
        fcntl(device, F_SETFL, fcntl(device, F_GETFL) | O_NONBLOCK);
        char folder[] = "/tmp/meq-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr)
            std::abort();
        const std::string link = std::string(folder) + "/FUZZ1";
        if (symlink(name, link.c_str()) != 0)
            std::abort();
        setenv("MEQ_PORT_DIR", folder, 1);
        if (!master.Open("\\\\.\\FUZZ1"))
            std::abort();
        master.Configure(19200, EVENPARITY);
        // Short replies end at once instead of after the read timeout.
        testing_kernel::SetCommTimeoutScale(0.0);
    }
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Line line;
    if (size < 1)
        return 0;
    const std::uint8_t op = data[0] % 3;
    const std::uint16_t count = static_cast<std::uint16_t>(data[0] / 3 % 12 + 1);
    const std::uint8_t* reply = data + 1;
    std::size_t length = size - 1;
    if (length > 1024)
        length = 1024;

    tcflush(line.keep, TCIOFLUSH);
    if (length > 0 && write(line.device, reply, length) != static_cast<ssize_t>(length))
        return 0;

    std::uint16_t words[12];
    std::memset(words, 0xA5, sizeof words);
    std::uint32_t expected = 8;
    bool ok = false;
    switch (op) {
    case 0:
        ok = line.master.ReadInputRegisters(1, 16, count, words);
        expected = 2u * count + 5;
        break;
    case 1:
        ok = line.master.ReadHoldingRegisters(1, 256, count, words);
        expected = 2u * count + 5;
        break;
    default:
        ok = line.master.WriteSingleRegister(1, 272, 0x1234);
        break;
    }

    const bool exception = length >= 5 && (reply[1] & 0x80) != 0;
    const std::size_t replyLength = exception ? 5 : expected;
    const bool badCrc = length >= replyLength && Crc(reply, replyLength) != 0;

    // The request went out whole, with its CRC. On a pseudo-terminal it waits unread in
    // the output queue, so the purge after a bad CRC may take it away.
    std::uint8_t request[16];
    const ssize_t sent = read(line.device, request, sizeof request);
    Check((sent == 8 && Crc(request, 8) == 0) || (badCrc && sent <= 0));
    if (ok) {
        Check(!exception && length >= expected && Crc(reply, expected) == 0);
        if (op != 2)
            for (std::uint16_t i = 0; i < count; ++i)
                Check(words[i] == (reply[3 + 2 * i] << 8 | reply[4 + 2 * i]));
    } else {
        if (exception && Crc(reply, 5) == 0)
            Check(line.master.LastException() == reply[2]);
        else
            Check(line.master.LastException() == 0);
        Check(words[0] == 0xA5A5);
    }
    return 0;
}
