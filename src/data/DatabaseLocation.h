#pragma once

#include <string>

namespace vexor::data {

// The per-user folder for the project database: $XDG_DATA_HOME/vexor, or ~/.local/share/vexor
// when XDG_DATA_HOME is unset or not an absolute path. Empty when neither is known.
std::string userDatabaseFolder();

// Whether the program may write beside itself (a build tree, a portable copy).
bool isWritableFolder(const std::string& folder);

// The folder whose "Dadizer.KVF" the program uses. A writable program folder that holds the
// database keeps it there. Otherwise (an installed program, a read-only medium) the user's
// own copy in `userFolder` is used; it is made on first start from the delivered database
// (beside the program, or in ../share/vexor for an installed one) and never replaced once it
// exists. With no delivered database, or no user folder to put a copy in, the program folder
// is returned and the open reports the missing database as usual.
std::string projectDatabaseFolder(const std::string& programFolder, bool programFolderWritable,
                                  const std::string& userFolder);

} // namespace vexor::data
