#include "cli/path_entries.h"

#include <cctype>
#include <vector>

namespace fw::cli {

namespace {

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> entries(1);
  bool quoted = false;
  for (const char c : path) {
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) {
      entries.emplace_back();
    } else {
      entries.back() += c;
    }
  }
  return entries;
}

// The folder an entry names, as compared.
std::string Folder(std::string entry) {
  std::string out;
  for (const char c : entry) {
    if (c != '"') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  while (out.size() > 1 && (out.back() == '\\' || out.back() == '/')) out.pop_back();
  return out;
}

bool Same(const std::string& a, const std::string& b) { return !Folder(a).empty() && Folder(a) == Folder(b); }

}  // namespace

std::string AddPathEntry(const std::string& path, const std::string& entry) {
  if (path.empty()) return entry;
  for (const std::string& e : Split(path)) {
    if (Same(e, entry)) return path;
  }
  // Always a separator of its own, so that taking the entry off again gives
  // the PATH back exactly, a trailing ";" included.
  return path + ";" + entry;
}

std::string RemovePathEntry(const std::string& path, const std::string& entry) {
  const std::vector<std::string> entries = Split(path);
  std::string out;
  bool first = true, removed = false;
  for (const std::string& e : entries) {
    if (Same(e, entry)) {
      removed = true;
      continue;
    }
    if (!first) out += ';';
    out += e;
    first = false;
  }
  return removed ? out : path;
}

}  // namespace fw::cli
