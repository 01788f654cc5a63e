// ComboBox: a list of items with an optional edit field (style 0 simple, 1 drop-down with
// edit field, 2 drop-down list without one).
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

  // Selects an item, clamped to -1 (none) .. item count - 1.
  void select(int64_t index);

 private:
  ComboBox(const CreateContext& context, ComboBoxData data) : WindowUnit(context), d_(std::move(data)) {}
  std::string items_block() const;
  std::string item_values_block() const;

  ComboBoxData d_;
};

}  // namespace forms
