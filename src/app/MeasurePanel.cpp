#include "MeasurePanel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vexor::app {

MeasurePanel::MeasurePanel(view::Measurer& measurer, QWidget* parent)
    : QDockWidget(QStringLiteral("Measure"), parent), measurer_(measurer) {
    setObjectName("dockMeasure");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* modes = new QHBoxLayout;
    using Mode = view::Measurer::Mode;
    for (const auto& [name, caption, mode] :
         {std::tuple{"cmdDistance", "Distance", Mode::Distance},
          std::tuple{"cmdAngle", "Angle", Mode::Angle}, std::tuple{"cmdArea", "Area", Mode::Area},
          std::tuple{"cmdObject", "Object", Mode::Object}}) {
        auto* button = new QPushButton(QString::fromUtf8(caption), body);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this,
                [this, mode = mode] { measurer_.Start(mode); });
        modes->addWidget(button);
    }
    layout->addLayout(modes);
    prompt_ = new QLabel(body);
    prompt_->setObjectName("lblPrompt");
    prompt_->setWordWrap(true);
    layout->addWidget(prompt_);
    table_ = new QTableWidget(0, 2, body);
    table_->setObjectName("tblValues");
    table_->setHorizontalHeaderLabels({QStringLiteral("Measure"), QStringLiteral("Value")});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(table_, 1);
    auto* copy = new QPushButton(QStringLiteral("Copy value"), body);
    copy->setObjectName("cmdCopyValue");
    connect(copy, &QPushButton::clicked, this, [this] { copyValue(); });
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_);
    copyKey->setContext(Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, [this] { copyValue(); });
    layout->addWidget(copy);
    setWidget(body);
}

void MeasurePanel::open() {
    show();
    raise();
    measurer_.Start(view::Measurer::Mode::Distance);
}

void MeasurePanel::refresh() {
    const auto& values = measurer_.Values();
    table_->setRowCount(static_cast<int>(values.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const auto& v = values[static_cast<std::size_t>(row)];
        table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(v.name)));
        table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(v.text)));
    }
    QString prompt = QString::fromStdString(measurer_.Summary());
    if (!measurer_.Active())
        prompt += QStringLiteral(" (ended)");
    prompt_->setText(prompt);
}

void MeasurePanel::copyValue() {
    if (table_->rowCount() == 0)
        return;
    const int row = std::max(table_->currentRow(), 0);
    if (const QTableWidgetItem* item = table_->item(row, 1))
        QGuiApplication::clipboard()->setText(item->text());
}

} // namespace vexor::app
