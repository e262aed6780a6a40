#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace fw::platform {

namespace {

std::string Said(int error_number) { return std::strerror(error_number); }

bool Fail(std::string* reason, int error_number) {
  if (reason) *reason = Said(error_number);
  return false;
}

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

bool File::Open(const std::string& path, Mode mode, std::string* reason) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY;
      break;
    case Mode::kAppend:
      flags |= O_RDWR | O_APPEND | O_CREAT;
      break;
    case Mode::kReadWrite:
      flags |= O_RDWR | O_CREAT;
      break;
    case Mode::kCreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
  }
  // 0666 less the user's umask: a saved file gets the usual permissions.
  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) return Fail(reason, errno);
  handle_ = fd;
  return true;
}

bool File::IsOpen() const { return handle_ >= 0; }

void File::Close() {
  if (handle_ >= 0) close(Fd(handle_));
  handle_ = -1;
}

bool File::IsFolder() const {
  struct stat info {};
  return fstat(Fd(handle_), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::uint64_t> File::Size() const {
  struct stat info {};
  if (fstat(Fd(handle_), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool File::ReadAt(std::uint64_t offset, char* buffer, std::size_t size, std::size_t* got, std::string* reason) const {
  for (;;) {
    const ssize_t n = pread(Fd(handle_), buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(reason, errno);
    *got = static_cast<std::size_t>(n);
    return true;
  }
}

bool File::Read(char* buffer, std::size_t size, std::size_t* got, std::string* reason) {
  for (;;) {
    const ssize_t n = read(Fd(handle_), buffer, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(reason, errno);
    *got = static_cast<std::size_t>(n);
    return true;
  }
}

bool File::WriteAll(std::string_view bytes, std::string* reason) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(Fd(handle_), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(reason, errno);
    if (n == 0) return Fail(reason, ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::Flush(std::string* reason) { return fsync(Fd(handle_)) == 0 || Fail(reason, errno); }

bool File::Lock(std::string* reason) {
  while (flock(Fd(handle_), LOCK_EX) != 0) {
    if (errno != EINTR) return Fail(reason, errno);
  }
  return true;
}

void File::Unlock() { flock(Fd(handle_), LOCK_UN); }

PathKind KindOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return PathKind::kMissing;
  return S_ISREG(info.st_mode) ? PathKind::kFile : PathKind::kOther;
}

bool MakeFolders(const std::string& folder, std::string* reason) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return Fail(reason, errno);
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* reason) {
  return std::rename(from.c_str(), to.c_str()) == 0 || Fail(reason, errno);
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

void FlushFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

char FolderSeparator() { return '/'; }

PortNaming SystemPortNaming() { return PortNaming::kPosix; }

int ProcessId() { return static_cast<int>(getpid()); }

bool WaitSocket(int socket, bool for_writing, int timeout_ms) {
  pollfd p{};
  p.fd = socket;
  p.events = for_writing ? POLLOUT : POLLIN;
  // An interrupted wait (a stop request) is a timeout: the caller asks its
  // stop flag next.
  return poll(&p, 1, timeout_ms) > 0;
}

// ps and /proc/PID/cmdline show the argv area itself: overwriting it hides
// the text from other users once the program has copied it.
void HideArgument(char** argv, int index, std::size_t from) {
  char* text = argv[index];
  if (text != nullptr && std::strlen(text) > from) std::memset(text + from, 'x', std::strlen(text) - from);
}

std::string DataFolder(std::string* why) {
  const std::string folder = XdgDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  if (folder.empty() && why != nullptr) {
    *why = "Flashwright's data folder ($XDG_DATA_HOME/flashwright or ~/.local/share/flashwright) cannot be "
           "found: neither XDG_DATA_HOME nor HOME names an absolute folder";
  }
  return folder;
}

std::tm LocalTime(std::time_t t) {
  std::tm parts{};
  localtime_r(&t, &parts);
  return parts;
}

std::tm UtcTime(std::time_t t) {
  std::tm parts{};
  gmtime_r(&t, &parts);
  return parts;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

namespace {

std::atomic<volatile std::sig_atomic_t*> g_counter{nullptr};

void OnStopSignal(int) {
  volatile std::sig_atomic_t* counter = g_counter.load();
  if (counter != nullptr) *counter = *counter + 1;
}

}  // namespace

void CatchStopRequests(volatile std::sig_atomic_t* counter) {
  g_counter = counter;
  // Not restarted, so that a question on the terminal is answered by Ctrl+C
  // too.
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool IsTerminal(Stream stream) {
  const int fd = stream == Stream::kIn ? STDIN_FILENO : stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO;
  return isatty(fd) != 0;
}

std::vector<std::string> ExpandPattern(const std::string& pattern) {
  std::vector<std::string> names;
  glob_t found{};
  if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) names.emplace_back(found.gl_pathv[i]);
  }
  globfree(&found);
  return names;
}

}  // namespace fw::platform
