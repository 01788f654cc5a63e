// Share modes between openers of one file, enforced with open file description locks.
//
// Every opener holds shared locks on marker bytes far beyond any real file content: one
// marker each for "I read", "I write", "I deny read" and "I deny write". An open fails with
// a sharing violation when another opener (in this or any other process) holds a marker
// that conflicts: reading needs nobody denying read, writing needs nobody denying write,
// denying read needs no current reader, denying write needs no current writer. Markers are
// taken before the check, so two racing openers that conflict may both fail, never both
// succeed. The locks are advisory: programs that do not use them are not held back.
#pragma once

#include "platform/files.h"

namespace platform::posix {

// Takes the markers of `how` on `fd` and checks the other openers. False with
// SharingViolation (or Io) in `error` when the open must fail; the fd's locks then die with it.
bool claim_share(int fd, const FileOpen& how, FileError& error);

}  // namespace platform::posix
