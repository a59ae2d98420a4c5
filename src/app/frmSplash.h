#pragma once

#include "platform/WindowSystem.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QGroupBox;

namespace vexor::app {

// The window shown while the program starts: publisher, legal warning, notice and version.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(platform::WindowSystem& windows, QWidget* parent = nullptr);

    // Fills the window, opens the project database through `openDatabase` and centres the
    // window on the screen. A failing step is reported and the next step runs.
    void Form_Load(const std::function<void()>& openDatabase);

    QLabel* lblPrgVer = nullptr;
    QLabel* lblExpect = nullptr;
    QLabel* Picture1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QLineEdit*, 4> txtCompany{};
    QPlainTextEdit* txtWarning = nullptr;

private:
    void runStep(const std::function<void()>& step);
    platform::WindowSystem& windows_;
};

// Places a window in the middle of the primary screen.
void CenterWindow(QWidget& window);

} // namespace vexor::app
