// Characters a TrueType face lacks (a diameter sign, Chinese text in a Latin face) come from the
// installed fallback faces at the same size and in their place; only a character no face has
// is a box, and the drawing's diagnostics name it.
#include "cad/geometry/DisplayList.h"
#include "cad/text/TextFont.h"
#include "control/render/TrueTypeFaces.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::control;

namespace {

const QRawFont* latinFace() {
    const auto font = cad::resolveFont("arial.ttf").font;
    return font && !font->path.empty() ? trueTypeFace(QString::fromStdString(font->path)) : nullptr;
}

cad::Drawing textDrawing(const std::string& text, const std::string& font = "arial.ttf") {
    cad::Drawing d;
    d.layerIndex("0");
    cad::TextStyle style;
    style.name = "Latin";
    style.fontFile = font;
    d.textStyles.push_back(style);
    cad::Text t;
    t.height = 10;
    t.style = 0;
    t.text = text;
    cad::Entity e;
    e.data = t;
    d.modelSpace.push_back(e);
    return d;
}

} // namespace

TEST(GlyphFallback, MissingCharactersComeFromTheFallbackFacesInTheirPlace) {
    const QRawFont* face = latinFace();
    ASSERT_NE(face, nullptr);
    ASSERT_FALSE(face->supportsCharacter(0x4E2Du)) << "the Latin face has no Chinese";
    const ShapedText shaped = shapeText(*face, QString::fromUtf8("A\u2300\u4E2D\u6587B"));
    EXPECT_TRUE(shaped.missing.empty());
    std::size_t glyphs = 0;
    bool cjk = false;
    for (const ShapedText::Run& run : shaped.runs) {
        glyphs += static_cast<std::size_t>(run.glyphs.size());
        for (quint32 g : run.glyphs)
            EXPECT_NE(g, 0u) << "no empty box";
        if (run.face != face && run.face->supportsCharacter(0x4E2Du)) {
            cjk = true;
            ASSERT_EQ(run.positions.size(), 2);
            // Side by side, each about an em wide (the faces are shaped at the same size).
            const double em = run.positions[1].x() - run.positions[0].x();
            EXPECT_NEAR(em, face->pixelSize(), face->pixelSize() * 0.15);
        }
    }
    EXPECT_EQ(glyphs, 5u);
    EXPECT_TRUE(cjk);
    // "B" comes after the four before it.
    const ShapedText a = shapeText(*face, QStringLiteral("A"));
    EXPECT_GT(shaped.width, a.width * 3);
}

TEST(GlyphFallback, OnlyACharacterNoFaceHasIsABoxAndIsNamed) {
    const auto drawn = compileDrawing(textDrawing("\u2300 20 \u4E2D"));
    for (const std::string& message : drawn->diagnostics())
        EXPECT_EQ(message.find("drawn as boxes"), std::string::npos) << message;
    const auto boxed = compileDrawing(textDrawing("x\U000F0041y"));
    bool named = false;
    for (const std::string& message : boxed->diagnostics())
        named = named || (message.find("drawn as boxes") != std::string::npos &&
                          message.find("U+F0041") != std::string::npos);
    EXPECT_TRUE(named);
}

// Characters no stroke font has (some Chinese ones) come from the TrueType faces, in their place
// between the stroke-font parts, instead of as question marks.
TEST(GlyphFallback, AStrokeTextTakesWhatNoStrokeFontHasFromTheTrueTypeFaces) {
    const auto list = compileDrawing(textDrawing("\u5929\u5355\u884CAB", "txt"));
    const auto& runs = list->modelSpace().texts;
    ASSERT_GE(runs.size(), 2u);
    bool trueTypePiece = false;
    double previousStart = -1;
    for (const cad::TextRun& run : runs) {
        EXPECT_EQ(run.text.find('?'), std::string::npos);
        ASSERT_NE(run.font, nullptr);
        if (run.font->kind == cad::TextFont::Kind::TrueType) {
            trueTypePiece = true;
            EXPECT_NE(run.text.find("\u5355"), std::string::npos) << run.text;
        }
        const double start = run.toWorld.map({0, 0}).x;
        EXPECT_GT(start, previousStart) << "pieces follow each other along the line";
        previousStart = start;
    }
    EXPECT_TRUE(trueTypePiece);
}
