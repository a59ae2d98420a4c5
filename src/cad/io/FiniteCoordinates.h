#pragma once

#include "../model/Entities.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace vexor::cad {

// Whether every coordinate, length, angle and scale the entity is drawn from is a finite number.
// A damaged or hostile file can give NaN or infinity; readers reject such an entity as they
// read it, with nonFiniteEntityNote in the diagnostics, so that it never reaches the model.
bool hasFiniteCoordinates(const Entity& entity);

// The diagnostic for such an entity: its kind and, when it has one, its handle.
std::string nonFiniteEntityNote(const Entity& entity);

// The entities a reader turned away for coordinates that are not finite: the first ones named,
// all of them counted by kind.
class NonFiniteEntities {
public:
    // True when the entity may be kept; otherwise it is noted and false returned.
    bool admit(const Entity& entity);
    // Adds the notes and the counts to a drawing's diagnostics.
    void report(std::vector<std::string>& diagnostics) const;

private:
    static constexpr std::size_t kNamed = 16;
    std::vector<std::string> named_;
    std::map<std::string, std::size_t> counts_;
    std::size_t total_ = 0;
};

} // namespace vexor::cad
