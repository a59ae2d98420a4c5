#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace vexor::view {

// A run of menu entries addressed by index, like the recent-drawings list or the layer list:
// entry 0 exists from the start, further entries are added after the last one and removed
// from the end. A caption is kept exactly as given; an '&' in it is shown as an ampersand,
// not taken as an access key.
class MenuArray : public QObject {
    Q_OBJECT
public:
    MenuArray(QMenu* menu, const std::string& firstCaption, QObject* parent = nullptr);

    int UBound() const { return static_cast<int>(entries_.size()) - 1; }
    QAction* Entry(int index) const;

    // Adds an entry at UBound() + 1, enabled and checkable like entry 0, visible, unchecked.
    void Load();
    // Removes the entry with the highest index; entry 0 is never removed.
    void Unload();

    std::string Caption(int index) const;
    void SetCaption(int index, const std::string& caption);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    bool Enabled(int index) const;
    void SetEnabled(int index, bool enabled);
    void SetCheckable(bool checkable);

    // Called with the entry's index when the user chooses it.
    std::function<void(int)> onClick;

private:
    QAction* makeEntry(const std::string& caption);

    QMenu* menu_;
    std::vector<QAction*> entries_;
};

// The caption an entry of a MenuArray was given, exactly; empty for other menu entries.
std::optional<std::string> arrayCaption(const QAction* action);

// The text a menu shows for a caption: '&' doubled so that it appears as itself.
QString menuText(const std::string& caption);

} // namespace vexor::view
