#include "framelog.h"

#include <cerrno>
#include <cstring>

namespace meqsim {

FrameLog::~FrameLog() {
  if (owned_ && file_ != nullptr) std::fclose(file_);
}

bool FrameLog::Open(const std::string& path, std::string& error) {
  if (path == "-") {
    file_ = stderr;
    return true;
  }
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    error = "cannot open log " + path + ": " + std::strerror(errno);
    return false;
  }
  owned_ = true;
  return true;
}

void FrameLog::Write(double seconds, const char* direction, const std::uint8_t* bytes,
                     std::size_t length, std::string_view note) {
  if (file_ == nullptr) return;
  static const char HEX[] = "0123456789ABCDEF";
  std::string line;
  line.reserve(32 + 3 * length + note.size());
  char head[48];
  std::snprintf(head, sizeof head, "%.6f %s", seconds, direction);
  line += head;
  for (std::size_t i = 0; i < length; ++i) {
    line += ' ';
    line += HEX[bytes[i] >> 4];
    line += HEX[bytes[i] & 0x0F];
  }
  if (!note.empty()) {
    line += "  # ";
    line += note;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

}  // namespace meqsim
