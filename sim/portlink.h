// The named link in the per-user port folder (COM7 -> /dev/pts/3), through which the
// tool finds a virtual port by a Windows-like name.
#pragma once

#include <string>

namespace meqsim {

// $MEQ_PORT_DIR when set and not empty, else $HOME/.meq-config/ports.
std::string PortFolder();

class PortLink {
 public:
  PortLink() = default;
  ~PortLink() { Remove(); }
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  // Makes the folder when missing and the link `name` -> `target`, replacing an older
  // link of that name (but no other kind of file).
  bool Create(const std::string& name, const std::string& target, std::string& error);

  // Removes the link if it still points to our target (another run may have taken it).
  void Remove();

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string target_;
};

}  // namespace meqsim
