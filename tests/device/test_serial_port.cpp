// SerialPort on a real pseudo-terminal through the Win32 calls.
#include "serial_port.h"
#include "pty_peer.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string PathOf(const PtyPeer& peer)
{
    return "\\\\.\\" + peer.LinkName();
}

TEST(SerialPort, ClosedPortMovesNothing)
{
    SerialPort port;
    char buffer[4] = {};
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Read(buffer, 4), 0u);
    EXPECT_EQ(port.Write("abcd", 4), 0u);
    port.SetLine(1, 19200, 8, EVENPARITY, ONESTOPBIT);
    port.SetTimeouts(COMMTIMEOUTS{});
    port.Purge(PURGE_TXCLEAR | PURGE_RXCLEAR);
    port.Close();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, FailedOpenLeavesItClosed)
{
    SerialPort port;
    EXPECT_FALSE(port.Open("\\\\.\\NOSUCH9"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Open(""));
    EXPECT_FALSE(port.IsOpen());
}

// Whatever handshake the driver held before, SetLine leaves none of it on the line.
TEST(SerialPort, SetLineClearsEveryFlag)
{
    PtyPeer peer("SPTY1");
    SerialPort port;
    ASSERT_TRUE(port.Open(PathOf(peer).c_str()));
    termios t = peer.Line();
    t.c_cflag |= CRTSCTS;
    t.c_iflag |= IXON | IXOFF | INPCK;
    cfsetspeed(&t, B9600);
    ASSERT_EQ(tcsetattr(peer.SlaveFd(), TCSANOW, &t), 0);

    port.SetLine(1, 19200, 8, MARKPARITY, ONESTOPBIT);
    t = peer.Line();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u) << "one stop bit";
    // A pseudo-terminal drops PARENB, but keeps the odd and sticky bits of mark parity.
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD), static_cast<tcflag_t>(CMSPAR | PARODD));
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);
}

TEST(SerialPort, ShortReadReturnsWhatCameAfterTheTimeout)
{
    PtyPeer peer("SPTY2");
    SerialPort port;
    ASSERT_TRUE(port.Open(PathOf(peer).c_str()));
    port.SetLine(1, 19200, 8, NOPARITY, ONESTOPBIT);
    port.SetTimeouts(COMMTIMEOUTS{0, 10, 100, 0, 100});

    char buffer[8] = {};
    peer.Send(Bytes("41 42 43"));
    double start = NowMs();
    EXPECT_EQ(port.Read(buffer, 5), 3u);
    EXPECT_GE(NowMs() - start, 145.0) << "5 x 10 + 100 ms";
    EXPECT_EQ(std::memcmp(buffer, "ABC", 3), 0);

    start = NowMs();
    EXPECT_EQ(port.Read(buffer, 5), 0u);
    const double elapsed = NowMs() - start;
    EXPECT_GE(elapsed, 145.0);
    EXPECT_LT(elapsed, 2000.0);

    peer.Send(Bytes("31 32 33 34 35"));
    start = NowMs();
    EXPECT_EQ(port.Read(buffer, 5), 5u);
    EXPECT_LT(NowMs() - start, 100.0) << "a complete read returns at once";
}

TEST(SerialPort, WriteAndPurge)
{
    PtyPeer peer("SPTY3");
    SerialPort port;
    ASSERT_TRUE(port.Open(PathOf(peer).c_str()));
    port.SetLine(1, 19200, 8, EVENPARITY, ONESTOPBIT);
    port.SetTimeouts(COMMTIMEOUTS{0, 1, 50, 0, 100});
    EXPECT_EQ(port.Write("\x01\x02\x03", 3), 3u);
    EXPECT_EQ(peer.Received(), "01 02 03");

    peer.Send(Bytes("AA BB CC"));
    usleep(20 * 1000);
    port.Purge(PURGE_TXCLEAR | PURGE_RXCLEAR);
    char buffer[4];
    EXPECT_EQ(port.Read(buffer, 3), 0u) << "the input queue was emptied";
}

}  // namespace
