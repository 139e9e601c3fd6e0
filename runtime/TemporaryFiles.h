#pragma once
// The temporary files a save writes beside the file it replaces (the settings file, the
// registry file), named "NAME.tmp-PID-N" after the process that writes them and locked by it
// (flock) while it writes, so that what a killed writer left behind can be told from what a
// running one is writing, and removed.
// Thread contract: any thread; the functions keep no state but a counter.
#include <string>
#include <sys/types.h>

// Makes a new temporary file for target, exclusively, with the given permissions, and locks
// it: the descriptor (close it to give the lock back) and its path, or -1 with errno set.
int CreateTemporaryFile(const std::string& target, mode_t mode, std::string& path);

// Removes the temporary files of target whose writer is gone: its process no longer runs and
// nobody holds the file locked. Answers how many were removed.
int RemoveStaleTemporaryFiles(const std::string& target);

// The process runs (or exists and is not ours to signal).
bool IsProcessRunning(pid_t pid);
