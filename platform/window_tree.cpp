#include "platform/window_tree.h"

#include <algorithm>

namespace platform {

void WindowRecord::take(const CreateParams& p) {
  kind = p.kind;
  parent = p.parent;
  visible = p.visible;
  enabled = !p.disabled;
  tab_stop = p.tab_stop;
  control_id = p.control_id;
  if (p.kind == WidgetKind::Hidden) hidden_text = p.text;
  case_conversion = p.kind == WidgetKind::Edit ? p.edit.case_conversion : 0;
  combo_style = p.combo.style;
  sorted = p.combo.sorted;
  if (p.kind == WidgetKind::Frame) {
    centre_on_screen = p.frame.centre_on_screen;
    fixed_size = p.frame.border != 0 && !p.frame.resizable();
  }
}

WindowRecord* WindowTree::find(Handle h) {
  auto it = records_.find(h);
  return it == records_.end() ? nullptr : it->second.get();
}

const WindowRecord* WindowTree::find(Handle h) const {
  auto it = records_.find(h);
  return it == records_.end() ? nullptr : it->second.get();
}

Handle WindowTree::add(std::unique_ptr<WindowRecord> record) {
  WindowRecord* parent = record->parent != 0 ? find(record->parent) : nullptr;
  if (record->parent != 0 && !parent) return 0;
  const Handle h = next_handle_++;
  record->handle = h;
  record->children.clear();
  if (parent) parent->children.push_back(h);
  records_.emplace(h, std::move(record));
  return h;
}

void WindowTree::erase(Handle h) {
  auto it = records_.find(h);
  if (it == records_.end()) return;
  if (WindowRecord* parent = find(it->second->parent)) std::erase(parent->children, h);
  records_.erase(it);
}

std::vector<Handle> WindowTree::subtree_children_first(Handle h) const {
  std::vector<Handle> out;
  const WindowRecord* w = find(h);
  if (!w) return out;
  for (Handle child : w->children) {
    const std::vector<Handle> sub = subtree_children_first(child);
    out.insert(out.end(), sub.begin(), sub.end());
  }
  out.push_back(h);
  return out;
}

bool WindowTree::may_reparent(Handle h, Handle parent) const {
  const WindowRecord* w = find(h);
  if (!w || w->kind == WidgetKind::Hidden) return false;
  if (w->kind == WidgetKind::Frame) return false;
  return parent != 0 && find(parent) && !is_inside(parent, h);
}

void WindowTree::reparent(Handle h, Handle parent) {
  WindowRecord* w = find(h);
  if (WindowRecord* old = find(w->parent)) std::erase(old->children, h);
  w->parent = parent;
  find(parent)->children.push_back(h);
}

std::vector<Handle> WindowTree::set_tab_order(Handle parent, const std::vector<Handle>& order) {
  WindowRecord* p = find(parent);
  if (!p) return {};
  auto listed = [](const std::vector<Handle>& in, Handle h) { return std::find(in.begin(), in.end(), h) != in.end(); };
  std::vector<Handle> sorted;
  for (Handle h : order)
    if (listed(p->children, h) && !listed(sorted, h)) sorted.push_back(h);
  const std::vector<Handle> given = sorted;
  for (Handle h : p->children)
    if (!listed(sorted, h)) sorted.push_back(h);
  p->children = std::move(sorted);
  return given;
}

bool WindowTree::is_inside(Handle h, Handle ancestor) const {
  for (const WindowRecord* w = find(h); w; w = find(w->parent))
    if (w->handle == ancestor) return true;
  return false;
}

Handle WindowTree::frame_of(Handle h) const {
  for (const WindowRecord* w = find(h); w; w = find(w->parent))
    if (w->kind == WidgetKind::Frame) return w->handle;
  return 0;
}

bool WindowTree::reachable(Handle h) const {
  const WindowRecord* w = find(h);
  if (!w) return false;
  for (; w; w = find(w->parent))
    if (!w->visible || !w->enabled) return false;
  return true;
}

std::vector<Handle> WindowTree::roots() const {
  std::vector<Handle> out;
  for (const auto& [h, record] : records_)
    if (record->parent == 0) out.push_back(h);
  return out;
}

}  // namespace platform
