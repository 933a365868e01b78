// The few operating-system calls the core needs, kept in one place so the rest of the code builds
// on Windows and Linux alike. Everything here is a thin wrapper; no policy lives in this file.
#pragma once

#include <cstddef>
#include <ctime>
#include <filesystem>

namespace kestrune {

// Full path of the running program file; empty when the system cannot tell.
std::filesystem::path executablePath();

// Makes a file readable and writable by its owner alone (the cookie store holds sign-ins).
// On Windows the file lies in the user's own profile and keeps its inherited rights.
bool restrictToOwner(const std::filesystem::path& file);

// True when the program runs with the system administrator's identity (root on Linux).
bool runningAsRoot();

// Restricts the whole process, every thread it has now and every thread it starts later, to the
// first processor. Returns false when the system refused.
bool restrictToFirstProcessor();

// The user's desktop folder: the XDG desktop directory on Linux (~/Desktop when none is set),
// the shell's Desktop known folder on Windows. The folder need not exist.
std::filesystem::path desktopFolder();

// The broken-down local time of a moment.
std::tm localTimeOf(std::time_t moment);

// Processor time the calling thread has used so far, in seconds.
double threadCpuSeconds();

// The largest resident memory the process has had so far, in bytes; 0 when the system cannot tell.
std::size_t peakResidentBytes();

}  // namespace kestrune
