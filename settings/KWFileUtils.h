#pragma once
// File-system utilities of the settings and the main window. Paths are UTF-16 with "/" as the
// separator; they become UTF-8 at the system call. Free functions; any thread (they read the
// environment and the file system, nothing else).
#include "runtime/WinTypes.h"

// Special-folder identifiers the program asks for.
constexpr int CSIDL_PERSONAL = 5; // the user's documents folder
constexpr int CSIDL_APPDATA = 26; // the user's configuration folder

// The folder with a trailing "/", or "" when it cannot be found (unknown identifier, no home
// folder). Follows the XDG base and user directories.
WideString SpecialFolderPath(int folderId);
WideString AppDataFolder();
WideString PersonalFolder();

// Creates the folder and every missing parent, outermost first; true when the folder exists
// afterwards. Raises Exception "Unable to create directory" for the empty text.
bool CreateFolderPath(const WideString& folder);
// The same, answering in error why it failed: the system's error number of the step that
// failed (EEXIST when a file has the folder's name, ENOTDIR when one is on its way, EINVAL for
// a path that cannot name a file); 0 when it succeeds.
bool CreateFolderPath(const WideString& folder, int& error);

// The text up to and including the last "/"; "" when there is none.
WideString FolderOfPath(const WideString& path);
// Appends "/" unless the text already ends with one ("" becomes "/").
WideString WithTrailingBackslash(const WideString& path);
// Removes one final "/" if there is one.
WideString WithoutTrailingBackslash(const WideString& path);

// True for an existing entry that is not a folder (symbolic links are followed).
bool IsExistingFile(const WideString& path);
// True for an existing folder (symbolic links are followed).
bool IsExistingFolder(const WideString& path);
// True when nothing has the name: neither it nor a folder on its way exists (a symbolic link
// that leads nowhere counts as missing). False for every other answer of the system, an entry
// that cannot be looked at included.
bool IsMissingPath(const WideString& path);

// The absolute form of a path (a relative one is taken from the current folder), for messages.
WideString ExpandFileName(const WideString& path);

// The UTF-8 form of a path for a system call; false when the path cannot name a file (it
// holds a NUL character, or a lone surrogate that UTF-8 cannot spell).
bool PathToSystem(const WideString& path, std::string& systemPath);
