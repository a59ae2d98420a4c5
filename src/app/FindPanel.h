#pragma once

#include "view/TextFinder.h"

#include <QDockWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vexor::app {

// The dockable "Find" panel of Tools > Find: a text field, a whole-words option, the list of
// hits (text, layer, layout) and previous/next buttons. Choosing a hit shows it; the search
// itself and showing a hit are the TextFinder's.
class FindPanel : public QDockWidget {
public:
    FindPanel(view::TextFinder& finder, QWidget* parent);

    // Shows the panel with its text field ready for typing.
    void open();
    // Runs the search for what the field holds and lists the hits.
    void search();

    QLineEdit* field() const { return field_; }
    QCheckBox* wholeWords() const { return wholeWords_; }
    QListWidget* hits() const { return list_; }
    QLabel* summary() const { return summary_; }

private:
    void choose(int row);
    void step(bool forward);

    view::TextFinder& finder_;
    QLineEdit* field_ = nullptr;
    QCheckBox* wholeWords_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* summary_ = nullptr;
    bool listing_ = false; // the list is being refilled: its row changes are not choices
};

} // namespace vexor::app
