// What saves leave beside the file they replace when they are cut short: the temporary that
// holds the new content and, on Windows, the old file moved aside under a temporary's name.
// Such a save may leave the file itself missing (a swap stopped half-way, or a power cut
// inside it), its content then surviving only in these leftovers. The start-up settles them
// the same way on every system: while the file is missing, the newest complete leftover is
// put back in its place before anything is removed; leftovers are removed only while the
// file is whole, and only those this computer's processes made and left behind when they
// ended (in a shared folder another computer's process ids say nothing here).
//
// Leftover names: "<prefix><mark>.<process id>.<n>", where the mark (eight hex digits) stands
// for the computer that made it; earlier versions wrote "<prefix><process id>.<n>", whose
// computer is unknown.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::leftovers {

// The mark of the computer named `computer_name` (letter case aside, as Windows' names go).
std::string computer_mark(std::string_view computer_name);

struct Name {
  std::optional<std::string> mark;  // none in an earlier version's name
  uint64_t pid = 0;
  uint64_t n = 0;
};
// Nullopt for any other name.
std::optional<Name> parse_name(std::string_view file_name, std::string_view prefix);
std::string make_name(std::string_view prefix, std::string_view mark, uint64_t pid, uint64_t n);

// The folder as each system sees it. Names are file names within it.
class Folder {
 public:
  struct Entry {
    std::string name;
    int64_t modified = 0;  // last write, in any unit that orders
  };
  virtual ~Folder() = default;
  // The files whose names start with the prefix.
  virtual std::vector<Entry> entries() = 0;
  // Whether something has that name (a file that cannot be read included).
  virtual bool exists(const std::string& name) = 0;
  // A file's content; nullopt when it is missing, unreadable or larger than `limit` bytes.
  virtual std::optional<std::string> content(const std::string& name, size_t limit) = 0;
  // Moves the leftover to the target's name, never over a file that has it, and makes that
  // last through a power cut before returning.
  virtual bool put_back(const std::string& leftover) = 0;
  virtual void remove(const std::string& name) = 0;
  // Whether a process of this computer with that id still runs (this one included).
  virtual bool running(uint64_t pid) = 0;
};

// Settles the leftovers of `target` (a name in the folder). `complete` judges whether a
// content is a whole file of its kind (a save cut short while writing leaves a part). False
// while the target is missing and a complete leftover remains that could not be put back:
// nothing else may take the target's place then.
bool settle(Folder& folder, std::string_view prefix, std::string_view mark, const std::string& target,
            const std::function<bool(std::string_view content)>& complete);

}  // namespace platform::leftovers
