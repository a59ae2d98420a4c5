#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class QPaintDevice;
class QWidget;

namespace vexor::print {

// Raised when the printer, its dialog or the print job cannot do what it was asked.
class PrinterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The seven settings the printer dialog hands back, in the order they are copied to the printer.
enum class PrinterSetting { Copies, Orientation, ColorMode, Duplex, PaperBin, PaperSize, Quality };

inline constexpr PrinterSetting kSettingsInCopyOrder[] = {
    PrinterSetting::Copies, PrinterSetting::Orientation, PrinterSetting::ColorMode,
    PrinterSetting::Duplex, PrinterSetting::PaperBin,    PrinterSetting::PaperSize,
    PrinterSetting::Quality};

struct PrinterSettings {
    std::int16_t copies = 1;
    std::int16_t orientation = 1; // 1 portrait, 2 landscape
    std::int16_t colorMode = 2;   // 1 monochrome, 2 colour
    std::int16_t duplex = 1;      // 1 simplex, 2 long edge, 3 short edge
    std::int16_t paperBin = 0;
    std::int16_t paperSize = 0;
    std::int16_t quality = 0;

    std::int16_t value(PrinterSetting setting) const;
};

// Dialog flags: no selection choice, no page-number choice, return a device context.
inline constexpr std::int32_t kPrinterDialogFlags = 0x10C;

// What the printer dialog starts from.
struct PrinterDialogRequest {
    std::string printerName;
    std::string driverName;
    std::string port;
    std::int16_t paperBin = 0;
    std::int32_t flags = kPrinterDialogFlags;
    // The paper the dialog starts with, as looked at, in millimetres (wider than high:
    // landscape); 0 keeps the printer's own.
    double paperWidthMm = 0, paperHeightMm = 0;
};

// What the user chose in the printer dialog.
struct PrinterChoice {
    std::string printerName;
    PrinterSettings settings;
};

// The program's current printer, the installed printers and the system printer dialog. The Qt
// implementation drives the real printers; tests substitute a recording fake so nothing blocks.
// Every operation that fails throws PrinterError.
class PrinterSystem {
public:
    virtual ~PrinterSystem() = default;

    // The current printer.
    virtual std::string DeviceName() = 0;
    virtual std::string DriverName() = 0;
    virtual std::string Port() = 0;
    virtual std::int16_t PaperBin() = 0;
    // Whether the current printer follows the system's default printer when that changes.
    virtual void SetTrackDefaultPrinter(bool track) = 0;

    // Shows the system printer dialog owned by `owner`; nothing when the user cancels.
    virtual std::optional<PrinterChoice> ShowPrinterDialog(const PrinterDialogRequest& request,
                                                           QWidget* owner) = 0;
    // Shows the page as it will print on the paper the request names (paper and margins
    // shown), drawn by `paint` onto the device it is handed; false when the user closes it
    // without going on to print.
    virtual bool ShowPrintPreview(const PrinterDialogRequest& request,
                                  const std::function<void(QPaintDevice*)>& paint,
                                  QWidget* owner) = 0;

    // Device names of the installed printers in the system's order.
    virtual std::vector<std::string> InstalledPrinters() = 0;
    // Makes the installed printer at `index` of InstalledPrinters() the current printer.
    virtual void MakeCurrent(std::size_t index) = 0;
    // Throws PrinterError when the current printer refuses the value.
    virtual void ApplySetting(PrinterSetting setting, std::int16_t value) = 0;
    // Page sizes and positions are given in points (1/72 inch) from here on.
    virtual void SetScaleToPoints() = 0;

    // Opens the print job; the drawing control then paints on Device().
    virtual void BeginDocument() = 0;
    virtual QPaintDevice* Device() = 0;
    // The printable area of the page in points, at the printer's single precision.
    virtual float PageWidthPoints() = 0;
    virtual float PageHeightPoints() = 0;
    // Ejects the current page; what follows goes on a new sheet.
    virtual void NewPage() = 0;
    // Ends the document and sends it to the printer.
    virtual void EndDocument() = 0;
};

} // namespace vexor::print
