#pragma once

#include <csignal>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the core needs of the operating system beyond standard C++: files
// that are flushed, replaced and locked as the durable records need, the
// data folder, the time of day, the host's name, the stop requests and the
// console. One implementation per system (posix.cpp, win32.cpp), chosen by
// the build; nothing above this folder asks which system it runs on.
// Paths are UTF-8 throughout; the Windows side turns them into wide
// characters at the system's door.
namespace fw::platform {

// An open file. Reasons come back in words, as the system says them.
class File {
 public:
  enum class Mode {
    kRead,         // an existing file, read only
    kAppend,       // made when missing; every write lands at the end
    kReadWrite,    // made when missing; read and written in place
    kCreateNew,    // made here, refused when the name exists
  };

  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  ~File();

  bool Open(const std::string& path, Mode mode, std::string* reason);
  bool IsOpen() const;
  void Close();
  // Whether the name is a folder rather than a file.
  bool IsFolder() const;
  std::optional<std::uint64_t> Size() const;
  // Up to `size` bytes from `offset` (0 at the end of the file), leaving
  // where Read goes on unchanged; false on an error, with the reason.
  bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size, std::size_t* got, std::string* reason) const;
  // Up to `size` bytes from where the last read ended (0 at the end); pipes
  // and devices too.
  bool Read(char* buffer, std::size_t size, std::size_t* got, std::string* reason);
  // Every byte of `bytes`, or false with the reason (a full disk included).
  bool WriteAll(std::string_view bytes, std::string* reason);
  // To the disk, not only to the system's cache.
  bool Flush(std::string* reason);
  // An exclusive lock on the whole file between processes, waited for.
  bool Lock(std::string* reason);
  void Unlock();

 private:
  std::intptr_t handle_ = -1;
};

// What `path` names: nothing, an ordinary file, or something else (a
// folder, a device, a FIFO, a socket), which a reader could wait on or read
// without end. Asked without opening it.
enum class PathKind { kMissing, kFile, kOther };
PathKind KindOf(const std::string& path);

// Makes the folders of `folder` that are missing, as mkdir -p does, private
// to the user where the system has such a notion.
bool MakeFolders(const std::string& folder, std::string* reason);
// `from` takes the name `to`, replacing a file there, in one step.
bool RenameOver(const std::string& from, const std::string& to, std::string* reason);
void RemoveFile(const std::string& path);
// The folder's entry for a file just renamed to the disk (POSIX); nothing
// where the rename is durable by itself.
void FlushFolder(const std::string& folder);
// The folder separator of this system's paths.
char FolderSeparator();
// How this system names serial ports: /dev/ttyUSB0, or COM3 (\\.\COM3).
enum class PortNaming { kPosix, kWindows };
PortNaming SystemPortNaming();
int ProcessId();

// Where Flashwright keeps what must outlive a run (the calibration record,
// kept copies, spools): XdgDataFolder of the environment on POSIX systems,
// %LOCALAPPDATA%\Flashwright (the known folder) on Windows. Empty, with the
// reason in `why`, when the system names none: never a folder of wherever
// the program was started, where a record would not be found again.
std::string DataFolder(std::string* why = nullptr);
// `name` in the data folder; empty (with `why`) when there is none.
std::string DataPath(const std::string& name, std::string* why = nullptr);
// $XDG_DATA_HOME/flashwright (a relative XDG_DATA_HOME is to be ignored),
// else ~/.local/share/flashwright (HOME absolute), else empty; either may be
// null.
std::string XdgDataFolder(const char* xdg_data_home, const char* home);

std::tm LocalTime(std::time_t t);
std::tm UtcTime(std::time_t t);
std::string HostName();

// The program's arguments as UTF-8 (Windows gives them in wide characters;
// POSIX systems pass them through).
std::vector<std::string> Arguments(int argc, char** argv);

// Stop requests from the console: Ctrl+C, and on POSIX SIGTERM and SIGHUP,
// on Windows Ctrl+Break and closing the console. Each one counts one in
// `*counter`; the process is not ended, the operation stops at its next
// point that loses nothing. A reader of standard output that goes away must
// not end the process either.
void CatchStopRequests(volatile std::sig_atomic_t* counter);

// Waits up to `timeout_ms` for a socket (a database connection's) to be
// readable (or writable): true when it is, false on a timeout or an error.
bool WaitSocket(int socket, bool for_writing, int timeout_ms);

// Overwrites the text of argument `index` of the program's own argv from
// character `from` on (a password in a database URL), so that other users'
// process lists no longer show it; the program keeps its own copy. Nothing
// where the system does not show the arguments so.
void HideArgument(char** argv, int index, std::size_t from = 0);

enum class Stream { kIn, kOut, kErr };
bool IsTerminal(Stream stream);

// The names a pattern with * ? [ matches, in order; nothing when none does.
std::vector<std::string> ExpandPattern(const std::string& pattern);

}  // namespace fw::platform
