// Serial ports over termios with the Windows meaning of the calls: "\\.\NAME" opens a
// port exclusively, DCB maps onto termios, COMMTIMEOUTS bound every read and write with
// deadlines of our own (VMIN = VTIME = 0, poll on CLOCK_MONOTONIC), and a port that goes
// away makes reads and writes return at once.
#include "winapi.h"
#include "testing_kernel.h"
#include "handles.h"
#include "ports.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC
using Millis = std::chrono::milliseconds;

double commTimeoutScale = 1.0;

// A total timeout in milliseconds, after the tests' scale.
Millis::rep Scaled(unsigned long long milliseconds)
{
    return static_cast<Millis::rep>(static_cast<double>(milliseconds) * commTimeoutScale);
}

struct SerialDevice final : winapi_posix::KernelObject {
    int fd = -1;
    DWORD access = 0;
    // A pseudo-terminal has no wire: the kernel keeps every slave at CS8 without parity
    // whatever is set, so the frame format lives only in our record.
    bool pseudoTerminal = false;
    COMMTIMEOUTS timeouts{};
    DCB dcb{};  // as last set (or as found at open)
    bool locked = false;  // this handle holds the port; a failed open must not unlock it

    ~SerialDevice() override
    {
        if (locked) {
            // TIOCEXCL outlives our descriptor while another one (meq-sim's) keeps the
            // tty open; without this the next open by an ordinary user would get EBUSY.
            ioctl(fd, TIOCNXCL);
            flock(fd, LOCK_UN);
        }
        close(fd);
    }
};

SerialDevice* Device(HANDLE handle)
{
    SerialDevice* device = winapi_posix::LookupHandleAs<SerialDevice>(handle);
    if (device == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return device;
}

DWORD OpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case ELOOP:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EISDIR:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_GEN_FAILURE;
    }
}

struct BaudEntry {
    DWORD rate;
    speed_t speed;
};
constexpr BaudEntry BAUD_RATES[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::optional<speed_t> SpeedOf(DWORD rate)
{
    for (const BaudEntry& entry : BAUD_RATES) {
        if (entry.rate == rate) {
            return entry.speed;
        }
    }
    return std::nullopt;
}

std::optional<DWORD> RateOf(speed_t speed)
{
    for (const BaudEntry& entry : BAUD_RATES) {
        if (entry.speed == speed) {
            return entry.rate;
        }
    }
    return std::nullopt;
}

bool TcSetAttr(int fd, const termios& settings)
{
    int result = 0;
    do {
        result = tcsetattr(fd, TCSANOW, &settings);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Binary transfer: no echo, no line editing, no signals, no CR/NL mapping, no output
// processing, no XON/XOFF stripping of binary data (0x11 and 0x13 occur in frames);
// reads never block in the kernel, our own deadlines time them.
void MakeRaw(termios& t)
{
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                         IXON | IXANY | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

// The frame format and flow control that termios holds, in DCB terms.
void ReadBack(const termios& t, bool pseudoTerminal, DCB& dcb)
{
    if (const auto rate = RateOf(cfgetospeed(&t))) {
        dcb.BaudRate = *rate;
    }
    const tcflag_t c = t.c_cflag;
    if (!pseudoTerminal) {
        switch (c & CSIZE) {
        case CS5: dcb.ByteSize = 5; break;
        case CS6: dcb.ByteSize = 6; break;
        case CS7: dcb.ByteSize = 7; break;
        default: dcb.ByteSize = 8; break;
        }
        if ((c & PARENB) == 0) {
            dcb.Parity = NOPARITY;
        } else if ((c & CMSPAR) != 0) {
            dcb.Parity = (c & PARODD) != 0 ? MARKPARITY : SPACEPARITY;
        } else {
            dcb.Parity = (c & PARODD) != 0 ? ODDPARITY : EVENPARITY;
        }
    }
    if ((c & CSTOPB) == 0) {
        dcb.StopBits = ONESTOPBIT;
    } else {
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    }
    dcb.fOutxCtsFlow = (c & CRTSCTS) != 0;
    if ((c & CRTSCTS) == 0 && dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    }
    dcb.fOutX = (t.c_iflag & IXON) != 0;
    dcb.fInX = (t.c_iflag & IXOFF) != 0;
    dcb.fParity = (t.c_iflag & INPCK) != 0;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    dcb.fBinary = 1;
    dcb.DCBlength = sizeof(DCB);
}

void SetModemLine(int fd, int line, bool on)
{
    // A pseudo-terminal has no modem lines; the ioctl fails there and that is fine.
    ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

bool IsPseudoTerminal(int fd)
{
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    const unsigned int devMajor = major(st.st_rdev);
    return devMajor >= 136 && devMajor <= 143;
}

// Whole milliseconds until the deadline, rounded up so that poll never wakes early;
// -1 (wait for ever) without one.
int PollTimeout(std::optional<Clock::time_point> deadline)
{
    if (!deadline) {
        return -1;
    }
    const auto left = *deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    const auto ms = std::chrono::ceil<Millis>(left).count();
    return static_cast<int>(std::min<long long>(ms, 1000LL * 60 * 60));
}

std::optional<Clock::time_point> Earliest(std::optional<Clock::time_point> a, std::optional<Clock::time_point> b)
{
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return std::min(*a, *b);
}

// Writing to a tty whose far end is gone gives EIO, not SIGPIPE; should a driver raise
// SIGPIPE anyway, it is held back and discarded instead of ending the program.
class SigpipeGuard {
public:
    SigpipeGuard()
    {
        sigemptyset(&pipeOnly);
        sigaddset(&pipeOnly, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
        sigset_t pending;
        sigpending(&pending);
        wasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;
    ~SigpipeGuard()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            while (sigtimedwait(&pipeOnly, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

private:
    sigset_t pipeOnly;
    sigset_t previous;
    bool wasPending = false;
};

bool IsGoneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE || error == EBADF;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    (void)security;
    (void)templateFile;
    // Comm ports are exclusive whatever the share mode says, as on Windows.
    (void)shareMode;
    if (fileName == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition != OPEN_EXISTING || (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0) {
        SetLastError(creationDisposition != OPEN_EXISTING ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    // Only devices are offered, no file system: "\\.\" and a port name.
    static constexpr char DEVICE_PREFIX[] = "\\\\.\\";
    const std::string path = fileName;
    if (path.rfind(DEVICE_PREFIX, 0) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string name = path.substr(sizeof(DEVICE_PREFIX) - 1);
    if (!winapi_posix::IsAcceptablePortName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    const std::string target = winapi_posix::ResolvePortPath(name);

    const bool reading = (desiredAccess & GENERIC_READ) != 0;
    const bool writing = (desiredAccess & GENERIC_WRITE) != 0;
    const int mode = reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    // O_NONBLOCK stays: an open must not wait for carrier, and every wait is our poll.
    const int fd = open(target.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(OpenError(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto device = std::make_unique<SerialDevice>();
    device->fd = fd;
    device->access = desiredAccess;
    if (isatty(fd) == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // The lock is what keeps a second holder out (TIOCEXCL does not stop root); every
    // opener of the same tty, through any link, locks the same inode.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // What Windows reports for a COM port that is already open.
        SetLastError(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    device->locked = true;
    ioctl(fd, TIOCEXCL);

    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    MakeRaw(settings);
    if (!TcSetAttr(fd, settings) || tcgetattr(fd, &settings) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    device->pseudoTerminal = IsPseudoTerminal(fd);

    // The line keeps the speed, format and hardware flow control it had; the rest of the
    // record starts from the usual Windows values.
    DCB& dcb = device->dcb;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = CBR_9600;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;  // an open raises DTR and RTS on Linux too
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fTXContinueOnXoff = 1;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    ReadBack(settings, false, dcb);

    // Reads return at once with what has come until the caller sets its own timeouts;
    // writes wait until the kernel has taken every byte.
    device->timeouts.ReadIntervalTimeout = MAXDWORD;
    return winapi_posix::InsertHandle(std::move(device));
}

BOOL GetCommState(HANDLE file, LPDCB dcb)
{
    SerialDevice* device = Device(file);
    if (device == nullptr) {
        return FALSE;
    }
    if (dcb == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    termios settings{};
    if (tcgetattr(device->fd, &settings) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    DCB state = device->dcb;
    ReadBack(settings, device->pseudoTerminal, state);
    *dcb = state;
    return TRUE;
}

BOOL SetCommState(HANDLE file, LPDCB dcb)
{
    SerialDevice* device = Device(file);
    if (device == nullptr) {
        return FALSE;
    }
    if (dcb == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DCB wanted = *dcb;
    const std::optional<speed_t> speed = SpeedOf(wanted.BaudRate);
    // 1.5 stop bits exist only with 5 data bits, 2 only with more (as on Windows); DSR
    // flow control, DTR handshake and RTS toggling have no termios counterpart, so a
    // record asking for them is refused rather than half applied.
    const bool stopBitsValid = wanted.StopBits == ONESTOPBIT ||
                               (wanted.StopBits == ONE5STOPBITS && wanted.ByteSize == 5) ||
                               (wanted.StopBits == TWOSTOPBITS && wanted.ByteSize > 5);
    const bool softwareFlow = wanted.fOutX != 0 || wanted.fInX != 0;
    if (!speed || wanted.ByteSize < 5 || wanted.ByteSize > 8 || wanted.Parity > SPACEPARITY || !stopBitsValid ||
        wanted.fOutxDsrFlow != 0 || wanted.fDsrSensitivity != 0 || wanted.fDtrControl == DTR_CONTROL_HANDSHAKE ||
        wanted.fDtrControl > DTR_CONTROL_HANDSHAKE || wanted.fRtsControl == RTS_CONTROL_TOGGLE ||
        (softwareFlow && wanted.XonChar == wanted.XoffChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    termios previous{};
    if (tcgetattr(device->fd, &previous) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    termios next = previous;
    MakeRaw(next);
    cfsetispeed(&next, *speed);
    cfsetospeed(&next, *speed);
    tcflag_t c = next.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    c |= wanted.ByteSize == 5 ? CS5 : wanted.ByteSize == 6 ? CS6 : wanted.ByteSize == 7 ? CS7 : CS8;
    switch (wanted.Parity) {
    case ODDPARITY: c |= PARENB | PARODD; break;
    case EVENPARITY: c |= PARENB; break;
    case MARKPARITY: c |= PARENB | PARODD | CMSPAR; break;
    case SPACEPARITY: c |= PARENB | CMSPAR; break;
    default: break;
    }
    if (wanted.StopBits != ONESTOPBIT) {
        c |= CSTOPB;
    }
    if (wanted.fOutxCtsFlow != 0 || wanted.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        c |= CRTSCTS;
    }
    next.c_cflag = c;
    next.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | INPCK);
    if (wanted.fOutX != 0) {
        next.c_iflag |= IXON;
    }
    if (wanted.fInX != 0) {
        next.c_iflag |= IXOFF;
    }
    if (wanted.fParity != 0) {
        next.c_iflag |= INPCK;
    }
    if (softwareFlow) {
        next.c_cc[VSTART] = static_cast<cc_t>(wanted.XonChar);
        next.c_cc[VSTOP] = static_cast<cc_t>(wanted.XoffChar);
    }

    if (!TcSetAttr(device->fd, next)) {
        SetLastError(errno == EINVAL ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE);
        return FALSE;
    }
    // tcsetattr succeeds when any part took: compare what the driver holds now. A
    // pseudo-terminal always drops the size and parity enable; that is no refusal.
    termios now{};
    if (tcgetattr(device->fd, &now) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    tcflag_t checked = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    if (device->pseudoTerminal) {
        checked &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    }
    const tcflag_t checkedInput = IXON | IXOFF | INPCK;
    if ((now.c_cflag & checked) != (next.c_cflag & checked) ||
        (now.c_iflag & checkedInput) != (next.c_iflag & checkedInput) || cfgetospeed(&now) != *speed ||
        cfgetispeed(&now) != *speed) {
        TcSetAttr(device->fd, previous);
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    SetModemLine(device->fd, TIOCM_DTR, wanted.fDtrControl == DTR_CONTROL_ENABLE);
    if (wanted.fRtsControl != RTS_CONTROL_HANDSHAKE) {
        SetModemLine(device->fd, TIOCM_RTS, wanted.fRtsControl == RTS_CONTROL_ENABLE);
    }
    device->dcb = wanted;
    device->dcb.DCBlength = sizeof(DCB);
    device->dcb.fBinary = 1;  // the only mode Windows has
    return TRUE;
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    SerialDevice* device = Device(file);
    if (device == nullptr) {
        return FALSE;
    }
    if (timeouts == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *timeouts = device->timeouts;
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    SerialDevice* device = Device(file);
    if (device == nullptr) {
        return FALSE;
    }
    // All three read members MAXDWORD is the one combination the driver refuses.
    if (timeouts == nullptr ||
        (timeouts->ReadIntervalTimeout == MAXDWORD && timeouts->ReadTotalTimeoutMultiplier == MAXDWORD &&
         timeouts->ReadTotalTimeoutConstant == MAXDWORD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    device->timeouts = *timeouts;
    return TRUE;
}

namespace {
// The checks ReadFile and WriteFile share; the device to use, or null with the error set.
SerialDevice* StartTransfer(HANDLE handle, const void* buffer, DWORD count, LPDWORD counter,
                            LPOVERLAPPED overlapped, DWORD access)
{
    if (counter != nullptr) {
        *counter = 0;
    }
    SerialDevice* device = Device(handle);
    if (device == nullptr) {
        return nullptr;
    }
    if (overlapped != nullptr || (buffer == nullptr && count != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((device->access & access) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return device;
}
}  // namespace

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped)
{
    SerialDevice* device = StartTransfer(handle, buffer, toRead, read, overlapped, GENERIC_READ);
    if (device == nullptr) {
        return FALSE;
    }
    if (toRead == 0) {
        return TRUE;
    }

    // The documented meanings of COMMTIMEOUTS:
    //   interval MAXDWORD, totals 0: return at once with what is there;
    //   interval and multiplier MAXDWORD, constant between: return as soon as anything
    //     is there, waiting at most the constant for the first byte;
    //   otherwise a total deadline of multiplier x count + constant from the start (none
    //     when both are 0) and, once a byte came, an interval deadline after each byte
    //     (none when the interval is 0). All zero waits until the count is complete.
    const COMMTIMEOUTS t = device->timeouts;
    const auto start = Clock::now();
    const bool immediate =
        t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    const bool anyByte = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                         t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD;
    std::optional<Clock::time_point> totalDeadline;
    std::optional<Millis> interval;
    if (anyByte) {
        totalDeadline = start + Millis(t.ReadTotalTimeoutConstant);
    } else if (!immediate) {
        if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
            const auto total = static_cast<unsigned long long>(t.ReadTotalTimeoutMultiplier) * toRead +
                               t.ReadTotalTimeoutConstant;
            totalDeadline = start + Millis(Scaled(total));
        }
        if (t.ReadIntervalTimeout != 0) {
            interval = Millis(t.ReadIntervalTimeout);
        }
    }

    auto* bytes = static_cast<BYTE*>(buffer);
    DWORD got = 0;
    bool hungUp = false;
    bool gone = false;
    std::optional<Clock::time_point> intervalDeadline;
    for (;;) {
        const ssize_t n = ::read(device->fd, bytes + got, toRead - got);
        if (n > 0) {
            DWORD added = static_cast<DWORD>(n);
            if (device->dcb.fNull != 0) {
                BYTE* const from = bytes + got;
                added = static_cast<DWORD>(std::remove(from, from + added, BYTE{0}) - from);
            }
            got += added;
            if (interval && added != 0) {
                intervalDeadline = Clock::now() + *interval;
            }
            if (got == toRead || (anyByte && got != 0)) {
                break;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            gone = IsGoneError(errno);
            if (!gone) {
                SetLastError(ERROR_GEN_FAILURE);
                return FALSE;
            }
            break;
        }
        // Nothing to read now.
        if (hungUp) {
            gone = true;
            break;
        }
        if (immediate || (anyByte && got != 0)) {
            break;
        }
        const int wait = PollTimeout(Earliest(totalDeadline, intervalDeadline));
        if (wait == 0) {
            break;
        }
        pollfd pfd{device->fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, wait);
        if (ready < 0 && errno != EINTR) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            hungUp = true;  // one more read takes what may still be queued
        }
    }
    if (read != nullptr) {
        *read = got;
    }
    if (gone && got == 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped)
{
    SerialDevice* device = StartTransfer(handle, buffer, toWrite, written, overlapped, GENERIC_WRITE);
    if (device == nullptr) {
        return FALSE;
    }

    const COMMTIMEOUTS& t = device->timeouts;
    std::optional<Clock::time_point> deadline;
    if (t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0) {
        const auto total =
            static_cast<unsigned long long>(t.WriteTotalTimeoutMultiplier) * toWrite + t.WriteTotalTimeoutConstant;
        deadline = Clock::now() + Millis(Scaled(total));
    }

    const auto* bytes = static_cast<const BYTE*>(buffer);
    DWORD done = 0;
    bool gone = false;
    while (done < toWrite) {
        ssize_t n = 0;
        int error = 0;
        {
            SigpipeGuard guard;
            n = ::write(device->fd, bytes + done, toWrite - done);
            error = errno;
        }
        if (n > 0) {
            done += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && error == EINTR) {
            continue;
        }
        if (n < 0 && error != EAGAIN) {
            gone = IsGoneError(error);
            if (!gone) {
                SetLastError(ERROR_GEN_FAILURE);
                return FALSE;
            }
            break;
        }
        const int wait = PollTimeout(deadline);
        if (wait == 0) {
            break;  // timed out: a short count
        }
        pollfd pfd{device->fd, POLLOUT, 0};
        const int ready = poll(&pfd, 1, wait);
        if (ready < 0 && errno != EINTR) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            gone = true;
            break;
        }
    }
    if (written != nullptr) {
        *written = done;
    }
    if (gone && done == 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

BOOL PurgeComm(HANDLE file, DWORD flags)
{
    SerialDevice* device = Device(file);
    if (device == nullptr) {
        return FALSE;
    }
    if ((flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Every read and write is synchronous on the caller's thread: nothing is pending that
    // the abort flags could abort.
    const bool tx = (flags & PURGE_TXCLEAR) != 0;
    const bool rx = (flags & PURGE_RXCLEAR) != 0;
    if (!tx && !rx) {
        return TRUE;
    }
    if (tcflush(device->fd, tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

namespace testing_kernel {

void SetCommTimeoutScale(double scale)
{
    commTimeoutScale = scale < 0 ? 0 : scale;
}

double CommTimeoutScale()
{
    return commTimeoutScale;
}

}  // namespace testing_kernel
