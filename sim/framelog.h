// One line per frame, flushed at once so that a test can follow it while we run:
//   0.012345 rx 01 04 00 00 00 04 F1 C9  # note
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace meqsim {

class FrameLog {
 public:
  FrameLog() = default;
  ~FrameLog();
  FrameLog(const FrameLog&) = delete;
  FrameLog& operator=(const FrameLog&) = delete;

  // "-" is standard error. False when the file cannot be opened.
  bool Open(const std::string& path, std::string& error);

  // `seconds` since the start; direction "rx" or "tx".
  void Write(double seconds, const char* direction, const std::uint8_t* bytes, std::size_t length,
             std::string_view note = {});

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
};

}  // namespace meqsim
