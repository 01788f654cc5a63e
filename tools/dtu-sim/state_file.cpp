#include "tools/dtu-sim/state_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace dtusim {

std::string format_state(const Settings& settings) {
  std::string out;
  for (size_t i = 0; i < kSettingCount; ++i) {
    Key key = static_cast<Key>(i);
    out += std::string(key_name(key)) + "=" + settings.get(key) + "\n";
  }
  return out;
}

Settings parse_state(std::string_view text, std::vector<std::string>& problems) {
  Settings settings = Settings::factory();
  size_t number = 0;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    ++number;
    if (line.empty()) continue;
    size_t eq = line.find('=');
    auto key = eq == std::string_view::npos ? std::nullopt : key_from_name(line.substr(0, eq));
    auto value = key ? accept_value(*key, line.substr(eq + 1)) : std::nullopt;
    if (!value) {
      problems.push_back("line " + std::to_string(number) + " ignored");
      continue;
    }
    settings.put(*key, std::move(*value));
  }
  return settings;
}

LoadedState load_state(const std::string& path) {
  LoadedState state;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return state;
  state.found = true;
  std::ifstream in;
  if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    state.problems.push_back("cannot read " + path);
    return state;
  }
  std::string text;
  try {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {  // the stream library throws on some read errors
    state.problems.push_back("cannot read " + path);
    return state;
  }
  state.settings = parse_state(text, state.problems);
  return state;
}

std::string save_state(const std::string& path, const Settings& settings) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << format_state(settings);
    out.flush();
    if (!out) return "cannot write " + temp;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return "cannot replace " + path;
  }
  return "";
}

}  // namespace dtusim
