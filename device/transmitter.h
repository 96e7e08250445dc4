// Transmitter: the one MEQ transmitter on the bus. It alone knows the register map:
// numbers, function codes, counts, widths, signedness and word order. It moves raw
// register values; scaling, range checks and messages belong to the main window.
// A read writes its output only when its transaction succeeds.
#pragma once

#include "modbus_rtu_master.h"

#include <cstdint>

struct MeasuredValues {
    std::int16_t temperature;        // 0.01 degC
    std::int16_t relativeHumidity;   // 0.01 %
    std::int16_t absoluteHumidity;   // 0.01 g/m3
    std::int16_t dewPoint;           // 0.01 degC
    std::uint32_t absolutePressure;  // 0.01 hPa
    std::uint16_t co2;               // ppm
    std::uint16_t vocIndex;
    std::uint16_t operatingHours;    // hours
    std::uint16_t status;            // STATUS_SENSOR_READY and others
};

struct TransmitterCommSettings {
    std::uint8_t address;
    std::uint8_t baudIndex;
    std::uint8_t parityIndex;
};

struct Co2Settings {
    std::uint16_t level1;
    std::uint16_t level2;
    std::uint16_t autoCalibration;
};

struct CorrectionValues {
    std::int16_t values[6];
};

class Transmitter {
public:
    static constexpr std::uint16_t STATUS_SENSOR_READY = 0x0800;
    static constexpr std::uint16_t RESTART_CODE = 0x55AA;
    static constexpr unsigned MAX_PORT_NAME = 11;  // "\\.\" + name + NUL in 16 bytes
    static constexpr unsigned CORRECTION_COUNT = 6;

    Transmitter() = default;
    Transmitter(const Transmitter&) = delete;
    Transmitter& operator=(const Transmitter&) = delete;
    virtual ~Transmitter();

    bool Open(const char* portName);
    void Close();
    void SetLink(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t slaveAddress);
    std::uint32_t LastException() const { return master.LastException(); }

    // The device type text, NUL-terminated, or nullptr when the read failed.
    const char* ReadIdentity();
    bool ReadFirmware(std::uint16_t& version);
    bool ReadSerialNumber(std::uint32_t& serialNumber);
    bool ReadMeasuredValues(MeasuredValues& values);
    bool ReadStatus(std::uint16_t& status);
    bool ReadCorrections(CorrectionValues& corrections);
    bool WriteCorrection(unsigned index, std::int16_t value);  // index 0..5
    bool ReadCo2Settings(Co2Settings& settings);
    bool WriteCo2Level1(std::uint16_t value);
    bool WriteCo2Level2(std::uint16_t value);
    bool WriteAutoCalibration(std::uint16_t value);
    bool WriteForcedRecalibration(std::uint16_t reference);
    bool ReadCommSettings(TransmitterCommSettings& settings);
    bool WriteAddress(std::uint8_t value);
    bool WriteBaud(std::uint8_t baudIndex);
    bool WriteParity(std::uint8_t parityIndex);
    bool Restart();

private:
    bool ReadInput(std::uint16_t first, std::uint16_t count, std::uint16_t* words);
    bool ReadHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* words);
    bool Write(std::uint16_t reg, std::uint16_t value);

    char identity[16] = {};
    ModbusRtuMaster master;
    std::uint8_t address = 0;
};
