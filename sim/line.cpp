#include "line.h"

namespace meqsim {

namespace {

struct Speed {
  speed_t code;
  std::uint32_t baud;
};

constexpr Speed SPEEDS[] = {
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

speed_t SpeedCode(std::uint32_t baud) {
  for (const Speed& s : SPEEDS)
    if (s.baud == baud) return s.code;
  return B0;
}

std::uint32_t BaudOf(speed_t code) {
  for (const Speed& s : SPEEDS)
    if (s.code == code) return s.baud;
  return 0;
}

// A pseudo-terminal clears PARENB (and forces CS8) on every tcsetattr, but keeps PARODD
// and CMSPAR: odd, mark and space stay visible there, none and even look alike and
// are taken as the parity we expect.
char ParityLetter(const termios& tio, std::uint8_t expected) {
  const bool odd = (tio.c_cflag & PARODD) != 0;
  if ((tio.c_cflag & CMSPAR) != 0) return odd ? 'M' : 'S';
  if (odd) return 'O';
  if ((tio.c_cflag & PARENB) != 0) return 'E';
  return expected == 2 ? 'E' : 'N';
}

int DataBits(const termios& tio) {
  switch (tio.c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

// The flags that change or swallow bytes on their way through the terminal.
std::string NotRaw(const termios& tio) {
  struct Flag {
    tcflag_t termios::*field;
    tcflag_t bit;
    const char* name;
  };
  static const Flag FLAGS[] = {
      {&termios::c_lflag, ICANON, "ICANON"}, {&termios::c_lflag, ECHO, "ECHO"},
      {&termios::c_lflag, ECHONL, "ECHONL"}, {&termios::c_lflag, ISIG, "ISIG"},
      {&termios::c_lflag, IEXTEN, "IEXTEN"}, {&termios::c_oflag, OPOST, "OPOST"},
      {&termios::c_iflag, ICRNL, "ICRNL"},   {&termios::c_iflag, INLCR, "INLCR"},
      {&termios::c_iflag, IGNCR, "IGNCR"},   {&termios::c_iflag, ISTRIP, "ISTRIP"},
      {&termios::c_iflag, IXON, "IXON"},     {&termios::c_iflag, PARMRK, "PARMRK"},
  };
  std::string names;
  for (const Flag& f : FLAGS) {
    if ((tio.*(f.field) & f.bit) == 0) continue;
    if (!names.empty()) names += ' ';
    names += f.name;
  }
  return names;
}

}  // namespace

void MakeLine(termios& tio, const LineSettings& line) {
  cfmakeraw(&tio);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | PARMRK);
  tio.c_iflag |= IGNBRK;
  tio.c_cflag &=
      ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | HUPCL);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  switch (line.parityIndex) {
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    default: break;
  }
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  const speed_t speed = SpeedCode(BAUD_RATES[line.baudIndex & 7]);
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
}

std::string DescribeTermios(const termios& tio, std::uint8_t expectedParity) {
  const std::uint32_t baud = BaudOf(cfgetospeed(&tio));
  std::string text = baud != 0 ? std::to_string(baud) : std::string("?");
  text += ' ';
  text += static_cast<char>('0' + DataBits(tio));
  text += ParityLetter(tio, expectedParity);
  text += (tio.c_cflag & CSTOPB) != 0 ? '2' : '1';
  return text;
}

std::string CheckLine(const termios& tio, const LineSettings& line) {
  const std::string actual = DescribeTermios(tio, line.parityIndex);
  const std::string expected = DescribeLine(line.baudIndex, line.parityIndex);
  // An input speed of 0 means "the same as the output speed".
  const speed_t in = cfgetispeed(&tio);
  const bool splitSpeed = in != B0 && in != cfgetospeed(&tio);
  const std::string raw = NotRaw(tio);
  if (actual == expected && !splitSpeed && raw.empty()) return {};
  std::string note = "line mismatch: " + actual;
  if (splitSpeed) note += " (input " + std::to_string(BaudOf(in)) + ")";
  if (!raw.empty()) note += " not raw (" + raw + ")";
  return note + ", expected " + expected;
}

double CharacterTime(const LineSettings& line) {
  const double bits = line.parityIndex == 0 ? 10.0 : 11.0;
  return bits / BAUD_RATES[line.baudIndex & 7];
}

}  // namespace meqsim
