// termios for the own line, and the check of what the other side of a pseudo-terminal
// set (a pty has no real line, so a wrong baud rate or parity would go unnoticed).
#pragma once

#include <termios.h>

#include <cstdint>
#include <string>

#include "options.h"

namespace meqsim {

// Raw, 8 data bits, the parity of `line`, one stop bit, receiver on, no modem lines.
void MakeLine(termios& tio, const LineSettings& line);

// "9600 8N1" for the other side of a pseudo-terminal; "?" for a speed without a number.
// None and even parity cannot be told apart there: `expectedParity` decides.
std::string DescribeTermios(const termios& tio, std::uint8_t expectedParity);

// Empty when the terminal matches the own line and is raw; else a log note such as
// "line mismatch: 9600 8N1, expected 19200 8E1".
std::string CheckLine(const termios& tio, const LineSettings& line);

// Bytes written to the master side would come back: never answer such a terminal.
inline bool Echoes(const termios& tio) {
  return (tio.c_lflag & ECHO) != 0 || (tio.c_lflag & (ECHONL | ICANON)) == (ECHONL | ICANON);
}

// Seconds one character takes on the own line: start, 8 data, parity if any, 1 stop.
double CharacterTime(const LineSettings& line);

}  // namespace meqsim
