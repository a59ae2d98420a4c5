#pragma once

#include "PrinterSystem.h"

#include <QPrinter>
#include <memory>

namespace vexor::print {

// The real printers through Qt: the system print dialog, the installed printers and, when no
// printer is installed or a PDF file is asked for, printing to a PDF file.
class QtPrinterSystem : public PrinterSystem {
public:
    // With an empty `pdfPath` the system's default printer is current, or a PDF file in the
    // user's documents folder when no printer is installed. With a path, pages go to that file.
    explicit QtPrinterSystem(const std::string& pdfPath = {});
    ~QtPrinterSystem() override;

    std::string DeviceName() override;
    std::string DriverName() override;
    std::string Port() override;
    std::int16_t PaperBin() override;
    void SetTrackDefaultPrinter(bool track) override;
    std::optional<PrinterChoice> ShowPrinterDialog(const PrinterDialogRequest& request,
                                                   QWidget* owner) override;
    bool ShowPrintPreview(const PrinterDialogRequest& request,
                          const std::function<void(QPaintDevice*)>& paint, QWidget* owner) override;
    std::vector<std::string> InstalledPrinters() override;
    void MakeCurrent(std::size_t index) override;
    void ApplySetting(PrinterSetting setting, std::int16_t value) override;
    void SetScaleToPoints() override;
    void BeginDocument() override;
    QPaintDevice* Device() override;
    float PageWidthPoints() override;
    float PageHeightPoints() override;
    void NewPage() override;
    void EndDocument() override;

    QPrinter& printer() { return *printer_; }

private:
    void followDefaultPrinter();
    void startOnPaper(const PrinterDialogRequest& request);
    void applyDuplex(std::int16_t value);
    PrinterSettings currentSettings();

    std::unique_ptr<QPrinter> printer_;
    bool trackDefault_ = true;
    bool toPdf_ = false;
    std::vector<std::string> installed_;
};

} // namespace vexor::print
