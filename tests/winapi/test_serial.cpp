// Serial ports of the stand-in against real pseudo-terminals: opening by name and its
// exclusivity, the DCB on termios, the read and write timeouts, purging, and a far end
// that goes away.
#include "winapi.h"
#include "posix/testing_ports.h"
#include "pty_fixture.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

HANDLE OpenPort(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Closes what a test opened, also when an assertion ends the test early.
struct Port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    explicit Port(const std::string& name) : handle(OpenPort("\\\\.\\" + name)) {}
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    ~Port()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    bool Open() const { return handle != INVALID_HANDLE_VALUE; }
    void Close()
    {
        EXPECT_TRUE(CloseHandle(handle));
        handle = INVALID_HANDLE_VALUE;
    }
};

void SetTimeouts(HANDLE h, COMMTIMEOUTS t)
{
    ASSERT_TRUE(SetCommTimeouts(h, &t));
}

DWORD Read(HANDLE h, unsigned char* buffer, DWORD count)
{
    DWORD got = 12345;
    ReadFile(h, buffer, count, &got, nullptr);
    return got;
}

// The record the device layer builds: present state, then the flag word, rate and frame.
DCB LineRecord(HANDLE h, DWORD flagWord, DWORD rate, BYTE byteSize, BYTE parity, BYTE stopBits)
{
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    GetCommState(h, &dcb);
    dcb.BaudRate = rate;
    std::memcpy(reinterpret_cast<char*>(&dcb) + 8, &flagWord, sizeof flagWord);
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    return dcb;
}

class SerialTest : public ::testing::Test {
protected:
    TempDir portFolder;
    TempDir deviceFolder;
    TempDir ttyClass;
    Pty pty;

    void SetUp() override
    {
        testing_ports::SetPortFolder(portFolder.path.string());
        testing_ports::SetDeviceFolder(deviceFolder.path.string());
        testing_ports::SetTtyClassFolder(ttyClass.path.string());
        Link(portFolder, "COM7", pty.slavePath);
    }
    void TearDown() override { testing_ports::ResetPortSources(); }

    static void Link(const TempDir& folder, const std::string& name, const std::string& target)
    {
        std::filesystem::remove(folder / name);
        std::filesystem::create_symlink(target, folder / name);
    }

    termios SlaveSettings() const
    {
        termios t{};
        tcgetattr(pty.slave, &t);
        return t;
    }
};

TEST_F(SerialTest, OpensByLinkNameAnyCaseAndByDeviceName)
{
    Link(deviceFolder, "ttyXYZ0", pty.slavePath);
    for (const char* name : {"COM7", "com7", "ttyXYZ0"}) {
        SCOPED_TRACE(name);
        Port port(name);
        ASSERT_TRUE(port.Open()) << GetLastError();
        EXPECT_NE(port.handle, nullptr);
        // The handle reaches this pty: bytes go both ways, raw.
        const unsigned char out[] = {0x01, 0x0A, 0x0D, 0x11, 0x13};
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(port.handle, out, sizeof out, &written, nullptr));
        EXPECT_EQ(written, sizeof out);
        EXPECT_EQ(pty.Receive(sizeof out), std::vector<unsigned char>(out, out + sizeof out));
        pty.Send({0x0D, 0x0A, 0x13, 0x7F});
        SetTimeouts(port.handle, {0, 0, 1000, 0, 0});
        unsigned char in[4] = {};
        EXPECT_EQ(Read(port.handle, in, 4), 4u);
        EXPECT_EQ(std::vector<unsigned char>(in, in + 4), (std::vector<unsigned char>{0x0D, 0x0A, 0x13, 0x7F}));
    }
}

TEST_F(SerialTest, ThePortFolderComesFromTheEnvironment)
{
    testing_ports::ResetPortSources();
    TempDir home;
    std::filesystem::create_directories(home / ".meq-config/ports");
    std::filesystem::create_symlink(pty.slavePath, home / ".meq-config/ports/COM9");
    const char* savedHome = std::getenv("HOME");
    const std::string restoreHome = savedHome != nullptr ? savedHome : "";
    const char* savedFolder = std::getenv("MEQ_PORT_DIR");
    const std::string restoreFolder = savedFolder != nullptr ? savedFolder : "";
    setenv("HOME", home.path.c_str(), 1);

    setenv("MEQ_PORT_DIR", portFolder.path.c_str(), 1);
    EXPECT_TRUE(Port("COM7").Open());
    EXPECT_FALSE(Port("COM9").Open());
    unsetenv("MEQ_PORT_DIR");
    EXPECT_TRUE(Port("COM9").Open());
    EXPECT_FALSE(Port("COM7").Open());

    if (savedHome != nullptr) {
        setenv("HOME", restoreHome.c_str(), 1);
    } else {
        unsetenv("HOME");
    }
    if (savedFolder != nullptr) {
        setenv("MEQ_PORT_DIR", restoreFolder.c_str(), 1);
    }
}

TEST_F(SerialTest, RefusesMissingDevicesOddNamesAndPaths)
{
    Link(portFolder, "DANGLE", (portFolder / "gone").c_str());
    const std::string plain = portFolder / "plain.txt";
    std::FILE* file = std::fopen(plain.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    Link(portFolder, "PLAIN", plain);
    Link(portFolder, "NULLDEV", "/dev/null");

    const struct {
        const char* path;
        DWORD error;
    } cases[] = {
        {"\\\\.\\COM8", ERROR_FILE_NOT_FOUND},
        {"\\\\.\\DANGLE", ERROR_FILE_NOT_FOUND},
        {"\\\\.\\PLAIN", ERROR_FILE_NOT_FOUND},
        {"\\\\.\\NULLDEV", ERROR_FILE_NOT_FOUND},
        {"COM7", ERROR_FILE_NOT_FOUND},
        {"\\\\?\\COM7", ERROR_FILE_NOT_FOUND},
        {"\\\\.\\", ERROR_INVALID_NAME},
        {"\\\\.\\..", ERROR_INVALID_NAME},
        {"\\\\.\\..\\COM7", ERROR_INVALID_NAME},
        {"\\\\.\\pts/0", ERROR_INVALID_NAME},
        {"\\\\.\\COM7/", ERROR_INVALID_NAME},
        {"\\\\.\\.COM7", ERROR_INVALID_NAME},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SetLastError(0);
        EXPECT_EQ(OpenPort(c.path), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(OpenPort(std::string()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST_F(SerialTest, APortHeldByAnotherHandleOrProcessCannotBeOpened)
{
    Link(deviceFolder, "ttyXYZ0", pty.slavePath);
    {
        Port first("COM7");
        ASSERT_TRUE(first.Open());
        for (const char* name : {"COM7", "ttyXYZ0"}) {
            SCOPED_TRACE(name);
            SetLastError(0);
            Port second(name);
            EXPECT_FALSE(second.Open());
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        }
        // A failed open must leave the holder's port working.
        pty.Send({0x42});
        SetTimeouts(first.handle, {0, 0, 1000, 0, 0});
        unsigned char byte = 0;
        EXPECT_EQ(Read(first.handle, &byte, 1), 1u);
        first.Close();
        Port again("COM7");
        EXPECT_TRUE(again.Open());
    }

    // Another program holding the port.
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(release[1]);
        close(ready[0]);
        const int fd = open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY);
        const char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? '1' : '0';
        (void)!write(ready[1], &ok, 1);
        char ignored;
        (void)!read(release[0], &ignored, 1);
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    {
        Port blocked("COM7");
        EXPECT_FALSE(blocked.Open());
    }
    close(release[1]);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    Port afterwards("COM7");
    EXPECT_TRUE(afterwards.Open());
}

TEST_F(SerialTest, CloseHandleClosesOnceAndRefusesUnknownHandles)
{
    HANDLE h = OpenPort("\\\\.\\COM7");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    DWORD n = 7;
    unsigned char byte = 0;
    EXPECT_FALSE(ReadFile(h, &byte, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    DCB dcb{};
    EXPECT_FALSE(GetCommState(h, &dcb));
    EXPECT_FALSE(PurgeComm(h, PURGE_RXCLEAR));
}

TEST_F(SerialTest, LineSettingsReachTheDriverAndReadBack)
{
    Port port("COM7");
    ASSERT_TRUE(port.Open());
    const struct {
        DWORD rate;
        speed_t speed;
    } rates[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                 {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    const struct {
        BYTE parity;
        tcflag_t bits;  // PARENB does not survive on a pty; the kernel clears it
    } parities[] = {{NOPARITY, 0}, {ODDPARITY, PARODD}, {EVENPARITY, 0},
                    {MARKPARITY, PARODD | CMSPAR}, {SPACEPARITY, CMSPAR}};
    for (const auto& rate : rates) {
        for (const auto& parity : parities) {
            for (const BYTE stopBits : {BYTE{ONESTOPBIT}, BYTE{TWOSTOPBITS}}) {
                SCOPED_TRACE(testing::Message() << rate.rate << " parity " << int(parity.parity) << " stop "
                                                << int(stopBits));
                DCB dcb = LineRecord(port.handle, 1, rate.rate, 8, parity.parity, stopBits);
                ASSERT_TRUE(SetCommState(port.handle, &dcb));
                DCB back{};
                ASSERT_TRUE(GetCommState(port.handle, &back));
                EXPECT_EQ(back.DCBlength, 28u);
                EXPECT_EQ(back.BaudRate, rate.rate);
                EXPECT_EQ(back.ByteSize, 8);
                EXPECT_EQ(back.Parity, parity.parity);
                EXPECT_EQ(back.StopBits, stopBits);
                const termios t = SlaveSettings();
                EXPECT_EQ(cfgetospeed(&t), rate.speed);
                EXPECT_EQ(cfgetispeed(&t), rate.speed);
                EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), parity.bits);
                EXPECT_EQ((t.c_cflag & CSTOPB) != 0, stopBits == TWOSTOPBITS);
                EXPECT_NE(t.c_cflag & CLOCAL, 0u);
                EXPECT_NE(t.c_cflag & CREAD, 0u);
                EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
                EXPECT_EQ(t.c_oflag & OPOST, 0u);
                EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR), 0u);
            }
        }
    }
}

TEST_F(SerialTest, FlowControlIsHonouredAndClearedByAPlainRecord)
{
    // Whatever the driver had before: hardware and software flow, parity checking.
    termios t = SlaveSettings();
    t.c_cflag |= CRTSCTS;
    t.c_iflag |= IXON | IXOFF | INPCK;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &t), 0);

    Port port("COM7");
    ASSERT_TRUE(port.Open());
    DCB before{};
    ASSERT_TRUE(GetCommState(port.handle, &before));
    EXPECT_EQ(before.fOutxCtsFlow, 1u);
    EXPECT_EQ(before.fInX, 1u);
    EXPECT_EQ(before.fParity, 1u);

    DCB plain = LineRecord(port.handle, 1, 19200, 8, EVENPARITY, ONESTOPBIT);
    ASSERT_TRUE(SetCommState(port.handle, &plain));
    DCB after{};
    ASSERT_TRUE(GetCommState(port.handle, &after));
    EXPECT_EQ(after.fBinary, 1u);
    EXPECT_EQ(after.fParity, 0u);
    EXPECT_EQ(after.fOutxCtsFlow, 0u);
    EXPECT_EQ(after.fOutxDsrFlow, 0u);
    EXPECT_EQ(after.fOutX, 0u);
    EXPECT_EQ(after.fInX, 0u);
    EXPECT_EQ(after.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(after.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    t = SlaveSettings();
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);

    // And a record that asks for flow control gets it.
    DCB flow = after;
    flow.fOutxCtsFlow = 1;
    flow.fOutX = 1;
    flow.fInX = 1;
    flow.XonChar = 0x11;
    flow.XoffChar = 0x13;
    ASSERT_TRUE(SetCommState(port.handle, &flow));
    t = SlaveSettings();
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
}

TEST_F(SerialTest, ARefusedSettingReturnsFalseAndKeepsTheLine)
{
    Port port("COM7");
    ASSERT_TRUE(port.Open());
    DCB good = LineRecord(port.handle, 1, 9600, 8, ODDPARITY, ONESTOPBIT);
    ASSERT_TRUE(SetCommState(port.handle, &good));
    DCB held{};
    ASSERT_TRUE(GetCommState(port.handle, &held));
    const termios heldTermios = SlaveSettings();

    const struct {
        const char* what;
        void (*spoil)(DCB&);
    } cases[] = {
        {"baud rate the driver lacks", [](DCB& d) { d.BaudRate = 1234567; }},
        {"baud rate 0", [](DCB& d) { d.BaudRate = 0; }},
        {"9 data bits", [](DCB& d) { d.ByteSize = 9; }},
        {"4 data bits", [](DCB& d) { d.ByteSize = 4; }},
        {"parity code 5", [](DCB& d) { d.Parity = 5; }},
        {"1.5 stop bits with 8 data bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
        {"stop-bit code 3", [](DCB& d) { d.StopBits = 3; }},
        {"DSR flow control", [](DCB& d) { d.fOutxDsrFlow = 1; }},
        {"DTR handshake", [](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; }},
        {"XON equal to XOFF", [](DCB& d) { d.fOutX = 1; d.XonChar = d.XoffChar = 0x11; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DCB bad = good;
        c.spoil(bad);
        SetLastError(0);
        EXPECT_FALSE(SetCommState(port.handle, &bad));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        DCB now{};
        ASSERT_TRUE(GetCommState(port.handle, &now));
        EXPECT_EQ(std::memcmp(&now, &held, sizeof now), 0);
        const termios t = SlaveSettings();
        EXPECT_EQ(t.c_cflag, heldTermios.c_cflag);
        EXPECT_EQ(t.c_iflag, heldTermios.c_iflag);
        EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&heldTermios));
    }
    EXPECT_FALSE(SetCommState(port.handle, nullptr));

    // Still usable.
    pty.Send({1, 2});
    SetTimeouts(port.handle, {0, 0, 1000, 0, 0});
    unsigned char in[2] = {};
    EXPECT_EQ(Read(port.handle, in, 2), 2u);
}

struct Arrival {
    int afterMs;  // from just before the read starts; 0 means already there
    std::vector<unsigned char> bytes;
};

struct ReadCase {
    const char* what;
    COMMTIMEOUTS timeouts;
    DWORD asked;
    std::vector<Arrival> arrivals;
    DWORD expected;
    long long atLeastMs;
    long long atMostMs;
};

// Cases print as their description, which keeps the listed test names short.
void PrintTo(const ReadCase& c, std::ostream* out)
{
    *out << c.what;
}

class ReadTimeoutTest : public SerialTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadTimeoutTest, ReturnsWhatCameWithinTheDeadline)
{
    const ReadCase& c = GetParam();
    Port port("COM7");
    ASSERT_TRUE(port.Open());
    SetTimeouts(port.handle, c.timeouts);
    for (const Arrival& a : c.arrivals) {
        if (a.afterMs == 0) {
            pty.Send(a.bytes);
        }
    }
    usleep(20000);  // let the pty hand over what is already there
    const auto start = Clock::now();
    std::thread device([&] {
        for (const Arrival& a : c.arrivals) {
            if (a.afterMs != 0) {
                std::this_thread::sleep_until(start + std::chrono::milliseconds(a.afterMs));
                pty.Send(a.bytes);
            }
        }
    });
    std::vector<unsigned char> buffer(c.asked + 8, 0xEE);
    DWORD got = 99;
    const BOOL ok = ReadFile(port.handle, buffer.data(), c.asked, &got, nullptr);
    const long long elapsed = MillisSince(start);
    device.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, c.expected);
    EXPECT_GE(elapsed, c.atLeastMs);
    EXPECT_LE(elapsed, c.atMostMs);
    std::vector<unsigned char> sent;
    for (const Arrival& a : c.arrivals) {
        sent.insert(sent.end(), a.bytes.begin(), a.bytes.end());
    }
    sent.resize(std::min<std::size_t>(sent.size(), c.asked));
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + got), sent);
    EXPECT_EQ(buffer[c.asked], 0xEE);
}

INSTANTIATE_TEST_SUITE_P(
    Timeouts, ReadTimeoutTest,
    ::testing::Values(
        ReadCase{"ShortCountAfterTheTotal", {0, 0, 300, 0, 0}, 5, {{0, {1, 2, 3}}}, 3, 300, 2300},
        ReadCase{"NothingGivesZeroAfterTheTotal", {0, 0, 300, 0, 0}, 5, {}, 0, 300, 2300},
        ReadCase{"PiecesCompletePromptly", {0, 0, 5000, 0, 0}, 5, {{30, {1, 2}}, {90, {3, 4, 5}}}, 5, 0, 2500},
        ReadCase{"MultiplierTimesCountPlusConstant", {0, 60, 100, 0, 0}, 5, {}, 0, 400, 2400},
        ReadCase{"IntervalMaxdwordReturnsAtOnce", {MAXDWORD, 0, 0, 0, 0}, 5, {{0, {7, 8}}}, 2, 0, 1000},
        ReadCase{"IntervalAfterTheLastByte", {300, 0, 0, 0, 0}, 5, {{0, {1, 2}}, {50, {3}}}, 3, 300, 2300},
        ReadCase{"AllZeroWaitsForTheCount", {0, 0, 0, 0, 0}, 4, {{100, {1, 2}}, {150, {3, 4}}}, 4, 50, 5000},
        ReadCase{"MaxdwordMultiplierReturnsOnTheFirstBytes", {MAXDWORD, MAXDWORD, 3000, 0, 0}, 5, {{100, {9}}}, 1,
                 50, 2500}),
    [](const ::testing::TestParamInfo<ReadCase>& param) { return std::string(param.param.what); });

TEST_F(SerialTest, AWriteTimeoutGivesAShortCount)
{
    Port port("COM7");
    ASSERT_TRUE(port.Open());
    SetTimeouts(port.handle, {0, 0, 0, 0, 200});
    // Nobody reads the master: the pty's queue fills and the rest waits for the deadline.
    std::vector<unsigned char> lots(1 << 20, 0x55);
    DWORD written = 0;
    const auto start = Clock::now();
    EXPECT_TRUE(WriteFile(port.handle, lots.data(), static_cast<DWORD>(lots.size()), &written, nullptr));
    const long long elapsed = MillisSince(start);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, lots.size());
    EXPECT_GE(elapsed, 200);
    EXPECT_LE(elapsed, 3000);
}

TEST_F(SerialTest, PurgeEmptiesUnreadInput)
{
    Port port("COM7");
    ASSERT_TRUE(port.Open());
    pty.Send({1, 2, 3, 4});
    int queued = 0;
    for (int i = 0; i < 200 && queued < 4; ++i) {
        usleep(5000);
        ioctl(pty.slave, FIONREAD, &queued);
    }
    ASSERT_EQ(queued, 4);
    EXPECT_TRUE(PurgeComm(port.handle, PURGE_TXCLEAR | PURGE_RXCLEAR));
    SetTimeouts(port.handle, {0, 0, 100, 0, 0});
    unsigned char in[4] = {};
    EXPECT_EQ(Read(port.handle, in, 4), 0u);
    pty.Send({5, 6});
    EXPECT_EQ(Read(port.handle, in, 2), 2u);
    EXPECT_EQ(in[0], 5);
    EXPECT_FALSE(PurgeComm(port.handle, 0x100));
    EXPECT_TRUE(PurgeComm(port.handle, PURGE_TXABORT | PURGE_RXABORT));
}

TEST_F(SerialTest, AFarEndThatGoesAwayEndsReadsAndWritesAtOnce)
{
    Port port("COM7");
    ASSERT_TRUE(port.Open());
    SetTimeouts(port.handle, {0, 0, 5000, 0, 5000});
    const auto start = Clock::now();
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pty.CloseMaster();
    });
    unsigned char in[5] = {};
    EXPECT_EQ(Read(port.handle, in, 5), 0u);
    EXPECT_LT(MillisSince(start), 2500);
    unplug.join();

    const auto again = Clock::now();
    EXPECT_EQ(Read(port.handle, in, 5), 0u);
    DWORD written = 99;
    const unsigned char out[] = {1, 2, 3};
    WriteFile(port.handle, out, sizeof out, &written, nullptr);
    EXPECT_EQ(written, 0u);
    EXPECT_LT(MillisSince(again), 2500);
    port.Close();

    // The device comes back as a new pty under the same name.
    Pty replacement;
    Link(portFolder, "COM7", replacement.slavePath);
    Port reopened("COM7");
    ASSERT_TRUE(reopened.Open());
    replacement.Send({0x33});
    SetTimeouts(reopened.handle, {0, 0, 1000, 0, 0});
    EXPECT_EQ(Read(reopened.handle, in, 1), 1u);
    EXPECT_EQ(in[0], 0x33);
}

}  // namespace
