// The form runtime: the registry of loaded form templates with each unit's live object, and
// the operations the runtime core reaches through rt::FormHost (property access, event
// dispatch, form loading and teardown). One instance, used on the UI thread only.
//
// Ends the message loop: when a form's window is gone and no form has a live window any
// more, it posts the quit request (platform::backend().post_quit(0)).
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "forms/template.h"
#include "forms/unit.h"
#include "runtime/form_host.h"
#include "runtime/library.h"

namespace forms {

// A unit of a loaded template with what the program may change in its record, and its live
// object (null while the form is not loaded).
struct UnitSlot {
  const UnitRecord* record = nullptr;
  platform::Geometry geometry;  // stored position and size (container coordinates)
  std::string tag;
  uint32_t state_flags = 0;
  std::vector<uint8_t> mouse_pointer;
  std::unique_ptr<Unit> object;

  uint32_t id() const { return record->id; }
  platform::Handle live_window() const;  // 0 when there is no object or its window is gone
};

struct FormSlot {
  Form* form = nullptr;
  std::vector<UnitSlot> units;  // template order; units[0] is the form's own unit
  std::unordered_map<uint32_t, size_t> by_id;
  bool building = false;  // inside load_form: teardown must not end the loop

  uint32_t id() const { return form->id; }
  platform::Handle window() const { return units[0].live_window(); }
  UnitSlot* find(uint32_t unit_id);  // 0 and the own id = the form's own unit
};

class FormRuntime final : public rt::FormHost, public UnitOwner {
 public:
  // ---- rt::FormHost
  bool load_templates(const uint8_t* segment, size_t size, const void* code_base) override;
  void free_templates() override;
  bool load_form(uint32_t form_id) override;
  bool any_form_alive() const override;
  rt::UnitWindow unit_window(uint32_t form_id, uint32_t unit_id, bool strict) override;
  void append_text(uint32_t form_id, uint32_t unit_id, std::string_view gbk) override;
  uint64_t read_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind) override;
  void write_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind, uint64_t value,
                      uint32_t high_or_length) override;
  // ---- rt::FormHost and UnitOwner
  // Returns the handler's result; the record's `handled` tells whether one ran.
  int32_t raise_event(rt::EventRecord& record) override;
  void unit_destroyed(uint32_t form_id, uint32_t unit_id) override;
  // ---- rt::FormHost
  bool offer_idle(uint32_t elapsed_ms, bool first_of_period) override;

  // ---- for the units of this layer
  FormSlot* find_form(uint32_t form_id);
  Unit* unit_object(uint32_t form_id, uint32_t unit_id);
  // The form's answer to a key pressed in one of its units; true = the form used it.
  bool handle_key(uint32_t form_id, uint32_t unit_id, platform::KeyPress key);
  // The close request path (close box, Esc): close requested (1), then destroy the form
  // unless a handler returned false.
  void request_close(uint32_t form_id);
  // Moves the focus to the next (or previous) tab stop after the given unit.
  void move_focus(uint32_t form_id, uint32_t from_unit_id, bool backwards);
  std::pair<uint32_t, uint32_t> current_event_source() const { return current_source_; }

  // Template's type record of a unit's data type (null when the type is unknown).
  static const rt::UnitTypeRecord* type_of(const UnitSlot& unit);

 private:
  UnitSlot& unit_for_access(FormSlot& form, uint32_t unit_id);
  uint64_t read_common(UnitSlot& unit, int index);
  void write_common(UnitSlot& unit, int index, uint64_t value, uint32_t length);
  uint64_t read_own(UnitSlot& unit, int index, int sub_kind);
  void write_own(FormSlot& form, UnitSlot& unit, int index, int sub_kind, uint64_t value, uint32_t length);
  void relayout(FormSlot& form);

  bool build_form(FormSlot& form);
  bool create_units(FormSlot& form);
  void place_units(FormSlot& form);
  void raise_form_events(FormSlot& form);
  void destroy_form(FormSlot& form);
  void form_gone(FormSlot& form);

  std::vector<Form> templates_;
  std::vector<FormSlot> forms_;
  // Objects of destroyed windows: a unit may still be running when its window goes (a
  // handler closing the form, a runtime error ending the program), so objects and the
  // templates they came from are freed only when the next templates are loaded.
  std::vector<std::unique_ptr<Unit>> retired_;
  std::vector<Form> retired_templates_;
  std::pair<uint32_t, uint32_t> current_source_{0, 0};
  std::vector<uint32_t> idle_finished_;
  bool quiet_ = false;  // while freeing the templates: no quit request
};

FormRuntime& form_runtime();
// Makes this form runtime the runtime core's form host; every program does it at start-up.
void register_form_runtime();

}  // namespace forms
