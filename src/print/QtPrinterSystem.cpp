#include "QtPrinterSystem.h"

#include <QDir>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace vexor::print {

namespace {

std::string text(const QString& value) {
    return value.toStdString();
}

QString defaultPdfPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath("VEXOR print.pdf");
}

[[noreturn]] void refuse(const char* what, std::int16_t value) {
    throw PrinterError(std::string("the printer refuses ") + what + " " + std::to_string(value));
}

} // namespace

QtPrinterSystem::QtPrinterSystem(const std::string& pdfPath)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    const bool noPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
    if (!pdfPath.empty() || noPrinter) {
        toPdf_ = true;
        trackDefault_ = false;
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(pdfPath.empty() ? defaultPdfPath()
                                                    : QString::fromStdString(pdfPath));
    }
}

QtPrinterSystem::~QtPrinterSystem() = default;

void QtPrinterSystem::followDefaultPrinter() {
    if (!trackDefault_ || toPdf_)
        return;
    const QString name = QPrinterInfo::defaultPrinterName();
    if (!name.isEmpty() && name != printer_->printerName())
        printer_->setPrinterName(name);
}

std::string QtPrinterSystem::DeviceName() {
    followDefaultPrinter();
    return text(printer_->printerName());
}

std::string QtPrinterSystem::DriverName() {
    followDefaultPrinter();
    if (printer_->outputFormat() == QPrinter::PdfFormat)
        return "PDF";
    return text(QPrinterInfo::printerInfo(printer_->printerName()).makeAndModel());
}

std::string QtPrinterSystem::Port() {
    followDefaultPrinter();
    return text(printer_->outputFileName());
}

std::int16_t QtPrinterSystem::PaperBin() {
    followDefaultPrinter();
    return static_cast<std::int16_t>(printer_->paperSource());
}

void QtPrinterSystem::SetTrackDefaultPrinter(bool track) {
    trackDefault_ = track && !toPdf_;
}

void QtPrinterSystem::startOnPaper(const PrinterDialogRequest& request) {
    if (request.paperWidthMm > 0 && request.paperHeightMm > 0) {
        // Page sizes are portrait; a wider paper is the same size turned.
        const QSizeF portrait(std::min(request.paperWidthMm, request.paperHeightMm),
                              std::max(request.paperWidthMm, request.paperHeightMm));
        printer_->setPageSize(
            QPageSize(portrait, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
        printer_->setPageOrientation(request.paperWidthMm > request.paperHeightMm
                                         ? QPageLayout::Landscape
                                         : QPageLayout::Portrait);
    }
}

bool QtPrinterSystem::ShowPrintPreview(const PrinterDialogRequest& request,
                                       const std::function<void(QPaintDevice*)>& paint,
                                       QWidget* owner) {
    startOnPaper(request);
    QPrintPreviewDialog dialog(printer_.get(), owner);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* printer) { paint(printer); });
    return dialog.exec() == QDialog::Accepted;
}

std::optional<PrinterChoice> QtPrinterSystem::ShowPrinterDialog(const PrinterDialogRequest& request,
                                                                QWidget* owner) {
    if (!request.printerName.empty())
        printer_->setPrinterName(QString::fromStdString(request.printerName));
    printer_->setPaperSource(static_cast<QPrinter::PaperSource>(request.paperBin));
    startOnPaper(request);

    QPrintDialog dialog(printer_.get(), owner);
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile |
                                                       QAbstractPrintDialog::PrintCollateCopies |
                                                       QAbstractPrintDialog::PrintShowPageSize;
    if (!(request.flags & 0x4))
        options |= QAbstractPrintDialog::PrintSelection;
    if (!(request.flags & 0x8))
        options |= QAbstractPrintDialog::PrintPageRange;
    dialog.setOptions(options);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return PrinterChoice{text(printer_->printerName()), currentSettings()};
}

PrinterSettings QtPrinterSystem::currentSettings() {
    PrinterSettings settings;
    settings.copies = static_cast<std::int16_t>(printer_->copyCount());
    settings.orientation = printer_->pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
    settings.colorMode = printer_->colorMode() == QPrinter::Color ? 2 : 1;
    switch (printer_->duplex()) {
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        settings.duplex = 2;
        break;
    case QPrinter::DuplexShortSide:
        settings.duplex = 3;
        break;
    default:
        settings.duplex = 1;
        break;
    }
    settings.paperBin = static_cast<std::int16_t>(printer_->paperSource());
    settings.paperSize = static_cast<std::int16_t>(printer_->pageLayout().pageSize().id());
    settings.quality = static_cast<std::int16_t>(printer_->resolution());
    return settings;
}

std::vector<std::string> QtPrinterSystem::InstalledPrinters() {
    installed_.clear();
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        installed_.push_back(text(name));
    return installed_;
}

void QtPrinterSystem::MakeCurrent(std::size_t index) {
    if (index >= installed_.size())
        throw PrinterError("no installed printer number " + std::to_string(index));
    printer_->setOutputFormat(QPrinter::NativeFormat);
    printer_->setPrinterName(QString::fromStdString(installed_[index]));
    if (printer_->printerName() != QString::fromStdString(installed_[index]))
        throw PrinterError("the printer " + installed_[index] + " cannot be selected");
    toPdf_ = false;
}

void QtPrinterSystem::applyDuplex(std::int16_t value) {
    QPrinter::DuplexMode mode;
    switch (value) {
    case 1:
        mode = QPrinter::DuplexNone;
        break;
    case 2:
        mode = QPrinter::DuplexLongSide;
        break;
    case 3:
        mode = QPrinter::DuplexShortSide;
        break;
    default:
        refuse("duplex mode", value);
    }
    if (mode != QPrinter::DuplexNone) {
        if (printer_->outputFormat() == QPrinter::PdfFormat)
            refuse("duplex mode", value);
        const auto supported =
            QPrinterInfo::printerInfo(printer_->printerName()).supportedDuplexModes();
        if (!supported.contains(mode))
            refuse("duplex mode", value);
    }
    printer_->setDuplex(mode);
}

void QtPrinterSystem::ApplySetting(PrinterSetting setting, std::int16_t value) {
    switch (setting) {
    case PrinterSetting::Copies:
        if (value < 1)
            refuse("copy count", value);
        printer_->setCopyCount(value);
        return;
    case PrinterSetting::Orientation:
        if (value != 1 && value != 2)
            refuse("orientation", value);
        printer_->setPageOrientation(value == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
        return;
    case PrinterSetting::ColorMode:
        if (value != 1 && value != 2)
            refuse("colour mode", value);
        printer_->setColorMode(value == 2 ? QPrinter::Color : QPrinter::GrayScale);
        return;
    case PrinterSetting::Duplex:
        applyDuplex(value);
        return;
    case PrinterSetting::PaperBin:
        if (value < 0 || value > QPrinter::LastPaperSource)
            refuse("paper bin", value);
        printer_->setPaperSource(static_cast<QPrinter::PaperSource>(value));
        return;
    case PrinterSetting::PaperSize: {
        if (value < 0 || value > QPageSize::LastPageSize || value == QPageSize::Custom)
            refuse("paper size", value);
        if (!printer_->setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(value))))
            refuse("paper size", value);
        return;
    }
    case PrinterSetting::Quality:
        if (value <= 0)
            refuse("print quality", value);
        printer_->setResolution(value);
        return;
    }
}

void QtPrinterSystem::SetScaleToPoints() {
    // Page sizes are always reported in points and the drawing control converts points to the
    // device's resolution itself, so there is no state to change on the printer.
}

void QtPrinterSystem::BeginDocument() {
    if (!printer_->isValid())
        throw PrinterError("the printer " + text(printer_->printerName()) + " is not available");
    if (printer_->outputFormat() == QPrinter::NativeFormat) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(printer_->printerName());
        if (info.isNull() || info.state() == QPrinter::Error)
            throw PrinterError("the printer " + text(printer_->printerName()) + " is not ready");
    }
}

QPaintDevice* QtPrinterSystem::Device() {
    return printer_.get();
}

float QtPrinterSystem::PageWidthPoints() {
    return static_cast<float>(printer_->pageRect(QPrinter::Point).width());
}

float QtPrinterSystem::PageHeightPoints() {
    return static_cast<float>(printer_->pageRect(QPrinter::Point).height());
}

void QtPrinterSystem::NewPage() {
    if (!printer_->newPage())
        throw PrinterError("the printer could not start a new page");
}

void QtPrinterSystem::EndDocument() {
    // The drawing control's painter has finished the job; what is left is to learn whether the
    // printer took it.
    if (printer_->printerState() == QPrinter::Error)
        throw PrinterError("the printer reported an error for the job");
}

} // namespace vexor::print
