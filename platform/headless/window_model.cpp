#include "platform/headless/window_model.h"

#include <algorithm>

namespace platform::headless::detail {

Handle WindowTree::add(const CreateParams& p) {
  if (p.parent != 0 && !find(p.parent)) return 0;
  Window w;
  w.handle = next_++;
  w.kind = p.kind;
  w.parent = p.parent;
  w.geometry = p.geometry;
  w.text = p.text;
  w.enabled = !p.disabled;
  w.visible = p.visible;
  w.tab_stop = p.tab_stop;
  w.control_id = p.control_id;
  if (p.font) w.font = *p.font;
  w.edit = p.edit;
  w.combo = p.combo;
  w.label = p.label;
  if (p.parent != 0) find(p.parent)->children.push_back(w.handle);
  const Handle h = w.handle;
  windows_.emplace(h, std::move(w));
  return h;
}

Window* WindowTree::find(Handle h) {
  auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : &it->second;
}

const Window* WindowTree::find(Handle h) const {
  auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : &it->second;
}

std::vector<Handle> WindowTree::subtree_children_first(Handle h) const {
  std::vector<Handle> out;
  const Window* w = find(h);
  if (!w) return out;
  for (Handle child : w->children) {
    auto sub = subtree_children_first(child);
    out.insert(out.end(), sub.begin(), sub.end());
  }
  out.push_back(h);
  return out;
}

void WindowTree::unlink(Handle h) {
  Window* w = find(h);
  if (!w || w->parent == 0) return;
  if (Window* parent = find(w->parent)) std::erase(parent->children, h);
  w->parent = 0;
}

void WindowTree::erase_subtree(Handle h) {
  unlink(h);
  for (Handle each : subtree_children_first(h)) windows_.erase(each);
}

bool WindowTree::reparent(Handle h, Handle parent) {
  if (!find(h) || (parent != 0 && (!find(parent) || is_inside(parent, h)))) return false;
  unlink(h);
  find(h)->parent = parent;
  if (parent != 0) find(parent)->children.push_back(h);
  return true;
}

void WindowTree::set_tab_order(Handle parent, const std::vector<Handle>& order) {
  Window* p = find(parent);
  if (!p) return;
  // The listed children first, in the given order; anything unlisted keeps its place after them.
  std::vector<Handle> sorted;
  for (Handle h : order)
    if (std::find(p->children.begin(), p->children.end(), h) != p->children.end() &&
        std::find(sorted.begin(), sorted.end(), h) == sorted.end())
      sorted.push_back(h);
  for (Handle h : p->children)
    if (std::find(sorted.begin(), sorted.end(), h) == sorted.end()) sorted.push_back(h);
  p->children = std::move(sorted);
}

bool WindowTree::is_inside(Handle h, Handle ancestor) const {
  for (const Window* w = find(h); w; w = find(w->parent))
    if (w->handle == ancestor) return true;
  return false;
}

bool WindowTree::reachable(Handle h) const {
  const Window* w = find(h);
  if (!w) return false;
  for (; w; w = find(w->parent))
    if (!w->visible || !w->enabled) return false;
  return true;
}

Handle WindowTree::frame_of(Handle h) const {
  for (const Window* w = find(h); w; w = find(w->parent))
    if (w->kind == WidgetKind::Frame) return w->handle;
  return 0;
}

void replace_range(Window& w, int start, int end, const std::string& bytes) {
  const int len = static_cast<int>(w.text.size());
  start = std::clamp(start, 0, len);
  end = std::clamp(end, start, len);
  w.text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), bytes);
  w.sel_start = w.sel_end = start + static_cast<int>(bytes.size());
}

size_t append_at_end(Window& w, std::string_view bytes) {
  const size_t before = w.text.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') {
      w.text += c;
      continue;
    }
    w.text += "\r\n";
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  w.sel_start = w.sel_end = w.scrolled_to = static_cast<int>(w.text.size());
  return w.text.size() - before;
}

size_t drop_front(Window& w, size_t bytes) {
  size_t at = 0;
  while (at < bytes && at < w.text.size()) {
    const auto lead = static_cast<uint8_t>(w.text[at]);
    const bool pair = lead >= 0x81 && at + 1 < w.text.size() && static_cast<uint8_t>(w.text[at + 1]) >= 0x40;
    at += pair ? 2 : 1;
  }
  w.text.erase(0, at);
  w.sel_start = w.sel_end = w.scrolled_to = static_cast<int>(w.text.size());
  return at;
}

void clamp_selection(Window& w, int start, int end) {
  const int len = static_cast<int>(w.text.size());
  if (start < 0) {  // -1 start: no selection, the caret stays where it was
    w.sel_start = w.sel_end;
    return;
  }
  if (end < 0) end = len;
  if (start > end) std::swap(start, end);
  w.sel_start = std::min(start, len);
  w.sel_end = std::min(end, len);
}

}  // namespace platform::headless::detail
