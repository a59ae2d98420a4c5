#pragma once

#include "EntityBuilder.h"

namespace vexor::cad::dxf {

// Entities drawn from what they store with the help of an object of the OBJECTS section.
MLine readMLine(const EntityRecord& record, DxfContext& context);
Tolerance readTolerance(const EntityRecord& record, DxfContext& context);
Underlay readUnderlay(const EntityRecord& record, Underlay::Kind kind);

// Objects of the OBJECTS section those entities need: MLINESTYLE, IMAGEDEF and the
// WIPEOUTVARIABLES and RASTERVARIABLES settings. Other objects are ignored.
void readAnnotationObject(const EntityRecord& record, DxfContext& context);

} // namespace vexor::cad::dxf
