// The two questions a program answers from its command line before any window opens:
// --help and --version. Every other argument is left alone (the toolkit may take its own);
// the tool itself interprets no command line.
#pragma once

#include <optional>
#include <ostream>

namespace tool {

// When the first argument is --help (-h) or --version (-V): writes the answer to `out` and
// returns the exit code. Otherwise nothing is written and the program runs.
std::optional<int> answer_command_line(int argc, const char* const* argv, std::ostream& out);

}  // namespace tool
