#pragma once

#include <QWidget>
#include <array>
#include <functional>

class QPushButton;
class QRadioButton;

namespace vexor::print {

// The print options window "Print Method": print the visible area or the entire drawing. It is
// not modal, and a new one is built each time it is shown after being closed, so the choice
// always starts at "Print Visible Area".
class frmPrint : public QWidget {
    Q_OBJECT
public:
    explicit frmPrint(QWidget* owner = nullptr);

    // Index 0 "Print Visible Area", index 1 "Print Entire Drawing".
    std::array<QRadioButton*, 2> optPrintArea{};
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // Runs when OK is clicked.
    std::function<void()> onOk;

    bool visibleAreaSelected() const;
    // Closes the window for good; it is destroyed once control returns to the event loop.
    void unload();
    bool unloaded() const { return unloaded_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool unloaded_ = false;
};

} // namespace vexor::print
