#include "ComparisonLoader.h"

#include "cad/compare/ComparisonDrawing.h"
#include "cad/compare/DrawingComparison.h"
#include "cad/load/DrawingReader.h"

#include <filesystem>
#include <memory>
#include <sstream>

namespace vexor::control {

namespace {

std::string hexHandle(std::uint64_t handle, bool present) {
    if (!present)
        return {};
    std::ostringstream out;
    out << std::uppercase << std::hex << handle;
    return out.str();
}

std::uint64_t fileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

} // namespace

std::vector<DrawingDifference> listDifferences(const cad::Comparison& comparison) {
    std::vector<DrawingDifference> out;
    out.reserve(comparison.differences.size());
    for (const cad::Difference& d : comparison.differences) {
        DrawingDifference item;
        item.change = cad::changeName(d.change);
        item.kind = d.kind;
        item.layer = d.layer;
        item.oldHandle = hexHandle(d.oldHandle, d.oldIndex != cad::kNoIndex && d.oldHandle);
        item.newHandle = hexHandle(d.newHandle, d.newIndex != cad::kNoIndex && d.newHandle);
        item.layout = comparison.spaces[d.space].name;
        if (!d.box.empty()) {
            item.x1 = d.box.minX;
            item.y1 = d.box.minY;
            item.x2 = d.box.maxX;
            item.y2 = d.box.maxY;
        }
        out.push_back(std::move(item));
    }
    return out;
}

ComparisonOutcome loadComparison(const std::string& oldPath, const std::string& newPath,
                                 const LoadStarted& started) {
    // The worker fills this; it outlives a caller that stops waiting for a cancelled load.
    auto differences = std::make_shared<std::vector<DrawingDifference>>();
    LoadWork work = [oldPath, newPath, differences](cad::LoadBudget&) -> LoadOutcome {
        cad::Drawing oldDrawing = cad::readDrawingFile(oldPath);
        cad::Drawing newDrawing = cad::readDrawingFile(newPath);
        const cad::Comparison comparison = cad::compareDrawings(oldDrawing, newDrawing);
        *differences = listDifferences(comparison);
        return {std::make_shared<const DrawingDocument>(cad::buildComparisonDrawing(
                    std::move(oldDrawing), std::move(newDrawing), comparison)),
                {}};
    };
    ComparisonOutcome outcome;
    outcome.load =
        runLoad(newPath, std::move(work), started, fileSize(oldPath) + fileSize(newPath));
    if (outcome.load.document)
        outcome.differences = std::move(*differences);
    return outcome;
}

} // namespace vexor::control
