#include "link/posix_serial_device.h"

// termios2 (any baud rate) comes from the kernel's headers, which cannot be
// mixed with the C library's <termios.h>.
#include <asm/termbits.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fw {

namespace {

constexpr unsigned kBaud = 250000;
constexpr int kWriteTimeoutMs = 20000;

class PosixSerialDevice final : public SerialDevice {
 public:
  explicit PosixSerialDevice(int fd) : fd_(fd) {}
  ~PosixSerialDevice() override {
    flock(fd_, LOCK_UN);
    close(fd_);
  }

  bool GetState() override {
    termios2 t{};
    return ioctl(fd_, TCGETS2, &t) == 0;
  }

  bool SetState() override {
    termios2 t{};
    if (ioctl(fd_, TCGETS2, &t) != 0) return false;
    // Raw 8-bit: every byte value passes unchanged, nothing is echoed or
    // translated, no flow control; 8 data bits, no parity, 2 stop bits.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD | BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = kBaud;
    t.c_ospeed = kBaud;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (ioctl(fd_, TCSETS2, &t) != 0) return false;
    // A driver may keep its old speed and still report success: read back.
    termios2 back{};
    if (ioctl(fd_, TCGETS2, &back) != 0) return false;
    const auto near = [](unsigned speed) { return speed >= kBaud * 98 / 100 && speed <= kBaud * 102 / 100; };
    const bool framed = (back.c_cflag & CSIZE) == CS8 && (back.c_cflag & CSTOPB) && !(back.c_cflag & PARENB);
    if (!near(back.c_ospeed) || !framed) return false;
    AskForLowLatency();
    return true;
  }

  void Purge() override { ioctl(fd_, TCFLSH, TCIOFLUSH); }

  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = write(fd_, bytes + done, length - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;  // EIO: the line is gone
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) return false;
      if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
    return true;
  }

  // Waits until the bytes have left the adapter, so that a programming or
  // erase wait starts when the chip has its command. A signal (the operator
  // stopping the tool) must not cut the drain short, or the wait would start
  // before the chip has the command.
  void Drain() override {
    while (ioctl(fd_, TCSBRK, 1) != 0 && errno == EINTR) {
    }
  }

  int BytesWaiting() override {
    int n = 0;
    return ioctl(fd_, FIONREAD, &n) == 0 ? n : 0;
  }

  int Read(std::uint8_t* bytes, int length) override {
    const ssize_t n = read(fd_, bytes, static_cast<std::size_t>(length));
    return n > 0 ? static_cast<int>(n) : 0;
  }

 private:
  // FTDI adapters otherwise hold every answer back for their 16 ms latency
  // timer. Not every driver knows the call; that is no error.
  void AskForLowLatency() {
    serial_struct info{};
    if (ioctl(fd_, TIOCGSERIAL, &info) == 0) {
      info.flags |= ASYNC_LOW_LATENCY;
      ioctl(fd_, TIOCSSERIAL, &info);
    }
  }

  int fd_;
};

std::string ProcessName(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// Another process that has the character device `device` open, as fuser
// finds it: its id and name, or nothing. Processes this user may not look
// into are passed over.
std::string HolderOf(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return {};
  const std::string self = std::to_string(getpid());
  std::string holder;
  while (const dirent* entry = readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit) || pid == self) continue;
    const std::string fds = "/proc/" + pid + "/fd";
    DIR* dir = opendir(fds.c_str());
    if (dir == nullptr) continue;
    while (const dirent* fd = readdir(dir)) {
      struct stat st{};
      if (fd->d_name[0] == '.' || stat((fds + "/" + fd->d_name).c_str(), &st) != 0) continue;
      if (S_ISCHR(st.st_mode) && st.st_rdev == device) {
        holder = ProcessName(pid) + ", process " + pid;
        break;
      }
    }
    closedir(dir);
    if (!holder.empty()) break;
  }
  closedir(proc);
  return holder;
}

std::string InUse(const std::string& by) {
  return "    the port is in use by another program" + (by.empty() ? std::string() : " (" + by + ")");
}

std::string Denied() {
  return "    permission denied: add your user to the dialout group (sudo usermod -aG dialout $USER) "
         "and log in again";
}

}  // namespace

std::unique_ptr<SerialDevice> OpenPosixSerialDevice(const std::string& path, std::string* why) {
  auto refuse = [why](std::string reason) -> std::unique_ptr<SerialDevice> {
    if (why) *why = std::move(reason);
    return nullptr;
  };
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return refuse("    the port does not exist: " + path);
    if (errno == EACCES) return refuse(Denied());
    return refuse(std::string("    ") + std::strerror(errno));
  }
  if (!S_ISCHR(st.st_mode)) return refuse("    " + path + " is not a serial port");
  if (const std::string by = HolderOf(st.st_rdev); !by.empty()) return refuse(InUse(by));

  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) return refuse(Denied());
    if (errno == EBUSY) return refuse(InUse(""));
    if (errno == ENOENT || errno == ENXIO || errno == ENODEV) return refuse("    the port does not exist: " + path);
    return refuse(std::string("    ") + std::strerror(errno));
  }
  // Opening raised DTR and RTS; they go down before anything else happens
  // (a pseudo-terminal has no modem lines and refuses, harmlessly).
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIC, &lines);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return refuse(InUse(""));
  }
  ioctl(fd, TIOCEXCL);
  return std::make_unique<PosixSerialDevice>(fd);
}

std::unique_ptr<SerialDevice> OpenSystemSerialDevice(const std::string& path, std::string* why) {
  return OpenPosixSerialDevice(path, why);
}

std::vector<std::string> ListSerialPorts() {
  // A tty with a device behind it in sysfs is a real port; the built-in
  // legacy ports (ttyS*) are listed only where a driver claims them.
  std::vector<std::string> ports;
  DIR* dir = opendir("/sys/class/tty");
  if (dir == nullptr) return ports;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name[0] == '.') continue;
    const std::string base = "/sys/class/tty/" + name + "/device";
    struct stat st{};
    if (stat(base.c_str(), &st) != 0) continue;
    if (name.rfind("ttyS", 0) == 0) {
      // The 8250 driver registers every possible legacy port; only those
      // with a real UART report a port type other than 0.
      std::ifstream type("/sys/class/tty/" + name + "/type");
      int t = 0;
      if (!(type >> t) || t == 0) continue;
    }
    if (stat(("/dev/" + name).c_str(), &st) != 0) continue;
    ports.push_back(name);
  }
  closedir(dir);
  std::sort(ports.begin(), ports.end());
  return ports;
}

}  // namespace fw
