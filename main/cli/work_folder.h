// A private folder that stands in for the program's own folder while the console program
// runs the tool: the tool keeps its settings file "data.txt" there, so a read's --save and a
// write's --from go through the tool's own save and load, and the window's data.txt beside
// the program is never touched. Removed again when dropped.
#pragma once

#include <string>

namespace cli {

class WorkFolder {
 public:
  WorkFolder();  // path() is empty when no folder could be made
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string settings_file() const { return path_ + "/data.txt"; }
  void remove();

 private:
  std::string path_;
};

// The whole content of a file; false when it cannot be read.
bool read_whole_file(const std::string& path, std::string& bytes);
bool write_whole_file(const std::string& path, const std::string& bytes);

}  // namespace cli
