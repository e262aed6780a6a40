#include <windows.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "link/system_serial.h"
#include "platform/win32_text.h"

namespace fw {

namespace {

constexpr DWORD kBaud = 250000;
constexpr DWORD kWriteTimeoutMs = 20000;

class Win32SerialDevice final : public SerialDevice {
 public:
  Win32SerialDevice(HANDLE port, HANDLE claim) : port_(port), claim_(claim) {}
  ~Win32SerialDevice() override {
    CloseHandle(port_);
    CloseHandle(claim_);
  }

  bool GetState() override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetCommState(port_, &dcb) != 0;
  }

  bool SetState() override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb)) return false;
    // Binary, 8 data bits, no parity, 2 stop bits, no flow control of any
    // kind, DTR and RTS off.
    dcb.BaudRate = kBaud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // The driver's answer is taken as it is: Wine reports 38400 for a
    // pseudo-terminal after accepting 250000, so a read-back would refuse
    // a port that works.
    if (!SetCommState(port_, &dcb)) return false;
    // Reads return at once with what has arrived; writes are bounded by
    // their own wait.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return SetCommTimeouts(port_, &timeouts) != 0;
  }

  void Purge() override { PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR); }

  // The port is used by one thread, one request at a time: plain blocking
  // calls, bounded by the port's timeouts. Under Wine an overlapped request
  // costs three to four times as much (about 0.1 ms a frame).
  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 65536));
      DWORD n = 0;
      if (!WriteFile(port_, bytes + done, chunk, &n, nullptr) || n == 0) return false;  // gone, or not taken in 20 s
      done += n;
    }
    return true;
  }

  // Until the bytes have left the port, so that a programming or erase wait
  // starts when the chip has its command.
  void Drain() override { FlushFileBuffers(port_); }

  int BytesWaiting() override {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port_, &errors, &status)) return 0;
    return static_cast<int>(std::min<DWORD>(status.cbInQue, 0x7FFFFFFF));
  }

  // With the timeouts above a read returns at once with what has arrived.
  int Read(std::uint8_t* bytes, int length) override {
    if (length <= 0) return 0;
    DWORD n = 0;
    if (!ReadFile(port_, bytes, static_cast<DWORD>(length), &n, nullptr)) return 0;
    return static_cast<int>(n);
  }

 private:
  HANDLE port_;
  HANDLE claim_;  // this process's claim on the port's name
};

// "\\.\COM3" and its number; 0 for a name that is not a COM port's.
unsigned ComNumber(const std::string& path) {
  const std::string prefix = "\\\\.\\COM";
  if (path.size() <= prefix.size() || path.size() > prefix.size() + 3) return 0;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(path[i])) != prefix[i]) return 0;
  }
  unsigned n = 0;
  for (std::size_t i = prefix.size(); i < path.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(path[i]))) return 0;
    n = n * 10 + static_cast<unsigned>(path[i] - '0');
  }
  return path[prefix.size()] == '0' ? 0 : n;
}

std::string PortName(const std::string& path) { return path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path; }

// A claim on the port's name for as long as Flashwright has it open: a named
// mutex every Flashwright process on the machine sees. Windows refuses a
// second open of a port by itself, but Wine does not, and two programs
// taking turns on one gateway corrupt each other's frames. Null, with
// `taken` set, when another process holds the claim.
HANDLE ClaimPort(const std::string& path, bool* taken) {
  std::string name = PortName(path);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  *taken = false;
  for (const char* space : {"Global\\", "Local\\"}) {
    const HANDLE claim = CreateMutexW(nullptr, FALSE, platform::Wide(std::string(space) + "Flashwright-port-" + name).c_str());
    if (claim == nullptr) continue;  // no right to the global names here: the session's then
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(claim);
      *taken = true;
      return nullptr;
    }
    return claim;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<SerialDevice> OpenSystemSerialDevice(const std::string& path, std::string* why) {
  auto refuse = [why](std::string reason) -> std::unique_ptr<SerialDevice> {
    if (why) *why = std::move(reason);
    return nullptr;
  };
  if (ComNumber(path) == 0) {
    return refuse("    " + PortName(path) + " is not a serial port: give COM1, COM2, ... (or \\\\.\\COM12)");
  }
  bool taken = false;
  const HANDLE claim = ClaimPort(path, &taken);
  if (taken) return refuse("    the port is in use by another Flashwright program: " + PortName(path));
  // Share mode 0: this process alone has the port while it is open.
  const HANDLE port = CreateFileW(platform::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (claim != nullptr) CloseHandle(claim);
    switch (code) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        return refuse("    the port does not exist: " + PortName(path));
      case ERROR_ACCESS_DENIED:
      case ERROR_SHARING_VIOLATION:
        // Windows does not say which program has it.
        return refuse("    the port is in use by another program, or access to it is denied");
      default:
        return refuse("    " + platform::SystemWords(code));
    }
  }
  // A name that opens but is no serial device (a driver of something else).
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetFileType(port) != FILE_TYPE_CHAR || !GetCommState(port, &dcb)) {
    CloseHandle(port);
    if (claim != nullptr) CloseHandle(claim);
    return refuse("    " + PortName(path) + " is not a serial port");
  }
  // Opening may have raised DTR and RTS; they go down before anything else.
  EscapeCommFunction(port, CLRDTR);
  EscapeCommFunction(port, CLRRTS);
  SetupComm(port, 4096, 4096);
  return std::make_unique<Win32SerialDevice>(port, claim);
}

std::vector<std::string> ListSerialPorts() {
  // The system's own list: every serial port driver enters its ports there.
  std::vector<std::string> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    wchar_t value[256];
    DWORD name_size = 256, value_size = sizeof value, type = 0;
    const LONG r = RegEnumValueW(key, i, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(value), &value_size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    value[std::min<DWORD>(value_size / sizeof(wchar_t), 255)] = L'\0';
    ports.push_back(platform::Utf8(value));
  }
  RegCloseKey(key);
  // COM2 before COM10.
  std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  return ports;
}

}  // namespace fw
