#pragma once

#include "cad/model/Drawing.h"

#include <QJsonObject>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vexor::test {

// The R13, R14 and R2000 drawings of the corpus (dwg/AC1012, AC1014, AC1015), and the large
// ones under stress/ when `withStress`.
std::vector<std::filesystem::path> dwgCorpusFiles(bool withStress);

// The drawings of the R2004 family and of R2007, whose objects are stored alike (dwg/AC1018,
// AC1021, AC1024, AC1027, AC1032).
std::vector<std::filesystem::path> dwgR2004FamilyFiles();

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path);

QJsonObject loadJson(const std::filesystem::path& path);

// Model-space entity counts by DXF name.
std::map<std::string, int> modelSpaceCounts(const cad::Drawing& d);

// Counts keyed by name from an oracle object such as "modelspace_by_dxftype".
std::map<std::string, int> countsOf(const QJsonObject& object);

} // namespace vexor::test
