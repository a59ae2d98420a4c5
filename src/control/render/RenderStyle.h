#pragma once

#include <QColor>
#include <vector>

namespace vexor::cad {
class DisplayList;
}

namespace vexor::control {

// How a view of a drawing is drawn: background, colour override, visible layers, medium.
struct RenderStyle {
    QColor background = Qt::white;
    int foreColor = 256; // 1..14: everything in paletteColor(foreColor); else own colours
    // By layer index: 0 shown, 1 off (hides what lies on the layer, and the parts of blocks
    // inserted on it that take its layer), 2 frozen (hides inserts on it whole); empty = all
    // shown.
    std::vector<char> hiddenLayers;
    bool printing = false; // on paper: never white on white; colour 7 black
    int sheet = -1;        // the layout shown, an index into DisplayList::sheets(); -1 model space
    // Lines at their lineweight: on screen in whole pixels, printing at their width in
    // millimetres (a layout's own plot settings decide whether and how much they are scaled).
    // Otherwise every line is the thinnest the device draws.
    bool lineweights = false;
};

// The control's 14 fore colours: 1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, 7 black,
// 8 dark red, 9 dark yellow, 10 dark green, 11 dark cyan, 12 dark blue, 13 dark magenta,
// 14 white. Any other code gives an invalid QColor.
QColor paletteColor(int code);

// The layers the file itself has switched off (1) or frozen (2), as RenderStyle::hiddenLayers
// wants them: a drawing first appears without them, on screen and in every picture made of it.
std::vector<char> layersHiddenInFile(const cad::DisplayList& list);

// True when a fore colour code replaces the drawing's own colours.
inline bool isForeColorCode(int code) {
    return code >= 1 && code <= 14;
}

} // namespace vexor::control
