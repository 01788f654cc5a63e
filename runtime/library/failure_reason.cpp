#include "runtime/library/failure_reason.h"

#include "runtime/library/command_support.h"

namespace rt {
namespace {

std::string& reason() {
  static std::string text;
  return text;
}

}  // namespace

void set_failure_reason(std::string_view gbk) { reason() = gbk; }
void clear_failure_reason() { reason().clear(); }
const std::string& failure_reason() { return reason(); }

void cmd_failure_reason(Value* result, int, Value*) { cmd::result_text(result, reason()); }

}  // namespace rt
