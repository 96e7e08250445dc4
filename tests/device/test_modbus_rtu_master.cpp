// The master against a scripted device on a real pseudo-terminal: the reply bytes are
// queued before each transaction (the master neither purges nor waits before a request,
// so queued bytes are read as the reply), and the request is read back from the device
// side.
#include "modbus_rtu_master.h"
#include "pty_peer.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class MasterOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(master.Open(("\\\\.\\" + peer.LinkName()).c_str()));
        master.Configure(19200, EVENPARITY);
    }

    PtyPeer peer{"MPTY1"};
    ModbusRtuMaster master;
    std::array<std::uint16_t, 8> words{0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD};
};

TEST_F(MasterOnPty, WorkedRequestFramesGoOutExactly)
{
    peer.Send(WithCrc(Bytes("01 04 08 00 00 00 00 00 00 00 00")));
    master.ReadInputRegisters(1, 0, 4, words.data());
    EXPECT_EQ(peer.Received(), "01 04 00 00 00 04 F1 C9");

    peer.Send(Bytes("01 06 04 10 55 AA 36 10"));
    EXPECT_TRUE(master.WriteSingleRegister(1, 0x0410, 0x55AA));
    EXPECT_EQ(peer.Received(), "01 06 04 10 55 AA 36 10");

    peer.Send(WithCrc(Bytes("11 03 04 00 01 00 02")));
    EXPECT_TRUE(master.ReadHoldingRegisters(0x11, 0x0200, 2, words.data()));
    EXPECT_EQ(peer.Received(), Hex(WithCrc(Bytes("11 03 02 00 00 02"))));
}

TEST_F(MasterOnPty, RegistersAreDecodedHighByteFirst)
{
    peer.Send(WithCrc(Bytes("01 04 08 12 34 FF 38 00 01 86 A0")));
    ASSERT_TRUE(master.ReadInputRegisters(1, 16, 4, words.data()));
    EXPECT_EQ(words[0], 0x1234);
    EXPECT_EQ(words[1], 0xFF38);
    EXPECT_EQ(words[2], 0x0001);
    EXPECT_EQ(words[3], 0x86A0);
    EXPECT_EQ(words[4], 0xDEAD) << "only the registers asked for are written";
}

// A reply is accepted on its length, a clear bit 7 in byte 1 and a good CRC alone.
TEST_F(MasterOnPty, FieldsOtherThanExceptionBitAndCrcAreNotCompared)
{
    struct Case {
        const char* what;
        const char* reply;  // without CRC
        bool write;
    } cases[] = {
        {"another slave address", "07 04 02 00 2A", false},
        {"a wrong byte count", "01 04 09 00 2A", false},
        {"another function code", "01 03 02 00 2A", false},
        {"an echo of another register and value", "01 06 00 01 00 02", true},
    };
    for (const auto& c : cases) {
        peer.Send(WithCrc(Bytes(c.reply)));
        const bool ok = c.write ? master.WriteSingleRegister(1, 274, 1)
                                : master.ReadInputRegisters(1, 22, 1, words.data());
        EXPECT_TRUE(ok) << c.what;
        peer.Received();
    }
}

TEST_F(MasterOnPty, ExceptionReplyKeepsItsCodeAndTouchesNothing)
{
    // The good reply queued behind the exception survives: nothing was purged.
    peer.Send(Bytes("01 84 02 C2 C1"));
    peer.Send(WithCrc(Bytes("01 04 02 00 2A")));
    EXPECT_FALSE(master.ReadInputRegisters(1, 7, 1, words.data()));
    EXPECT_EQ(master.LastException(), 2u);
    EXPECT_EQ(words[0], 0xDEAD);

    EXPECT_TRUE(master.ReadInputRegisters(1, 22, 1, words.data()));
    EXPECT_EQ(words[0], 42);
    EXPECT_EQ(master.LastException(), 2u) << "a success leaves the last failure's code";

    peer.Send(WithCrc(Bytes("01 86 FF")));
    EXPECT_FALSE(master.WriteSingleRegister(1, 512, 0));
    EXPECT_EQ(master.LastException(), 255u) << "codes are kept as received";
}

TEST_F(MasterOnPty, BadCrcFailsAndPurgesBothQueues)
{
    auto reply = WithCrc(Bytes("01 04 02 00 2A"));
    reply[3] ^= 0x10;
    peer.Send(reply);
    peer.Send(Bytes("FF FF FF"));  // left over in the input queue unless purged
    EXPECT_FALSE(master.ReadInputRegisters(1, 22, 1, words.data()));
    EXPECT_EQ(master.LastException(), 0u);
    EXPECT_EQ(words[0], 0xDEAD);
    peer.Received();

    peer.Send(WithCrc(Bytes("01 04 02 00 2B")));
    EXPECT_TRUE(master.ReadInputRegisters(1, 22, 1, words.data()));
    EXPECT_EQ(words[0], 43);
}

TEST_F(MasterOnPty, ExceptionWithBadCrcIsGarbageNotAnException)
{
    peer.Send(Bytes("01 84 02 C2 C2"));
    EXPECT_FALSE(master.ReadInputRegisters(1, 7, 1, words.data()));
    EXPECT_EQ(master.LastException(), 0u);
}

TEST_F(MasterOnPty, ShortRepliesFailWithCodeZeroAfterTheTimeout)
{
    peer.Send(Bytes("01 84 03"));  // an exception that stops after 3 bytes
    master.ReadInputRegisters(1, 7, 1, words.data());
    peer.Send(Bytes("01 84 02 C2 C1"));
    EXPECT_FALSE(master.ReadInputRegisters(1, 7, 1, words.data()));
    ASSERT_EQ(master.LastException(), 2u);

    const char* shortReplies[] = {"", "01 04", "01 04 08 00 01 00 02 00"};
    for (const char* reply : shortReplies) {
        peer.Send(Bytes(reply));
        const double start = NowMs();
        EXPECT_FALSE(master.ReadInputRegisters(1, 16, 4, words.data())) << reply;
        const double elapsed = NowMs() - start;
        EXPECT_EQ(master.LastException(), 0u) << reply;
        EXPECT_EQ(words[0], 0xDEAD);
        // 19200 Bd: 1 ms per byte plus 115 ms for each read that waits in vain.
        EXPECT_GE(elapsed, 110.0) << reply;
        EXPECT_LT(elapsed, 2000.0) << reply;
    }
}

TEST_F(MasterOnPty, LongerReplyLeavesTheRestForTheNextReply)
{
    auto reply = WithCrc(Bytes("01 04 02 00 2A"));
    reply.push_back(0x99);
    peer.Send(reply);
    EXPECT_TRUE(master.ReadInputRegisters(1, 22, 1, words.data()));
    EXPECT_EQ(words[0], 42);

    // The stray byte starts the next reply, its CRC fails and both queues are purged.
    peer.Send(WithCrc(Bytes("01 04 02 00 2B")));
    EXPECT_FALSE(master.ReadInputRegisters(1, 22, 1, words.data()));
    EXPECT_EQ(master.LastException(), 0u);
    peer.Send(WithCrc(Bytes("01 04 02 00 2C")));
    EXPECT_TRUE(master.ReadInputRegisters(1, 22, 1, words.data()));
    EXPECT_EQ(words[0], 44);
}

TEST_F(MasterOnPty, ReadOfMoreThan125RegistersNeverReachesTheLine)
{
    peer.Send(Bytes("01 84 02 C2 C1"));
    master.ReadInputRegisters(1, 7, 1, words.data());
    ASSERT_EQ(master.LastException(), 2u);
    peer.Received();

    std::array<std::uint16_t, 126> many{};
    EXPECT_FALSE(master.ReadHoldingRegisters(1, 0, 126, many.data()));
    EXPECT_EQ(master.LastException(), 0u);
    EXPECT_EQ(peer.Received(), "");
}

TEST_F(MasterOnPty, DeviceGoneMidTransactionFailsAtOnce)
{
    peer.Send(Bytes("01 04"));
    peer.Hangup();
    const double start = NowMs();
    EXPECT_FALSE(master.ReadInputRegisters(1, 16, 4, words.data()));
    EXPECT_FALSE(master.WriteSingleRegister(1, 272, 1));
    EXPECT_EQ(master.LastException(), 0u);
    EXPECT_LT(NowMs() - start, 2000.0) << "no hang on a port that went away";
    master.Close();
}

TEST(MasterClosed, EveryTransactionFailsWithCodeZero)
{
    ModbusRtuMaster master;
    std::uint16_t word = 7;
    EXPECT_FALSE(master.ReadInputRegisters(1, 0, 1, &word));
    EXPECT_FALSE(master.ReadHoldingRegisters(1, 256, 1, &word));
    EXPECT_FALSE(master.WriteSingleRegister(1, 272, 1));
    EXPECT_EQ(master.LastException(), 0u);
    EXPECT_EQ(word, 7);
    master.Configure(19200, EVENPARITY);
    master.Configure(0, EVENPARITY);
    master.Close();
}

TEST(MasterTimeouts, DerivedFromTheBaudRate)
{
    struct Case {
        std::uint32_t baud, multiplier, constant;
    } cases[] = {
        {1200, 10, 350}, {2400, 5, 225}, {4800, 3, 162}, {9600, 2, 131},
        {19200, 1, 115}, {38400, 1, 107}, {57600, 1, 105}, {115200, 1, 102},
    };
    for (const auto& c : cases) {
        const COMMTIMEOUTS t = ModbusRtuMaster::TimeoutsFor(c.baud);
        EXPECT_EQ(t.ReadIntervalTimeout, 0u) << c.baud;
        EXPECT_EQ(t.ReadTotalTimeoutMultiplier, c.multiplier) << c.baud;
        EXPECT_EQ(t.ReadTotalTimeoutConstant, c.constant) << c.baud;
        EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u) << c.baud;
        EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u) << c.baud;
    }
}

// The timeouts must reach the port: no reply costs 5 x multiplier + constant.
TEST(MasterTimeouts, NoReplyCostsOneReadTimeout)
{
    PtyPeer peer("MPTY2");
    ModbusRtuMaster master;
    ASSERT_TRUE(master.Open(("\\\\.\\" + peer.LinkName()).c_str()));
    struct Case {
        std::uint32_t baud;
        double expectedMs;
    } cases[] = {{1200, 400}, {19200, 120}};
    for (const auto& c : cases) {
        master.Configure(c.baud, NOPARITY);
        std::uint16_t word = 0;
        const double start = NowMs();
        EXPECT_FALSE(master.ReadInputRegisters(1, 0, 1, &word));
        const double elapsed = NowMs() - start;
        EXPECT_GE(elapsed, c.expectedMs - 5) << c.baud;
        EXPECT_LT(elapsed, c.expectedMs + 1500) << c.baud;
        EXPECT_EQ(master.LastException(), 0u);
    }
}

}  // namespace
