#include "log/safe_file.h"

#include <atomic>

#include "platform/platform.h"

namespace fw {

namespace {

using platform::File;

bool Refuse(std::string* error, const char* what, const std::string& path, const std::string& why) {
  if (error) *error = std::string(what) + " \"" + path + "\". " + why;
  return false;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of(platform::FolderSeparator() == '/' ? "/" : "/\\");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// A name beside `path` that no other writer uses: this process's number and
// a count of its own.
std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> count{0};
  return path + "." + std::to_string(platform::ProcessId()) + "." + std::to_string(count++) + ".tmp";
}

}  // namespace

bool AppendDurably(const std::string& path, const std::string& text, std::string* error) {
  std::string why;
  if (!platform::MakeFolders(FolderOf(path), &why)) return Refuse(error, "Cannot create the folder of", path, why);
  File file;
  if (!file.Open(path, File::Mode::kAppend, &why)) return Refuse(error, "Cannot open file", path, why);
  // A line torn by an earlier crash is ended first, so that it does not
  // swallow the new one.
  std::string whole = text;
  const std::optional<std::uint64_t> size = file.Size();
  char last = '\n';
  std::size_t got = 0;
  if (size && *size > 0 && file.ReadAt(*size - 1, &last, 1, &got, nullptr) && got == 1 && last != '\n') {
    whole.insert(whole.begin(), '\n');
  }
  // One write: in append mode the line lands whole at the end even when
  // another process appends to the same file.
  if (!file.WriteAll(whole, &why) || !file.Flush(&why)) return Refuse(error, "Cannot write file", path, why);
  return true;
}

bool ReplaceFileSafely(const std::string& path, const std::string& content, std::string* error) {
  // The temporary file is made in the target's own folder, so that the
  // rename never crosses a file system.
  const std::string temporary = TemporaryBeside(path);
  std::string why;
  File file;
  if (!file.Open(temporary, File::Mode::kCreateNew, &why)) return Refuse(error, "Cannot create file", path, why);
  bool done = file.WriteAll(content, &why) && file.Flush(&why);
  file.Close();
  done = done && platform::RenameOver(temporary, path, &why);
  if (!done) {
    platform::RemoveFile(temporary);
    return Refuse(error, "Cannot write file", path, why);
  }
  // The new name in the folder reaches the disk too.
  platform::FlushFolder(FolderOf(path));
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* content, std::string* error) {
  std::string why;
  File file;
  if (!file.Open(path, File::Mode::kRead, &why)) return Refuse(error, "Cannot open file", path, why);
  if (file.IsFolder()) return Refuse(error, "Cannot open file", path, "Is a directory");
  content->clear();
  char buffer[65536];
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(buffer, sizeof buffer, &got, &why)) return Refuse(error, "Cannot read file", path, why);
    if (got == 0) break;
    content->append(buffer, got);
  }
  return true;
}

}  // namespace fw
