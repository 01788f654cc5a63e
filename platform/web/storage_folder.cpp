#include "platform/web/storage_folder.h"

#include <emscripten.h>

#include <string_view>

namespace platform::web {

// The page's storage writes through a replacement that it swaps in whole (storage.js).
EM_ASYNC_JS(int, web_store_file, (const char* name, const void* data, size_t size), {
  return await Module.dtu.storage.store(UTF8ToString(name), HEAPU8.slice(data, data + size)) ? 1 : 0;
});

std::string stored_name(const std::string& path) {
  const std::string_view folder = kSettingsFolder;
  if (path.size() <= folder.size() + 1 || path.compare(0, folder.size(), folder) != 0 || path[folder.size()] != '/')
    return {};
  std::string name = path.substr(folder.size() + 1);
  if (name.find('/') != std::string::npos) return {};
  return name;
}

bool store_file(const std::string& name, const void* data, size_t size) {
  return web_store_file(name.c_str(), data, size) == 1;
}

}  // namespace platform::web
