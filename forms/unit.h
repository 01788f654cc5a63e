// The unit model's view of one unit: the base class every unit type derives from, and what
// a type's creation entry point receives. Type records (runtime/library.h) point at a
// UnitTypeImpl through their `impl` field.
//
// Interface slots of a type map onto this class: 1 create (UnitTypeImpl::create),
// 4 set property (set_property), 5 save settings (save_settings), 6 get property
// (get_property), 8 key claim (claims_key).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/window_types.h"
#include "runtime/event.h"

namespace forms {

// A property value crossing the unit interface: integers, logicals, colours and pick-list
// indices in `integer`; texts (GBK) and byte data in `bytes`.
struct PropertyValue {
  int64_t integer = 0;
  std::string bytes;
};

struct UnitRecord;  // the template record a unit was created from (forms/template.h)

// What a unit reports to the form runtime that created it: its events, and that its window
// is gone. The form runtime is the one owner of every unit in the program; a test of single
// units gives a stand-in.
class UnitOwner {
 public:
  // Runs the handler bound to the event; returns its result (0 when none ran).
  virtual int32_t raise_event(rt::EventRecord& record) = 0;
  virtual void unit_destroyed(uint32_t form_id, uint32_t unit_id) = 0;

 protected:
  ~UnitOwner() = default;
};

struct CreateContext {
  UnitOwner* owner = nullptr;  // never null when a unit is created
  uint32_t form_id = 0;
  uint32_t unit_id = 0;
  const UnitRecord* record = nullptr;
  std::span<const uint8_t> type_data;  // may be empty: the type's defaults apply
  platform::Handle parent = 0;         // the form's window
  platform::Geometry geometry;
  bool disabled = false;
  bool tab_stop = false;
  int control_id = 0;
  bool design_mode = false;            // always false in this program
};

class Unit {
 public:
  virtual ~Unit() = default;

  // The unit's live window (a hidden one for units without appearance); 0 when gone.
  virtual platform::Handle window() const = 0;

  // Own properties (index - 8). get: true and the value when the index is known.
  virtual bool get_property(int own_index, PropertyValue& out) = 0;
  // Stores the value with the type's clamps; true asks the form to re-lay-out.
  virtual bool set_property(int own_index, const PropertyValue& value) = 0;
  virtual std::vector<uint8_t> save_settings() const { return {}; }
  virtual bool claims_key(platform::KeyPress) const { return false; }

  uint32_t form_id() const { return form_id_; }
  uint32_t unit_id() const { return unit_id_; }

 protected:
  explicit Unit(const CreateContext& context)
      : owner_(*context.owner), form_id_(context.form_id), unit_id_(context.unit_id) {}
  // Raises one of this unit's events with up to five integer arguments; returns the handler
  // result (0 when none ran).
  int32_t raise(int32_t event_index, std::initializer_list<int32_t> args = {});
  // Tells the unit model that this unit's window is gone for good.
  void report_destroyed();

 private:
  UnitOwner& owner_;
  uint32_t form_id_, unit_id_;
};

// Creation entry point of a unit type: null when the type data cannot be read or the window
// cannot be created.
using CreateFn = std::unique_ptr<Unit> (*)(const CreateContext& context);

struct UnitTypeImpl {
  CreateFn create;
};

}  // namespace forms
