#include "KeyboardConventions.h"

#include "view/Navigation.h"

#include <QAction>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

namespace vexor::app {
namespace {

void shortcut(QWidget* window, QKeySequence keys, QAction* action, const char* name) {
    auto* s = new QShortcut(keys, window);
    s->setObjectName(name);
    s->setContext(Qt::WindowShortcut);
    QObject::connect(s, &QShortcut::activated, window, [action] {
        if (action && action->isEnabled())
            action->trigger();
    });
}

} // namespace

KeyboardConventions::KeyboardConventions(QWidget* window, view::Program& program,
                                         std::function<void()> cancel)
    : QObject(window), program_(program), cancel_(std::move(cancel)) {
    const view::Menus& m = program.menus;
    shortcut(window, QKeySequence(Qt::CTRL | Qt::Key_O), m.mnuOpen, "keyOpen");
    shortcut(window, QKeySequence(Qt::CTRL | Qt::Key_P), m.mnuPrint, "keyPrint");
    shortcut(window, QKeySequence(Qt::CTRL | Qt::Key_Q), m.mnuExit, "keyExit");
    window->installEventFilter(this);
}

bool KeyboardConventions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: // the plus key without shift on most layouts
        view::ZoomIn(program_);
        return true;
    case Qt::Key_Minus:
        view::ZoomOut(program_);
        return true;
    case Qt::Key_Escape:
        if (cancel_)
            cancel_();
        return true;
    default:
        return false;
    }
}

} // namespace vexor::app
