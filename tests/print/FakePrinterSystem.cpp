#include "FakePrinterSystem.h"

#include "fakes/CallLog.h"

namespace vexor::test {

using print::PrinterError;
using print::PrinterSetting;

const char* settingName(PrinterSetting setting) {
    switch (setting) {
    case PrinterSetting::Copies:
        return "Copies";
    case PrinterSetting::Orientation:
        return "Orientation";
    case PrinterSetting::ColorMode:
        return "ColorMode";
    case PrinterSetting::Duplex:
        return "Duplex";
    case PrinterSetting::PaperBin:
        return "PaperBin";
    case PrinterSetting::PaperSize:
        return "PaperSize";
    case PrinterSetting::Quality:
        return "Quality";
    }
    return "?";
}

void FakePrinterSystem::record(const std::string& entry, const std::string& name) {
    calls.push_back(entry);
    if (failOn.count(name))
        throw PrinterError(name + " failed");
}

std::string FakePrinterSystem::DeviceName() {
    record(call("DeviceName"), "DeviceName");
    return deviceName;
}
std::string FakePrinterSystem::DriverName() {
    record(call("DriverName"), "DriverName");
    return driverName;
}
std::string FakePrinterSystem::Port() {
    record(call("Port"), "Port");
    return port;
}
std::int16_t FakePrinterSystem::PaperBin() {
    record(call("PaperBin"), "PaperBin");
    return paperBin;
}
void FakePrinterSystem::SetTrackDefaultPrinter(bool track) {
    record(call("SetTrackDefaultPrinter", track), "SetTrackDefaultPrinter");
    tracksDefault = track;
}
std::optional<print::PrinterChoice>
FakePrinterSystem::ShowPrinterDialog(const print::PrinterDialogRequest& request, QWidget* owner) {
    record(call("ShowPrinterDialog", request.printerName, request.driverName, request.port,
                int{request.paperBin}, int{request.flags}, owner != nullptr),
           "ShowPrinterDialog");
    lastRequest = request;
    return dialogAnswer;
}
bool FakePrinterSystem::ShowPrintPreview(const print::PrinterDialogRequest& request,
                                         const std::function<void(QPaintDevice*)>& paint,
                                         QWidget* owner) {
    record(call("ShowPrintPreview", request.paperWidthMm, request.paperHeightMm, owner != nullptr),
           "ShowPrintPreview");
    paint(&page_);
    return previewAnswer;
}
std::vector<std::string> FakePrinterSystem::InstalledPrinters() {
    record(call("InstalledPrinters"), "InstalledPrinters");
    return installed;
}
void FakePrinterSystem::MakeCurrent(std::size_t index) {
    record(call("MakeCurrent", static_cast<unsigned long>(index)), "MakeCurrent");
    deviceName = installed.at(index);
}
void FakePrinterSystem::ApplySetting(PrinterSetting setting, std::int16_t value) {
    calls.push_back(call("ApplySetting", settingName(setting), int{value}));
    if (refused.count(setting))
        throw PrinterError(std::string("refused ") + settingName(setting));
    applied.emplace_back(setting, value);
}
void FakePrinterSystem::SetScaleToPoints() {
    record(call("SetScaleToPoints"), "SetScaleToPoints");
}
void FakePrinterSystem::BeginDocument() {
    record(call("BeginDocument"), "BeginDocument");
}
QPaintDevice* FakePrinterSystem::Device() {
    record(call("Device"), "Device");
    return &page_;
}
float FakePrinterSystem::PageWidthPoints() {
    record(call("PageWidthPoints"), "PageWidthPoints");
    return pageWidth;
}
float FakePrinterSystem::PageHeightPoints() {
    record(call("PageHeightPoints"), "PageHeightPoints");
    return pageHeight;
}
void FakePrinterSystem::NewPage() {
    record(call("NewPage"), "NewPage");
}
void FakePrinterSystem::EndDocument() {
    record(call("EndDocument"), "EndDocument");
}

} // namespace vexor::test
