#include "forms/label.h"

#include "forms/font_property.h"

namespace forms {
namespace {

enum Own {
  kCaption, kEffect, kBorder, kFrameWidth, kFrameColour1, kFrameColour2, kFrameColour3, kFont, kTextColour,
  kBackground, kPicture, kPictureMode, kGradientMode, kGradient1, kGradient2, kGradient3, kHAlign, kWordWrap,
  kVAlign, kBindingA, kBindingB
};

constexpr int32_t kMinFrameWidth = 5;

}  // namespace

platform::LabelStyle Label::style() const {
  platform::LabelStyle s;
  s.text_effect = d_.effect;
  s.border = d_.border;
  s.frame_width = d_.frame_width;
  for (int i = 0; i < 3; ++i) s.frame_colours[i] = d_.frame_colours[i];
  s.text_colour = d_.text_colour;
  s.background = d_.background;
  s.h_align = d_.h_align;
  s.v_align = d_.v_align;
  s.word_wrap = d_.word_wrap;
  return s;
}

std::unique_ptr<Unit> Label::create(const CreateContext& context) {
  LabelData data;
  if (!read_label_data(context.type_data, data)) return nullptr;
  std::unique_ptr<Label> unit(new Label(context, std::move(data)));
  platform::CreateParams p;
  p.kind = platform::WidgetKind::Label;
  p.text = unit->d_.caption;
  p.label = unit->style();
  p.font = to_platform_font(unit->d_.font);
  if (!unit->create_window(context, p)) return nullptr;
  return unit;
}

bool Label::get_property(int i, PropertyValue& out) {
  switch (i) {
    case kCaption: out.bytes = d_.caption; return true;
    case kEffect: out.integer = d_.effect; return true;
    case kBorder: out.integer = d_.border; return true;
    case kFrameWidth: out.integer = d_.frame_width; return true;
    case kFrameColour1: case kFrameColour2: case kFrameColour3: out.integer = d_.frame_colours[i - kFrameColour1]; return true;
    case kFont: out.bytes = pack_font(d_.font); return true;
    case kTextColour: out.integer = d_.text_colour; return true;
    case kBackground: out.integer = d_.background; return true;
    case kPicture: out.bytes.assign(d_.background_picture.begin(), d_.background_picture.end()); return true;
    case kPictureMode: out.integer = d_.picture_mode; return true;
    case kGradientMode: out.integer = d_.gradient_mode; return true;
    case kGradient1: case kGradient2: case kGradient3: out.integer = d_.gradient_colours[i - kGradient1]; return true;
    case kHAlign: out.integer = d_.h_align; return true;
    case kWordWrap: out.integer = d_.word_wrap; return true;
    case kVAlign: out.integer = d_.v_align; return true;
    case kBindingA: out.bytes = d_.binding_a; return true;
    case kBindingB: out.bytes = d_.binding_b; return true;
    default: return false;
  }
}

bool Label::set_property(int i, const PropertyValue& v) {
  const int32_t n = static_cast<int32_t>(v.integer);
  const uint32_t c = static_cast<uint32_t>(v.integer);
  switch (i) {
    case kCaption:
      d_.caption = v.bytes;
      backend().set_text(window(), d_.caption);
      break;
    case kEffect: d_.effect = n; break;
    case kBorder: d_.border = n; break;
    case kFrameWidth: d_.frame_width = n < kMinFrameWidth ? kMinFrameWidth : n; break;
    case kFrameColour1: case kFrameColour2: case kFrameColour3: d_.frame_colours[i - kFrameColour1] = c; break;
    case kFont: d_.font = unpack_font(v.bytes); apply_font(d_.font); break;
    case kTextColour: d_.text_colour = c; break;
    case kBackground: d_.background = c; break;
    case kPicture: d_.background_picture.assign(v.bytes.begin(), v.bytes.end()); break;
    case kPictureMode: d_.picture_mode = n; break;
    case kGradientMode: d_.gradient_mode = n; break;
    case kGradient1: case kGradient2: case kGradient3: d_.gradient_colours[i - kGradient1] = c; break;
    case kHAlign: d_.h_align = n; break;
    case kWordWrap: d_.word_wrap = n != 0; break;
    case kVAlign: d_.v_align = n; break;
    case kBindingA: d_.binding_a = v.bytes; return false;
    case kBindingB: d_.binding_b = v.bytes; return false;
    default: return false;
  }
  // Repainting follows every visible change: the window system paints from the style.
  backend().label_set_style(window(), style());
  return false;
}

}  // namespace forms
