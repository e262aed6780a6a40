// flashwright-path: the installer's step that puts Flashwright's folder on
// the system's PATH and takes it off again. The registry is read and written
// with Win32 calls that have no length limit, so a PATH of any length is
// kept whole, and programs started afterwards are told of the change.
//   flashwright-path add FOLDER | remove FOLDER
// Exit status 0 done (or nothing to do), 1 the registry refused, 2 usage.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/path_entries.h"
#include "platform/win32_text.h"

namespace {

constexpr wchar_t kKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

int Fail(const char* what, LONG code) {
  std::fprintf(stderr, "flashwright-path: %s: %s\n", what, fw::platform::SystemWords(static_cast<DWORD>(code)).c_str());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (std::wstring(argv[1]) != L"add" && std::wstring(argv[1]) != L"remove")) {
    std::fprintf(stderr, "usage: flashwright-path add FOLDER | remove FOLDER\n");
    return 2;
  }
  const bool add = std::wstring(argv[1]) == L"add";
  const std::string folder = fw::platform::Utf8(argv[2]);
  HKEY key = nullptr;
  LONG r = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
  if (r != ERROR_SUCCESS) return Fail("the system's environment cannot be opened", r);
  // The value as stored, variables unexpanded, however long.
  DWORD type = REG_EXPAND_SZ, size = 0;
  std::wstring value;
  r = RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    r = RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (r != ERROR_SUCCESS) {
      RegCloseKey(key);
      return Fail("PATH cannot be read", r);
    }
    value.assign(buffer.data());
  } else if (r != ERROR_FILE_NOT_FOUND) {
    RegCloseKey(key);
    return Fail("PATH cannot be read", r);
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    RegCloseKey(key);
    std::fprintf(stderr, "flashwright-path: PATH is not text in the registry: left as it is\n");
    return 1;
  }
  const std::string before = fw::platform::Utf8(value.c_str());
  const std::string after = add ? fw::cli::AddPathEntry(before, folder) : fw::cli::RemovePathEntry(before, folder);
  if (after != before) {
    const std::wstring wide = fw::platform::Wide(after);
    r = RegSetValueExW(key, L"Path", 0, type, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    if (r != ERROR_SUCCESS) {
      RegCloseKey(key);
      return Fail("PATH cannot be written", r);
    }
    // Programs started from now on (a new command prompt) see the change.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
  }
  RegCloseKey(key);
  return 0;
}
