#include "portlink.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace meqsim {

namespace {

bool MakeFolders(const std::string& path, std::string& error) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
      error = "cannot create " + part + ": " + std::strerror(errno);
      return false;
    }
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = path + " is not a folder";
    return false;
  }
  return true;
}

std::string ReadLink(const std::string& path) {
  char buffer[4096];
  const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
  if (n < 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::string PortFolder() {
  const char* dir = std::getenv("MEQ_PORT_DIR");
  if (dir != nullptr && *dir != '\0') return dir;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* pw = ::getpwuid(::getuid());
    home = pw != nullptr ? pw->pw_dir : "/tmp";
  }
  return std::string(home) + "/.meq-config/ports";
}

bool PortLink::Create(const std::string& name, const std::string& target, std::string& error) {
  std::string folder = PortFolder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!MakeFolders(folder, error)) return false;
  const std::string path = folder + "/" + name;

  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = path + " exists and is not a link; not replaced";
    return false;
  }
  // Make the link beside it and rename it over the old one: never a moment without.
  const std::string temporary = folder + "/." + name + ".meq-sim." + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) {
    error = "cannot create link " + path + ": " + std::strerror(errno);
    return false;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot create link " + path + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  path_ = path;
  target_ = target;
  return true;
}

void PortLink::Remove() {
  if (path_.empty()) return;
  if (ReadLink(path_) == target_) ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace meqsim
