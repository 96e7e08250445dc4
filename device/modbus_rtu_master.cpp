#include "modbus_rtu_master.h"

namespace {
constexpr std::uint8_t READ_HOLDING_REGISTERS = 0x03;
constexpr std::uint8_t READ_INPUT_REGISTERS = 0x04;
constexpr std::uint8_t WRITE_SINGLE_REGISTER = 0x06;
constexpr std::uint8_t EXCEPTION_BIT = 0x80;
constexpr std::uint32_t HEAD_LENGTH = 5;  // an exception reply, and the start of any reply
constexpr std::uint32_t ONLY_BINARY = 1;  // fBinary alone: no handshake, DTR and RTS off
}  // namespace

COMMTIMEOUTS ModbusRtuMaster::TimeoutsFor(std::uint32_t baudRate)
{
    COMMTIMEOUTS t{};
    if (baudRate == 0)
        return t;
    // About one character time per byte, plus room for the slave's turnaround.
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = 11000 / baudRate + 1;
    t.ReadTotalTimeoutConstant = 300000 / baudRate + 100;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 100;
    return t;
}

void ModbusRtuMaster::Configure(std::uint32_t baudRate, std::uint8_t parity)
{
    if (baudRate == 0)
        return;  // no such line; leave the port as it is
    port.SetLine(ONLY_BINARY, baudRate, 8, parity, ONESTOPBIT);
    port.SetTimeouts(TimeoutsFor(baudRate));
}

void ModbusRtuMaster::ComputeCrc(std::uint32_t length)
{
    crc = 0xFFFF;
    for (std::uint32_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ frame[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                             : static_cast<std::uint16_t>(crc >> 1);
    }
}

void ModbusRtuMaster::SendRequest(std::uint32_t length)
{
    ComputeCrc(length);
    frame[length] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
    port.Write(frame, length + 2);
}

// Reads until `wanted` bytes have come after `position` or a read returns nothing;
// returns how many are still missing.
std::uint32_t ModbusRtuMaster::ReadUpTo(std::uint32_t position, std::uint32_t wanted)
{
    while (wanted != 0) {
        std::uint32_t got = port.Read(frame + position, wanted);
        if (got == 0)
            break;
        if (got > wanted)
            got = wanted;  // a misbehaving driver must not push us past the frame
        position += got;
        wanted -= got;
    }
    return wanted;
}

bool ModbusRtuMaster::ReceiveResponse(std::uint32_t expected)
{
    if (ReadUpTo(0, HEAD_LENGTH) != 0) {
        lastException = 0;
        return false;
    }
    std::uint32_t received = HEAD_LENGTH;
    const bool exception = (frame[1] & EXCEPTION_BIT) != 0;
    if (!exception) {
        if (ReadUpTo(HEAD_LENGTH, expected - HEAD_LENGTH) != 0) {
            lastException = 0;
            return false;
        }
        received = expected;
    }
    ComputeCrc(received);
    if (crc != 0) {
        port.Purge(PURGE_BOTH);
        lastException = 0;
        return false;
    }
    if (exception) {
        lastException = frame[2];
        return false;
    }
    return true;
}

void ModbusRtuMaster::DecodeRegisters(const std::uint8_t* source, std::uint16_t* destination,
                                      std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        destination[i] = static_cast<std::uint16_t>(source[2 * i] << 8 | source[2 * i + 1]);
}

void ModbusRtuMaster::PutRequest(std::uint8_t slave, std::uint8_t function, std::uint16_t word1,
                                 std::uint16_t word2)
{
    frame[0] = slave;
    frame[1] = function;
    frame[2] = static_cast<std::uint8_t>(word1 >> 8);
    frame[3] = static_cast<std::uint8_t>(word1 & 0xFF);
    frame[4] = static_cast<std::uint8_t>(word2 >> 8);
    frame[5] = static_cast<std::uint8_t>(word2 & 0xFF);
}

bool ModbusRtuMaster::ReadRegisters(std::uint8_t function, std::uint8_t slave,
                                    std::uint16_t first, std::uint16_t count,
                                    std::uint16_t* destination)
{
    if (count > MAX_READ_REGISTERS) {
        lastException = 0;  // the reply would not fit the frame; nothing goes on the line
        return false;
    }
    PutRequest(slave, function, first, count);
    SendRequest(6);
    if (!ReceiveResponse(2u * count + HEAD_LENGTH))
        return false;
    DecodeRegisters(frame + 3, destination, count);
    return true;
}

bool ModbusRtuMaster::ReadInputRegisters(std::uint8_t slave, std::uint16_t first,
                                         std::uint16_t count, std::uint16_t* destination)
{
    return ReadRegisters(READ_INPUT_REGISTERS, slave, first, count, destination);
}

bool ModbusRtuMaster::ReadHoldingRegisters(std::uint8_t slave, std::uint16_t first,
                                           std::uint16_t count, std::uint16_t* destination)
{
    return ReadRegisters(READ_HOLDING_REGISTERS, slave, first, count, destination);
}

bool ModbusRtuMaster::WriteSingleRegister(std::uint8_t slave, std::uint16_t reg,
                                          std::uint16_t value)
{
    PutRequest(slave, WRITE_SINGLE_REGISTER, reg, value);
    SendRequest(6);
    return ReceiveResponse(8);
}
