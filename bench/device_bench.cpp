// Round trips of the device link against meq-sim on a pseudo-terminal, and the time a
// transaction with no reply costs against 5 x multiplier + constant. Figures only.
#include "modbus_rtu_master.h"
#include "pty_peer.h"
#include "sim_process.h"
#include "transmitter.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Bench {
    SimProcess sim{"BENCH1", {"--ready"}};
    Transmitter transmitter;
    Bench()
    {
        transmitter.Open("BENCH1");
        transmitter.SetLink(19200, EVENPARITY, 1);
    }
};

Bench& Shared()
{
    static Bench bench;
    return bench;
}

void ReadMeasuredValuesRoundTrip(benchmark::State& state)
{
    Transmitter& t = Shared().transmitter;
    MeasuredValues v{};
    for (auto _ : state) {
        if (!t.ReadMeasuredValues(v))
            state.SkipWithError("no reply");
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(ReadMeasuredValuesRoundTrip)->Unit(benchmark::kMicrosecond);

// The six reads that follow a successful identity check when the tool connects.
void RefreshAllSequence(benchmark::State& state)
{
    Transmitter& t = Shared().transmitter;
    std::uint16_t firmware;
    std::uint32_t serial;
    TransmitterCommSettings comm;
    Co2Settings co2;
    MeasuredValues values;
    CorrectionValues corrections;
    for (auto _ : state) {
        const bool ok = t.ReadFirmware(firmware) && t.ReadSerialNumber(serial) &&
                        t.ReadCommSettings(comm) && t.ReadCo2Settings(co2) &&
                        t.ReadMeasuredValues(values) && t.ReadCorrections(corrections);
        if (!ok)
            state.SkipWithError("a read failed");
    }
}
BENCHMARK(RefreshAllSequence)->Unit(benchmark::kMicrosecond);

void NoReply(benchmark::State& state)
{
    const auto baud = static_cast<std::uint32_t>(state.range(0));
    PtyPeer silent("BENCH2");
    ModbusRtuMaster master;
    master.Open("\\\\.\\BENCH2");
    master.Configure(baud, EVENPARITY);
    const COMMTIMEOUTS t = ModbusRtuMaster::TimeoutsFor(baud);
    std::uint16_t word;
    for (auto _ : state)
        benchmark::DoNotOptimize(master.ReadInputRegisters(1, 0, 1, &word));
    state.counters["expected_ms"] =
        5.0 * t.ReadTotalTimeoutMultiplier + t.ReadTotalTimeoutConstant;
}
BENCHMARK(NoReply)->Arg(1200)->Arg(9600)->Arg(19200)->Arg(115200)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
