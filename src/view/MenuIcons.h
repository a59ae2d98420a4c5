#pragma once

#include "control/DrawingControl.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

class QAction;

namespace vexor::view {

// Shows an image of an icon list beside a menu entry of the owner window, the entry found by
// its caption, and remembers the index last set for each caption.
class MenuIcons {
public:
    // An entry that never had an icon reports this: the white, shown swatch, so that hiding
    // the layer turns it into the white, hidden swatch.
    static constexpr std::int32_t kNoIcon = 14;

    void SetOwnerWindow(QWidget* owner);
    void SetImageList(const std::vector<QIcon>* images);
    std::int32_t GetItemIcon(const std::string& caption) const;
    void SetItemIcon(const std::string& caption, std::int32_t index);

private:
    QAction* findEntry(const std::string& caption) const;

    QPointer<QWidget> owner_;
    const std::vector<QIcon>* images_ = nullptr;
    std::map<std::string, std::int32_t> indexes_;
};

} // namespace vexor::view
