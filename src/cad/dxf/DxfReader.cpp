#include "DxfReader.h"

#include "../io/FiniteCoordinates.h"
#include "../io/HugePages.h"
#include "../io/LoadBudget.h"
#include "../model/ReadError.h"
#include "AnnotationRecords.h"
#include "ClipRecords.h"
#include "EntityBuilder.h"
#include "LayoutRecords.h"
#include "ModelerDataStore.h"
#include "MultiLeaderRecords.h"
#include "TableReader.h"

#include <charconv>
#include <vector>

namespace vexor::cad::dxf {
namespace {

// Extended data beyond this many groups in one record is not kept (an entity may carry
// 16 KiB of it; the readers look only at short lists near its start).
constexpr std::size_t kMaxExtendedData = 4096;

// Reads a file's sections: the header, the tables, block definitions and the entities.
// Every record (a group 0 and the groups up to the next one) goes through one path whether
// it came from a text or a binary file.
class SectionReader {
public:
    SectionReader(GroupStream& in, DxfContext& context) : in_(in), context_(context) {}

    void read() {
        EntityRecord record;
        while (readRecord(record)) {
            if (record.type == "EOF")
                break;
            if (record.type != "SECTION") {
                context_.diagnostic(record.position, "record " + std::string(record.type) +
                                                         " outside any section skipped");
                continue;
            }
            sawSection_ = true;
            readSection(record);
        }
        context_.resolveNamedObjects();
        dataStore_.attach(context_.drawing());
        clips_.attach(context_.drawing());
    }

    bool sawSection() const { return sawSection_; }
    bool sawRecord() const { return sawRecord_; }

private:
    void readSection(const EntityRecord& section) {
        std::string_view name;
        for (const Group& g : section.groups)
            if (g.code == 2) {
                name = g.trimmed();
                break;
            }
        if (name == "HEADER") {
            Header& header = context_.drawing().header;
            readHeaderVariables(section.groups, header);
            context_.setEncoding(header.version, header.codepage);
            // The header's groups end at its ENDSEC; anything else is read as a new record.
            EntityRecord end;
            if (readRecord(end) && end.type != "ENDSEC")
                replay_ = true;
            return;
        }
        const bool tables = name == "TABLES", blocks = name == "BLOCKS";
        const bool entities = name == "ENTITIES", objects = name == "OBJECTS";
        const bool dataStore = name == "ACDSDATA";
        if (entities)
            reserveModelSpace();
        EntityRecord record;
        while (readRecord(record)) {
            loadCheckpoint();
            reportLoadProgress(record.position.byteOffset, fileSize_);
            if (record.type == "ENDSEC")
                break;
            if (record.type == "EOF" || record.type == "SECTION") {
                context_.diagnostic(record.position,
                                    "section " + std::string(name) + " has no ENDSEC");
                replay_ = true;
                break;
            }
            if (tables)
                readTableEntry(record, context_);
            else if (blocks)
                readBlockRecord(record);
            else if (entities)
                addEntity(record, modelOrPaper(record));
            else if (objects && record.type == "LAYOUT")
                context_.drawing().layouts.push_back(readLayout(record, context_));
            else if (objects && record.type == "MLEADERSTYLE")
                readMultiLeaderStyle(record, context_);
            else if (objects &&
                     (record.type == "DICTIONARY" || record.type == "ACDBDICTIONARYWDFLT")) {
                // Dictionaries name plot styles and lead from an insert to its clip boundary.
                clips_.read(record);
                readDictionary(record, context_);
            } else if (objects && !clips_.read(record))
                readAnnotationObject(record, context_);
            else if (dataStore)
                dataStore_.read(record);
        }
        closeComplex();
        if (tables)
            context_.resolveDeferredArrows();
    }

    // The entity list grows to about one entity per hundred bytes; reserving address space
    // up front avoids copying it while it grows, and untouched pages cost no memory.
    void reserveModelSpace() {
        auto& list = context_.drawing().modelSpace;
        if (list.capacity() == 0)
            reserveLarge(list, fileSize_ / 100);
    }

    // Where entities go: a block's index, or kModelSpace. Indexes stay valid while the
    // block list grows; references into it would not.
    static constexpr std::uint32_t kModelSpace = kNoIndex;

    std::uint32_t modelOrPaper(const EntityRecord& record) {
        return isPaperSpace(record) ? context_.drawing().blockIndex("*Paper_Space") : kModelSpace;
    }

    std::vector<Entity>& entityList(std::uint32_t target) {
        Drawing& drawing = context_.drawing();
        return target == kModelSpace ? drawing.modelSpace : drawing.blocks[target].entities;
    }

    void readBlockRecord(const EntityRecord& record) {
        Drawing& drawing = context_.drawing();
        if (record.type == "BLOCK") {
            closeComplex();
            std::string_view name;
            Vec3 base;
            std::int64_t flags = 0;
            std::string_view recordHandle;
            std::string_view referencePath;
            for (const Group& g : record.groups) {
                if (g.code == 2 || (g.code == 3 && name.empty()))
                    name = g.text;
                else if (g.code == 1)
                    referencePath = g.trimmed();
                else if (g.code == 330)
                    recordHandle = g.trimmed();
                else if (g.code == 70)
                    flags = g.asInt();
                else
                    readCoordinate(g, 10, base);
            }
            const std::uint32_t index = context_.block(name);
            Block& block = drawing.blocks[index];
            block.base = base;
            block.anonymous = (flags & 1) != 0 || block.name.starts_with('*');
            // Flag 4: an external reference, 8: overlaid (shown only in the drawing that
            // overlays it); group 1 names its file.
            block.externalReference = (flags & (4 | 8)) != 0;
            block.overlay = (flags & 8) != 0;
            block.referencePath = block.externalReference ? context_.decode(referencePath) : "";
            block.entities.clear();
            block.viewports.clear();
            std::from_chars(recordHandle.data(), recordHandle.data() + recordHandle.size(),
                            block.handle, 16);
            currentBlock_ = index;
            return;
        }
        if (record.type == "ENDBLK") {
            closeComplex();
            currentBlock_ = kNoIndex;
            return;
        }
        if (currentBlock_ == kNoIndex) {
            context_.diagnostic(record.position,
                                std::string(record.type) + " outside a block definition skipped");
            return;
        }
        addEntity(record, currentBlock_);
    }

    // VERTEX and ATTRIB records belong to the POLYLINE or INSERT before them, up to SEQEND.
    void addEntity(const EntityRecord& record, std::uint32_t target) {
        if (record.type == "VERTEX") {
            if (open_ == Open::Polyline)
                addVertex(dataOf<Polyline>(entityList(openList_)[openIndex_].data), record,
                          vertexDefaults_);
            else
                context_.diagnostic(record.position, "VERTEX without a POLYLINE skipped");
            return;
        }
        if (record.type == "SEQEND") {
            closeComplex();
            return;
        }
        if (record.type == "ATTRIB" && open_ == Open::Insert) {
            Entity attribute = buildEntity(record, context_);
            auto& insert = dataOf<Insert>(entityList(openList_)[openIndex_].data);
            insert.attributes.push_back(
                {attribute.common, std::move(dataOf<Text>(attribute.data))});
            return;
        }
        closeComplex();
        if (record.type == "VIEWPORT") {
            addViewport(record, target);
            return;
        }
        Entity built = buildEntity(record, context_);
        if (!hasFiniteCoordinates(built)) {
            context_.diagnostic(record.position, nonFiniteEntityNote(built));
            return;
        }
        std::vector<Entity>& list = entityList(target);
        list.push_back(std::move(built));
        const Entity& entity = list.back();
        if (holds<Polyline>(entity.data) &&
            dataOf<Polyline>(entity.data).kind != Polyline::Kind::Light) {
            openComplex(Open::Polyline, target);
            vertexDefaults_ = vertexDefaults(record);
        } else if (holds<Insert>(entity.data)) {
            openComplex(Open::Insert, target);
        }
    }

    // Viewports belong to the paper-space block they are drawn on; one anywhere else would
    // show model space inside itself.
    void addViewport(const EntityRecord& record, std::uint32_t target) {
        if (target == kModelSpace) {
            context_.diagnostic(record.position, "VIEWPORT in model space not drawn");
            return;
        }
        auto& viewports = context_.drawing().blocks[target].viewports;
        if (viewports.size() >= kMaxViewportsPerBlock) {
            context_.diagnostic(record.position, "VIEWPORT beyond the limit of a layout skipped");
            return;
        }
        viewports.push_back(readViewport(record, context_));
    }
    static constexpr std::size_t kMaxViewportsPerBlock = 4096;

    enum class Open : std::uint8_t { None, Polyline, Insert };

    void openComplex(Open kind, std::uint32_t target) {
        open_ = kind;
        openList_ = target;
        openIndex_ = entityList(target).size() - 1;
    }
    // A polyline's vertices and an insert's attributes come after it: it is checked whole.
    void closeComplex() {
        if (open_ != Open::None) {
            std::vector<Entity>& list = entityList(openList_);
            if (openIndex_ + 1 == list.size() && !hasFiniteCoordinates(list.back())) {
                context_.diagnostic(in_.position(), nonFiniteEntityNote(list.back()));
                list.pop_back();
            }
        }
        open_ = Open::None;
    }

    // The next record: a group 0 with the groups that follow it. Extended data and embedded
    // objects are left out; the model has no use for them.
    bool readRecord(EntityRecord& record) {
        if (replay_) {
            replay_ = false;
            record = last_;
            return true;
        }
        Group g;
        while (true) {
            if (!in_.next(g)) {
                if (!in_.error().empty())
                    failure();
                return false;
            }
            if (g.code == 0)
                break;
            if (!skippedNotice_) {
                context_.diagnostic(in_.position(), "group " + std::to_string(g.code) +
                                                        " before any record skipped");
                skippedNotice_ = true;
            }
        }
        sawRecord_ = true;
        record.position = in_.position();
        record.type = g.trimmed();
        groups_.clear();
        xdata_.clear();
        embedded_.clear();
        record.groups = groups_;
        record.xdata = xdata_;
        record.embedded = embedded_;
        // Some writers leave junk after the end marker.
        if (record.type == "EOF")
            return true;
        bool keep = true;
        bool embedded = false;
        while (in_.next(g)) {
            if (g.code == 0) {
                in_.unread(g);
                break;
            }
            if (g.code == 101)
                embedded = true;
            if (g.code >= 1000 && !embedded && xdata_.size() < kMaxExtendedData)
                xdata_.push_back(g);
            if (embedded && g.code != 101 && g.code < 1000 && embedded_.size() < kMaxExtendedData)
                embedded_.push_back(g);
            if (g.code == 101 || g.code >= 1000)
                keep = false;
            if (keep)
                groups_.push_back(g);
        }
        if (!in_.error().empty())
            failure();
        record.groups = groups_;
        record.xdata = xdata_;
        record.embedded = embedded_;
        last_ = record;
        return true;
    }

    // The stream stopped on malformed data. What was read before stays; a file that gave
    // nothing readable is reported by the caller.
    void failure() {
        if (failed_)
            return;
        failed_ = true;
        failurePosition_ = in_.position();
        context_.diagnostic(failurePosition_, in_.error() + "; reading stopped here");
    }

public:
    bool failed() const { return failed_; }
    const GroupPosition& failurePosition() const { return failurePosition_; }
    void setFileSize(std::size_t size) { fileSize_ = size; }

private:
    GroupStream& in_;
    DxfContext& context_;
    std::vector<Group> groups_;
    std::vector<Group> xdata_;
    std::vector<Group> embedded_;
    EntityRecord last_;
    bool replay_ = false;
    ModelerDataStore dataStore_;
    ClipRecords clips_;
    std::uint32_t currentBlock_ = kNoIndex;
    Open open_ = Open::None;
    std::uint32_t openList_ = kModelSpace;
    std::size_t openIndex_ = 0;
    VertexDefaults vertexDefaults_;
    std::size_t fileSize_ = 0;
    bool sawSection_ = false;
    bool sawRecord_ = false;
    bool skippedNotice_ = false;
    bool failed_ = false;
    GroupPosition failurePosition_;
};

} // namespace

Drawing readDxf(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    if (bytes.empty())
        throw ReadError(fileName, "the file is empty");
    Drawing drawing;
    drawing.format = FileFormat::Dxf;
    DxfContext context(drawing, fileName);
    auto source = makeGroupSource(bytes);
    GroupStream stream(*source);
    // Layer "0" exists in every drawing, whether the file lists it or not.
    context.layer("0");
    SectionReader reader(stream, context);
    reader.setFileSize(bytes.size());
    reader.read();
    finishLayouts(drawing);
    const bool nothingRead = drawing.modelSpace.empty() && drawing.blocks.empty() &&
                             drawing.header.version.empty() && drawing.layers.size() <= 1;
    if (!reader.sawSection() || (reader.failed() && nothingRead)) {
        const GroupPosition where = reader.failed() ? reader.failurePosition() : stream.position();
        const std::string why = reader.failed() ? stream.error() : "no SECTION found";
        throw ReadError(fileName, "not a readable DXF file: " + why + " at " + where.describe(),
                        where.byteOffset);
    }
    return drawing;
}

} // namespace vexor::cad::dxf
