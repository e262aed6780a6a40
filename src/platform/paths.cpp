#include "platform/platform.h"

namespace fw::platform {

// Both systems keep a file as one handle, -1 when none.
File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

File::~File() { Close(); }

std::string XdgDataFolder(const char* xdg_data_home, const char* home) {
  std::string base;
  if (xdg_data_home != nullptr && xdg_data_home[0] == '/') {
    base = xdg_data_home;
  } else if (home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.local/share";
  } else {
    base = ".";
  }
  return base + "/flashwright";
}

}  // namespace fw::platform
