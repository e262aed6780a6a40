#include "production/kept_file.h"

#include <nlohmann/json.hpp>

#include "log/safe_file.h"
#include "platform/platform.h"

namespace fw {

std::string KeptFilePath(const std::string& folder, const std::string& chip, const std::string& utc_time) {
  std::string stamp;
  for (const char c : utc_time) {
    if (c != ':' && c != '-') stamp.push_back(c);  // a name Windows takes too
  }
  return folder + platform::FolderSeparator() + chip + "-" + stamp + "-" + std::to_string(platform::ProcessId()) +
         ".kept.json";
}

bool SaveKeptFile(const std::string& path, const KeptFile& kept, std::string* error) {
  nlohmann::ordered_json o;
  o["chip"] = kept.chip;
  if (kept.request.eeprom) o["eeprom"] = kept.contents.eeprom;
  if (kept.request.user_ids) o["user_ids"] = kept.contents.user_ids;
  if (kept.request.program) {
    o["program_first"] = kept.request.program->first;
    o["program_last"] = kept.request.program->second;
    o["program"] = kept.contents.program;
  }
  std::string why;
  const std::size_t slash = path.find_last_of("/\\");
  if (slash != std::string::npos && !platform::MakeFolders(path.substr(0, slash), &why)) {
    if (error) *error = "cannot make the folder of " + path + ": " + why;
    return false;
  }
  return ReplaceFileSafely(path, o.dump(1) + "\n", error);
}

std::optional<KeptFile> LoadKeptFile(const std::string& path, std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, &text, error)) return std::nullopt;
  const nlohmann::json o = nlohmann::json::parse(text, nullptr, false);
  auto refuse = [&](const std::string& why) -> std::optional<KeptFile> {
    if (error) *error = path + " is not a kept copy: " + why;
    return std::nullopt;
  };
  if (!o.is_object() || !o.contains("chip") || !o["chip"].is_string()) return refuse("no chip named");
  KeptFile kept;
  kept.chip = o["chip"].get<std::string>();
  try {
    if (o.contains("eeprom")) {
      kept.request.eeprom = true;
      kept.contents.eeprom = o["eeprom"].get<std::vector<std::uint8_t>>();
    }
    if (o.contains("user_ids")) {
      kept.request.user_ids = true;
      kept.contents.user_ids = o["user_ids"].get<std::vector<std::uint16_t>>();
    }
    if (o.contains("program")) {
      kept.request.program = {o.at("program_first").get<std::uint32_t>(), o.at("program_last").get<std::uint32_t>()};
      kept.contents.program = o["program"].get<std::vector<std::uint16_t>>();
    }
  } catch (const nlohmann::json::exception& e) {
    return refuse(e.what());
  }
  if (!kept.request.any()) return refuse("nothing kept in it");
  if (kept.request.user_ids && kept.contents.user_ids.size() != 4) return refuse("not four user IDs");
  if (kept.request.program &&
      (kept.request.program->second < kept.request.program->first ||
       kept.contents.program.size() != kept.request.program->second - kept.request.program->first + 1)) {
    return refuse("the program words do not fill their range");
  }
  for (const std::uint16_t w : kept.contents.program) {
    if (w > 0x3FFF) return refuse("a program word past 14 bits");
  }
  for (const std::uint16_t w : kept.contents.user_ids) {
    if (w > 0x3FFF) return refuse("a user ID past 14 bits");
  }
  return kept;
}

}  // namespace fw
