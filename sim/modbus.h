// Frame-level helpers of MODBUS RTU: CRC-16/MODBUS and big-endian words.
#pragma once

#include <cstddef>
#include <cstdint>

namespace meqsim {

// Largest RTU frame on the wire (address + PDU of 253 bytes + CRC).
inline constexpr std::size_t MAX_FRAME = 256;
// Room for a longest reply plus the trailing bytes that a fault may add.
inline constexpr std::size_t REPLY_CAPACITY = 2 * MAX_FRAME;

// CRC-16/MODBUS: init 0xFFFF, reflected polynomial 0xA001, no final XOR. Over a whole
// frame including its CRC (low byte first) it gives 0 exactly when the frame is intact.
inline std::uint16_t ComputeCrc(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < length; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ data[i]);
    for (int bit = 0; bit < 8; ++bit) {
      const bool lsb = (crc & 1u) != 0;
      crc = static_cast<std::uint16_t>(crc >> 1);
      if (lsb) crc = static_cast<std::uint16_t>(crc ^ 0xA001u);
    }
  }
  return crc;
}

// Appends the CRC of the first `length` bytes behind them; returns the new length.
inline std::size_t AppendCrc(std::uint8_t* frame, std::size_t length) {
  const std::uint16_t crc = ComputeCrc(frame, length);
  frame[length] = static_cast<std::uint8_t>(crc & 0xFF);
  frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
  return length + 2;
}

inline std::uint16_t GetWord(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline void PutWord(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 8);
  p[1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace meqsim
