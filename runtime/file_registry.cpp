// The open-file registry: file objects the file commands created and not yet closed. The
// registry does not know their type; the file commands install the closer that ends them,
// so that shutdown can close whatever the program left open.
#include <algorithm>
#include <vector>

#include "runtime/core_services.h"
#include "runtime/runtime_state.h"

namespace rt {
namespace {

struct Entry {
  void* file;
  int kind;
};

std::vector<Entry>& entries() {
  static std::vector<Entry> list;
  return list;
}

FileCloser& closer() {
  static FileCloser fn = nullptr;
  return fn;
}

std::vector<Entry>::iterator find(void* file) {
  return std::find_if(entries().begin(), entries().end(), [file](const Entry& e) { return e.file == file; });
}

}  // namespace

void register_file(void* file, int kind) {
  if (!file || find(file) != entries().end()) return;
  entries().push_back({file, kind});
}

bool unregister_file(void* file) {
  auto it = find(file);
  if (it == entries().end()) return false;
  entries().erase(it);
  return true;
}

int file_kind(void* file) {
  auto it = find(file);
  return it == entries().end() ? -1 : it->kind;
}

void set_file_closer(FileCloser fn) { closer() = fn; }

void detail::close_registered_files() {
  // Take the list first: a closer may unregister its file while we walk.
  std::vector<Entry> open;
  open.swap(entries());
  if (!closer()) return;
  for (const Entry& e : open) closer()(e.file, e.kind);
}

void detail::reset_file_registry() {
  entries().clear();
  closer() = nullptr;
}

}  // namespace rt
