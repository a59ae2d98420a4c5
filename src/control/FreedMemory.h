#pragma once

// A viewer opens drawing after drawing for a whole working day. Each drawing is a few large,
// short-lived blocks (entities, display lists, indices): memory they used must go back to the
// system when the drawing closes, not stay with the process as scattered free space.

namespace vexor::control {

// Large blocks are mapped from the system one by one and unmapped when freed, whatever sizes
// were freed before. Set once per process; later calls do nothing.
void mapLargeBlocksSeparately();

// Hands the free pages left by a drawing just released back to the system.
void returnFreedMemory();

} // namespace vexor::control
