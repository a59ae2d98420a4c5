#include "Colours.h"

#include "DrawingLoader.h"

#include <QAction>
#include <array>

namespace vexor::view {

namespace {

struct BackEntry {
    QAction* Menus::*action;
    std::int16_t red, green, blue;
};

// In menu order, which is also the order of matching.
constexpr std::array<BackEntry, 4> kBackEntries{{
    {&Menus::mnuBackWhite, 255, 255, 255},
    {&Menus::mnuBackBlack, 0, 0, 0},
    {&Menus::mnuBackYellow, 255, 255, 0},
    {&Menus::mnuBackBlue, 0, 0, 255},
}};

struct ForeEntry {
    QAction* Menus::*action;
    std::int16_t code;
};

constexpr std::array<ForeEntry, 5> kForeEntries{{
    {&Menus::mnuForeOriginal, kForeOriginal},
    {&Menus::mnuForeWhite, kForeWhite},
    {&Menus::mnuForeBlack, kForeBlack},
    {&Menus::mnuForeYellow, kForeYellow},
    {&Menus::mnuForeBlue, kForeBlue},
}};

void setChecked(QAction* action, bool checked) {
    if (action)
        action->setChecked(checked);
}

void chooseBack(Program& program, const BackEntry& entry) {
    program.ViewSettings.BackRed = entry.red;
    program.ViewSettings.BackGreen = entry.green;
    program.ViewSettings.BackBlue = entry.blue;
    UpdateBackColorChecks(program);
    LoadDrawing(program);
}

void chooseFore(Program& program, std::int16_t code) {
    UpdateForeColorChecks(program, code);
    program.ViewSettings.ForeColor = code;
    ApplyForeColor(program);
}

} // namespace

void mnuBackWhite_Click(Program& program) {
    chooseBack(program, kBackEntries[0]);
}
void mnuBackBlack_Click(Program& program) {
    chooseBack(program, kBackEntries[1]);
}
void mnuBackYellow_Click(Program& program) {
    chooseBack(program, kBackEntries[2]);
}
void mnuBackBlue_Click(Program& program) {
    chooseBack(program, kBackEntries[3]);
}

void mnuForeOriginal_Click(Program& program) {
    chooseFore(program, kForeOriginal);
}
void mnuForeWhite_Click(Program& program) {
    chooseFore(program, kForeWhite);
}
void mnuForeBlack_Click(Program& program) {
    chooseFore(program, kForeBlack);
}
void mnuForeYellow_Click(Program& program) {
    chooseFore(program, kForeYellow);
}
void mnuForeBlue_Click(Program& program) {
    chooseFore(program, kForeBlue);
}

void UpdateBackColorChecks(Program& program) {
    const ViewSettingsRecord& settings = program.ViewSettings;
    for (const BackEntry& match : kBackEntries) {
        if (match.red != settings.BackRed || match.green != settings.BackGreen ||
            match.blue != settings.BackBlue)
            continue;
        for (const BackEntry& entry : kBackEntries)
            setChecked(program.menus.*entry.action, &entry == &match);
        return;
    }
}

void UpdateForeColorChecks(Program& program, std::int16_t code) {
    for (const ForeEntry& match : kForeEntries) {
        if (match.code != code)
            continue;
        for (const ForeEntry& entry : kForeEntries)
            setChecked(program.menus.*entry.action, &entry == &match);
        return;
    }
}

void ApplyForeColor(Program& program) {
    program.Dbcocx1.SetColorMode(2);
    program.Dbcocx1.SetForeColor("#", program.ViewSettings.ForeColor);
}

} // namespace vexor::view
