#include <winsock2.h>
#include <windows.h>

#include <io.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/platform.h"
#include "platform/win32_text.h"

namespace fw::platform {

namespace {

bool Fail(std::string* reason, DWORD code = GetLastError()) {
  if (reason) *reason = SystemWords(code);
  return false;
}

HANDLE H(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool File::Open(const std::string& path, Mode mode, std::string* reason) {
  Close();
  DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
  switch (mode) {
    case Mode::kRead:
      break;
    case Mode::kAppend:
      // Appending data only, without the right to write elsewhere: each
      // write lands whole at the end, as O_APPEND does.
      access = GENERIC_READ | FILE_APPEND_DATA;
      disposition = OPEN_ALWAYS;
      break;
    case Mode::kReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      break;
    case Mode::kCreateNew:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_NEW;
      break;
  }
  // Other programs may read, write, rename and delete while it is open, as
  // on POSIX systems; FILE_FLAG_BACKUP_SEMANTICS lets a folder be opened, so
  // that it can be told apart from a file.
  const HANDLE h = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(reason);
  handle_ = reinterpret_cast<std::intptr_t>(h);
  if (mode != Mode::kRead && IsFolder()) {
    Close();
    return Fail(reason, ERROR_DIRECTORY);
  }
  return true;
}

bool File::IsOpen() const { return handle_ != -1; }

void File::Close() {
  if (handle_ != -1) CloseHandle(H(handle_));
  handle_ = -1;
}

bool File::IsFolder() const {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(H(handle_), &info) != 0 &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::uint64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(handle_), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool File::ReadAt(std::uint64_t offset, char* buffer, std::size_t size, std::size_t* got, std::string* reason) const {
  // A read at an offset moves a Windows file's position, a POSIX pread does
  // not: the position is put back, so that Read goes on where it was.
  LARGE_INTEGER was{}, zero{};
  SetFilePointerEx(H(handle_), zero, &was, FILE_CURRENT);
  struct PutBack {
    HANDLE h;
    LARGE_INTEGER at;
    ~PutBack() { SetFilePointerEx(h, at, nullptr, FILE_BEGIN); }
  } put_back{H(handle_), was};
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD n = 0;
  if (!ReadFile(H(handle_), buffer, static_cast<DWORD>(size), &n, &at)) {
    if (GetLastError() != ERROR_HANDLE_EOF) return Fail(reason);
    n = 0;
  }
  *got = n;
  return true;
}

bool File::Read(char* buffer, std::size_t size, std::size_t* got, std::string* reason) {
  DWORD n = 0;
  if (!ReadFile(H(handle_), buffer, static_cast<DWORD>(size), &n, nullptr)) {
    if (GetLastError() != ERROR_HANDLE_EOF && GetLastError() != ERROR_BROKEN_PIPE) return Fail(reason);
    n = 0;
  }
  *got = n;
  return true;
}

bool File::WriteAll(std::string_view bytes, std::string* reason) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!WriteFile(H(handle_), bytes.data() + done, chunk, &n, nullptr)) return Fail(reason);
    if (n == 0) return Fail(reason, ERROR_DISK_FULL);
    done += n;
  }
  return true;
}

bool File::Flush(std::string* reason) { return FlushFileBuffers(H(handle_)) != 0 || Fail(reason); }

bool File::Lock(std::string* reason) {
  OVERLAPPED whole{};
  return LockFileEx(H(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0 || Fail(reason);
}

void File::Unlock() {
  OVERLAPPED whole{};
  UnlockFileEx(H(handle_), 0, MAXDWORD, MAXDWORD, &whole);
}

PathKind KindOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 ? PathKind::kFile : PathKind::kOther;
}

bool MakeFolders(const std::string& folder, std::string* reason) {
  // Past the drive ("C:\") or the share ("\\server\share\"), each folder in
  // turn.
  std::size_t start = 0;
  if (folder.size() >= 2 && folder[1] == ':') start = 2;
  if (folder.rfind("\\\\", 0) == 0) {
    const std::size_t server = folder.find_first_of("\\/", 2);
    start = server == std::string::npos ? folder.size() : folder.find_first_of("\\/", server + 1);
    if (start == std::string::npos) start = folder.size();
  }
  for (std::size_t at = start + 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '\\' && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (!CreateDirectoryW(Wide(part).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return Fail(reason);
    }
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* reason) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
         Fail(reason);
}

void RemoveFile(const std::string& path) { DeleteFileW(Wide(path).c_str()); }

// MOVEFILE_WRITE_THROUGH has made the rename durable already.
void FlushFolder(const std::string&) {}

char FolderSeparator() { return '\\'; }

PortNaming SystemPortNaming() { return PortNaming::kWindows; }

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool WaitSocket(int socket, bool for_writing, int timeout_ms) {
  WSAPOLLFD p{};
  p.fd = static_cast<SOCKET>(socket);
  p.events = for_writing ? POLLWRNORM : POLLRDNORM;
  return WSAPoll(&p, 1, timeout_ms) > 0;
}

// The command line Windows keeps is not the argv the program was given: no
// copy of it is overwritten here (and the database is not reached from
// Windows builds).
void HideArgument(char**, int, std::size_t) {}

std::string DataFolder(std::string* why) {
  PWSTR path = nullptr;
  std::string folder;
  const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path);
  if (found == S_OK && path != nullptr && path[0] != L'\0') folder = Utf8(path) + "\\Flashwright";
  CoTaskMemFree(path);
  if (folder.empty() && why != nullptr) {
    *why = "Flashwright's data folder (%LOCALAPPDATA%\\Flashwright) cannot be found: " +
           SystemWords(static_cast<DWORD>(found == S_OK ? ERROR_PATH_NOT_FOUND : HRESULT_CODE(found)));
  }
  return folder;
}

std::tm LocalTime(std::time_t t) {
  std::tm parts{};
  localtime_s(&parts, &t);
  return parts;
}

std::tm UtcTime(std::time_t t) {
  std::tm parts{};
  gmtime_s(&parts, &t);
  return parts;
}

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return "unknown";
  return Utf8(name);
}

std::vector<std::string> Arguments(int argc, char** argv) {
  // Text on the console in UTF-8, as everything inside is.
  SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

namespace {

std::atomic<volatile std::sig_atomic_t*> g_counter{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  volatile std::sig_atomic_t* counter = g_counter.load();
  if (counter == nullptr) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      *counter = *counter + 1;
      return TRUE;
    case CTRL_CLOSE_EVENT:
      // The console is going away: Windows ends the process once this
      // returns, so the handler holds it for as long as Windows allows
      // (about five seconds), time for a write to put the calibration back.
      *counter = *counter + 1;
      Sleep(10000);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void CatchStopRequests(volatile std::sig_atomic_t* counter) {
  g_counter = counter;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool IsTerminal(Stream stream) {
  FILE* file = stream == Stream::kIn ? stdin : stream == Stream::kOut ? stdout : stderr;
  return _isatty(_fileno(file)) != 0;
}

std::vector<std::string> ExpandPattern(const std::string& pattern) {
  std::vector<std::string> names;
  const std::size_t slash = pattern.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(Wide(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Utf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(folder + name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace fw::platform
