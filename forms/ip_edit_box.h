// IPEditBox: an address field of four parts. The unit keeps the last valid address text it
// was given; the field itself may be blank.
#pragma once

#include <memory>
#include <string>

#include "forms/window_unit.h"

namespace forms {

class IpEditBox final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;
  void on_notify(platform::Notify what) override;

 private:
  IpEditBox(const CreateContext& context, IpEditBoxData data) : WindowUnit(context), d_(std::move(data)) {}
  // Sets the field from a text: a valid address fills it (and is stored normalised), any
  // other text clears it and leaves the stored text alone.
  void apply_address(const std::string& text);

  IpEditBoxData d_;
};

}  // namespace forms
