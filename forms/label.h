// Label: a caption the window system paints from a style description (frame, colours,
// alignment, text effect).
#pragma once

#include <memory>

#include "forms/window_unit.h"

namespace forms {

class Label final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;

 private:
  Label(const CreateContext& context, LabelData data) : WindowUnit(context), d_(std::move(data)) {}
  platform::LabelStyle style() const;

  LabelData d_;
};

}  // namespace forms
