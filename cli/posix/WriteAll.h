// Every byte to a descriptor: a pipe or terminal may take less than it is
// given, and a signal may interrupt the write.
#pragma once

#include <sys/types.h>

#include <string_view>

namespace lumarind::cli {

// Writes at the descriptor's position (at its end when it appends).
void WriteAll(int fd, std::string_view bytes);
// Writes at the given offset, leaving the descriptor's position alone.
void WriteAllAt(int fd, std::string_view bytes, off_t offset);

}  // namespace lumarind::cli
