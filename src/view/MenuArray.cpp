#include "MenuArray.h"

#include <QAction>
#include <QMenu>
#include <stdexcept>

namespace vexor::view {
namespace {
constexpr const char* kCaptionProperty = "vexorCaption";
}

std::optional<std::string> arrayCaption(const QAction* action) {
    const QVariant raw = action->property(kCaptionProperty);
    if (!raw.isValid())
        return std::nullopt;
    return raw.toString().toStdString();
}

QString menuText(const std::string& caption) {
    return QString::fromStdString(caption).replace(QLatin1Char('&'), QLatin1String("&&"));
}

MenuArray::MenuArray(QMenu* menu, const std::string& firstCaption, QObject* parent)
    : QObject(parent), menu_(menu) {
    QAction* first = makeEntry(firstCaption);
    menu_->addAction(first);
    entries_.push_back(first);
}

QAction* MenuArray::makeEntry(const std::string& caption) {
    auto* action = new QAction(menuText(caption), menu_);
    action->setProperty(kCaptionProperty, QString::fromStdString(caption));
    connect(action, &QAction::triggered, this, [this, action] {
        // Check marks belong to the program: undo the toggle Qt makes on a user's click.
        if (action->isCheckable())
            action->setChecked(!action->isChecked());
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i] == action && onClick)
                onClick(static_cast<int>(i));
    });
    return action;
}

QAction* MenuArray::Entry(int index) const {
    if (index < 0 || index > UBound())
        throw std::out_of_range("menu entry " + std::to_string(index) + " does not exist");
    return entries_[static_cast<std::size_t>(index)];
}

void MenuArray::Load() {
    QAction* last = entries_.back();
    QAction* entry = makeEntry("");
    entry->setCheckable(entries_.front()->isCheckable());
    entry->setEnabled(entries_.front()->isEnabled());
    // Insert right after the current last entry, keeping whatever follows it in the menu.
    const QList<QAction*> all = menu_->actions();
    const auto pos = all.indexOf(last);
    if (pos >= 0 && pos + 1 < all.size())
        menu_->insertAction(all[pos + 1], entry);
    else
        menu_->addAction(entry);
    entries_.push_back(entry);
}

void MenuArray::Unload() {
    if (entries_.size() <= 1)
        return;
    QAction* entry = entries_.back();
    entries_.pop_back();
    menu_->removeAction(entry);
    entry->deleteLater();
}

std::string MenuArray::Caption(int index) const {
    return Entry(index)->property(kCaptionProperty).toString().toStdString();
}

void MenuArray::SetCaption(int index, const std::string& caption) {
    QAction* entry = Entry(index);
    entry->setProperty(kCaptionProperty, QString::fromStdString(caption));
    entry->setText(menuText(caption));
}

bool MenuArray::Checked(int index) const {
    return Entry(index)->isChecked();
}
void MenuArray::SetChecked(int index, bool checked) {
    Entry(index)->setChecked(checked);
}
bool MenuArray::Enabled(int index) const {
    return Entry(index)->isEnabled();
}
void MenuArray::SetEnabled(int index, bool enabled) {
    Entry(index)->setEnabled(enabled);
}

void MenuArray::SetCheckable(bool checkable) {
    for (QAction* entry : entries_)
        entry->setCheckable(checkable);
}

} // namespace vexor::view
