#pragma once

#include <QString>
#include <QStringList>

namespace vexor::tools {

// Gives a PDF written by Qt a document outline: one bookmark per page, titled by `titles` in
// page order, added as an incremental update (new outline objects, the catalogue naming them,
// a cross-reference section for both). False when the file cannot be read or has a structure
// this does not know; the file is then left as it was.
bool addPdfOutline(const QString& path, const QStringList& titles);

} // namespace vexor::tools
