// The names lumarind-cli gives its temporary files beside a target:
// ".lumarind-cli-TTTTTTTT-RRRRRRRR", where T is the same for every run over
// one target name and R is random. A run's temporary file is locked
// (flock) by it from the start, so that one left named by a run that was
// killed can be told from one still in use and removed by the next run over
// that target.
#pragma once

#include <sys/types.h>

#include <string>

namespace lumarind::cli {

std::string TemporaryName(const std::string& target);

// Removes what runs over target left behind there: regular files by its
// temporary names that belong to this user or to owner and that no live
// process holds. A folder this user may not list is left as it is.
void RemoveLeftovers(int folder, const std::string& target, uid_t owner) noexcept;

}  // namespace lumarind::cli
