#include "ReferenceMerge.h"

#include "../io/ReferencedFile.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string_view>
#include <unordered_set>

namespace vexor::cad {
namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

bool isPaperSpaceName(std::string_view name) {
    return name.size() >= 12 && equalIgnoringCase(name.substr(0, 12), "*Paper_Space");
}

// Linetypes every drawing has under the same name; they keep it.
bool isStandardLinetype(std::string_view name) {
    return equalIgnoringCase(name, "ByLayer") || equalIgnoringCase(name, "ByBlock") ||
           equalIgnoringCase(name, "Continuous");
}

class Merger {
public:
    Merger(Drawing& host, Drawing& source, const std::string& name, std::uint8_t tag)
        : host_(host), source_(source), prefix_(name + "|"),
          tag_(static_cast<std::uint64_t>(tag) << 56) {}

    MergedDrawing run() {
        mergeLinetypes();
        mergeLayers();
        mergeTextStyles();
        mergeDimStyles();
        mergeMultiLeaderStyles();
        mergeMLineStyles();
        mergeImageDefinitions();
        MergedDrawing merged;
        merged.blocks = mergeBlocks();
        for (Entity& e : source_.modelSpace)
            remap(e);
        merged.modelSpace = std::move(source_.modelSpace);
        return merged;
    }

private:
    void mergeLinetypes() {
        for (Linetype& lt : source_.linetypes) {
            if (!isStandardLinetype(lt.name))
                lt.name = prefix_ + lt.name;
            std::int32_t index = host_.findLinetype(lt.name);
            if (index < 0) {
                index = static_cast<std::int32_t>(host_.linetypes.size());
                host_.linetypes.push_back(lt);
            } else if (!isStandardLinetype(lt.name)) {
                host_.linetypes[static_cast<std::size_t>(index)] = lt;
            }
            linetypes_.push_back(index);
        }
    }

    void mergeLayers() {
        const std::size_t hostLayers = host_.layers.size();
        for (Layer& layer : source_.layers) {
            if (layer.name == "0") {
                layers_.push_back(host_.layerIndex("0"));
                continue;
            }
            const std::uint32_t index = host_.layerIndex(prefix_ + layer.name);
            if (index >= hostLayers) { // the host stores no record of its own for it
                Layer& added = host_.layers[index];
                const std::string name = std::move(added.name);
                added = std::move(layer);
                added.name = name;
                added.linetype = linetype(added.linetype);
                added.handle |= tag_;
            }
            layers_.push_back(index);
        }
    }

    void mergeTextStyles() {
        for (TextStyle& style : source_.textStyles) {
            style.name = prefix_ + style.name;
            std::uint32_t index = host_.findTextStyle(style.name);
            if (index == kNoIndex) {
                index = static_cast<std::uint32_t>(host_.textStyles.size());
                host_.textStyles.push_back(style);
            } else {
                host_.textStyles[index] = style;
            }
            textStyles_.push_back(index);
        }
    }

    void mergeDimStyles() {
        for (DimStyle& style : source_.dimStyles) {
            remapDimStyle(style);
            dimStyles_.push_back(static_cast<std::uint32_t>(host_.dimStyles.size()));
            host_.dimStyles.push_back(style);
        }
    }

    void mergeMultiLeaderStyles() {
        for (MultiLeaderStyle& style : source_.multiLeaderStyles) {
            remapMultiLeaderStyle(style);
            host_.multiLeaderStyles.push_back(style);
        }
    }

    void mergeMLineStyles() {
        for (MLineStyle& style : source_.mlineStyles) {
            style.name = prefix_ + style.name;
            style.handle = tagged(style.handle);
            for (MLineStyle::Element& element : style.elements)
                element.linetype = linetype(element.linetype);
            host_.mlineStyles.push_back(style);
        }
    }

    // Pictures named relative to the referenced drawing are found beside it, not the host.
    void mergeImageDefinitions() {
        for (ImageDefinition& image : source_.imageDefinitions) {
            image.handle = tagged(image.handle);
            if (const std::string found = findReferencedFile(image.fileName, source_.sourcePath);
                !found.empty())
                image.fileName = std::filesystem::absolute(found).string();
            host_.imageDefinitions.push_back(image);
        }
    }

    std::vector<std::uint32_t> mergeBlocks() {
        for (const Block& block : source_.blocks)
            sourceBlockNames_.insert(block.name);
        blocks_.assign(source_.blocks.size(), kNoIndex);
        for (std::size_t i = 0; i < source_.blocks.size(); ++i)
            if (!isPaperSpaceName(source_.blocks[i].name))
                blocks_[i] = host_.blockIndex(prefix_ + source_.blocks[i].name);
        for (std::size_t i = 0; i < source_.blocks.size(); ++i) {
            if (blocks_[i] == kNoIndex)
                continue;
            Block& from = source_.blocks[i];
            for (Entity& e : from.entities)
                remap(e);
            Block& to = host_.blocks[blocks_[i]];
            to.base = from.base;
            to.anonymous = from.anonymous;
            to.externalReference = from.externalReference;
            to.overlay = from.overlay;
            to.referencePath = std::move(from.referencePath);
            to.entities = std::move(from.entities);
            to.handle = tagged(from.handle);
            to.viewports.clear();
        }
        return blocks_;
    }

    std::uint64_t tagged(std::uint64_t handle) const { return handle == 0 ? 0 : handle | tag_; }

    std::int32_t linetype(std::int32_t index) const {
        if (index < 0)
            return index;
        return static_cast<std::size_t>(index) < linetypes_.size()
                   ? linetypes_[static_cast<std::size_t>(index)]
                   : kLinetypeContinuous;
    }
    static std::uint32_t mapped(const std::vector<std::uint32_t>& map, std::uint32_t index) {
        return index < map.size() ? map[index] : kNoIndex;
    }
    std::string blockName(const std::string& name) const {
        return !name.empty() && sourceBlockNames_.count(name) ? prefix_ + name : name;
    }

    void remapDimStyle(DimStyle& style) const {
        style.name = prefix_ + style.name;
        style.textStyle = mapped(textStyles_, style.textStyle);
        style.arrow = blockName(style.arrow);
        style.arrow1 = blockName(style.arrow1);
        style.arrow2 = blockName(style.arrow2);
        style.leaderArrow = blockName(style.leaderArrow);
    }
    std::shared_ptr<const DimStyle> remapped(const std::shared_ptr<const DimStyle>& style) const {
        if (!style)
            return style;
        auto copy = std::make_shared<DimStyle>(*style);
        const std::string name = copy->name;
        remapDimStyle(*copy);
        copy->name = name;
        return copy;
    }

    void remapMultiLeaderStyle(MultiLeaderStyle& style) const {
        style.handle = tagged(style.handle);
        style.name = prefix_ + style.name;
        style.linetype = linetype(style.linetype);
        style.textStyle = mapped(textStyles_, style.textStyle);
        style.block = blockName(style.block);
        style.arrow = blockName(style.arrow);
    }

    void remapCommon(EntityCommon& common) const {
        common.layer = common.layer < layers_.size() ? layers_[common.layer]
                       : layers_.empty()             ? 0
                                                     : layers_.front();
        common.linetype = linetype(common.linetype);
    }

    void remap(Entity& e) {
        remapCommon(e.common);
        if (auto* t = dataIf<Text>(&e.data))
            t->style = mapped(textStyles_, t->style);
        else if (auto* m = dataIf<MText>(&e.data))
            m->style = mapped(textStyles_, m->style);
        else if (auto* insert = dataIf<Insert>(&e.data)) {
            insert->block = mapped(blocks_, insert->block);
            for (AttributeEntity& a : insert->attributes) {
                remapCommon(a.common);
                a.text.style = mapped(textStyles_, a.text.style);
            }
        } else if (auto* d = dataIf<Dimension>(&e.data)) {
            d->block = mapped(blocks_, d->block);
            d->style = mapped(dimStyles_, d->style);
            if (d->definition) {
                auto definition = std::make_unique<DimensionDefinition>(*d->definition);
                definition->style = remapped(definition->style);
                d->definition = DimensionDefinitionRef(std::move(definition));
            }
        } else if (auto* leader = dataIf<Leader>(&e.data)) {
            leader->style = mapped(dimStyles_, leader->style);
            leader->overrides = remapped(leader->overrides);
        } else if (auto* tolerance = dataIf<Tolerance>(&e.data))
            tolerance->dimStyle = mapped(dimStyles_, tolerance->dimStyle);
        else if (auto* shape = dataIf<Shape>(&e.data))
            shape->style = mapped(textStyles_, shape->style);
        else if (auto* mline = dataIf<MLine>(&e.data)) {
            mline->styleHandle = tagged(mline->styleHandle);
            if (!mline->styleName.empty())
                mline->styleName = prefix_ + mline->styleName;
        } else if (auto* image = dataIf<ImageFrame>(&e.data))
            image->definition = tagged(image->definition);
        else if (auto* underlay = dataIf<Underlay>(&e.data))
            underlay->definition = tagged(underlay->definition);
        else if (auto* ml = dataIf<MultiLeader>(&e.data))
            remapMultiLeader(*ml);
        else if (auto* standIn = dataIf<StandIn>(&e.data))
            remapStandIn(*standIn);
    }

    void remapMultiLeader(MultiLeader& ml) {
        if (!ml.data)
            return;
        auto data = std::make_shared<MultiLeaderData>(*ml.data);
        data->styleHandle = tagged(data->styleHandle);
        remapMultiLeaderStyle(data->own);
        data->text.style = mapped(textStyles_, data->text.style);
        data->block = blockName(data->block);
        for (MultiLeaderBranch& branch : data->branches)
            for (MultiLeaderLine& line : branch.lines) {
                if (line.linetype)
                    line.linetype = linetype(*line.linetype);
                if (line.arrow)
                    line.arrow = blockName(*line.arrow);
            }
        ml.data = std::move(data);
    }

    void remapStandIn(StandIn& standIn) {
        if (!standIn.data)
            return;
        auto data = std::make_shared<StandInData>(*standIn.data);
        for (Entity& part : data->entities)
            remap(part);
        standIn.data = std::move(data);
    }

    Drawing& host_;
    Drawing& source_;
    const std::string prefix_;
    const std::uint64_t tag_;
    std::vector<std::int32_t> linetypes_;
    std::vector<std::uint32_t> layers_, textStyles_, dimStyles_, blocks_;
    std::unordered_set<std::string> sourceBlockNames_;
};

} // namespace

MergedDrawing mergeReferencedDrawing(Drawing& host, Drawing&& source, const std::string& name,
                                     std::uint8_t handleTag) {
    Drawing taken = std::move(source);
    return Merger(host, taken, name, handleTag).run();
}

} // namespace vexor::cad
