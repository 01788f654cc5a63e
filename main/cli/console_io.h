// The console program's two streams and its stop requests, for every command.
#pragma once

#include <functional>
#include <string_view>

namespace cli {

void out(std::string_view text);  // standard output, as it stands
void err(std::string_view line);  // one line to standard error

// What a later stop request does once the first has been passed on.
enum class Again {
  EndAtOnce,  // the work is stopping in order; should that hang, the next request ends the process
  PassOn,     // each request goes to the children, who stop themselves
};

// Calls `stop` with the exit status such a stop gives (130, 143) and what asked, on a thread
// of its own. Call once, before any other thread starts.
void watch_stops(std::function<void(int exit_status, const char* what)> stop, Again again);

}  // namespace cli
