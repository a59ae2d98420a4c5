#include "PropertiesPanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vexor::app {

PropertiesPanel::PropertiesPanel(view::PropertiesInspector& inspector, QWidget* parent)
    : QDockWidget(QStringLiteral("Properties"), parent), inspector_(inspector) {
    setObjectName("dockProperties");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* row = new QHBoxLayout;
    summary_ = new QLabel(body);
    summary_->setObjectName("lblObject");
    auto* next = new QPushButton(QStringLiteral("Next object"), body);
    next->setObjectName("cmdNextObject");
    connect(next, &QPushButton::clicked, this, [this] { inspector_.Next(); });
    row->addWidget(summary_, 1);
    row->addWidget(next);
    layout->addLayout(row);
    table_ = new QTableWidget(0, 2, body);
    table_->setObjectName("tblProperties");
    table_->setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(table_, 1);
    setWidget(body);
}

void PropertiesPanel::open() {
    show();
    raise();
    inspector_.Start();
}

void PropertiesPanel::refresh() {
    const int current = inspector_.Current();
    const auto& objects = inspector_.Objects();
    const control::ObjectProperties empty;
    const control::ObjectProperties& shown =
        current >= 0 ? objects[static_cast<std::size_t>(current)] : empty;
    table_->setRowCount(static_cast<int>(shown.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const auto& [name, value] = shown[static_cast<std::size_t>(row)];
        table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(name)));
        table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(value)));
    }
    QString text = QString::fromStdString(inspector_.Summary());
    if (!inspector_.Active())
        text += QStringLiteral(" (ended)");
    summary_->setText(text);
}

} // namespace vexor::app
