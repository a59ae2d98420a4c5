#pragma once

#include <QImage>
#include <chrono>
#include <string>

namespace vexor::tools {

// A square preview of a drawing file, `size` pixels wide and high: the whole drawing, centred,
// drawn through the viewer's renderer on white. Throws cad::ReadError (or another
// std::exception naming the file) when the file cannot be read or holds nothing to draw, and
// cad::LoadStopped when reading and compiling take longer than `timeout` or too much memory.
// It follows external references only inside the drawing's folder, at most 16 (for the process).
QImage renderThumbnail(const std::string& path, int size, std::chrono::milliseconds timeout);

} // namespace vexor::tools
