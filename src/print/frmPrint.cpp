#include "frmPrint.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace vexor::print {

namespace {
// The window's layout in twips, converted at 15 twips per pixel.
constexpr int twips(int value) {
    return value / 15;
}
} // namespace

frmPrint::frmPrint(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName("frmPrint");
    setWindowTitle("Print Method");
    setFixedSize(twips(3735), twips(1185));

    auto* group = new QButtonGroup(this);
    const char* captions[] = {"Print Visible Area", "Print Entire Drawing"};
    const int tops[] = {twips(120), twips(600)};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(captions[i], this);
        option->setObjectName(QString("optPrintArea_%1").arg(i));
        option->setGeometry(twips(120), tops[i], twips(2295), twips(375));
        group->addButton(option, i);
        optPrintArea[static_cast<std::size_t>(i)] = option;
    }
    optPrintArea[0]->setChecked(true);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(twips(2520), twips(120), twips(1095), twips(375));
    OKButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(twips(2520), twips(600), twips(1095), twips(375));

    connect(OKButton, &QPushButton::clicked, this, [this] {
        if (onOk)
            onOk();
    });
    connect(CancelButton, &QPushButton::clicked, this, &frmPrint::unload);
}

bool frmPrint::visibleAreaSelected() const {
    return optPrintArea[0]->isChecked();
}

void frmPrint::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    hide();
    deleteLater();
}

void frmPrint::closeEvent(QCloseEvent* event) {
    event->accept();
    unload();
}

} // namespace vexor::print
