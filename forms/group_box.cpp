#include "forms/group_box.h"

#include "forms/font_property.h"

namespace forms {
namespace {
enum Own { kCaption, kStyle, kTextColour, kBackground, kFont };
}

std::unique_ptr<Unit> GroupBox::create(const CreateContext& context) {
  GroupBoxData data;
  if (!read_group_box_data(context.type_data, data)) return nullptr;
  std::unique_ptr<GroupBox> unit(new GroupBox(context, std::move(data)));
  platform::CreateParams p;
  p.kind = platform::WidgetKind::GroupBox;
  p.text = unit->d_.caption;
  p.group.text_colour = unit->d_.text_colour;
  p.group.background = unit->d_.background;
  p.font = to_platform_font(unit->d_.font);
  if (!unit->create_window(context, p)) return nullptr;
  return unit;
}

bool GroupBox::get_property(int i, PropertyValue& out) {
  switch (i) {
    case kCaption: out.bytes = d_.caption; return true;
    case kStyle: out.integer = d_.style; return true;
    case kTextColour: out.integer = d_.text_colour; return true;
    case kBackground: out.integer = d_.background; return true;
    case kFont: out.bytes = pack_font(d_.font); return true;
    default: return false;
  }
}

bool GroupBox::set_property(int i, const PropertyValue& v) {
  switch (i) {
    case kCaption:
      d_.caption = v.bytes;
      backend().set_text(window(), d_.caption);
      break;
    case kStyle: d_.style = static_cast<int32_t>(v.integer); break;
    case kTextColour: d_.text_colour = static_cast<uint32_t>(v.integer); break;
    case kBackground: d_.background = static_cast<uint32_t>(v.integer); break;
    case kFont: d_.font = unpack_font(v.bytes); apply_font(d_.font); break;
    default: break;
  }
  return false;
}

}  // namespace forms
