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

using namespace rt::vtype;
constexpr uint16_t kCommonFlags = 0xE000, kOwnFlags = 0x8000;

// The eight common properties followed by the type's own ones. Names and descriptions are
// empty: form code addresses properties by index only.
std::vector<rt::PropertyDescriptor> properties(std::initializer_list<uint16_t> own) {
  std::vector<rt::PropertyDescriptor> out;
  for (uint16_t code : {kInt, kInt, kInt, kInt, kText, kLogical, kLogical, kPointerData})
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
                             {kPickList, kBackColour, kLogical, kLogical, kLogical, kPickList, kLogical, kLogical,
                              kLogical, kLogical, kInt, kLogical, kLogical, kLogical, kBytes, kBytes, kFont, kText,
                              kText, kInt, kInt, kInt, kInt, kText});
  StandardType edit = make(msg::type_edit_box, "EditBox", 0x80000040, 1, EditBox::create,
                           {kText, kPickList, kColour, kBackColour, kFont, kLogical, kInt, kLogical, kPickList,
                            kPickList, kPickList, kText, kPickList, kPickList, kInt, kInt, kInt, kInt, kText,
                            kBindingA, kBindingB});
  StandardType group = make(msg::type_group_box, "GroupBox", 0x840140C0, 0, GroupBox::create,
                            {kText, kPickList, kColour, kBackColour, kFont});
  StandardType label = make(msg::type_label, "Label", 0x84012040, 0, Label::create,
                            {kText, kPickList, kPickList, kInt, kFrameColour, kFrameColour, kFrameColour, kFont,
                             kColour, kBackColour, kBytes, kPickList, kPickList, kFrameColour, kFrameColour,
                             kFrameColour, kPickList, kLogical, kPickList, kBindingA, kBindingB});
  StandardType button = make(msg::type_button, "Button", 0x80000840, 1, Button::create,
                             {kBytes, kPickList, kText, kPickList, kPickList, kFont});
  StandardType combo = make(msg::type_combo_box, "ComboBox", 0x80000240, 0, ComboBox::create,
                            {kPickList, kText, kInt, kInt, kInt, kText, kLogical, kInt, kColour, kBackColour, kFont,
                             kInt, kData, kData, kBindingA, kBindingB, kLogical});
  StandardType ip = make(msg::type_ip_edit_box, "IPEditBox", 0x00000040, 1, IpEditBox::create, {kFont, kText});

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
