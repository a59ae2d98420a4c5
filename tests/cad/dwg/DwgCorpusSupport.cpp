#include "DwgCorpusSupport.h"

#include "support/Corpus.h"

#include <QByteArray>
#include <QJsonDocument>
#include <fstream>
#include <iterator>

namespace vexor::test {

std::vector<std::filesystem::path> dwgCorpusFiles(bool withStress) {
    std::vector<std::filesystem::path> files;
    for (const char* sub : {"dwg/AC1012", "dwg/AC1014", "dwg/AC1015"}) {
        auto some = corpusFiles(sub, {".dwg"});
        files.insert(files.end(), some.begin(), some.end());
    }
    if (withStress) {
        auto stress = corpusFiles("stress", {".dwg"});
        files.insert(files.end(), stress.begin(), stress.end());
    }
    return files;
}

std::vector<std::filesystem::path> dwgR2004FamilyFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* sub : {"dwg/AC1018", "dwg/AC1021", "dwg/AC1024", "dwg/AC1027", "dwg/AC1032"}) {
        auto some = corpusFiles(sub, {".dwg"});
        files.insert(files.end(), some.begin(), some.end());
    }
    return files;
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QJsonObject loadJson(const std::filesystem::path& path) {
    const auto bytes = fileBytes(path);
    return QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size())))
        .object();
}

std::map<std::string, int> modelSpaceCounts(const cad::Drawing& d) {
    std::map<std::string, int> counts;
    for (const cad::Entity& e : d.modelSpace)
        ++counts[cad::dxfTypeName(e)];
    return counts;
}

std::map<std::string, int> countsOf(const QJsonObject& object) {
    std::map<std::string, int> counts;
    for (auto it = object.begin(); it != object.end(); ++it)
        counts[it.key().toStdString()] = it.value().toInt();
    return counts;
}

} // namespace vexor::test
