// File > Open's filters as the dialog gets them: which file names each one lets through.
#include "fakes/TestProgram.h"
#include "platform/QtWindowSystem.h"
#include "view/History.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

// Whether a file name passes a Qt name filter "Label (pattern pattern ...)".
bool passes(const QString& filter, const QString& fileName) {
    const QString patterns = filter.mid(filter.lastIndexOf('(') + 1).chopped(1);
    for (const QString& pattern : patterns.split(' ', Qt::SkipEmptyParts))
        if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                .match(fileName)
                .hasMatch())
            return true;
    return false;
}

QString label(const QString& filter) {
    return filter.left(filter.lastIndexOf(" ("));
}

} // namespace

TEST(OpenDialogFilters, DrawingFilesTakeDxfAndEveryFilterAnyLetterCase) {
    test::TestProgram t;
    view::mnuOpen_Click(t.program);
    ASSERT_EQ(t.windows.openRequests.size(), 1u);
    const platform::OpenFileRequest& request = t.windows.openRequests[0];
    EXPECT_EQ(request.filterIndex, 1) << "the drawing files are the default";

    QString selected;
    const QStringList filters =
        platform::qtFileFilter(request.filter, request.filterIndex, &selected).split(";;");
    ASSERT_EQ(filters.size(), 5);
    EXPECT_EQ(selected, filters[0]);
    EXPECT_EQ(label(filters[0]), "Drawing Files (*.dwg;*.dxf;*.dgn)");
    EXPECT_EQ(label(filters[1]), "AutoCAD Files (*.dwg)");
    EXPECT_EQ(label(filters[2]), "DXF Files (*.dxf)");
    EXPECT_EQ(label(filters[3]), "Microstation Files (*.dgn)");
    EXPECT_EQ(label(filters[4]), "All Files (*.*)");

    for (const char* name :
         {"plan.dwg", "PLAN.DWG", "Plan.Dwg", "site.dxf", "SITE.DxF", "map.dgn", "MAP.DGN"})
        EXPECT_TRUE(passes(filters[0], name)) << name;
    for (const char* name : {"notes.txt", "plan.dwg.bak", "plandwg"})
        EXPECT_FALSE(passes(filters[0], name)) << name;
    EXPECT_TRUE(passes(filters[1], "Plan.dWg"));
    EXPECT_FALSE(passes(filters[1], "site.dxf"));
    EXPECT_TRUE(passes(filters[2], "Site.DXF"));
    EXPECT_FALSE(passes(filters[2], "map.dgn"));
    EXPECT_TRUE(passes(filters[3], "map.Dgn"));
    EXPECT_TRUE(passes(filters[4], "notes.txt"));
}
