#pragma once

#include "view/Program.h"

#include <QObject>
#include <functional>

class QWidget;

namespace vexor::app {

// The keys CAD users expect of the main window: Ctrl+O opens, Ctrl+P prints and Ctrl+Q exits
// (as their File menu entries, and only while those are enabled); plus and minus zoom in and
// out, and Escape cancels the running tool, where no other widget takes those keys (a text
// field keeps its plus and minus).
class KeyboardConventions : public QObject {
public:
    KeyboardConventions(QWidget* window, view::Program& program, std::function<void()> cancel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    view::Program& program_;
    std::function<void()> cancel_;
};

} // namespace vexor::app
