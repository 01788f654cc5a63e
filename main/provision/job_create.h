// job create: the base settings file and the units CSV become a job, every row checked
// first with the window's own loading and field checks. One bad row (or base value), an
// empty or repeated ID refuse the whole job, naming the row, the key and the window's
// message; nothing is stored then.
#pragma once

#include "main/journal/journal.h"
#include "main/provision/job_commands.h"

namespace provision {

int create_job(const ProductionOptions& options, journal::Journal& journal, const Console& console);

}  // namespace provision
