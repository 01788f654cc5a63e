// What the runtime core needs from the form runtime. The form runtime (forms/) implements it
// and the composing program registers that implementation at start-up, so the core never
// includes or links against the layers above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/window_types.h"
#include "runtime/event.h"

namespace rt {

struct UnitTypeRecord;

struct UnitWindow {
  platform::Handle window = 0;
  const UnitTypeRecord* type = nullptr;
};

// How the message loop ends: when a form's window has finally been destroyed and no form
// has a live window any more, the form runtime calls platform::backend().post_quit(0). The
// runtime's loop leaves on that request (rt::message_loop_started() in runtime/runtime_app.h
// tells whether the loop has begun; before it, the loop returns at once anyway). A quit posted while a handler waits inside a
// nested process_pending stays queued until the handler has returned to the loop.
class FormHost {
 public:
  virtual ~FormHost() = default;
  // Reads the template segment; false when it is truncated or inconsistent.
  virtual bool load_templates(const uint8_t* segment, size_t size, const void* code_base) = 0;
  virtual void free_templates() = 0;
  virtual bool load_form(uint32_t form_id) = 0;  // false: creation failed
  virtual bool any_form_alive() const = 0;
  // Unit's live window; `strict` raises the runtime error for unknown or dead units.
  virtual UnitWindow unit_window(uint32_t form_id, uint32_t unit_id, bool strict) = 0;
  // Appends text at the end of an edit box unit, as the traffic monitor grows (the form
  // runtime keeps such a log bounded). Addressed strictly, as unit_window; a unit that is no
  // edit box ignores it.
  virtual void append_text(uint32_t form_id, uint32_t unit_id, std::string_view gbk) = 0;
  virtual uint64_t read_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind) = 0;
  virtual void write_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind, uint64_t value,
                              uint32_t high_or_length) = 0;
  virtual int32_t raise_event(EventRecord& record) = 0;
  virtual void unit_destroyed(uint32_t form_id, uint32_t unit_id) = 0;
  // Offers the idle event to the forms; true while some form wants more idle time.
  virtual bool offer_idle(uint32_t elapsed_ms, bool first_of_period) = 0;
};

// The registered form host. Using it before one is registered ends the process with a
// message on standard error: a program that was not composed completely cannot run.
FormHost& form_host();
void set_form_host(FormHost* host);  // null unregisters (tests)
bool form_host_registered();

}  // namespace rt
