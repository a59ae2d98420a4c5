#include "ExternalReferences.h"

#include "../io/LoadBudget.h"
#include "../io/MappedFile.h"
#include "../io/ReferencedFile.h"
#include "../model/ReadError.h"
#include "DrawingReader.h"
#include "ReferenceMerge.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <unordered_map>

namespace vexor::cad {
namespace {

namespace fs = std::filesystem;

// The identity of a file for "read once" and cycles: its real path.
std::string fileKey(const std::string& path) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    return ec ? fs::absolute(path, ec).lexically_normal().string() : real.string();
}

// The scale from a referenced drawing's units into those of the drawing referencing it: 1
// unless both say their units.
double unitScale(const std::optional<std::int32_t>& from, const std::optional<std::int32_t>& to) {
    const double f = from ? metresPerUnit(*from) : 0;
    const double t = to ? metresPerUnit(*to) : 0;
    return f > 0 && t > 0 ? f / t : 1.0;
}

class ReferenceLoader {
public:
    explicit ReferenceLoader(Drawing& host)
        : host_(host), policy_(referencePolicy()),
          search_(searchUnderPolicy(host.sourcePath, host.sourcePath)) {
        if (!host.sourcePath.empty())
            open_.push_back(fileKey(host.sourcePath));
    }

    void run() {
        const std::size_t count = host_.blocks.size();
        for (std::uint32_t b = 0; b < count; ++b)
            if (host_.blocks[b].externalReference)
                follow(b, host_.blocks[b].name, host_.sourcePath, host_.header.insUnits, 1);
    }

private:
    // Where the model space of a file read in this load lies: a block and its base point.
    struct Model {
        std::uint32_t block = kNoIndex; // kNoIndex: the file could not be read
        std::optional<Vec3> base;       // its INSBASE, when its header gives one
        std::optional<std::int32_t> units;
    };

    void say(std::string text) { host_.diagnostics.push_back(std::move(text)); }

    // Makes block `b` (named `name` in the drawing `holder`, whose units are `units`) draw the
    // drawing it references. The name is a copy: merging a drawing grows the host's blocks,
    // which may move the one it came from.
    void follow(std::uint32_t b, std::string name, const std::string& holder,
                const std::optional<std::int32_t>& units, int depth) {
        // Releases before R13 keep the file in the BLOCK entity; without it the block's name is
        // the drawing's.
        const std::string stored = host_.blocks[b].referencePath;
        const std::string path = stored.empty() ? name + ".dwg" : stored;
        const bool overlay = host_.blocks[b].overlay;
        if (depth > 1 && overlay) {
            say("overlay " + name + " inside the reference " +
                fs::path(holder).filename().string() +
                " not drawn: overlays show only in the drawing that overlays them");
            return;
        }
        host_.references.push_back({name, path, {}, false, overlay, depth});
        const std::size_t entry = host_.references.size() - 1;
        if (depth > kMaxReferenceDepth) {
            say("reference " + name + " not followed: references nest deeper than " +
                std::to_string(kMaxReferenceDepth));
            return;
        }
        search_.drawingPath = holder;
        const FoundFile found = locateReferencedFile(path, search_);
        if (found.file.empty()) {
            say("reference " + name + " not found: " + path +
                (found.problem.empty() ? "" : " (" + found.problem + ")"));
            return;
        }
        host_.references[entry].found = true;
        host_.references[entry].file = found.file;
        const std::string key = fileKey(found.file);
        if (std::find(open_.begin(), open_.end(), key) != open_.end()) {
            say("reference cycle: " + holder + " references " + found.file +
                ", which is already being loaded; the reference " + name + " is not drawn again");
            return;
        }
        const Model model = modelOf(key, found.file, name, depth);
        if (model.block == kNoIndex || model.block == b)
            return;
        place(b, model, unitScale(model.units, units));
    }

    // The model space of `file`, read and merged on first use.
    Model modelOf(const std::string& key, const std::string& file, const std::string& name,
                  int depth) {
        if (auto it = models_.find(key); it != models_.end())
            return it->second;
        Model& model = models_[key];
        if (reads_ >= policy_.maxReferencedDrawings) {
            say("reference " + name + " not read: no more than " +
                std::to_string(policy_.maxReferencedDrawings) +
                " referenced drawings are read for one drawing");
            return model;
        }
        ++reads_;
        Drawing source;
        try {
            MappedFile mapped(file);
            if (LoadBudget* budget = activeLoadBudget())
                budget->allowFurtherFile(mapped.bytes().size());
            source = readDrawingBytes(mapped.bytes(), file);
        } catch (const ReadError& e) {
            say("reference " + name + " could not be read: " + e.what());
            return model;
        }
        source.sourcePath = file;
        model.units = source.header.insUnits;
        model.base = source.header.insBase;
        for (std::string& note : source.diagnostics)
            say("in reference " + name + ": " + note);
        // Blocks the merged drawing brings that reference further drawings.
        std::vector<std::pair<std::size_t, std::string>> nested;
        for (std::size_t i = 0; i < source.blocks.size(); ++i)
            if (source.blocks[i].externalReference)
                nested.emplace_back(i, source.blocks[i].name);
        const std::optional<std::int32_t> units = source.header.insUnits;
        MergedDrawing merged =
            mergeReferencedDrawing(host_, std::move(source), name,
                                   static_cast<std::uint8_t>(std::min<std::size_t>(reads_, 255)));
        model.block = host_.blockIndex(name + "|*Model_Space");
        host_.blocks[model.block].entities = std::move(merged.modelSpace);
        const Model result = model; // models_ may grow below
        open_.push_back(key);
        for (const auto& [index, nestedName] : nested)
            if (merged.blocks[index] != kNoIndex)
                follow(merged.blocks[index], nestedName, file, units, depth + 1);
        open_.pop_back();
        return result;
    }

    // Block `b` draws the model through one insert: the model's base point (its INSBASE, as
    // when a drawing is inserted; without one the block's own base point, in the model's
    // coordinates) lands on the block's base point, and the model is scaled about it by k, so
    // that the insert's point shows the referenced drawing's base point.
    void place(std::uint32_t b, const Model& model, double k) {
        const Vec3 base = host_.blocks[b].base;
        const Vec3 from = model.base.value_or(base);
        Insert insert;
        insert.block = model.block;
        insert.scale = {k, k, k};
        insert.insert = {base.x - k * from.x, base.y - k * from.y, base.z - k * from.z};
        Entity entity;
        entity.common.layer = host_.layerIndex("0");
        entity.common.color = Color::byBlock();
        entity.common.linetype = kLinetypeByBlock;
        entity.common.lineweight = kLineweightByBlock;
        entity.data = insert;
        host_.blocks[b].entities.clear();
        host_.blocks[b].entities.push_back(std::move(entity));
    }

    Drawing& host_;
    const ReferencePolicy policy_;
    ReferenceSearch search_;        // its holder set for each reference
    std::vector<std::string> open_; // files being loaded, outermost first
    std::unordered_map<std::string, Model> models_;
    std::size_t reads_ = 0;
};

} // namespace

double metresPerUnit(int insUnits) {
    static constexpr std::array<double, 25> kMetres = {0,
                                                       0.0254,
                                                       0.3048,
                                                       1609.344,
                                                       0.001,
                                                       0.01,
                                                       1,
                                                       1000,
                                                       2.54e-8,
                                                       2.54e-5,
                                                       0.9144,
                                                       1e-10,
                                                       1e-9,
                                                       1e-6,
                                                       0.1,
                                                       10,
                                                       100,
                                                       1e9,
                                                       1.495978707e11,
                                                       9.4607304725808e15,
                                                       3.0856775814913673e16,
                                                       1200.0 / 3937.0,
                                                       100.0 / 3937.0,
                                                       3600.0 / 3937.0,
                                                       6336000.0 / 3937.0};
    return insUnits >= 0 && insUnits < static_cast<int>(kMetres.size()) ? kMetres[insUnits] : 0;
}

void loadExternalReferences(Drawing& drawing) {
    bool any = false;
    for (const Block& block : drawing.blocks)
        any = any || block.externalReference;
    if (any)
        ReferenceLoader(drawing).run();
}

} // namespace vexor::cad
