// Makes the delivered project database: the history table, empty, and the credits read from a
// tab-separated file. An existing database is left alone, since it holds a user's history.

#include "data/ProjectSchema.h"
#include "data/Sql.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

namespace {

std::vector<vexor::data::Credit> readCredits(const char* path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(std::string(path) + ": cannot read");
    std::vector<vexor::data::Credit> credits;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line.front() == '#')
            continue;
        const auto tab = line.find('\t');
        if (tab == std::string::npos)
            throw std::runtime_error(std::string(path) + ":" + std::to_string(number) +
                                     ": expected heading<TAB>name");
        credits.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return credits;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: vexor-makedb <database to create> <credits.tsv>\n";
        return 2;
    }
    struct stat info {};
    if (::stat(argv[1], &info) == 0) {
        std::cout << argv[1] << ": exists, kept\n";
        return 0;
    }
    try {
        vexor::data::createProjectDatabase(argv[1], readCredits(argv[2]));
    } catch (const std::exception& error) {
        std::cerr << "vexor-makedb: " << error.what() << '\n';
        return 1;
    }
    std::cout << argv[1] << ": created\n";
    return 0;
}
