#pragma once

#include "view/PropertiesInspector.h"

#include <QDockWidget>

class QLabel;
class QTableWidget;

namespace vexor::app {

// The dockable "Properties" panel of Tools > Properties: which of the objects under the last
// click is shown, its properties (name and value) and a button to show the next one.
class PropertiesPanel : public QDockWidget {
public:
    PropertiesPanel(view::PropertiesInspector& inspector, QWidget* parent);

    // Shows the panel and starts the tool.
    void open();
    void refresh();

    QTableWidget* values() const { return table_; }
    QLabel* summary() const { return summary_; }

private:
    view::PropertiesInspector& inspector_;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
};

} // namespace vexor::app
