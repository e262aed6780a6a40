#include "log/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace fw {

namespace {

std::string Reason(const char* what, const std::string& path, int error_number) {
  return std::string(what) + " \"" + path + "\". " + std::strerror(error_number);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the folders of `folder` that are missing, as mkdir -p does.
int MakeFolders(const std::string& folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

}  // namespace

bool AppendDurably(const std::string& path, const std::string& text, std::string* error) {
  if (const int failure = MakeFolders(FolderOf(path)); failure != 0) {
    if (error) *error = Reason("Cannot create the folder of", path, failure);
    return false;
  }
  const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = Reason("Cannot open file", path, errno);
    return false;
  }
  // A line torn by an earlier crash is ended first, so that it does not
  // swallow the new one.
  std::string whole = text;
  struct stat info{};
  char last = '\n';
  if (fstat(fd, &info) == 0 && info.st_size > 0 && pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n') {
    whole.insert(whole.begin(), '\n');
  }
  // One write: with O_APPEND the line lands whole at the end even when
  // another process appends to the same file.
  ssize_t n;
  do {
    n = write(fd, whole.data(), whole.size());
  } while (n < 0 && errno == EINTR);
  int failure = n < 0 ? errno : static_cast<std::size_t>(n) != whole.size() ? ENOSPC : 0;
  if (failure == 0 && fdatasync(fd) != 0) failure = errno;
  if (close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0) {
    if (error) *error = Reason("Cannot write file", path, failure);
    return false;
  }
  return true;
}

bool ReplaceFileSafely(const std::string& path, const std::string& content, std::string* error) {
  // mkstemp in the target's own folder, so that the rename never crosses a
  // file system.
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    if (error) *error = Reason("Cannot create file", path, errno);
    return false;
  }
  const std::string temporary(name.data());
  // mkstemp makes the file private; a saved file gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::size_t done = 0;
  int failure = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (failure == 0 && fsync(fd) != 0) failure = errno;
  if (close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) failure = errno;
  if (failure != 0) {
    unlink(temporary.c_str());
    if (error) *error = Reason("Cannot write file", path, failure);
    return false;
  }
  // The new name in the folder reaches the disk too.
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* content, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    if (error) *error = Reason("Cannot open file", path, errno);
    return false;
  }
  struct stat info{};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(fd);
    if (error) *error = Reason("Cannot open file", path, EISDIR);
    return false;
  }
  content->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int failure = errno;
      close(fd);
      if (error) *error = Reason("Cannot read file", path, failure);
      return false;
    }
    if (n == 0) break;
    content->append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return true;
}

}  // namespace fw
