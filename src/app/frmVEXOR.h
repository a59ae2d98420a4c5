#pragma once

#include "CommandTable.h"
#include "view/Measurer.h"
#include "view/MenuIcons.h"
#include "view/Navigation.h"
#include "view/PointerRouter.h"
#include "view/Program.h"
#include "view/PropertiesInspector.h"
#include "view/TextFinder.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMimeData;
class QTimer;

namespace vexor::data {
class ProjectConnection;
}
namespace vexor::print {
class PrintCommand;
class QtPrinterSystem;
} // namespace vexor::print

namespace vexor::app {

class AboutCommand;
class DifferencesPanel;
class FindPanel;
class KeyboardConventions;
class MeasurePanel;
class PropertiesPanel;

// The main window: menus, toolbar and the drawing control below the toolbar.
class frmVEXOR : public QMainWindow, public view::MainWindowHost {
    Q_OBJECT
public:
    // `controlWidget` is the widget of `control`, placed below the toolbar; `database` is the
    // project database held for the run, read by the About box.
    frmVEXOR(control::DrawingControl& control, QWidget* controlWidget,
             platform::WindowSystem& windows, const std::string& programFolder,
             data::ProjectConnection* database = nullptr);
    ~frmVEXOR() override;

    // Sets the window up and opens a drawing named on the command line.
    // `beforeDrawing`, when given, runs just before a drawing named on the command line is
    // read: the program shows the window there, so that the read's progress is seen in it.
    void Form_Load(const std::string& commandLine, const std::function<void()>& beforeDrawing = {});

    view::Program& program() { return program_; }
    CommandTable& commands() { return table_; }
    QTimer* Timer1() const { return timer_; }
    const std::vector<QIcon>& ImageList1() const { return imageList1_; }
    const std::vector<QIcon>& ilsIcons() const { return ilsIcons_; }
    view::Navigator& navigator() { return navigator_; }
    view::MenuIcons& menuIcons() { return menuIcons_; }
    DifferencesPanel* differencesPanel() const { return differences_; }
    view::TextFinder& finder() { return finder_; }
    FindPanel* findPanel() const { return findPanel_; }
    view::Measurer& measurer() { return measurer_; }
    MeasurePanel* measurePanel() const { return measurePanel_; }
    view::PropertiesInspector& inspector() { return inspector_; }
    PropertiesPanel* propertiesPanel() const { return propertiesPanel_; }
    // The status bar's field showing where the pointer is.
    QLabel* cursorPosition() const { return cursorPosition_; }
    // The status bar's field showing the last measurement.
    QLabel* measurement() const { return measurement_; }
    // Runs the command of a toolbar button, found by its key.
    void Toolbar2_ButtonClick(const std::string& key);

    // view::MainWindowHost
    std::string Caption() override;
    void SetCaption(const std::string& caption) override;
    control::WindowId Handle() override;
    double OuterHeightTwips() override;
    void SetPanCursor(bool pan) override;
    void ShowCursorPosition(const std::string& text) override;
    void ShowMeasurement(const std::string& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Drawing files dropped onto the window: the first is opened as File > Open does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Form_Resize();
    void Form_Unload();
    void connectCommands();
    void guarded(const std::function<void()>& command);
    void openCommand();
    void printCommand();
    void cancelTool();
    static std::vector<std::string> droppedFiles(const QMimeData* data);

    std::vector<QIcon> imageList1_;
    std::vector<QIcon> ilsIcons_;
    view::MenuIcons menuIcons_;
    CommandTable table_;
    QWidget* client_ = nullptr;
    QWidget* controlWidget_ = nullptr;
    QTimer* timer_ = nullptr;
    DifferencesPanel* differences_ = nullptr; // a comparison's differences, docked
    view::Program program_;
    view::Navigator navigator_;
    view::Measurer measurer_;
    view::PropertiesInspector inspector_;
    view::PointerRouter router_;
    view::TextFinder finder_;
    FindPanel* findPanel_ = nullptr;
    MeasurePanel* measurePanel_ = nullptr;
    PropertiesPanel* propertiesPanel_ = nullptr;
    QLabel* cursorPosition_ = nullptr;
    QLabel* measurement_ = nullptr;
    KeyboardConventions* keys_ = nullptr;
    std::unique_ptr<AboutCommand> about_;
    // Made on the first print and kept: the printer chosen then stays current for the run.
    std::unique_ptr<print::QtPrinterSystem> printers_;
    std::unique_ptr<print::PrintCommand> printing_;
};

} // namespace vexor::app
