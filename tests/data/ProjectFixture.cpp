#include "ProjectFixture.h"

#include "data/ProjectDatabase.h"

#include <QCoreApplication>
#include <fstream>
#include <stdexcept>

namespace vexor::test {

ProjectFolder::ProjectFolder(const std::vector<data::Credit>& credits) {
    if (!dir.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    folder = dir.path().toStdString();
    databasePath = data::ProjectDatabasePath(folder);
    data::createProjectDatabase(databasePath, credits);
}

std::vector<data::Credit> ProjectFolder::defaultCredits() {
    return {{"Programming", "Ada"},
            {"Users' feedback", "Brian O'Neil"},
            {"Programming", "Grace"},
            {"Testing", "Linus"},
            {"Users' feedback", "Zoë"}};
}

std::unique_ptr<data::Connection> ProjectFolder::connect() const {
    return std::make_unique<data::Connection>(databasePath, data::kProjectDatabasePassword);
}

std::vector<std::string> ProjectFolder::fileNames() const {
    auto connection = connect();
    data::Statement query(*connection, "SELECT FileName FROM tblRecentProject ORDER BY rowid");
    std::vector<std::string> names;
    while (query.step())
        names.push_back(query.text(0));
    return names;
}

long long ProjectFolder::rowCount() const {
    auto connection = connect();
    data::Statement query(*connection, "SELECT count(*) FROM tblRecentProject");
    query.step();
    return query.integer(0);
}

void ProjectFolder::execute(const std::string& sql) const {
    connect()->execute(sql.c_str());
}

std::unique_ptr<QProcess> startChild(const std::string& mode, const std::string& folder) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VEXOR_DATA_CHILD", QString::fromStdString(mode));
    environment.insert("VEXOR_DATA_CHILD_FOLDER", QString::fromStdString(folder));
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(QCoreApplication::applicationFilePath(), {});
    if (!process->waitForStarted(10000))
        throw std::runtime_error("cannot start the child process");
    return process;
}

std::string writeFile(const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name;
    std::ofstream(path) << "drawing";
    return path;
}

} // namespace vexor::test
