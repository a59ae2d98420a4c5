#include "print/RunPrint.h"

#include "PrintFixture.h"

#include <algorithm>

namespace vexor::test {
namespace {

using print::PrinterSetting;

class RunPrintTest : public PrintFixture {};

TEST_F(RunPrintTest, VisibleAreaRunsEveryStepInOrder) {
    openOptions();
    clickOk();

    const std::vector<std::string> expected = {
        "DeviceName()", "DriverName()", "Port()", "PaperBin()", "ShownLayout()",
        "SetTrackDefaultPrinter(false)",
        "ShowPrinterDialog(\"Office Laser\", \"laser-driver\", \"usb://office\", 7, 268, true)",
        // "Office Laser" differs from the wanted "OFFICE LASER", so the installed printers are
        // searched and the same printer is made current again.
        "DeviceName()", "InstalledPrinters()", "MakeCurrent(0)", "ApplySetting(\"Copies\", 1)",
        "ApplySetting(\"Orientation\", 2)", "ApplySetting(\"ColorMode\", 1)",
        "ApplySetting(\"Duplex\", 2)", "ApplySetting(\"PaperBin\", 4)",
        "ApplySetting(\"PaperSize\", 9)", "ApplySetting(\"Quality\", 600)", "SetScaleToPoints()",
        "BeginDocument()", "SetScaleToPoints()", "Device()", "SetPrinterDC(true)", "GetView()",
        "PrintBegin(0)", "PageWidthPoints()", "PageHeightPoints()",
        "PrintWindow(15, 15, 561, 741, 10, 20, 110, 220, 1)", "PrintEnd(0)", "EndDocument()"};
    EXPECT_EQ(t.control.calls, expected);
    EXPECT_FALSE(printers.tracksDefault);
    EXPECT_EQ(printers.deviceName, "Office Laser");
    EXPECT_TRUE(t.windows.messages.empty());
    EXPECT_EQ(command.window(), nullptr);
}

TEST_F(RunPrintTest, EntireDrawingPassesAnEmptyWindowAtTheViewsFirstCorner) {
    openOptions().optPrintArea[1]->setChecked(true);
    clickOk();
    EXPECT_EQ(only(t.control.calls, {"PrintWindow"}),
              std::vector<std::string>{"PrintWindow(15, 15, 561, 741, 10, 20, 10, 20, 1)"});
}

// A layout starts the printer dialog on its own paper; printed whole, it is first previewed on
// that paper, rendered as the print run renders it (the fake's page is 8 pixels at 96 dpi).
TEST_F(RunPrintTest, ALayoutIsPreviewedOnItsPaperBeforeTheDialogWhenPrintedWhole) {
    t.control.layouts = {"Sheet"};
    t.control.layoutPapers = {{914.4, 609.6}};
    t.control.shownLayout = 1;
    openOptions();
    clickOk();
    EXPECT_TRUE(only(t.control.calls, {"ShowPrintPreview"}).empty()) << "the visible area";
    ASSERT_TRUE(printers.lastRequest);
    EXPECT_DOUBLE_EQ(printers.lastRequest->paperWidthMm, 914.4);
    EXPECT_DOUBLE_EQ(printers.lastRequest->paperHeightMm, 609.6);

    t.control.calls.clear();
    openOptions().optPrintArea[1]->setChecked(true);
    clickOk();
    const std::vector<std::string> expected = {
        "ShowPrintPreview(914.4, 609.6, true)", "SetPrinterDC(true)", "PrintBegin(0)",
        // The fake's preview page is 6 points square: a page rectangle inside out.
        "PrintWindow(15, 15, -9, -9, 10, 20, 10, 20, 1)", "PrintEnd(0)", "SetPrinterDC(false)",
        "ShowPrinterDialog(\"Office Laser\", \"laser-driver\", \"usb://office\", 7, 268, true)",
        "SetPrinterDC(true)", "PrintBegin(0)", "PrintWindow(15, 15, 561, 741, 10, 20, 10, 20, 1)",
        "PrintEnd(0)"};
    EXPECT_EQ(only(t.control.calls, {"ShowPrintPreview", "SetPrinterDC", "PrintBegin",
                                     "PrintWindow", "PrintEnd", "ShowPrinterDialog"}),
              expected);

    // Closing the preview prints nothing and keeps the options window.
    t.control.calls.clear();
    printers.previewAnswer = false;
    openOptions().optPrintArea[1]->setChecked(true);
    clickOk();
    EXPECT_EQ(only(t.control.calls, {"ShowPrinterDialog", "PrintWindow"}),
              std::vector<std::string>{"PrintWindow(15, 15, -9, -9, 10, 20, 10, 20, 1)"});
    EXPECT_NE(command.window(), nullptr);
}

TEST_F(RunPrintTest, PageRectangleKeepsAFifteenPointMarginRoundedHalfToEven) {
    const print::PageRect letter = print::pageRectangle(576, 756);
    EXPECT_EQ(std::vector<int>({letter.left, letter.top, letter.right, letter.bottom}),
              std::vector<int>({15, 15, 561, 741}));
    EXPECT_EQ(print::pageRectangle(611.5f, 800.5f).right, 596);
    EXPECT_EQ(print::pageRectangle(611.5f, 800.5f).bottom, 786);
    EXPECT_EQ(print::pageRectangle(612.5f, 801.5f).right, 598);
    EXPECT_EQ(print::pageRectangle(612.5f, 801.5f).bottom, 786);
    // A4 in points, as a printer reports it in single precision.
    EXPECT_EQ(print::pageRectangle(595.2756f, 841.8898f).right, 580);
    EXPECT_EQ(print::pageRectangle(595.2756f, 841.8898f).bottom, 827);
}

TEST_F(RunPrintTest, PageSizeIsReadForTheRendering) {
    printers.pageWidth = 842;
    printers.pageHeight = 595;
    openOptions();
    clickOk();
    EXPECT_EQ(only(t.control.calls, {"PrintWindow"}).at(0),
              "PrintWindow(15, 15, 827, 580, 10, 20, 110, 220, 1)");
}

TEST_F(RunPrintTest, CancelledDialogPrintsNothingAndKeepsTheChoice) {
    printers.dialogAnswer.reset();
    print::frmPrint& form = openOptions();
    form.optPrintArea[1]->setChecked(true);
    clickOk();

    EXPECT_EQ(t.control.calls.back(),
              "ShowPrinterDialog(\"Office Laser\", \"laser-driver\", \"usb://office\", 7, 268, "
              "true)");
    EXPECT_TRUE(t.windows.messages.empty());
    ASSERT_EQ(command.window(), &form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.optPrintArea[1]->isChecked());
}

TEST_F(RunPrintTest, PrinterAlreadyCurrentUnderTheUpperCaseNameIsNotSearched) {
    printers.deviceName = "PLOTTER";
    printers.dialogAnswer = choice("Plotter", 1);
    openOptions();
    clickOk();
    EXPECT_TRUE(only(t.control.calls, {"InstalledPrinters", "MakeCurrent"}).empty());
    EXPECT_EQ(printers.deviceName, "PLOTTER");
}

TEST_F(RunPrintTest, EveryMatchingPrinterIsMadeCurrentSoTheLastOneWins) {
    printers.installed = {"plotter", "Office Laser", "PLOTTER", "Plotter 2"};
    printers.dialogAnswer = choice("Plotter", 1);
    openOptions();
    clickOk();
    EXPECT_EQ(only(t.control.calls, {"MakeCurrent"}),
              std::vector<std::string>({"MakeCurrent(0)", "MakeCurrent(2)"}));
    EXPECT_EQ(printers.deviceName, "PLOTTER");
}

TEST_F(RunPrintTest, NoMatchingPrinterKeepsTheCurrentOne) {
    printers.dialogAnswer = choice("Gone Printer", 1);
    openOptions();
    clickOk();
    EXPECT_TRUE(only(t.control.calls, {"MakeCurrent"}).empty());
    EXPECT_EQ(only(t.control.calls, {"PrintWindow"}).size(), 1u);
}

TEST_F(RunPrintTest, RefusedSettingIsSkippedSilentlyAndTheRestApplied) {
    printers.refused = {PrinterSetting::Duplex};
    openOptions();
    clickOk();

    std::vector<PrinterSetting> applied;
    for (const auto& [setting, value] : printers.applied)
        applied.push_back(setting);
    EXPECT_EQ(applied,
              std::vector<PrinterSetting>({PrinterSetting::Copies, PrinterSetting::Orientation,
                                           PrinterSetting::ColorMode, PrinterSetting::PaperBin,
                                           PrinterSetting::PaperSize, PrinterSetting::Quality}));
    EXPECT_TRUE(t.windows.messages.empty());
    EXPECT_EQ(rendering().back(), "EndDocument()");
    EXPECT_EQ(command.window(), nullptr);
}

TEST_F(RunPrintTest, ScaleFailureBeforeTheJobIsIgnoredButAfterItIsReported) {
    printers.failOn = {"SetScaleToPoints"};
    openOptions();
    clickOk();
    const auto steps = only(t.control.calls, {"SetScaleToPoints", "BeginDocument", "PrintBegin"});
    EXPECT_EQ(steps, std::vector<std::string>(
                         {"SetScaleToPoints()", "BeginDocument()", "SetScaleToPoints()"}));
    EXPECT_EQ(t.windows.messages.size(), 1u);
}

// N copies: the printer makes one copy of a job of N pages, one rendering per page.
TEST_F(RunPrintTest, CopiesBecomePagesWhileThePrinterMakesOneCopy) {
    printers.dialogAnswer = choice("Office Laser", 3);
    openOptions();
    clickOk();
    EXPECT_EQ(only(t.control.calls, {"ApplySetting"}).front(), "ApplySetting(\"Copies\", 1)");
    const std::string page = "PrintWindow(15, 15, 561, 741, 10, 20, 110, 220, 1)";
    EXPECT_EQ(rendering(),
              std::vector<std::string>({"PrintBegin(0)", page, "NewPage()", page, "NewPage()", page,
                                        "PrintEnd(0)", "EndDocument()"}));
}

TEST_F(RunPrintTest, NoCopiesRendersNothingButEndsTheJob) {
    printers.dialogAnswer = choice("Office Laser", 0);
    openOptions();
    clickOk();
    EXPECT_EQ(rendering(),
              std::vector<std::string>({"PrintBegin(0)", "PrintEnd(0)", "EndDocument()"}));
    EXPECT_EQ(command.window(), nullptr);
}

// A failure anywhere outside the settings steps shows the one message, skips the remaining
// steps and leaves the options window open for another try.
class RunPrintFailure : public PrintFixture, public ::testing::WithParamInterface<std::string> {};

TEST_P(RunPrintFailure, ReportsAndStopsWithTheOptionsWindowOpen) {
    const std::string failing = GetParam();
    printers.failOn = {failing};
    t.control.failOn = {failing};
    print::frmPrint& form = openOptions();
    clickOk();

    ASSERT_EQ(t.windows.messages.size(), 1u);
    EXPECT_EQ(t.windows.messages[0].text,
              "There was an error printing your document. Please check that the printer is "
              "connected and on-line and try again.");
    EXPECT_EQ(t.windows.messages[0].title, "VEXOR");
    EXPECT_EQ(t.windows.messages[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(t.control.calls.back().substr(0, failing.size()), failing)
        << "nothing runs after the failing step";
    EXPECT_EQ(command.window(), &form);
    EXPECT_TRUE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(EachStep, RunPrintFailure,
                         ::testing::Values("DeviceName", "SetTrackDefaultPrinter",
                                           "ShowPrinterDialog", "InstalledPrinters", "MakeCurrent",
                                           "BeginDocument", "Device", "SetPrinterDC", "GetView",
                                           "PrintBegin", "PageWidthPoints", "PrintWindow",
                                           "PrintEnd", "EndDocument"));

TEST_F(RunPrintTest, OkAfterAFailureCanPrint) {
    printers.failOn = {"BeginDocument"};
    openOptions();
    clickOk();
    ASSERT_NE(command.window(), nullptr);
    printers.failOn.clear();
    clickOk();
    EXPECT_EQ(t.windows.messages.size(), 1u);
    EXPECT_EQ(only(t.control.calls, {"PrintWindow"}).size(), 1u);
    EXPECT_EQ(command.window(), nullptr);
}

} // namespace
} // namespace vexor::test
