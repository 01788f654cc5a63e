#include "forms/ip_edit_box.h"

#include "forms/font_property.h"
#include "forms/ip_address.h"

namespace forms {
namespace {
enum Own { kFont, kAddress };
}

std::unique_ptr<Unit> IpEditBox::create(const CreateContext& context) {
  IpEditBoxData data;
  if (!read_ip_edit_box_data(context.type_data, data)) return nullptr;
  std::unique_ptr<IpEditBox> unit(new IpEditBox(context, std::move(data)));
  platform::CreateParams p;
  p.kind = platform::WidgetKind::IpAddress;
  p.font = to_platform_font(unit->d_.font);
  if (!unit->create_window(context, p)) return nullptr;
  unit->apply_address(unit->d_.address);
  return unit;
}

void IpEditBox::apply_address(const std::string& text) {
  if (auto parts = parse_ip_address(text)) {
    backend().ip_set(window(), parts->data());
    d_.address = format_ip_address(*parts);
  } else {
    backend().ip_clear(window());
  }
}

bool IpEditBox::get_property(int i, PropertyValue& out) {
  switch (i) {
    case kFont: out.bytes = pack_font(d_.font); return true;
    case kAddress: {
      if (backend().ip_blank(window())) return true;
      IpParts parts{};
      backend().ip_get(window(), parts.data());
      out.bytes = format_ip_address(parts);
      return true;
    }
    default: return false;
  }
}

bool IpEditBox::set_property(int i, const PropertyValue& v) {
  if (i == kFont) {
    d_.font = unpack_font(v.bytes);
    apply_font(d_.font);
  } else if (i == kAddress) {
    apply_address(v.bytes);
  }
  return false;
}

void IpEditBox::on_notify(platform::Notify what) {
  if (what == platform::Notify::Changed) raise(0);
  else WindowUnit::on_notify(what);
}

}  // namespace forms
