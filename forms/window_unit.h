// Base of the standard controls: a unit that owns one backend window, receives what that
// window reports (through the window router) and turns focus changes into the common
// events. Keys pressed in it go to its form first.
#pragma once

#include "forms/type_data.h"
#include "forms/unit.h"
#include "platform/backend.h"
#include "runtime/window_router.h"

namespace forms {

class WindowUnit : public Unit, public rt::WindowReceiver {
 public:
  ~WindowUnit() override;

  platform::Handle window() const override { return window_; }

  // Focus in/out raise -7/-8; Destroyed retires the unit. Derived types call this for
  // everything they do not handle themselves.
  void on_notify(platform::Notify what) override;
  bool on_char(uint32_t) override { return true; }
  void on_timer(uint32_t) override {}
  void on_posted(uint32_t, uintptr_t, intptr_t) override {}
  bool on_key(platform::KeyPress key) override;

 protected:
  explicit WindowUnit(const CreateContext& context) : Unit(context) {}

  // Fills in what every unit window shares (parent, geometry, control id, disabled and tab
  // stop; hidden until the form shows it), creates and routes it. False on failure.
  bool create_window(const CreateContext& context, platform::CreateParams params);
  void apply_font(const Font& font);

  static platform::Backend& backend() { return platform::backend(); }

 private:
  platform::Handle window_ = 0;
};

}  // namespace forms
