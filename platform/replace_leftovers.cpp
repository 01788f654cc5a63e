#include "platform/replace_leftovers.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace platform::leftovers {
namespace {

// Far more than any file saved this way; a larger leftover is no copy of it.
constexpr size_t kContentLimit = 16u << 20;

std::optional<uint64_t> number(std::string_view text) {
  uint64_t value = 0;
  if (text.empty() || text.size() > 20) return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool is_mark(std::string_view text) {
  return text.size() == 8 &&
         std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

struct Found {
  Folder::Entry entry;
  Name name;
};

}  // namespace

// FNV-1a: stable across versions and systems, which is all a mark needs.
std::string computer_mark(std::string_view computer_name) {
  uint32_t hash = 2166136261u;
  for (char c : computer_name) {
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    hash *= 16777619u;
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hash));
  return text;
}

std::optional<Name> parse_name(std::string_view file_name, std::string_view prefix) {
  if (file_name.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::string_view rest = file_name.substr(prefix.size());
  std::vector<std::string_view> parts;
  for (size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1))
    parts.push_back(rest.substr(0, dot));
  parts.push_back(rest);
  Name name;
  if (parts.size() == 3) {
    if (!is_mark(parts[0])) return std::nullopt;
    name.mark = std::string(parts[0]);
    parts.erase(parts.begin());
  }
  if (parts.size() != 2) return std::nullopt;
  const std::optional<uint64_t> pid = number(parts[0]), n = number(parts[1]);
  if (!pid || !n || *pid == 0) return std::nullopt;
  name.pid = *pid;
  name.n = *n;
  return name;
}

std::string make_name(std::string_view prefix, std::string_view mark, uint64_t pid, uint64_t n) {
  return std::string(prefix) + std::string(mark) + "." + std::to_string(pid) + "." + std::to_string(n);
}

bool settle(Folder& folder, std::string_view prefix, std::string_view mark, const std::string& target,
            const std::function<bool(std::string_view)>& complete) {
  std::vector<Found> found;
  for (Folder::Entry& entry : folder.entries()) {
    if (std::optional<Name> name = parse_name(entry.name, prefix)) found.push_back({std::move(entry), *name});
  }
  // A process of this computer that still runs may be saving right now (an earlier version's
  // name may be this computer's too): what it made is left to it.
  const auto busy = [&](const Name& n) { return (!n.mark || *n.mark == mark) && folder.running(n.pid); };

  const std::optional<std::string> now = folder.content(target, kContentLimit);
  bool whole = now && complete(*now);
  if (!now && !folder.exists(target)) {
    // Newest first; of two written within the clock's step, the later name.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
      return a.entry.modified != b.entry.modified ? a.entry.modified > b.entry.modified : a.name.n > b.name.n;
    });
    for (auto it = found.begin(); it != found.end(); ++it) {
      if (busy(it->name)) continue;
      const std::optional<std::string> content = folder.content(it->entry.name, kContentLimit);
      if (!content || !complete(*content)) continue;
      // Only the newest complete copy: an older one put back instead would let the newer be
      // removed as a leftover of a whole file.
      if (!folder.put_back(it->entry.name)) return false;
      found.erase(it);
      whole = true;
      break;
    }
  }
  if (!whole) return true;
  for (const Found& f : found) {
    if (f.name.mark && *f.name.mark == mark && !busy(f.name)) folder.remove(f.entry.name);
  }
  return true;
}

}  // namespace platform::leftovers
