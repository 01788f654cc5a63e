#include "tests/main/provision/sim/sqlite_world.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "tests/main/provision/sim/world.h"

namespace sim {
namespace {

const World* g_clock = nullptr;

void world_now(sqlite3_context* context, int, sqlite3_value**) {
  sqlite3_result_int64(context, g_clock ? g_clock->now() : 0);
}

int register_clock(sqlite3* db, char**, const sqlite3_api_routines*) {
  return sqlite3_create_function(db, "dtu_sim_now", 0, SQLITE_UTF8, nullptr, world_now, nullptr, nullptr);
}

// One file as the disk keeps it: what survives a cut, and the writes since the last sync.
struct Kept {
  bool durable = false;       // exists after a cut
  std::string content;        // what a cut leaves
  struct Write {
    int64_t offset;
    std::string bytes;        // empty with `truncate_to` >= 0: a truncation
    int64_t truncate_to = -1;
  };
  std::vector<Write> since_sync;
};

std::map<std::string, Kept>& files() {
  static std::map<std::string, Kept> all;
  return all;
}

bool g_power_off = false;
sqlite3_vfs* g_system = nullptr;
sqlite3_vfs g_layer;
sqlite3_io_methods g_methods;

struct LayerFile {
  sqlite3_file base;
  sqlite3_file* real;   // the system layer's file, right after this struct
  const std::string* path;  // null for SQLite's nameless temporary files
};

sqlite3_file* real_of(sqlite3_file* f) { return reinterpret_cast<LayerFile*>(f)->real; }
Kept* kept_of(sqlite3_file* f) {
  const std::string* path = reinterpret_cast<LayerFile*>(f)->path;
  return path ? &files()[*path] : nullptr;
}

std::string read_whole(const std::string& path, bool& exists) {
  std::ifstream in(path, std::ios::binary);
  exists = static_cast<bool>(in);
  std::stringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

void apply(std::string& content, const Kept::Write& w) {
  if (w.truncate_to >= 0) {
    content.resize(static_cast<size_t>(w.truncate_to));
    return;
  }
  const size_t end = static_cast<size_t>(w.offset) + w.bytes.size();
  if (content.size() < end) content.resize(end, '\0');
  std::memcpy(content.data() + w.offset, w.bytes.data(), w.bytes.size());
}

int layer_close(sqlite3_file* f) {
  const int rc = real_of(f)->pMethods ? real_of(f)->pMethods->xClose(real_of(f)) : SQLITE_OK;
  delete reinterpret_cast<LayerFile*>(f)->path;
  return rc;
}
int layer_read(sqlite3_file* f, void* buf, int n, sqlite3_int64 at) { return real_of(f)->pMethods->xRead(real_of(f), buf, n, at); }
int layer_write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 at) {
  if (g_power_off) return SQLITE_OK;
  const int rc = real_of(f)->pMethods->xWrite(real_of(f), buf, n, at);
  if (rc == SQLITE_OK)
    if (Kept* k = kept_of(f)) k->since_sync.push_back({at, std::string(static_cast<const char*>(buf), static_cast<size_t>(n))});
  return rc;
}
int layer_truncate(sqlite3_file* f, sqlite3_int64 size) {
  if (g_power_off) return SQLITE_OK;
  const int rc = real_of(f)->pMethods->xTruncate(real_of(f), size);
  if (rc == SQLITE_OK)
    if (Kept* k = kept_of(f)) k->since_sync.push_back({0, {}, size});
  return rc;
}
// A sync makes the file's content as it stands the content a cut leaves. The system's own
// sync is not needed: no real power is cut.
int layer_sync(sqlite3_file* f, int) {
  if (g_power_off) return SQLITE_OK;
  if (Kept* k = kept_of(f)) {
    for (const auto& w : k->since_sync) apply(k->content, w);
    k->since_sync.clear();
    k->durable = true;
  }
  return SQLITE_OK;
}
int layer_file_size(sqlite3_file* f, sqlite3_int64* size) { return real_of(f)->pMethods->xFileSize(real_of(f), size); }
int layer_lock(sqlite3_file* f, int level) { return real_of(f)->pMethods->xLock(real_of(f), level); }
int layer_unlock(sqlite3_file* f, int level) { return real_of(f)->pMethods->xUnlock(real_of(f), level); }
int layer_check_reserved(sqlite3_file* f, int* out) { return real_of(f)->pMethods->xCheckReservedLock(real_of(f), out); }
int layer_control(sqlite3_file* f, int op, void* arg) { return real_of(f)->pMethods->xFileControl(real_of(f), op, arg); }
int layer_sector(sqlite3_file* f) { return real_of(f)->pMethods->xSectorSize(real_of(f)); }
int layer_device(sqlite3_file* f) { return real_of(f)->pMethods->xDeviceCharacteristics(real_of(f)); }
int layer_shm_map(sqlite3_file* f, int page, int size, int extend, void volatile** p) {
  return real_of(f)->pMethods->xShmMap(real_of(f), page, size, extend, p);
}
int layer_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
  return real_of(f)->pMethods->xShmLock(real_of(f), offset, n, flags);
}
void layer_shm_barrier(sqlite3_file* f) { real_of(f)->pMethods->xShmBarrier(real_of(f)); }
int layer_shm_unmap(sqlite3_file* f, int remove) { return real_of(f)->pMethods->xShmUnmap(real_of(f), g_power_off ? 0 : remove); }
int layer_fetch(sqlite3_file* f, sqlite3_int64 at, int n, void** p) { return real_of(f)->pMethods->xFetch(real_of(f), at, n, p); }
int layer_unfetch(sqlite3_file* f, sqlite3_int64 at, void* p) { return real_of(f)->pMethods->xUnfetch(real_of(f), at, p); }

int layer_open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* out_flags) {
  auto* lf = reinterpret_cast<LayerFile*>(f);
  lf->real = reinterpret_cast<sqlite3_file*>(lf + 1);
  lf->path = nullptr;
  const int rc = g_system->xOpen(g_system, name, lf->real, flags, out_flags);
  if (rc != SQLITE_OK) {
    f->pMethods = nullptr;
    return rc;
  }
  f->pMethods = &g_methods;
  if (name) {
    lf->path = new std::string(name);
    // A file first seen here existed before the run (it survives), or is new (it does not,
    // until it is synced).
    auto [at, fresh] = files().try_emplace(*lf->path);
    if (fresh) {
      bool exists = false;
      at->second.content = read_whole(*lf->path, exists);
      at->second.durable = exists;
    }
  }
  return SQLITE_OK;
}

int layer_delete(sqlite3_vfs*, const char* name, int sync_dir) {
  if (g_power_off) return SQLITE_OK;
  files().erase(name);
  return g_system->xDelete(g_system, name, sync_dir);
}
int layer_access(sqlite3_vfs*, const char* name, int flags, int* out) { return g_system->xAccess(g_system, name, flags, out); }
int layer_full_path(sqlite3_vfs*, const char* name, int n, char* out) { return g_system->xFullPathname(g_system, name, n, out); }
int layer_randomness(sqlite3_vfs*, int n, char* out) { return g_system->xRandomness(g_system, n, out); }
int layer_sleep(sqlite3_vfs*, int us) { return g_system->xSleep(g_system, us); }
int layer_time(sqlite3_vfs*, double* t) { return g_system->xCurrentTime(g_system, t); }
int layer_last_error(sqlite3_vfs*, int n, char* out) { return g_system->xGetLastError(g_system, n, out); }
int layer_time64(sqlite3_vfs*, sqlite3_int64* t) { return g_system->xCurrentTimeInt64(g_system, t); }

}  // namespace

void use_world_clock_in_sqlite(const World* world) {
  static const bool registered = [] {
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(register_clock));
    return true;
  }();
  (void)registered;
  g_clock = world;
}

void install_power_cut_files() {
  if (g_system) return;
  g_system = sqlite3_vfs_find(nullptr);
  g_layer = sqlite3_vfs{};
  g_layer.iVersion = 2;
  g_layer.szOsFile = static_cast<int>(sizeof(LayerFile)) + g_system->szOsFile;
  g_layer.mxPathname = g_system->mxPathname;
  g_layer.zName = "dtu-power-cut";
  g_layer.xOpen = layer_open;
  g_layer.xDelete = layer_delete;
  g_layer.xAccess = layer_access;
  g_layer.xFullPathname = layer_full_path;
  g_layer.xRandomness = layer_randomness;
  g_layer.xSleep = layer_sleep;
  g_layer.xCurrentTime = layer_time;
  g_layer.xGetLastError = layer_last_error;
  g_layer.xCurrentTimeInt64 = layer_time64;
  g_methods = sqlite3_io_methods{};
  g_methods.iVersion = 3;
  g_methods.xClose = layer_close;
  g_methods.xRead = layer_read;
  g_methods.xWrite = layer_write;
  g_methods.xTruncate = layer_truncate;
  g_methods.xSync = layer_sync;
  g_methods.xFileSize = layer_file_size;
  g_methods.xLock = layer_lock;
  g_methods.xUnlock = layer_unlock;
  g_methods.xCheckReservedLock = layer_check_reserved;
  g_methods.xFileControl = layer_control;
  g_methods.xSectorSize = layer_sector;
  g_methods.xDeviceCharacteristics = layer_device;
  g_methods.xShmMap = layer_shm_map;
  g_methods.xShmLock = layer_shm_lock;
  g_methods.xShmBarrier = layer_shm_barrier;
  g_methods.xShmUnmap = layer_shm_unmap;
  g_methods.xFetch = layer_fetch;
  g_methods.xUnfetch = layer_unfetch;
  sqlite3_vfs_register(&g_layer, 1);
}

void power_off() { g_power_off = true; }

void power_on() {
  for (auto& [path, kept] : files()) {
    kept.since_sync.clear();
    if (!kept.durable) {
      ::unlink(path.c_str());
      continue;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(kept.content.data(), static_cast<std::streamsize>(kept.content.size()));
  }
  for (auto at = files().begin(); at != files().end();) at = at->second.durable ? std::next(at) : files().erase(at);
  for (const auto& [path, kept] : files()) ::unlink((path + "-shm").c_str());
  g_power_off = false;
}

void forget_files(const std::string& folder) {
  for (auto at = files().begin(); at != files().end();)
    at = at->first.rfind(folder, 0) == 0 ? files().erase(at) : std::next(at);
}

}  // namespace sim
