// The selection of an edit field, as the edit box and the combo box's edit field both
// report it through their properties.
#pragma once

#include <string>

#include "platform/backend.h"

namespace forms {

inline int selection_length(const platform::Backend& be, platform::Handle w) {
  auto [start, end] = be.edit_selection(w);
  return end - start;
}

// The selected bytes; empty when the selection does not lie inside the text.
inline std::string selected_text(const platform::Backend& be, platform::Handle w) {
  auto [start, end] = be.edit_selection(w);
  std::string text = be.text(w);
  if (start < 0 || start > end || static_cast<size_t>(end) > text.size()) return {};
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

}  // namespace forms
