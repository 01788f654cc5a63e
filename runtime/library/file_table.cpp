#include "runtime/library/file_table.h"

#include <map>

#include "platform/mutex.h"
#include "runtime/core_services.h"

namespace rt::files {
namespace {

// What the runtime's registry holds: the file and its number.
struct OpenFile {
  std::unique_ptr<platform::File> file;
  int32_t number;
};

struct Table {
  platform::Mutex mutex;
  std::map<int32_t, OpenFile*> by_number GUARDED_BY(mutex);
  int32_t last_number GUARDED_BY(mutex) = 0;
};

Table& table() {
  static Table t;
  return t;
}

// Drops the entry and closes the file (errors on close are ignored: nothing can be done).
void destroy(OpenFile* open) {
  {
    platform::MutexLock lock(table().mutex);
    table().by_number.erase(open->number);
  }
  delete open;
}

// Shutdown's closer for files the program left open.
void close_leftover(void* object, int) { destroy(static_cast<OpenFile*>(object)); }

OpenFile* lookup(int32_t number) {
  platform::MutexLock lock(table().mutex);
  auto it = table().by_number.find(number);
  return it == table().by_number.end() ? nullptr : it->second;
}

}  // namespace

int32_t add(std::unique_ptr<platform::File> file) {
  auto* open = new OpenFile{std::move(file), 0};
  {
    platform::MutexLock lock(table().mutex);
    // Numbers are never reused, so a stale number can never reach a later file.
    open->number = ++table().last_number;
    table().by_number[open->number] = open;
  }
  set_file_closer(close_leftover);
  register_file(open, kPlainFile);
  return open->number;
}

platform::File* find(int32_t number) {
  OpenFile* open = lookup(number);
  return open && file_kind(open) == kPlainFile ? open->file.get() : nullptr;
}

bool close(int32_t number) {
  OpenFile* open = lookup(number);
  if (!open || !unregister_file(open)) return false;
  destroy(open);
  return true;
}

size_t open_count() {
  platform::MutexLock lock(table().mutex);
  return table().by_number.size();
}

}  // namespace rt::files
