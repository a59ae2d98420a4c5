#pragma once

#include <QImage>
#include <string>

namespace vexor::tools {

// A square preview of a drawing file, `size` pixels wide and high: the whole drawing, centred,
// drawn through the viewer's renderer on white. Throws cad::ReadError (or another
// std::exception naming the file) when the file cannot be read or holds nothing to draw.
QImage renderThumbnail(const std::string& path, int size);

} // namespace vexor::tools
