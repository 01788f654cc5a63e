// The inverse of the type data readers: plain structs -> type data blocks, writing the
// fields the struct's version has. Used by the form generator and by tests.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/type_data.h"

namespace forms {

std::vector<uint8_t> encode_window_data(const WindowData& d);
std::vector<uint8_t> encode_edit_box_data(const EditBoxData& d);
std::vector<uint8_t> encode_label_data(const LabelData& d);
std::vector<uint8_t> encode_group_box_data(const GroupBoxData& d);
std::vector<uint8_t> encode_button_data(const ButtonData& d);
std::vector<uint8_t> encode_combo_box_data(const ComboBoxData& d);
std::vector<uint8_t> encode_ip_edit_box_data(const IpEditBoxData& d);

}  // namespace forms
