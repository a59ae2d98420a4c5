#include "CaseFold.h"

#include <QString>

namespace vexor::data {

std::string upperCaseKey(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .toUpper()
        .toStdString();
}

} // namespace vexor::data
