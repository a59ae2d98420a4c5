#include "FindPanel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexor::app {

FindPanel::FindPanel(view::TextFinder& finder, QWidget* parent)
    : QDockWidget(QStringLiteral("Find"), parent), finder_(finder) {
    setObjectName("dockFind");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* row = new QHBoxLayout;
    field_ = new QLineEdit(body);
    field_->setObjectName("txtFind");
    field_->setPlaceholderText(QStringLiteral("Text to find"));
    field_->setClearButtonEnabled(true);
    auto* findButton = new QPushButton(QStringLiteral("Find"), body);
    findButton->setObjectName("cmdFind");
    row->addWidget(field_, 1);
    row->addWidget(findButton);
    layout->addLayout(row);
    wholeWords_ = new QCheckBox(QStringLiteral("Whole words"), body);
    wholeWords_->setObjectName("chkWholeWords");
    layout->addWidget(wholeWords_);
    list_ = new QListWidget(body);
    list_->setObjectName("lstHits");
    layout->addWidget(list_, 1);
    auto* steps = new QHBoxLayout;
    summary_ = new QLabel(body);
    summary_->setObjectName("lblHits");
    auto* previous = new QPushButton(QStringLiteral("Previous"), body);
    previous->setObjectName("cmdPrevious");
    auto* next = new QPushButton(QStringLiteral("Next"), body);
    next->setObjectName("cmdNext");
    steps->addWidget(summary_, 1);
    steps->addWidget(previous);
    steps->addWidget(next);
    layout->addLayout(steps);
    setWidget(body);

    connect(field_, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(findButton, &QPushButton::clicked, this, [this] { search(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int r) {
        if (!listing_)
            choose(r);
    });
    connect(previous, &QPushButton::clicked, this, [this] { step(false); });
    connect(next, &QPushButton::clicked, this, [this] { step(true); });
}

void FindPanel::open() {
    show();
    raise();
    field_->setFocus();
    field_->selectAll();
}

void FindPanel::search() {
    const std::size_t count =
        finder_.Search(field_->text().trimmed().toStdString(), wholeWords_->isChecked());
    listing_ = true;
    list_->clear();
    for (const control::FoundText& hit : finder_.Hits())
        list_->addItem(QString::fromStdString(finder_.Caption(hit)));
    listing_ = false;
    summary_->setText(count == 1 ? QStringLiteral("1 text found")
                                 : QStringLiteral("%1 texts found").arg(count));
    if (count > 0)
        list_->setCurrentRow(0);
}

void FindPanel::choose(int row) {
    if (row < 0)
        return;
    finder_.Choose(row);
}

void FindPanel::step(bool forward) {
    if (forward)
        finder_.Next();
    else
        finder_.Previous();
    listing_ = true;
    list_->setCurrentRow(finder_.Current());
    listing_ = false;
}

} // namespace vexor::app
