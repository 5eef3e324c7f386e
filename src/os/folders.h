// Well-known folders of the current user. Paths use "\" as separator on
// every platform (src/os/posix/README.md says how Linux maps them).
#pragma once

#include <string>

namespace os {

// The per-user roaming application-data folder, created when missing; empty
// when the system cannot give it.
std::u16string AppDataFolder();

// The current user's documents folder; empty when it cannot be determined.
std::u16string DocumentsFolder();

// The system's folder for temporary files, ending with its separator, as the
// system gives it.
std::u16string TempFolder();

// Full path of the running program's executable file.
std::u16string ExecutablePath();

// Creates one folder. True when the folder exists afterwards.
bool CreateFolder(const std::u16string& path);

// Where a crash file's copy goes when the temporary folder refuses it, ending
// with its separator ("c:\" on Windows).
std::u16string CopyFallbackFolder();

}  // namespace os
