#include "forms/window_unit.h"

#include "forms/font_property.h"
#include "forms/form_runtime.h"

namespace forms {

WindowUnit::~WindowUnit() {
  if (window_) rt::unroute_window(window_);
}

bool WindowUnit::create_window(const CreateContext& context, platform::CreateParams params) {
  params.parent = context.parent;
  params.geometry = context.geometry;
  params.visible = false;
  params.disabled = context.disabled;
  params.tab_stop = context.tab_stop;
  params.control_id = context.control_id;
  window_ = backend().create(params);
  if (window_) rt::route_window(window_, this);
  return window_ != 0;
}

void WindowUnit::apply_font(const Font& font) {
  if (auto f = to_platform_font(font)) backend().set_font(window_, *f);
}

void WindowUnit::on_notify(platform::Notify what) {
  switch (what) {
    case platform::Notify::FocusIn: raise(rt::kEventFocusGained); break;
    case platform::Notify::FocusOut: raise(rt::kEventFocusLost); break;
    case platform::Notify::Destroyed:
      rt::unroute_window(window_);
      window_ = 0;
      report_destroyed();
      break;
    default: break;
  }
}

bool WindowUnit::on_key(platform::KeyPress key) {
  if (claims_key(key)) return false;
  return form_runtime().handle_key(form_id(), unit_id(), key);
}

}  // namespace forms
