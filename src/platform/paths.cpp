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
  if (xdg_data_home != nullptr && xdg_data_home[0] == '/') return std::string(xdg_data_home) + "/flashwright";
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/flashwright";
  return {};
}

std::string DataPath(const std::string& name, std::string* why) {
  const std::string folder = DataFolder(why);
  return folder.empty() ? folder : folder + FolderSeparator() + name;
}

}  // namespace fw::platform
