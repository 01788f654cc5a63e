// GroupBox: a captioned frame; units whose container id names it live inside it.
#pragma once

#include <memory>

#include "forms/window_unit.h"

namespace forms {

class GroupBox final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;

 private:
  GroupBox(const CreateContext& context, GroupBoxData data) : WindowUnit(context), d_(std::move(data)) {}

  GroupBoxData d_;
};

}  // namespace forms
