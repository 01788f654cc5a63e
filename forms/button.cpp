#include "forms/button.h"

#include "forms/font_property.h"

namespace forms {
namespace {
enum Own { kPicture, kButtonType, kCaption, kHAlign, kVAlign, kFont };
}

std::unique_ptr<Unit> Button::create(const CreateContext& context) {
  ButtonData data;
  if (!read_button_data(context.type_data, data)) return nullptr;
  std::unique_ptr<Button> unit(new Button(context, std::move(data)));
  platform::CreateParams p;
  p.kind = platform::WidgetKind::Button;
  p.text = unit->d_.caption;
  p.button.default_button = unit->is_default();
  p.button.h_align = unit->d_.h_align;
  p.button.v_align = unit->d_.v_align;
  p.font = to_platform_font(unit->d_.font);
  if (!unit->create_window(context, p)) return nullptr;
  return unit;
}

bool Button::get_property(int i, PropertyValue& out) {
  switch (i) {
    case kPicture: out.bytes.assign(d_.picture.begin(), d_.picture.end()); return true;
    case kButtonType: out.integer = d_.button_type; return true;
    case kCaption: out.bytes = d_.caption; return true;
    case kHAlign: out.integer = d_.h_align; return true;
    case kVAlign: out.integer = d_.v_align; return true;
    case kFont: out.bytes = pack_font(d_.font); return true;
    default: return false;
  }
}

bool Button::set_property(int i, const PropertyValue& v) {
  const int32_t n = static_cast<int32_t>(v.integer);
  switch (i) {
    case kPicture: d_.picture.assign(v.bytes.begin(), v.bytes.end()); break;
    case kButtonType: d_.button_type = n; break;
    case kCaption:
      d_.caption = v.bytes;
      backend().set_text(window(), d_.caption);
      break;
    case kHAlign: d_.h_align = n; break;
    case kVAlign: d_.v_align = n; break;
    case kFont: d_.font = unpack_font(v.bytes); apply_font(d_.font); break;
    default: break;
  }
  return false;
}

void Button::on_notify(platform::Notify what) {
  if (what == platform::Notify::Clicked) click();
  else WindowUnit::on_notify(what);
}

}  // namespace forms
