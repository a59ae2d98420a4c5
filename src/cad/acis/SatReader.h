#pragma once

#include "../model/Math.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad::acis {

// The edges of the bodies in solid-modeler data written as SAT text: each edge as a polyline
// in world coordinates (the body's transform applied). Straight edges run between their
// vertices, circles and ellipses are arcs between them, spline edges (intcurves) follow the
// B-spline stored with them; an edge whose curve cannot be read is a straight line between its
// vertices and counted in `approximated`.
struct SatEdges {
    std::vector<std::vector<Vec3>> curves;
    std::size_t edges = 0;        // edge records found
    std::size_t approximated = 0; // drawn as a straight line instead of their curve
    std::size_t unreadable = 0;   // left out: vertices missing or damaged
    std::string problem;          // why nothing could be read; empty otherwise
    std::string damage;           // where the data broke off when some of it could be read
};

// One record of modeler data: its type name ("edge", "ellipse-curve") and the values after it
// up to its terminator, each as SAT text writes it ("$12" for a reference, "@7 unknown" for a
// string). Binary data is rendered to the same tokens; its logicals, which have no word of
// their own there, become kSabTrue and kSabFalse.
struct SatRecord {
    std::string_view name;
    std::vector<std::string_view> tokens;
};
inline constexpr std::string_view kSabTrue = "true";
inline constexpr std::string_view kSabFalse = "false";

// Hard limits on hostile input: records read and points made from one body's data.
inline constexpr std::size_t kMaxSatRecords = 1u << 20;
inline constexpr std::size_t kMaxSatPoints = 1u << 22;

// Undoes the character substitution some writers apply to SAT text (each character above the
// space becomes 159 minus itself); applying it twice gives the text back.
std::string decodeSatCharacters(std::string_view text);

// Whether SAT text is stored substituted: plain SAT starts with its version number.
bool satLooksEncoded(std::string_view text);

// Whether the data is binary (SAB) rather than text.
bool isBinarySat(std::string_view data);

// The edges of SAT text (already decoded). Never throws on bad data: what cannot be read is
// counted, and `problem` says why when nothing could.
SatEdges readSatEdges(std::string_view text);

// The edges of records already read (from text or binary data of the given version).
SatEdges satEdgesFromRecords(const std::vector<SatRecord>& records, int version);

} // namespace vexor::cad::acis
