#pragma once

#include "data/ProjectSchema.h"
#include "data/Sql.h"

#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

namespace vexor::test {

// A fresh project database in its own temporary program folder.
struct ProjectFolder {
    explicit ProjectFolder(const std::vector<data::Credit>& credits = defaultCredits());

    static std::vector<data::Credit> defaultCredits();

    std::unique_ptr<data::Connection> connect() const;
    // FileName values in row order.
    std::vector<std::string> fileNames() const;
    long long rowCount() const;
    // Runs SQL text without parameters (test set-up only).
    void execute(const std::string& sql) const;

    QTemporaryDir dir;
    std::string folder;
    std::string databasePath;
};

// A second process: this test program started again in one of the child modes of
// ChildProcess.cpp, acting on `folder`.
std::unique_ptr<QProcess> startChild(const std::string& mode, const std::string& folder);

// Writes a file (a drawing stand-in) and returns its path.
std::string writeFile(const std::string& folder, const std::string& name);

} // namespace vexor::test
