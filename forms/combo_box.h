// ComboBox: a list of items with an optional edit field (style 0 simple, 1 drop-down with
// edit field, 2 drop-down list without one). Once the user edits the field the box has no
// selection, even where the field then shows an item's text, until the user chooses an item
// from the list or the program selects one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "forms/window_unit.h"

namespace forms {

class ComboBox final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;
  void on_notify(platform::Notify what) override;

  // Selects an item, clamped to -1 (none) .. item count - 1.
  void select(int64_t index);
  // The selected item, -1 when none is (or the user edited the field since).
  int current() const;

 private:
  ComboBox(const CreateContext& context, ComboBoxData data) : WindowUnit(context), d_(std::move(data)) {}
  std::string items_block() const;
  std::string item_values_block() const;

  ComboBoxData d_;
  bool edited_ = false;  // the user edited the field since an item was last chosen or selected
};

}  // namespace forms
