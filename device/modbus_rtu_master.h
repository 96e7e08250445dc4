// ModbusRtuMaster: the master side of MODBUS RTU on one serial line, reduced to what the
// transmitter needs (function codes 04, 03 and 06). A request is built in `frame`, its
// reply is read back into the same bytes by the length it must have; only bit 7 of the
// function byte and the CRC decide. No allocation per transaction, no retry.
#pragma once

#include "serial_port.h"

#include <cstdint>

class ModbusRtuMaster {
public:
    static constexpr std::uint16_t MAX_READ_REGISTERS = 125;  // 2 * 125 + 5 fits the frame
    static constexpr std::uint32_t PURGE_BOTH = PURGE_TXCLEAR | PURGE_RXCLEAR;

    ModbusRtuMaster() = default;
    ModbusRtuMaster(const ModbusRtuMaster&) = delete;
    ModbusRtuMaster& operator=(const ModbusRtuMaster&) = delete;
    virtual ~ModbusRtuMaster() = default;

    bool Open(const char* devicePath) { return port.Open(devicePath); }
    void Close() { port.Close(); }
    void Configure(std::uint32_t baudRate, std::uint8_t parity);

    bool ReadInputRegisters(std::uint8_t slave, std::uint16_t first, std::uint16_t count,
                            std::uint16_t* destination);
    bool ReadHoldingRegisters(std::uint8_t slave, std::uint16_t first, std::uint16_t count,
                              std::uint16_t* destination);
    bool WriteSingleRegister(std::uint8_t slave, std::uint16_t reg, std::uint16_t value);

    // Meaningful only right after a failed transaction: the slave's exception code, or 0
    // when no reply, a short reply or a reply with a bad CRC came.
    std::uint32_t LastException() const { return lastException; }

    // The read timeouts that Configure derives from a baud rate (0 when the rate is 0).
    static COMMTIMEOUTS TimeoutsFor(std::uint32_t baudRate);

private:
    void ComputeCrc(std::uint32_t length);
    void SendRequest(std::uint32_t length);
    bool ReceiveResponse(std::uint32_t expected);
    static void DecodeRegisters(const std::uint8_t* source, std::uint16_t* destination,
                                std::uint32_t count);
    bool ReadRegisters(std::uint8_t function, std::uint8_t slave, std::uint16_t first,
                       std::uint16_t count, std::uint16_t* destination);
    void PutRequest(std::uint8_t slave, std::uint8_t function, std::uint16_t word1,
                    std::uint16_t word2);
    std::uint32_t ReadUpTo(std::uint32_t position, std::uint32_t wanted);

    std::uint8_t frame[256] = {};
    SerialPort port;
    std::uint32_t lastException = 0;
    std::uint16_t crc = 0;
};
