// The handles a windowed backend gives out and the tree they form. Each backend keeps its
// own record per window (what stands behind the handle differs: a widget, a native window);
// the record has at least `Handle handle`, `Handle parent` and `WidgetKind kind`.
#pragma once

#include <map>
#include <vector>

#include "platform/window_types.h"

namespace platform {

template <class Record>
class WindowTree {
 public:
  Record* find(Handle h) {
    auto it = records_.find(h);
    return it == records_.end() ? nullptr : &it->second;
  }
  const Record* find(Handle h) const {
    auto it = records_.find(h);
    return it == records_.end() ? nullptr : &it->second;
  }

  // Gives the record the next handle and keeps it; the handle is never given out again.
  Record& add(Record record) {
    record.handle = next_handle_++;
    const Handle h = record.handle;
    return records_.emplace(h, std::move(record)).first->second;
  }

  void erase(Handle h) { records_.erase(h); }

  // `h` and every window inside it, each child before its parent: the order a subtree is
  // reported gone in.
  std::vector<Handle> subtree_children_first(Handle h) const {
    std::vector<Handle> out;
    for (const auto& [child, record] : records_)
      if (record.parent == h) {
        auto sub = subtree_children_first(child);
        out.insert(out.end(), sub.begin(), sub.end());
      }
    out.push_back(h);
    return out;
  }

  // True for h == ancestor too.
  bool is_inside(Handle h, Handle ancestor) const {
    for (const Record* r = find(h); r; r = find(r->parent))
      if (r->handle == ancestor) return true;
    return false;
  }

  // The frame `h` belongs to (itself when it is one); 0 when none.
  Handle frame_of(Handle h) const {
    for (const Record* r = find(h); r; r = find(r->parent))
      if (r->kind == WidgetKind::Frame) return r->handle;
    return 0;
  }

  std::vector<Handle> roots() const {
    std::vector<Handle> out;
    for (const auto& [h, record] : records_)
      if (record.parent == 0) out.push_back(h);
    return out;
  }

 private:
  std::map<Handle, Record> records_;
  Handle next_handle_ = 0x100;
};

}  // namespace platform
