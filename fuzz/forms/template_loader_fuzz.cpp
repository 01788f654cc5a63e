// Arbitrary bytes into the template loader and every type data reader: they must refuse or
// accept without crashing or reading outside the input.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "forms/template.h"
#include "forms/template_encoder.h"
#include "forms/type_data.h"
#include "forms/type_data_encoder.h"

namespace {

int32_t any_handler(const int32_t*, int) { return 0; }
const rt::EventHandler kTable[] = {any_handler, any_handler, any_handler, any_handler};
const rt::CodeBase kCodeBase{4, kTable};

void read_every_type(std::span<const uint8_t> data) {
  forms::WindowData w;
  forms::EditBoxData e;
  forms::LabelData l;
  forms::GroupBoxData g;
  forms::ButtonData b;
  forms::ComboBoxData c;
  forms::IpEditBoxData i;
  forms::read_window_data(data, w);
  forms::read_edit_box_data(data, e);
  forms::read_label_data(data, l);
  forms::read_group_box_data(data, g);
  forms::read_button_data(data, b);
  forms::read_combo_box_data(data, c);
  forms::read_ip_edit_box_data(data, i);
}

void load_and_read(const std::vector<uint8_t>& bytes) {
  std::vector<forms::Form> forms;
  if (forms::load_template_segment(bytes, &kCodeBase, forms))
    for (const auto& f : forms)
      for (const auto& u : f.units) read_every_type(u.type_data);
}

// A valid two-unit segment; random bytes rarely get past the form table on their own, so
// inputs are also applied as a patch to it to reach the unit records and type data.
std::vector<uint8_t> good_segment() {
  forms::FormDescription f;
  f.id = 0x52010001;
  forms::UnitDescription self, combo;
  self.id = forms::kFormOwnUnitId;
  self.data_type = forms::dtype::kWindow;
  self.events = {{0, 0}};
  self.type_data = forms::encode_window_data({});
  combo.id = 0x16010002;
  combo.data_type = forms::dtype::kComboBox;
  combo.mouse_pointer = {0, 0, 0, 0};
  combo.events = {{-8, static_cast<int32_t>(sizeof(rt::EventHandler))}};
  forms::ComboBoxData c;
  c.items = {"a", "b"};
  c.item_values = {1};
  combo.type_data = forms::encode_combo_box_data(c);
  f.units = {self, combo};
  return forms::encode_template_segment({f});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Copy into an exactly sized buffer so any over-read is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  read_every_type(bytes);
  load_and_read(bytes);
  // Patch: two bytes of position, one byte of cut length, then bytes to write there.
  static const std::vector<uint8_t> good = good_segment();
  if (size >= 3) {
    std::vector<uint8_t> patched = good;
    const size_t at = (data[0] | (data[1] << 8)) % good.size();
    for (size_t i = 3; i < size && at + i - 3 < patched.size(); ++i) patched[at + i - 3] = data[i];
    if (data[2] & 0x80) patched.resize(patched.size() - std::min<size_t>(data[2] & 0x7F, patched.size()));
    load_and_read(patched);
  }
  return 0;
}
