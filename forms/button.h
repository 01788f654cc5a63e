// Button: a push button; type 1 is a default button that Enter clicks.
#pragma once

#include <memory>

#include "forms/window_unit.h"

namespace forms {

class Button final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;
  void on_notify(platform::Notify what) override;

  bool is_default() const { return d_.button_type == 1; }
  void click() { raise(0); }

 private:
  Button(const CreateContext& context, ButtonData data) : WindowUnit(context), d_(std::move(data)) {}

  ButtonData d_;
};

}  // namespace forms
