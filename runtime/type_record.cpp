// Unit data types name a type record by position: library number in the high half, type
// number in the low half, both counted from 1.
#include "runtime/core_services.h"
#include "runtime/library.h"
#include "runtime/program.h"
#include "runtime/runtime_state.h"

namespace rt {

const UnitTypeRecord* type_record(uint32_t data_type) {
  const StartupRecord* record = detail::state().record;
  if (!record) return nullptr;
  uint32_t library = data_type >> 16, type = data_type & 0xFFFF;
  if (library == 0 || library > record->library_count || type == 0) return nullptr;
  const LibraryDescriptor* lib = record->libraries[library - 1];
  if (!lib || !lib->types || type > static_cast<uint32_t>(lib->type_count)) return nullptr;
  const UnitTypeRecord* t = &lib->types[type - 1];
  return t->chinese_name ? t : nullptr;
}

}  // namespace rt
