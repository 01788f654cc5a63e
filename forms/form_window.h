// The form's own unit (type "window"): the top-level frame that holds the other units. It
// turns the frame's reports into the form events (close requested 1, moved 3, resized 4)
// and carries the form's keyboard options.
#pragma once

#include <memory>

#include "forms/window_unit.h"

namespace forms {

namespace form_event {
inline constexpr int32_t kCreated = 0, kCloseRequested = 1, kMoved = 3, kResized = 4, kIdle = 7;
}

class FormWindow final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;
  void on_notify(platform::Notify what) override;

  const WindowData& options() const { return d_; }
  // How much larger the outer frame is than the client area the window system keeps: the
  // template's sizes are outer sizes.
  platform::Geometry frame_delta() const { return frame_delta_of(d_); }
  static platform::Geometry frame_delta_of(const WindowData& d);

 private:
  FormWindow(const CreateContext& context, WindowData data) : WindowUnit(context), d_(std::move(data)) {}

  WindowData d_;
};

}  // namespace forms
