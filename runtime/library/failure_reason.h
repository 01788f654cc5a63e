// Why the most recent device operation failed, in the words the window shows (GBK): the
// command that failed leaves it here, and form code that reports the failure fetches it with
// the special-functions library's failure_reason. UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "runtime/value.h"

namespace rt {

void set_failure_reason(std::string_view gbk);
void clear_failure_reason();
const std::string& failure_reason();

// failure_reason() -> Text: the reason left by the most recent failure; empty when none.
void cmd_failure_reason(Value* result, int arg_count, Value* args);

}  // namespace rt
