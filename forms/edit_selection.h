// The selection of an edit field, as the edit box and the combo box's edit field both
// report it through their properties.
#pragma once

#include <string>

#include "platform/backend.h"

namespace forms {

inline int selection_length(const platform::Backend& backend, platform::Handle w) {
  auto [start, end] = backend.edit_selection(w);
  return end - start;
}

// The selected bytes; empty when the selection does not lie inside the text.
inline std::string selected_text(const platform::Backend& backend, platform::Handle w) {
  auto [start, end] = backend.edit_selection(w);
  std::string text = backend.text(w);
  if (start < 0 || start > end || static_cast<size_t>(end) > text.size()) return {};
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

// Moves the selection to `start`, keeping its length.
inline void set_selection_start(platform::Backend& backend, platform::Handle w, int start) {
  auto [old_start, old_end] = backend.edit_selection(w);
  backend.edit_set_selection(w, start, start + (old_end - old_start));
}

// Gives the selection `length` bytes from where it starts.
inline void set_selection_length(platform::Backend& backend, platform::Handle w, int length) {
  const int start = backend.edit_selection(w).first;
  backend.edit_set_selection(w, start, start + length);
}

}  // namespace forms
