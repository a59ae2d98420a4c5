#include "RunPrint.h"

#include "frmPrint.h"
#include "view/Program.h"

#include <QPaintDevice>
#include <QString>
#include <cmath>

namespace vexor::print {

namespace {

constexpr float kPageMargin = 15.0f;

std::string upperCase(const std::string& text) {
    return QString::fromStdString(text).toUpper().toStdString();
}

// Makes the installed printer named `wanted` (upper case) current. Every match is made current
// in turn, so with several matches the last one stays.
void switchToPrinter(PrinterSystem& printers, const std::string& wanted) {
    if (printers.DeviceName() == wanted)
        return;
    const std::vector<std::string> installed = printers.InstalledPrinters();
    for (std::size_t i = 0; i < installed.size(); ++i)
        if (upperCase(installed[i]) == wanted)
            printers.MakeCurrent(i);
}

// Copies the chosen settings onto the printer; a value the printer refuses is left as it was.
// The printer makes a single copy: the copies are rendered as pages of their own instead.
void copySettings(PrinterSystem& printers, const PrinterSettings& chosen) {
    for (const PrinterSetting setting : kSettingsInCopyOrder) {
        const std::int16_t value =
            setting == PrinterSetting::Copies ? std::int16_t{1} : chosen.value(setting);
        try {
            printers.ApplySetting(setting, value);
        } catch (const std::exception&) {
        }
    }
}

void setScaleIgnoringFailure(PrinterSystem& printers) {
    try {
        printers.SetScaleToPoints();
    } catch (const std::exception&) {
    }
}

std::int32_t roundHalfEven(float value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}

// Renders the whole drawing onto a preview's page as the print run renders it onto paper.
void previewPage(view::Program& program, QPaintDevice* device) {
    control::DrawingControl& control = program.Dbcocx1;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, unused1 = 0, unused2 = 0;
    control.GetView(x1, y1, x2, y2, unused1, unused2);
    const float width = static_cast<float>(device->width() * 72.0 / device->logicalDpiX());
    const float height = static_cast<float>(device->height() * 72.0 / device->logicalDpiY());
    const PageRect page = pageRectangle(width, height);
    control.SetPrinterDC(device);
    control.PrintBegin(0);
    control.PrintWindow(page.left, page.top, page.right, page.bottom, x1, y1, x1, y1, 1);
    control.PrintEnd(0);
    control.SetPrinterDC(nullptr);
}

} // namespace

std::int16_t PrinterSettings::value(PrinterSetting setting) const {
    switch (setting) {
    case PrinterSetting::Copies:
        return copies;
    case PrinterSetting::Orientation:
        return orientation;
    case PrinterSetting::ColorMode:
        return colorMode;
    case PrinterSetting::Duplex:
        return duplex;
    case PrinterSetting::PaperBin:
        return paperBin;
    case PrinterSetting::PaperSize:
        return paperSize;
    case PrinterSetting::Quality:
        return quality;
    }
    return 0;
}

PageRect pageRectangle(float width, float height) {
    return {static_cast<std::int32_t>(kPageMargin), static_cast<std::int32_t>(kPageMargin),
            roundHalfEven(width - kPageMargin), roundHalfEven(height - kPageMargin)};
}

PrintOutcome RunPrint(view::Program& program, PrinterSystem& printers, frmPrint& form) {
    try {
        PrinterDialogRequest request;
        request.printerName = printers.DeviceName();
        request.driverName = printers.DriverName();
        request.port = printers.Port();
        request.paperBin = printers.PaperBin();
        request.flags = kPrinterDialogFlags;
        // A layout starts the dialog on its own paper, the way its author plotted it.
        control::DrawingControl& shown = program.Dbcocx1;
        if (const std::int32_t layout = shown.ShownLayout(); layout > 0)
            shown.LayoutPaper(layout, request.paperWidthMm, request.paperHeightMm);
        printers.SetTrackDefaultPrinter(false);
        // The whole of a layout is first shown as it will print on its paper.
        if (request.paperWidthMm > 0 && !form.visibleAreaSelected() &&
            !printers.ShowPrintPreview(
                request, [&](QPaintDevice* device) { previewPage(program, device); }, &form))
            return PrintOutcome::Cancelled;

        const std::optional<PrinterChoice> choice = printers.ShowPrinterDialog(request, &form);
        if (!choice)
            return PrintOutcome::Cancelled;

        switchToPrinter(printers, upperCase(choice->printerName));
        copySettings(printers, choice->settings);
        const int copies = choice->settings.copies;
        setScaleIgnoringFailure(printers);

        printers.BeginDocument();
        printers.SetScaleToPoints();
        control::DrawingControl& control = program.Dbcocx1;
        control.SetPrinterDC(printers.Device());
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0, unused1 = 0, unused2 = 0;
        control.GetView(x1, y1, x2, y2, unused1, unused2);
        control.PrintBegin(0);
        for (int copy = 1; copy <= copies; ++copy) {
            if (copy > 1)
                printers.NewPage();
            const float width = printers.PageWidthPoints();
            const float height = printers.PageHeightPoints();
            const PageRect page = pageRectangle(width, height);
            // An empty window (both corners at the view's first corner) is the whole drawing.
            const bool visibleArea = form.visibleAreaSelected();
            double wx1 = x1, wy1 = y1;
            double wx2 = visibleArea ? x2 : x1, wy2 = visibleArea ? y2 : y1;
            control.PrintWindow(page.left, page.top, page.right, page.bottom, wx1, wy1, wx2, wy2,
                                1);
        }
        control.PrintEnd(0);
        printers.EndDocument();
        form.unload();
        return PrintOutcome::Printed;
    } catch (const std::exception&) {
        program.windows.MessageBox(kPrintFailedMessage, "VEXOR",
                                   platform::MessageIcon::Information);
        return PrintOutcome::Failed;
    }
}

} // namespace vexor::print
