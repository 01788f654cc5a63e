#include "tools/formgen/unit_builder.h"

#include <algorithm>
#include <map>
#include <set>

#include "forms/template.h"
#include "forms/type_data_encoder.h"
#include "platform/gbk_codec.h"
#include "runtime/event.h"
#include "tools/formgen/icon.h"
#include "tools/formgen/tpl_parser.h"

namespace formgen {
namespace {

std::string gbk(const std::string& utf8) {
  auto out = platform::utf8_to_gbk(utf8);
  if (!out) throw TplError{0, "text has no GBK form: " + utf8};
  return *out;
}

// Applies one option to a type data struct: each call checks one key.
template <typename T>
class Setter {
 public:
  Setter(T& d, const Option& o) : d_(d), o_(o) {}

  template <typename M>
  Setter& num(const char* key, M T::*m) {
    if (match(key)) d_.*m = static_cast<M>(option_int(o_));
    return *this;
  }
  Setter& colours(const char* key, std::array<uint32_t, 3> T::*m) {
    if (match(key))
      for (size_t i = 0; i < 3; ++i) (d_.*m)[i] = static_cast<uint32_t>(option_int(o_, i));
    return *this;
  }
  Setter& font(const char* key, forms::Font T::*m) {
    if (match(key)) {
      forms::LogFont f;
      f.face = gbk(option_text(o_, 0));
      f.height = static_cast<int32_t>(option_int(o_, 1));
      f.weight = static_cast<int32_t>(option_int(o_, 2));
      f.charset = static_cast<uint8_t>(option_int(o_, 3));
      d_.*m = f;
    }
    return *this;
  }
  Setter& text(const char* key, std::string T::*m) {
    if (match(key)) d_.*m = gbk(option_text(o_));
    return *this;
  }
  Setter& texts(const char* key, std::vector<std::string> T::*m) {
    if (match(key))
      for (const auto& v : o_.values) (d_.*m).push_back(gbk(v));
    return *this;
  }
  Setter& ints(const char* key, std::vector<int32_t> T::*m) {
    if (match(key))
      for (size_t i = 0; i < o_.values.size(); ++i) (d_.*m).push_back(static_cast<int32_t>(option_int(o_, i)));
    return *this;
  }
  Setter& icon(const char* key, std::vector<uint8_t> T::*m) {
    if (match(key)) {
      if (option_text(o_) != "generated") throw TplError{0, "icon=generated is the only icon source"};
      d_.*m = make_icon();
    }
    return *this;
  }
  void done() const {
    if (!matched_) throw TplError{0, "unknown option " + o_.key};
  }

 private:
  bool match(const char* key) {
    if (matched_ || o_.key != key) return false;
    matched_ = true;
    return true;
  }
  T& d_;
  const Option& o_;
  bool matched_ = false;
};

using forms::WindowData, forms::EditBoxData, forms::LabelData, forms::GroupBoxData, forms::ButtonData,
    forms::ComboBoxData, forms::IpEditBoxData;

void apply(WindowData& d, const Option& o) {
  Setter<WindowData>(d, o)
      .num("border", &WindowData::border).num("option_a", &WindowData::option_a)
      .num("background", &WindowData::background).num("max_box", &WindowData::max_box)
      .num("min_box", &WindowData::min_box).num("control_box", &WindowData::control_box)
      .num("start", &WindowData::start_position).num("movable", &WindowData::movable)
      .num("option_b", &WindowData::option_b).num("enter_moves_focus", &WindowData::enter_moves_focus)
      .num("esc_closes", &WindowData::esc_closes).num("f1_help", &WindowData::f1_help)
      .num("help_context", &WindowData::help_context).num("taskbar", &WindowData::show_in_taskbar)
      .num("drag", &WindowData::drag_anywhere).num("option_g", &WindowData::option_g)
      .num("on_top", &WindowData::always_on_top).num("option_h", &WindowData::option_h)
      .text("class", &WindowData::class_name).text("help_file", &WindowData::help_file)
      .icon("icon", &WindowData::icon).font("font", &WindowData::font)
      .done();
}

void apply(EditBoxData& d, const Option& o) {
  if (o.key == "password") {
    const std::string& p = option_text(o);
    d.password_char = p.empty() ? 0 : static_cast<uint8_t>(p[0]);
    return;
  }
  Setter<EditBoxData>(d, o)
      .num("border", &EditBoxData::border).num("text_colour", &EditBoxData::text_colour)
      .num("background", &EditBoxData::background).num("hide_selection", &EditBoxData::hide_selection)
      .num("max_length", &EditBoxData::max_length).num("multiline", &EditBoxData::multi_line)
      .num("scroll", &EditBoxData::scroll_bars).num("align", &EditBoxData::alignment)
      .num("input", &EditBoxData::input_mode).num("case", &EditBoxData::case_conversion)
      .num("adjuster", &EditBoxData::adjuster).num("adjuster_min", &EditBoxData::adjuster_min)
      .num("adjuster_max", &EditBoxData::adjuster_max).font("font", &EditBoxData::font)
      .done();
}

void apply(LabelData& d, const Option& o) {
  Setter<LabelData>(d, o)
      .num("effect", &LabelData::effect).num("frame_width", &LabelData::frame_width)
      .num("border", &LabelData::border).colours("frame_colours", &LabelData::frame_colours)
      .num("text_colour", &LabelData::text_colour).num("background", &LabelData::background)
      .num("picture_mode", &LabelData::picture_mode).num("gradient", &LabelData::gradient_mode)
      .colours("gradient_colours", &LabelData::gradient_colours).num("align", &LabelData::h_align)
      .num("valign", &LabelData::v_align).num("wrap", &LabelData::word_wrap).font("font", &LabelData::font)
      .done();
}

void apply(GroupBoxData& d, const Option& o) {
  Setter<GroupBoxData>(d, o)
      .num("style", &GroupBoxData::style).num("text_colour", &GroupBoxData::text_colour)
      .num("background", &GroupBoxData::background).font("font", &GroupBoxData::font)
      .done();
}

void apply(ButtonData& d, const Option& o) {
  Setter<ButtonData>(d, o)
      .num("button_type", &ButtonData::button_type).num("align", &ButtonData::h_align)
      .num("valign", &ButtonData::v_align).font("font", &ButtonData::font)
      .done();
}

void apply(ComboBoxData& d, const Option& o) {
  Setter<ComboBoxData>(d, o)
      .num("style", &ComboBoxData::style).num("max_length", &ComboBoxData::max_length)
      .num("sorted", &ComboBoxData::sorted).num("extra_height", &ComboBoxData::extra_item_height)
      .num("text_colour", &ComboBoxData::text_colour).num("background", &ComboBoxData::background)
      .num("sel", &ComboBoxData::initial_selection).font("font", &ComboBoxData::font)
      .texts("items", &ComboBoxData::items).ints("values", &ComboBoxData::item_values)
      .done();
}

void apply(IpEditBoxData& d, const Option& o) { Setter<IpEditBoxData>(d, o).font("font", &IpEditBoxData::font).done(); }

// Builds one type's data: defaults, the unit's options, then the text column.
template <typename T, typename TextField, typename Encode>
std::vector<uint8_t> build(const TplSpec& spec, const UnitSpec& u, TextField text_field, Encode encode) {
  T d;
  auto def = spec.defaults.find(u.type);
  if (def != spec.defaults.end())
    for (const auto& o : def->second) apply(d, o);
  for (const auto& o : u.options) apply(d, o);
  if (u.text) d.*text_field = gbk(*u.text);
  return encode(d);
}

std::vector<uint8_t> type_data(const TplSpec& spec, const UnitSpec& u) {
  using namespace forms;
  if (u.type == "Window") return build<WindowData>(spec, u, &WindowData::title, encode_window_data);
  if (u.type == "EditBox") return build<EditBoxData>(spec, u, &EditBoxData::content, encode_edit_box_data);
  if (u.type == "Label") return build<LabelData>(spec, u, &LabelData::caption, encode_label_data);
  if (u.type == "GroupBox") return build<GroupBoxData>(spec, u, &GroupBoxData::caption, encode_group_box_data);
  if (u.type == "Button") return build<ButtonData>(spec, u, &ButtonData::caption, encode_button_data);
  if (u.type == "ComboBox") return build<ComboBoxData>(spec, u, &ComboBoxData::content, encode_combo_box_data);
  if (u.type == "IPEditBox")
    return build<IpEditBoxData>(spec, u, &IpEditBoxData::address, encode_ip_edit_box_data);
  if (!u.options.empty() || u.text) throw TplError{0, u.type + " carries no type data"};
  return {};  // Timer, SerialPort: their defaults apply
}

int32_t event_index(const std::string& name) {
  static const std::map<std::string, int32_t> kEvents{
      {"created", 0}, {"clicked", 0}, {"changed", 0}, {"tick", 0}, {"data_received", 1},
      {"focus_gained", rt::kEventFocusGained}, {"focus_lost", rt::kEventFocusLost}};
  auto it = kEvents.find(name);
  if (it == kEvents.end()) throw TplError{0, "unknown event " + name};
  return it->second;
}

uint32_t state_flags(const std::string& flags) {
  if (flags == "-") return 0;
  uint32_t out = 0;
  for (char c : flags) {
    if (c == 'V') out |= forms::kStateVisible;
    else if (c == 'D') out |= forms::kStateDisabled;
    else if (c == 'T') out |= forms::kStateTabStop;
    else throw TplError{0, std::string("unknown flag ") + c};
  }
  return out;
}

forms::UnitDescription build_unit(const TplSpec& spec, const UnitSpec& u,
                                  const std::map<std::string, uint32_t>& ids, int32_t handler_size) {
  forms::UnitDescription d;
  d.id = u.id;
  d.data_type = data_type_of(u.type);
  if (d.data_type == 0) throw TplError{0, "unknown type " + u.type};
  d.name = gbk(u.name);
  d.left = u.geometry[0], d.top = u.geometry[1], d.width = u.geometry[2], d.height = u.geometry[3];
  if (u.container != "form") {
    auto it = ids.find(u.container);
    if (it == ids.end()) throw TplError{0, "unknown container " + u.container};
    d.container_id = it->second;
  }
  for (const auto& other : spec.units)
    if (other.container == u.ident) d.child_ids.push_back(other.id);
  d.mouse_pointer.assign(4, 0);  // pointer data 0: the standard arrow
  d.state_flags = state_flags(u.flags);
  d.tab_order = u.order;
  for (const auto& e : u.events) {
    auto slot = std::find(spec.handlers.begin(), spec.handlers.end(), e.slot);
    if (slot == spec.handlers.end()) throw TplError{0, "undeclared handler slot " + e.slot};
    const auto index = static_cast<int32_t>(slot - spec.handlers.begin());
    d.events.push_back({event_index(e.event), index * handler_size});
  }
  d.type_data = type_data(spec, u);
  return d;
}

uint32_t form_option(const TplSpec& spec, const std::string& key) {
  for (const auto& o : spec.form)
    if (o.key == key) return static_cast<uint32_t>(option_int(o));
  throw TplError{0, "form option " + key + " missing"};
}

}  // namespace

uint32_t data_type_of(const std::string& t) {
  using namespace forms::dtype;
  static const std::map<std::string, uint32_t> kTypes{
      {"Window", kWindow}, {"EditBox", kEditBox}, {"GroupBox", kGroupBox}, {"Label", kLabel},
      {"Button", kButton}, {"ComboBox", kComboBox}, {"Timer", kTimer}, {"SerialPort", kSerialPort},
      {"IPEditBox", kIpEditBox}};
  auto it = kTypes.find(t);
  return it == kTypes.end() ? 0 : it->second;
}

forms::FormDescription build_form(const TplSpec& spec, int32_t handler_size) {
  forms::FormDescription form;
  form.id = form_option(spec, "id");
  form.reserved_a = form_option(spec, "reserved_a");
  form.reserved_b = form_option(spec, "reserved_b");
  std::map<std::string, uint32_t> ids;
  std::set<uint32_t> seen;
  for (const auto& u : spec.units)
    if (!ids.emplace(u.ident, u.id).second || !seen.insert(u.id).second)
      throw TplError{u.line, "duplicate ident or id " + u.ident};
  if (spec.units.empty() || spec.units[0].id != forms::kFormOwnUnitId)
    throw TplError{0, "the first unit must be the form's own record"};
  for (const auto& u : spec.units) {
    try {
      form.units.push_back(build_unit(spec, u, ids, handler_size));
    } catch (TplError& e) {
      e.line = u.line;
      throw;
    }
  }
  return form;
}

}  // namespace formgen
