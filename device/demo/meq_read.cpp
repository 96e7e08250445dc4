// meq-read: connects to one transmitter the way the tool does and prints what it reports.
// Usage: meq-read PORT [BAUD [PARITY [ADDRESS]]], e.g. meq-read COM7 19200 even 1
#include "transmitter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int ParityCode(const char* name)
{
    const char* names[] = {"none", "odd", "even", "mark"};
    for (int i = 0; i < 4; ++i)
        if (std::strcmp(name, names[i]) == 0)
            return i;
    return -1;
}

void PrintHundredths(const char* label, long value, const char* unit)
{
    const char* sign = value < 0 ? "-" : "";
    const long magnitude = value < 0 ? -value : value;
    std::printf("%-22s %s%ld.%02ld %s\n", label, sign, magnitude / 100, magnitude % 100, unit);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 5 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: meq-read PORT [BAUD [none|odd|even|mark [ADDRESS]]]\n");
        return 2;
    }
    const unsigned long baud = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 19200;
    const int parity = argc > 3 ? ParityCode(argv[3]) : EVENPARITY;
    const unsigned long address = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 1;
    if (baud == 0 || baud > 115200 || parity < 0 || address < 1 || address > 247) {
        std::fprintf(stderr, "meq-read: bad baud rate, parity or address\n");
        return 2;
    }

    Transmitter transmitter;
    if (!transmitter.Open(argv[1])) {
        std::fprintf(stderr, "meq-read: cannot open port %s\n", argv[1]);
        return 1;
    }
    transmitter.SetLink(static_cast<std::uint32_t>(baud), static_cast<std::uint8_t>(parity),
                        static_cast<std::uint8_t>(address));
    const char* identity = transmitter.ReadIdentity();
    if (identity == nullptr) {
        std::fprintf(stderr, "meq-read: no answer from %s\n", argv[1]);
        return 1;
    }
    std::printf("%-22s %s\n", "identity", identity);
    if (std::strcmp(identity, "MEQ") != 0) {
        std::fprintf(stderr, "meq-read: not an MEQ transmitter\n");
        return 1;
    }

    std::uint16_t firmware = 0;
    if (transmitter.ReadFirmware(firmware))
        std::printf("%-22s %X.%02X\n", "firmware", firmware >> 8, firmware & 0xFF);
    std::uint32_t serial = 0;
    if (transmitter.ReadSerialNumber(serial))
        std::printf("%-22s %lu\n", "serial number", static_cast<unsigned long>(serial));

    MeasuredValues v{};
    if (!transmitter.ReadMeasuredValues(v)) {
        std::fprintf(stderr, "meq-read: measured values not read (exception %lu)\n",
                     static_cast<unsigned long>(transmitter.LastException()));
        return 1;
    }
    PrintHundredths("temperature", v.temperature, "degC");
    PrintHundredths("relative humidity", v.relativeHumidity, "%");
    PrintHundredths("absolute humidity", v.absoluteHumidity, "g/m3");
    PrintHundredths("dew point", v.dewPoint, "degC");
    PrintHundredths("absolute pressure", static_cast<long>(v.absolutePressure), "hPa");
    std::printf("%-22s %u ppm\n", "CO2", v.co2);
    std::printf("%-22s %u\n", "VOC index", v.vocIndex);
    std::printf("%-22s %u h\n", "operating hours", v.operatingHours);
    std::printf("%-22s %04X%s\n", "status", v.status,
                (v.status & Transmitter::STATUS_SENSOR_READY) ? " (sensor ready)" : "");
    return 0;
}
