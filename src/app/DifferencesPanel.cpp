#include "DifferencesPanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

namespace vexor::app {

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;

QString handleText(const control::DrawingDifference& d) {
    if (d.change == "removed")
        return QString::fromStdString(d.oldHandle);
    if (d.change == "added")
        return QString::fromStdString(d.newHandle);
    if (d.oldHandle == d.newHandle)
        return QString::fromStdString(d.oldHandle);
    return QString::fromStdString(d.oldHandle + " / " + d.newHandle);
}

QColor changeColour(const std::string& change) {
    if (change == "removed")
        return QColor(0xE0, 0x26, 0x1F);
    if (change == "added")
        return QColor(0x1F, 0xA8, 0x3A);
    return QColor(0xC0, 0x94, 0x00);
}

} // namespace

DifferencesPanel::DifferencesPanel(QWidget* parent) : QDockWidget(tr("Differences"), parent) {
    setObjectName("DifferencesPanel");
    // It goes with its comparison ("Close comparison"), never on its own.
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    summary_ = new QLabel(body);
    summary_->setObjectName("DifferencesSummary");
    summary_->setWordWrap(true);
    tree_ = new QTreeWidget(body);
    tree_->setObjectName("DifferencesList");
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({tr("Difference"), tr("Handle")});
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    auto* buttons = new QHBoxLayout;
    auto* previous = new QPushButton(tr("Previous"), body);
    previous->setObjectName("PreviousDifference");
    auto* next = new QPushButton(tr("Next"), body);
    next->setObjectName("NextDifference");
    auto* close = new QPushButton(tr("Close comparison"), body);
    close->setObjectName("CloseComparison");
    buttons->addWidget(previous);
    buttons->addWidget(next);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addWidget(summary_);
    layout->addWidget(tree_);
    layout->addLayout(buttons);
    setWidget(body);

    connect(previous, &QPushButton::clicked, this, [this] {
        if (onPrevious)
            onPrevious();
    });
    connect(next, &QPushButton::clicked, this, [this] {
        if (onNext)
            onNext();
    });
    connect(close, &QPushButton::clicked, this, [this] {
        if (onClose)
            onClose();
    });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (selecting_ || !item || !onChosen)
            return;
        const QVariant index = item->data(0, kIndexRole);
        if (index.isValid())
            onChosen(index.toInt());
    });
    hide();
}

void DifferencesPanel::ShowDifferences(const std::vector<control::DrawingDifference>& differences) {
    tree_->clear();
    rows_.assign(differences.size(), nullptr);
    std::map<std::string, int> counts;
    QTreeWidgetItem* group = nullptr;
    std::string groupKey;
    for (std::size_t i = 0; i < differences.size(); ++i) {
        const control::DrawingDifference& d = differences[i];
        ++counts[d.change];
        const std::string key = d.kind + "\n" + d.layer;
        if (!group || key != groupKey) {
            group = new QTreeWidgetItem(tree_);
            group->setFirstColumnSpanned(true);
            groupKey = key;
            group->setData(0, Qt::UserRole, 0);
        }
        group->setData(0, Qt::UserRole, group->data(0, Qt::UserRole).toInt() + 1);
        group->setText(0, tr("%1 on layer %2 (%3)")
                              .arg(QString::fromStdString(d.kind), QString::fromStdString(d.layer))
                              .arg(group->data(0, Qt::UserRole).toInt()));
        auto* row = new QTreeWidgetItem(group);
        row->setText(0, QString::fromStdString(d.change) +
                            (d.layout != "Model" ? " (" + QString::fromStdString(d.layout) + ")"
                                                 : QString()));
        row->setText(1, handleText(d));
        row->setForeground(0, changeColour(d.change));
        row->setData(0, kIndexRole, static_cast<int>(i));
        rows_[i] = row;
    }
    summary_->setText(differences.empty() ? tr("The drawings are the same.")
                                          : tr("%1 removed, %2 added, %3 changed")
                                                .arg(counts["removed"])
                                                .arg(counts["added"])
                                                .arg(counts["changed"]));
    tree_->expandAll();
    show();
}

void DifferencesPanel::HideDifferences() {
    tree_->clear();
    rows_.clear();
    hide();
}

void DifferencesPanel::SelectDifference(int index) {
    selecting_ = true;
    if (index >= 0 && static_cast<std::size_t>(index) < rows_.size()) {
        tree_->setCurrentItem(rows_[static_cast<std::size_t>(index)]);
        tree_->scrollToItem(rows_[static_cast<std::size_t>(index)]);
    } else {
        tree_->setCurrentItem(nullptr);
    }
    selecting_ = false;
}

} // namespace vexor::app
