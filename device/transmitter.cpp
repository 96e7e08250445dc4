#include "transmitter.h"

#include <cstring>

namespace {
// Input registers (function code 04).
constexpr std::uint16_t IDENTITY_REGISTER = 0;
constexpr std::uint16_t IDENTITY_WORDS = 4;
constexpr std::uint16_t FIRMWARE_REGISTER = 4;
constexpr std::uint16_t SERIAL_NUMBER_REGISTER = 5;
constexpr std::uint16_t MEASURED_VALUES_REGISTER = 16;
constexpr std::uint16_t MEASURED_VALUES_WORDS = 10;
constexpr std::uint16_t STATUS_REGISTER = 25;
// Holding registers (function codes 03 and 06).
constexpr std::uint16_t CORRECTIONS_REGISTER = 256;
constexpr std::uint16_t CO2_LEVEL1_REGISTER = 272;
constexpr std::uint16_t CO2_LEVEL2_REGISTER = 273;
constexpr std::uint16_t AUTO_CALIBRATION_REGISTER = 274;
constexpr std::uint16_t FORCED_RECALIBRATION_REGISTER = 275;
constexpr std::uint16_t ADDRESS_REGISTER = 512;
constexpr std::uint16_t BAUD_REGISTER = 513;
constexpr std::uint16_t PARITY_REGISTER = 514;
constexpr std::uint16_t RESTART_REGISTER = 1040;

constexpr std::uint32_t Join(std::uint16_t high, std::uint16_t low)
{
    return std::uint32_t{high} << 16 | low;
}
}  // namespace

Transmitter::~Transmitter()
{
    Close();
}

bool Transmitter::Open(const char* portName)
{
    if (portName == nullptr || portName[0] == '\0')
        return false;  // an open port stays open
    Close();
    const std::size_t length = std::strlen(portName);
    if (length > MAX_PORT_NAME)
        return false;  // the device path would not fit its 16 bytes
    char path[16] = "\\\\.\\";
    std::memcpy(path + 4, portName, length + 1);
    return master.Open(path);
}

void Transmitter::Close()
{
    master.Close();
}

void Transmitter::SetLink(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t slaveAddress)
{
    master.Configure(baudRate, parity);
    address = slaveAddress;
}

bool Transmitter::ReadInput(std::uint16_t first, std::uint16_t count, std::uint16_t* words)
{
    return master.ReadInputRegisters(address, first, count, words);
}

bool Transmitter::ReadHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* words)
{
    return master.ReadHoldingRegisters(address, first, count, words);
}

bool Transmitter::Write(std::uint16_t reg, std::uint16_t value)
{
    return master.WriteSingleRegister(address, reg, value);
}

const char* Transmitter::ReadIdentity()
{
    std::uint16_t words[IDENTITY_WORDS];
    if (!ReadInput(IDENTITY_REGISTER, IDENTITY_WORDS, words))
        return nullptr;
    // The earlier character travels in the high byte; bytes 8..15 stay zero.
    for (unsigned k = 0; k < IDENTITY_WORDS; ++k) {
        identity[2 * k] = static_cast<char>(words[k] >> 8);
        identity[2 * k + 1] = static_cast<char>(words[k] & 0xFF);
    }
    return identity;
}

bool Transmitter::ReadFirmware(std::uint16_t& version)
{
    return ReadInput(FIRMWARE_REGISTER, 1, &version);
}

bool Transmitter::ReadSerialNumber(std::uint32_t& serialNumber)
{
    std::uint16_t words[2];
    if (!ReadInput(SERIAL_NUMBER_REGISTER, 2, words))
        return false;
    serialNumber = Join(words[0], words[1]);
    return true;
}

bool Transmitter::ReadMeasuredValues(MeasuredValues& values)
{
    std::uint16_t w[MEASURED_VALUES_WORDS];
    if (!ReadInput(MEASURED_VALUES_REGISTER, MEASURED_VALUES_WORDS, w))
        return false;
    values.temperature = static_cast<std::int16_t>(w[0]);
    values.relativeHumidity = static_cast<std::int16_t>(w[1]);
    values.absoluteHumidity = static_cast<std::int16_t>(w[2]);
    values.dewPoint = static_cast<std::int16_t>(w[3]);
    values.absolutePressure = Join(w[4], w[5]);
    values.co2 = w[6];
    values.vocIndex = w[7];
    values.operatingHours = w[8];
    values.status = w[9];
    return true;
}

bool Transmitter::ReadStatus(std::uint16_t& status)
{
    return ReadInput(STATUS_REGISTER, 1, &status);
}

bool Transmitter::ReadCorrections(CorrectionValues& corrections)
{
    std::uint16_t w[CORRECTION_COUNT];
    if (!ReadHolding(CORRECTIONS_REGISTER, CORRECTION_COUNT, w))
        return false;
    for (unsigned k = 0; k < CORRECTION_COUNT; ++k)
        corrections.values[k] = static_cast<std::int16_t>(w[k]);
    return true;
}

bool Transmitter::WriteCorrection(unsigned index, std::int16_t value)
{
    if (index >= CORRECTION_COUNT) {
        return false;  // no such register; nothing goes on the line
    }
    return Write(static_cast<std::uint16_t>(CORRECTIONS_REGISTER + index),
                 static_cast<std::uint16_t>(value));
}

bool Transmitter::ReadCo2Settings(Co2Settings& settings)
{
    std::uint16_t w[3];
    if (!ReadHolding(CO2_LEVEL1_REGISTER, 3, w))
        return false;
    settings.level1 = w[0];
    settings.level2 = w[1];
    settings.autoCalibration = w[2];
    return true;
}

bool Transmitter::WriteCo2Level1(std::uint16_t value) { return Write(CO2_LEVEL1_REGISTER, value); }
bool Transmitter::WriteCo2Level2(std::uint16_t value) { return Write(CO2_LEVEL2_REGISTER, value); }

bool Transmitter::WriteAutoCalibration(std::uint16_t value)
{
    return Write(AUTO_CALIBRATION_REGISTER, value);
}

bool Transmitter::WriteForcedRecalibration(std::uint16_t reference)
{
    return Write(FORCED_RECALIBRATION_REGISTER, reference);
}

bool Transmitter::ReadCommSettings(TransmitterCommSettings& settings)
{
    std::uint16_t w[3];
    if (!ReadHolding(ADDRESS_REGISTER, 3, w))
        return false;
    // Each setting is the low byte of its register.
    settings.address = static_cast<std::uint8_t>(w[0] & 0xFF);
    settings.baudIndex = static_cast<std::uint8_t>(w[1] & 0xFF);
    settings.parityIndex = static_cast<std::uint8_t>(w[2] & 0xFF);
    return true;
}

bool Transmitter::WriteAddress(std::uint8_t value) { return Write(ADDRESS_REGISTER, value); }
bool Transmitter::WriteBaud(std::uint8_t baudIndex) { return Write(BAUD_REGISTER, baudIndex); }
bool Transmitter::WriteParity(std::uint8_t parityIndex) { return Write(PARITY_REGISTER, parityIndex); }
bool Transmitter::Restart() { return Write(RESTART_REGISTER, RESTART_CODE); }
