#pragma once

#include "view/Measurer.h"

#include <QDockWidget>

class QLabel;
class QTableWidget;

namespace vexor::app {

// The dockable "Measure" panel of Tools > Measure: buttons that start measuring a distance, an
// angle, an area or a picked object, what to pick next, and the values (name and value, each
// row copyable).
class MeasurePanel : public QDockWidget {
public:
    MeasurePanel(view::Measurer& measurer, QWidget* parent);

    // Shows the panel and starts measuring distances.
    void open();
    // Shows the measurer's values.
    void refresh();
    // Puts the value of the chosen row (the first when none is chosen) on the clipboard.
    void copyValue();

    QTableWidget* values() const { return table_; }
    QLabel* prompt() const { return prompt_; }

private:
    view::Measurer& measurer_;
    QTableWidget* table_ = nullptr;
    QLabel* prompt_ = nullptr;
};

} // namespace vexor::app
