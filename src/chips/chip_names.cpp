#include "chips/catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Chip names as people type them: any letter case, the menu captions of
// combined entries, and the nearest names when none matches.

namespace fw {

namespace {

// A chip name as typed: upper case, without blanks.
std::string Folded(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (c != ' ') folded += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return folded;
}

// Every name an entry answers to: its own, its menu caption ("PIC16F636 /
// 639"), and each chip of a combined entry.
std::vector<std::string> NamesOf(const ChipEntry& e) {
  const std::string name = Folded(e.ChipName);
  std::vector<std::string> names{name};
  const std::size_t slash = name.find('/');
  if (slash != std::string::npos) {
    const std::string first = name.substr(0, slash), second = name.substr(slash + 1);
    names.push_back(first);
    names.push_back(second);
    std::size_t common = 0;
    while (common < first.size() && common < second.size() && first[common] == second[common]) ++common;
    while (common > 0 && std::isdigit(static_cast<unsigned char>(first[common - 1]))) --common;
    names.push_back(first + "/" + second.substr(common));
  }
  return names;
}

std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

bool ChipNameOrder(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      const std::string x = a.substr(i, ei - i), y = b.substr(j, ej - j);
      // Equal numbers of digits compare as text; a longer number is larger.
      const std::string_view xs = std::string_view(x).substr(std::min(x.find_first_not_of('0'), x.size()));
      const std::string_view ys = std::string_view(y).substr(std::min(y.find_first_not_of('0'), y.size()));
      if (xs.size() != ys.size()) return xs.size() < ys.size();
      if (xs != ys) return xs < ys;
      i = ei;
      j = ej;
      continue;
    }
    const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
    const char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j])));
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

const ChipEntry* FindChipByName(const std::string& name) {
  const std::string wanted = Folded(name);
  for (const ChipEntry& e : KnownChips()) {
    for (const std::string& n : NamesOf(e)) {
      if (n == wanted) return &e;
    }
  }
  return nullptr;
}

std::vector<std::string> NearestChipNames(const std::string& name, std::size_t count) {
  const std::string wanted = Folded(name);
  std::vector<std::pair<std::size_t, const char*>> ranked;
  for (const ChipEntry& e : KnownChips()) {
    std::size_t best = SIZE_MAX;
    for (const std::string& n : NamesOf(e)) best = std::min(best, Distance(wanted, n));
    ranked.emplace_back(best, e.ChipName);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count && i < ranked.size(); ++i) names.push_back(ranked[i].second);
  return names;
}

}  // namespace fw
