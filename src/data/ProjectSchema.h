#pragma once

#include <string>
#include <vector>

namespace vexor::data {

struct Credit {
    std::string contribution;
    std::string name;
};

// Makes a new project database file at `path`: the history table (whose eight view fields start
// at 0 in a new row), the credits table filled with `credits`, protected by the project's key.
// Fails with DatabaseError if the file exists; a partly written file is never left behind.
void createProjectDatabase(const std::string& path, const std::vector<Credit>& credits);

} // namespace vexor::data
