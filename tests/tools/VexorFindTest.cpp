#include "ToolRun.h"
#include "support/Corpus.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct FindRun {
    int exitCode = -1;
    std::vector<QJsonObject> hits;
    QByteArray err;
};

FindRun find(const QStringList& args) {
    const vexor::test::ToolRun run = vexor::test::runTool(args);
    FindRun r;
    r.exitCode = run.exitCode;
    for (const QByteArray& line : run.out.split('\n'))
        if (!line.isEmpty())
            r.hits.push_back(QJsonDocument::fromJson(line).object());
    r.err = run.err;
    return r;
}

// A drawing written by ezdxf: a TEXT with a control code, an MTEXT with formatting, a block
// reference with an attribute, a linear dimension 1234.5 long and a text on a layout.
const char* const kScript = R"(
import sys, ezdxf
doc = ezdxf.new('R2010', setup=True)
doc.layers.add('NOTES')
doc.layers.add('DOORS')
msp = doc.modelspace()
msp.add_text('Room %%c101', dxfattribs={'layer': 'NOTES', 'insert': (5, 6), 'height': 2.5})
msp.add_mtext('{\\fArial|b1;Kitchen}\\PPart A-12', dxfattribs={'layer': 'NOTES', 'insert': (20, 30)})
blk = doc.blocks.new('DOOR')
blk.add_attdef('TAG', (0, 0), dxfattribs={'height': 1})
ref = msp.add_blockref('DOOR', (100, 50), dxfattribs={'layer': 'DOORS'})
ref.add_attrib('TAG', 'PART-7781', (100, 50))
dim = msp.add_linear_dim(base=(0, -10), p1=(0, 0), p2=(1234.5, 0), dxfattribs={'layer': 'NOTES'})
dim.render()
sheet = doc.layouts.new('Sheet A')
sheet.add_text('Part list', dxfattribs={'insert': (10, 10), 'height': 3})
doc.saveas(sys.argv[1])
)";

class VexorFindTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = vexor::test::scratchDir("find");
        drawing = dir / "plan.dxf";
        QProcess python;
        // Debian's own interpreter, which has python3-ezdxf.
        python.start("/usr/bin/python3", {"-c", kScript, QString::fromStdString(drawing.string())});
        if (!python.waitForFinished(60000) || python.exitCode() != 0)
            GTEST_SKIP() << "python3 with ezdxf is needed: "
                         << python.readAllStandardError().data();
    }
    void TearDown() override { fs::remove_all(dir); }
    QString file() const { return QString::fromStdString(drawing.string()); }

    fs::path dir, drawing;
};

} // namespace

TEST_F(VexorFindTest, OneJsonObjectPerHitWithWhereItIs) {
    const FindRun r = find({file(), "--find", "part"});
    EXPECT_EQ(r.exitCode, 0) << r.err.data();
    std::vector<std::string> seen;
    for (const QJsonObject& hit : r.hits) {
        EXPECT_EQ(hit.value("file").toString(), file());
        seen.push_back((hit.value("layout").toString() + "|" + hit.value("kind").toString() + "|" +
                        hit.value("layer").toString() + "|" + hit.value("text").toString())
                           .toStdString());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Model|MTEXT|NOTES|Kitchen Part A-12",
                                              "Model|ATTRIB|DOORS|PART-7781",
                                              "Sheet A|TEXT|0|Part list"}));
    ASSERT_EQ(r.hits.size(), 3u);
    const QJsonArray at = r.hits[1].value("at").toArray();
    ASSERT_EQ(at.size(), 2);
    EXPECT_DOUBLE_EQ(at[0].toDouble(), 100);
    EXPECT_DOUBLE_EQ(at[1].toDouble(), 50);
}

TEST_F(VexorFindTest, ControlCodesDimensionsAndWholeWords) {
    FindRun r = find({file(), "--find",
                      "\u2300"
                      "101"});
    ASSERT_EQ(r.hits.size(), 1u) << "%%c reads as the diameter sign";
    EXPECT_EQ(r.hits[0].value("text").toString(), QString::fromUtf8("Room \u2300"
                                                                    "101"));

    // The dimension stores no measurement: it is measured from its points as it is drawn
    // (in its style's format, whose decimal separator this writer leaves out).
    r = find({file(), "--find", "1234"});
    ASSERT_EQ(r.hits.size(), 1u) << "the dimension's measurement as drawn";
    EXPECT_EQ(r.hits[0].value("kind").toString(), "DIMENSION");
    EXPECT_EQ(r.hits[0].value("layer").toString(), "NOTES");

    r = find({file(), "--find", "kit", "--whole-words"});
    EXPECT_EQ(r.exitCode, 1) << "a part of a word is no whole word";
    r = find({file(), "--find", "KITCHEN", "--whole-words"});
    EXPECT_EQ(r.hits.size(), 1u);
}

TEST_F(VexorFindTest, ExitStatusSaysWhatHappened) {
    EXPECT_EQ(find({file(), "--find", "nowhere"}).exitCode, 1);
    const fs::path bad = dir / "bad.dwg";
    std::ofstream(bad) << "AC1015 not really a drawing";
    const FindRun r = find({QString::fromStdString(bad.string()), file(), "--find", "kitchen"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.hits.size(), 1u) << "the readable file is still searched";
    EXPECT_TRUE(r.err.contains("bad.dwg"));
    EXPECT_EQ(find({"--find", "x"}).exitCode, 2);
    EXPECT_EQ(find({file(), "--find"}).exitCode, 2);
}
