// What a --db target names, and the secrets in it. A target is a PostgreSQL URL
// ("postgresql://..." or "postgres://..."), a PostgreSQL connection string of keywords
// ("host=db user=maker password=..." in any order), or else an SQLite file. Its password is
// never shown: every message about the database passes through `scrub`, which hides it
// however it appears (as written, percent-decoded, in a URL, in keywords, or quoted back by
// the client library).
#pragma once

#include <string>
#include <vector>

namespace journal {

bool is_postgres_target(const std::string& target);

// The target as it names the same database from any folder: an SQLite file's path made
// absolute (the tool changes its folder once it runs), a server's target as it is.
std::string absolute_target(const std::string& target);

// The target with any password replaced by "***", for messages.
std::string redact_target(const std::string& target);

// The passwords a target carries, as written and as the client reads them.
std::vector<std::string> target_secrets(const std::string& target);

// `message` with every password of `target` (and anything that looks like one) hidden.
std::string scrub(const std::string& target, std::string message);

}  // namespace journal
