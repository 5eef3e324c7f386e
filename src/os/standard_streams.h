// The process's standard input, output and error as raw bytes (no text-mode
// translation), for the command-line tools.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace os {

// One read from standard input: the count read (0 at the end), or nothing on failure.
std::optional<std::size_t> ReadStandardInput(void* buffer, std::size_t size);
// Writes everything to standard output or fails.
bool WriteStandardOutput(const void* data, std::size_t size);
// Writes a message to standard error (failures ignored).
void WriteStandardError(std::string_view text);

}  // namespace os
