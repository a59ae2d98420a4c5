#include "BlockGraph.h"

#include <string>
#include <vector>

namespace vexor::cad::dwg {
namespace {

std::uint32_t* referencedBlock(Entity& e) {
    if (auto* insert = dataIf<Insert>(&e.data))
        return &insert->block;
    if (auto* dim = dataIf<Dimension>(&e.data))
        return &dim->block;
    return nullptr;
}

enum class Mark : std::uint8_t { Unvisited, OnPath, Done };

class CycleBreaker {
public:
    explicit CycleBreaker(Drawing& d) : d_(d), marks_(d.blocks.size(), Mark::Unvisited) {}

    void run() {
        for (std::uint32_t b = 0; b < d_.blocks.size(); ++b)
            if (marks_[b] == Mark::Unvisited)
                visit(b);
    }

private:
    // Iterative depth-first walk, so that a deep chain in a hostile file cannot exhaust the
    // stack.
    void visit(std::uint32_t root) {
        struct Frame {
            std::uint32_t block;
            std::size_t next;
        };
        std::vector<Frame> path{{root, 0}};
        marks_[root] = Mark::OnPath;
        while (!path.empty()) {
            Frame& top = path.back();
            auto& entities = d_.blocks[top.block].entities;
            if (top.next == entities.size()) {
                marks_[top.block] = Mark::Done;
                path.pop_back();
                continue;
            }
            std::uint32_t* ref = referencedBlock(entities[top.next++]);
            if (!ref || *ref >= d_.blocks.size())
                continue;
            const Mark m = marks_[*ref];
            if (m == Mark::OnPath || path.size() >= kMaxBlockNesting) {
                d_.diagnostics.push_back(
                    "block \"" + d_.blocks[top.block].name + "\" " +
                    (m == Mark::OnPath ? "contains itself through \"" : "nests too deeply at \"") +
                    d_.blocks[*ref].name + "\"; that reference is dropped");
                *ref = kNoIndex;
                continue;
            }
            if (m == Mark::Unvisited) {
                marks_[*ref] = Mark::OnPath;
                path.push_back({*ref, 0});
            }
        }
    }

    Drawing& d_;
    std::vector<Mark> marks_;
};

} // namespace

void breakBlockCycles(Drawing& drawing) {
    CycleBreaker(drawing).run();
}

} // namespace vexor::cad::dwg
