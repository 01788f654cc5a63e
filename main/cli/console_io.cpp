#include "main/cli/console_io.h"

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/console.h"

namespace cli {

void out(std::string_view text) { platform::console_write(platform::ConsoleStream::Out, text); }

void err(std::string_view line) { platform::console_write(platform::ConsoleStream::Error, std::string(line) + "\n"); }

void watch_stops(std::function<void(int exit_status, const char* what)> stop, Again again) {
  platform::watch_stop_requests([stop = std::move(stop), again](int exit_status, const char* what) {
    static std::atomic<int> requests{0};
    if (requests.fetch_add(1) > 0 && again == Again::EndAtOnce) {
      err(std::string("stopped by ") + what + " again: ending at once");
      std::_Exit(exit_status);
    }
    stop(exit_status, what);
  });
}

}  // namespace cli
