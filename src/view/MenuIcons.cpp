#include "MenuIcons.h"

#include "MenuArray.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace vexor::view {
namespace {

// The caption as given, for entries of a MenuArray; the shown text with its access-key
// marks removed for the others.
std::string captionOf(const QAction* action) {
    if (const auto caption = arrayCaption(action))
        return *caption;
    QString text = action->text();
    text.replace("&&", QString(QChar(0x1)));
    text.remove('&');
    text.replace(QChar(0x1), "&");
    return text.toStdString();
}

QAction* searchMenu(const QList<QAction*>& actions, const std::string& caption) {
    for (QAction* action : actions) {
        if (!action->isSeparator() && captionOf(action) == caption)
            return action;
        if (QMenu* sub = action->menu())
            if (QAction* found = searchMenu(sub->actions(), caption))
                return found;
    }
    return nullptr;
}

} // namespace

void MenuIcons::SetOwnerWindow(QWidget* owner) {
    owner_ = owner;
}

void MenuIcons::SetImageList(const std::vector<QIcon>* images) {
    images_ = images;
}

QAction* MenuIcons::findEntry(const std::string& caption) const {
    if (!owner_)
        return nullptr;
    if (const auto* bar = qobject_cast<const QMenuBar*>(owner_.data()))
        return searchMenu(bar->actions(), caption);
    for (const QMenuBar* bar : owner_->findChildren<QMenuBar*>())
        if (QAction* found = searchMenu(bar->actions(), caption))
            return found;
    return nullptr;
}

std::int32_t MenuIcons::GetItemIcon(const std::string& caption) const {
    const auto it = indexes_.find(caption);
    return it == indexes_.end() ? kNoIcon : it->second;
}

void MenuIcons::SetItemIcon(const std::string& caption, std::int32_t index) {
    indexes_[caption] = index;
    QAction* entry = findEntry(caption);
    if (!entry)
        return;
    if (images_ && index >= 0 && static_cast<std::size_t>(index) < images_->size())
        entry->setIcon((*images_)[static_cast<std::size_t>(index)]);
    else
        entry->setIcon(QIcon());
    entry->setIconVisibleInMenu(true);
}

} // namespace vexor::view
