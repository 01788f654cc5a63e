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

// Moves the selection to `start`, keeping its length.
inline void set_selection_start(platform::Backend& be, platform::Handle w, int start) {
  auto [old_start, old_end] = be.edit_selection(w);
  be.edit_set_selection(w, start, start + (old_end - old_start));
}

// Gives the selection `length` bytes from where it starts.
inline void set_selection_length(platform::Backend& be, platform::Handle w, int length) {
  const int start = be.edit_selection(w).first;
  be.edit_set_selection(w, start, start + length);
}

}  // namespace forms
