#pragma once

#include "Program.h"

#include <cstdint>

namespace vexor::view {

// Drawing-colour numbers of the control's palette offered by the Fore color menu.
inline constexpr std::int16_t kForeOriginal = 256; // the drawing's own colours
inline constexpr std::int16_t kForeWhite = 14;
inline constexpr std::int16_t kForeBlack = 7;
inline constexpr std::int16_t kForeYellow = 2;
inline constexpr std::int16_t kForeBlue = 5;

// Background entries: set the colour, move the check mark, reload the drawing with it.
void mnuBackWhite_Click(Program& program);
void mnuBackBlack_Click(Program& program);
void mnuBackYellow_Click(Program& program);
void mnuBackBlue_Click(Program& program);

// Drawing-colour entries: move the check mark and send the colour; no reload.
void mnuForeOriginal_Click(Program& program);
void mnuForeWhite_Click(Program& program);
void mnuForeBlack_Click(Program& program);
void mnuForeYellow_Click(Program& program);
void mnuForeBlue_Click(Program& program);

// Checks the background entry matching BackRed/BackGreen/BackBlue and unchecks the others; no
// match leaves all four as they were.
void UpdateBackColorChecks(Program& program);

// Checks the drawing-colour entry for `code` and unchecks the others; a number without an entry
// changes nothing.
void UpdateForeColorChecks(Program& program, std::int16_t code);

// Sends ForeColor to the drawing control.
void ApplyForeColor(Program& program);

} // namespace vexor::view
