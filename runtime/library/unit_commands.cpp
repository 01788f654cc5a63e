// message_box and the commands that act on a unit's window: set_focus, has_focus,
// append_text.
#include "dtu_library_texts.h"
#include "platform/backend.h"
#include "runtime/form_host.h"
#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"

namespace rt {
namespace {

constexpr uint32_t kSystemModal = 0x1000, kTaskModal = 0x2000;

bool shown_as_text(uint32_t tag) { return is_numeric(tag) || tag == kText || tag == kLogical || tag == kDateTime; }

// The unit's live window; a reference to a unit that does not exist or is gone is the
// runtime error raised by the form runtime.
UnitWindow window_of(const Value& unit) { return form_host().unit_window(unit.low, unit.high, /*strict=*/true); }

}  // namespace

void cmd_message_box(Value* result, int, Value* args) {
  std::string message = shown_as_text(args[0].tag) ? convert::to_text(args[0]) : std::string();
  std::string_view caption = args[2].tag == kText ? convert::text_of(args[2])
                                                  : library_texts::text_at(library_texts::kDefaultCaption);
  uint32_t style = static_cast<uint32_t>(cmd::int_or(args[1], 0));
  if (!(style & kSystemModal)) style |= kTaskModal;
  int id = platform::backend().message_box(message, caption, style);
  cmd::result_int(result, id > 0 ? id - 1 : 0);
}

void cmd_set_focus(Value*, int, Value* args) { platform::backend().set_focus(window_of(args[0]).window); }

// The unit has the focus when its own window holds it. (A combo box's edit field is not a
// separate window with our backends: the combo's handle itself holds the focus, so the
// edit-child rule of the type flag needs no parent lookup.)
void cmd_has_focus(Value* result, int, Value* args) {
  platform::Handle window = window_of(args[0]).window;
  platform::Handle focus = platform::backend().focus();
  cmd::result_logical(result, focus != 0 && focus == window);
}

// The edit box unit appends (and keeps its log bounded); a missing unit is the runtime
// error, also when no text follows.
void cmd_append_text(Value*, int arg_count, Value* args) {
  window_of(args[0]);
  for (int i = 1; i < arg_count; ++i)
    if (args[i].tag == kText) form_host().append_text(args[0].low, args[0].high, convert::text_of(args[i]));
}

}  // namespace rt
