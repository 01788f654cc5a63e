#include "main/cli/settings_record.h"

namespace cli {

size_t settings_record_values(std::string_view record) {
  record = record.substr(0, record.find('\0'));
  size_t values = 0, pos = 0;
  for (;;) {
    const size_t separator = record.find("//", pos);
    if (separator == std::string_view::npos) return values + (pos < record.size() ? 1 : 0);
    ++values;
    pos = separator + 2;
  }
}

}  // namespace cli
