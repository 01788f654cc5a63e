// Type records of the standard unit types: names, flags, the property descriptors with
// their value type codes, and the creation entry point of each unit class.
#include "forms/standard_types.h"

#include <initializer_list>
#include <vector>

#include "dtu_forms_messages.h"
#include "forms/button.h"
#include "forms/combo_box.h"
#include "forms/edit_box.h"
#include "forms/form_window.h"
#include "forms/group_box.h"
#include "forms/ip_edit_box.h"
#include "forms/label.h"

namespace forms {
namespace {

// Value type codes, named with their namespace: a using-directive would let a same-named
// constant of a file compiled in the same unit win silently.
namespace vt = rt::vtype;
constexpr uint16_t kCommonFlags = 0xE000, kOwnFlags = 0x8000;

// The eight common properties followed by the type's own ones. Names and descriptions are
// empty: form code addresses properties by index only.
std::vector<rt::PropertyDescriptor> properties(std::initializer_list<uint16_t> own) {
  std::vector<rt::PropertyDescriptor> out;
  for (uint16_t code : {vt::kInt, vt::kInt, vt::kInt, vt::kInt, vt::kText, vt::kLogical, vt::kLogical, vt::kPointerData})
    out.push_back({"", "", "", code, kCommonFlags, ""});
  for (uint16_t code : own) out.push_back({"", "", "", code, kOwnFlags, ""});
  return out;
}

struct StandardType {
  std::vector<rt::PropertyDescriptor> props;
  UnitTypeImpl impl;
  rt::UnitTypeRecord record;
};

StandardType make(uint32_t name, const char* english, uint32_t flags, int events, CreateFn create,
                  std::initializer_list<uint16_t> own) {
  StandardType t{properties(own), {create}, {}};
  t.record = {msg::text_at(name), english, "", flags, 0, events, static_cast<int>(t.props.size()), nullptr, nullptr};
  return t;
}

// Built once; the records then point into their own stable storage.
struct Table {
  StandardType window = make(msg::type_window, "Window", 0x800000D0, 8, FormWindow::create,
                             {vt::kPickList, vt::kBackColour, vt::kLogical, vt::kLogical, vt::kLogical, vt::kPickList, vt::kLogical, vt::kLogical,
                              vt::kLogical, vt::kLogical, vt::kInt, vt::kLogical, vt::kLogical, vt::kLogical, vt::kBytes, vt::kBytes, vt::kFont, vt::kText,
                              vt::kText, vt::kInt, vt::kInt, vt::kInt, vt::kInt, vt::kText});
  StandardType edit = make(msg::type_edit_box, "EditBox", 0x80000040, 1, EditBox::create,
                           {vt::kText, vt::kPickList, vt::kColour, vt::kBackColour, vt::kFont, vt::kLogical, vt::kInt, vt::kLogical, vt::kPickList,
                            vt::kPickList, vt::kPickList, vt::kText, vt::kPickList, vt::kPickList, vt::kInt, vt::kInt, vt::kInt, vt::kInt, vt::kText,
                            vt::kBindingA, vt::kBindingB});
  StandardType group = make(msg::type_group_box, "GroupBox", 0x840140C0, 0, GroupBox::create,
                            {vt::kText, vt::kPickList, vt::kColour, vt::kBackColour, vt::kFont});
  StandardType label = make(msg::type_label, "Label", 0x84012040, 0, Label::create,
                            {vt::kText, vt::kPickList, vt::kPickList, vt::kInt, vt::kFrameColour, vt::kFrameColour, vt::kFrameColour, vt::kFont,
                             vt::kColour, vt::kBackColour, vt::kBytes, vt::kPickList, vt::kPickList, vt::kFrameColour, vt::kFrameColour,
                             vt::kFrameColour, vt::kPickList, vt::kLogical, vt::kPickList, vt::kBindingA, vt::kBindingB});
  StandardType button = make(msg::type_button, "Button", 0x80000840, 1, Button::create,
                             {vt::kBytes, vt::kPickList, vt::kText, vt::kPickList, vt::kPickList, vt::kFont});
  StandardType combo = make(msg::type_combo_box, "ComboBox", 0x80000240, 0, ComboBox::create,
                            {vt::kPickList, vt::kText, vt::kInt, vt::kInt, vt::kInt, vt::kText, vt::kLogical, vt::kInt, vt::kColour, vt::kBackColour, vt::kFont,
                             vt::kInt, vt::kData, vt::kData, vt::kBindingA, vt::kBindingB, vt::kLogical});
  StandardType ip = make(msg::type_ip_edit_box, "IPEditBox", 0x00000040, 1, IpEditBox::create, {vt::kFont, vt::kText});

  Table() {
    for (StandardType* t : {&window, &edit, &group, &label, &button, &combo, &ip}) {
      t->record.properties = t->props.data();
      t->record.impl = &t->impl;
    }
  }
};

Table& table() {
  static Table t;
  return t;
}

}  // namespace

const rt::UnitTypeRecord* standard_type_record(int type_number) {
  Table& t = table();
  switch (type_number) {
    case kTypeWindow: return &t.window.record;
    case kTypeEditBox: return &t.edit.record;
    case kTypeGroupBox: return &t.group.record;
    case kTypeLabel: return &t.label.record;
    case kTypeButton: return &t.button.record;
    case kTypeComboBox: return &t.combo.record;
    default: return nullptr;
  }
}

const rt::UnitTypeRecord* ip_edit_box_type_record() { return &table().ip.record; }

}  // namespace forms
