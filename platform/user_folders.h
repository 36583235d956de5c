// Folders of the current user and simple questions about paths.
#pragma once

#include <string>

namespace dravanta {

// $HOME, or the home folder of the effective user; empty when unknown.
std::u16string HomeFolder();

// $XDG_STATE_HOME when set and absolute, otherwise HomeFolder() + "/.local/state";
// empty when neither is known.
std::u16string UserStateFolder();

// The folder exists and the process may create files in it.
bool IsWritableFolder(const std::u16string& path);

bool IsExistingFolder(const std::u16string& path);

// A regular file (or a link to one).
bool IsExistingFile(const std::u16string& path);

// Creates the folder and its missing parents (mode 0755). True when it
// exists afterwards.
bool CreateFolders(const std::u16string& path);

}  // namespace dravanta
