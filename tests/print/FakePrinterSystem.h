#pragma once

#include "print/PrinterSystem.h"

#include <QImage>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexor::test {

// A printer system that records every call into a shared log (so its calls interleave with the
// drawing control's) and answers from a script. The dialog never blocks.
class FakePrinterSystem : public print::PrinterSystem {
public:
    explicit FakePrinterSystem(std::vector<std::string>& log) : calls(log) {}

    std::vector<std::string>& calls;

    // Script
    std::string deviceName = "Office Laser";
    std::string driverName = "laser-driver";
    std::string port = "usb://office";
    std::int16_t paperBin = 7;
    std::vector<std::string> installed = {"Office Laser", "Plotter"};
    std::optional<print::PrinterChoice> dialogAnswer; // nothing: the user cancels
    bool previewAnswer = true;                        // false: the preview is closed
    std::set<print::PrinterSetting> refused;
    std::set<std::string> failOn; // operation names that throw
    float pageWidth = 576, pageHeight = 756;

    // State the program leaves behind
    bool tracksDefault = true;
    std::vector<std::pair<print::PrinterSetting, std::int16_t>> applied;
    std::optional<print::PrinterDialogRequest> lastRequest;

    std::string DeviceName() override;
    std::string DriverName() override;
    std::string Port() override;
    std::int16_t PaperBin() override;
    void SetTrackDefaultPrinter(bool track) override;
    std::optional<print::PrinterChoice>
    ShowPrinterDialog(const print::PrinterDialogRequest& request, QWidget* owner) override;
    bool ShowPrintPreview(const print::PrinterDialogRequest& request,
                          const std::function<void(QPaintDevice*)>& paint, QWidget* owner) override;
    std::vector<std::string> InstalledPrinters() override;
    void MakeCurrent(std::size_t index) override;
    void ApplySetting(print::PrinterSetting setting, std::int16_t value) override;
    void SetScaleToPoints() override;
    void BeginDocument() override;
    QPaintDevice* Device() override;
    float PageWidthPoints() override;
    float PageHeightPoints() override;
    void NewPage() override;
    void EndDocument() override;

private:
    void record(const std::string& entry, const std::string& name);
    QImage page_{8, 8, QImage::Format_RGB32};
};

const char* settingName(print::PrinterSetting setting);

} // namespace vexor::test
