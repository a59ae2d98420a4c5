#pragma once

#include <QIcon>
#include <functional>

class QPainter;

namespace vexor::view {

// An icon drawn by `draw` into whatever rectangle and mode are asked for, so that it stays
// crisp at every size and screen density.
using IconPainter = std::function<void(QPainter&, const QRect&, QIcon::Mode)>;
QIcon vectorIcon(IconPainter draw);

} // namespace vexor::view
