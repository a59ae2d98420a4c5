#include "PrintFixture.h"

namespace vexor::test {
namespace {

class PrintOptions : public PrintFixture {};

TEST_F(PrintOptions, NoDrawingShowsNothing) {
    t.program.CurrentDrawingPath.clear();
    command.StartPrint();
    EXPECT_EQ(command.window(), nullptr);
    EXPECT_TRUE(t.control.calls.empty());
    EXPECT_TRUE(t.windows.messages.empty());
}

TEST_F(PrintOptions, OpensNotModalWithVisibleAreaSelected) {
    print::frmPrint& form = openOptions();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(form.windowTitle(), "Print Method");
    EXPECT_EQ(form.size(), QSize(249, 79));
    EXPECT_EQ(form.optPrintArea[0]->text(), "Print Visible Area");
    EXPECT_EQ(form.optPrintArea[1]->text(), "Print Entire Drawing");
    EXPECT_EQ(form.OKButton->text(), "OK");
    EXPECT_EQ(form.CancelButton->text(), "Cancel");
    EXPECT_TRUE(form.optPrintArea[0]->isChecked());
    EXPECT_FALSE(form.optPrintArea[1]->isChecked());
    EXPECT_LT(form.optPrintArea[0]->y(), form.optPrintArea[1]->y());
    EXPECT_LT(form.OKButton->y(), form.CancelButton->y());
    EXPECT_GT(form.OKButton->x(), form.optPrintArea[0]->x());
    EXPECT_TRUE(t.control.calls.empty()) << "opening the options asks nothing of the printer";
}

TEST_F(PrintOptions, PrintCommandWhileOpenKeepsTheSameWindowAndChoice) {
    print::frmPrint& form = openOptions();
    form.optPrintArea[1]->setChecked(true);
    command.StartPrint();
    EXPECT_EQ(command.window(), &form);
    EXPECT_TRUE(form.optPrintArea[1]->isChecked());
}

TEST_F(PrintOptions, StartsAtVisibleAreaAfterARunThatPrintedTheEntireDrawing) {
    openOptions().optPrintArea[1]->setChecked(true);
    clickOk();
    EXPECT_EQ(command.window(), nullptr) << "a completed run closes the options window";
    settle();

    print::frmPrint& again = openOptions();
    EXPECT_TRUE(again.optPrintArea[0]->isChecked());
    EXPECT_FALSE(again.optPrintArea[1]->isChecked());
}

TEST_F(PrintOptions, CancelClosesWithoutPrinting) {
    QPointer<print::frmPrint> form = &openOptions();
    form->CancelButton->click();
    EXPECT_EQ(command.window(), nullptr);
    settle();
    EXPECT_TRUE(form.isNull()) << "the window is destroyed, not just hidden";
    EXPECT_TRUE(t.control.calls.empty());
    EXPECT_TRUE(t.windows.messages.empty());
}

TEST_F(PrintOptions, ClosingByTheFrameUnloadsLikeCancel) {
    openOptions().close();
    EXPECT_EQ(command.window(), nullptr);
    EXPECT_TRUE(t.control.calls.empty());
}

} // namespace
} // namespace vexor::test
