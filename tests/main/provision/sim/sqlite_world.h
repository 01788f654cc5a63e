// SQLite as the simulated world sees it: its clock is the world's, and its files are kept as
// a disk keeps them through a power cut: every write reaches the file at
// once (as it reaches the system's cache), but only what was synced survives a cut; a file
// never synced since it was made is gone. Installed as SQLite's default file layer, so the
// journal's own connections run over it unchanged. So a durability setting is tried by
// exactly what it promises: synchronous=FULL syncs the log at every commit, NORMAL only at
// checkpoints.
#pragma once

#include <string>

namespace sim {

class World;

// Makes the SQL function dtu_sim_now() (the database's clock in the simulated journal) give
// `world`'s time, on every SQLite connection of the process.
void use_world_clock_in_sqlite(const World* world);

// Installs the layer (once per process) and makes the layer's "now" the files as they
// stand: they survive any cut from here.
void install_power_cut_files();

// While the power is off, SQLite's writes, syncs and deletions change nothing (connections
// of the dead processes closing must not checkpoint on a disk without power).
void power_off();
// Puts every file back as it was at its last sync, removes the log's shared-memory index
// (memory does not survive), and lets writes through again.
void power_on();

// Forgets the files of a folder (a finished run's scratch folder).
void forget_files(const std::string& folder);

}  // namespace sim
