#pragma once

#include "view/Program.h"

#include <QDockWidget>
#include <functional>
#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexor::app {

// The dockable "Differences" panel of a comparison: the differences grouped by kind and layer
// (each group with its count), Previous and Next, and "Close comparison". Choosing a row runs
// `onChosen` with the difference's index.
class DifferencesPanel : public QDockWidget, public view::DifferencesPanelHost {
    Q_OBJECT
public:
    explicit DifferencesPanel(QWidget* parent = nullptr);

    std::function<void(int)> onChosen;
    std::function<void()> onNext, onPrevious, onClose;

    // view::DifferencesPanelHost
    void ShowDifferences(const std::vector<control::DrawingDifference>& differences) override;
    void HideDifferences() override;
    void SelectDifference(int index) override;

    QTreeWidget* list() const { return tree_; }

private:
    QTreeWidget* tree_ = nullptr;
    QLabel* summary_ = nullptr;
    std::vector<QTreeWidgetItem*> rows_; // by difference index
    bool selecting_ = false;             // set while the program marks a row itself
};

} // namespace vexor::app
