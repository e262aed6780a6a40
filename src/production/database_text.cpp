// What a database run checks and says without a server: series names, and
// libpq's messages made safe to print. Built with or without libpq.

#include <string>

#include "production/production_record.h"
#include "production/database_store.h"

namespace fw {

std::string SeriesNameProblem(const std::string& name) {
  if (!IsValidUtf8(name)) return "a serial series' name is UTF-8 text";
  std::size_t characters = 0;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      return "a serial series' name holds no control characters (line breaks, tabs)";
    }
    if ((byte & 0xC0) != 0x80) ++characters;
  }
  if (characters > 64) return "a serial series' name is at most 64 characters";
  return {};
}

namespace {

// The password a connection string or URI carries, if any.
std::string PasswordOf(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme != std::string::npos) {
    const std::size_t at = url.find('@', scheme + 3);
    const std::size_t colon = url.find(':', scheme + 3);
    if (at != std::string::npos && colon != std::string::npos && colon < at) return url.substr(colon + 1, at - colon - 1);
  }
  const std::size_t key = url.find("password");
  if (key == std::string::npos) return {};
  std::size_t v = url.find('=', key);
  if (v == std::string::npos) return {};
  ++v;
  while (v < url.size() && url[v] == ' ') ++v;
  const bool quoted = v < url.size() && url[v] == '\'';
  const std::size_t end = url.find(quoted ? '\'' : ' ', v + (quoted ? 1 : 0));
  return url.substr(v + (quoted ? 1 : 0), end == std::string::npos ? std::string::npos : end - v - (quoted ? 1 : 0));
}

void Blank(std::string& text, const std::string& secret) {
  if (secret.empty()) return;
  for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at)) {
    text.replace(at, secret.size(), "***");
  }
}

}  // namespace

std::string WithoutSecrets(const std::string& message, const std::string& url) {
  std::string text;
  // libpq names the token it could not read, or the whole URI, in double
  // quotes: what is wrong is said without them.
  bool quoted = false;
  for (const char c : message) {
    if (c == '"') {
      quoted = !quoted;
      if (quoted) text += "(given)";
      continue;
    }
    if (!quoted) text += (c == '\n' || c == '\r') ? ' ' : c;
  }
  Blank(text, url);
  Blank(text, PasswordOf(url));
  while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
  return text;
}

}  // namespace fw
