#include "DwgReader.h"

#include "../model/ReadError.h"
#include "BitReader.h"
#include "DrawingBuilder.h"
#include "FileHeader.h"
#include "r12/PreR13Reader.h"
#include "r2004/Sections.h"
#include "r2007/Sections.h"

#include <cstring>
#include <memory>
#include <string_view>

namespace vexor::cad::dwg {
namespace {

struct OldRelease {
    const char* magic;
    const char* name;
};

// Version strings of the early releases that the pre-R13 reader (r12/) does not open.
constexpr OldRelease kOldReleases[] = {
    {"AC1.50", "R2.05"},
    {"AC1.2", "R1.2"},
};

// Checks the version string; returns the release for R13 and later files and throws for
// anything else.
DwgVersion checkVersion(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const std::string_view magic(reinterpret_cast<const char*>(bytes.data()),
                                 std::min<std::size_t>(bytes.size(), 6));
    for (const OldRelease& old : kOldReleases)
        if (magic.starts_with(old.magic))
            throw ReadError(fileName, "DWG version " + std::string(old.magic) + " (" + old.name +
                                          ") is not supported yet");
    const auto version = dwgVersionOf(magic);
    if (!version) {
        if (magic.starts_with("AC"))
            throw ReadError(fileName, "unknown DWG version " + std::string(magic));
        throw ReadError(fileName, "not a DWG file");
    }
    return *version;
}

constexpr std::size_t kMaintenanceReleaseOffset = 0x0B;

std::span<const std::uint8_t> sectionBytes(std::span<const std::uint8_t> file,
                                           const SectionLocator& s) {
    return file.subspan(s.offset, s.size);
}

// The sections of an R13-R2000 file: views into the file, located by the file header.
DwgSections locateSections(std::span<const std::uint8_t> file, DwgVersion version) {
    const FileHeader header = parseFileHeader(file);
    const auto variables = header.find(kSectionHeaderVariables);
    const auto objectMap = header.find(kSectionObjectMap);
    if (!variables)
        throw DwgFormatError("header variables section missing", 0x15, 0);
    if (!objectMap)
        throw DwgFormatError("object map missing", 0x15, 0);
    DwgSections s;
    s.version = version;
    s.versionName = std::string(reinterpret_cast<const char*>(file.data()), 6);
    s.codepage = header.codepage;
    s.maintenanceRelease = file[kMaintenanceReleaseOffset];
    s.headerVariables = sectionBytes(file, *variables);
    s.headerVariablesOffset = variables->offset;
    if (const auto classes = header.find(kSectionClasses)) {
        s.classes = sectionBytes(file, *classes);
        s.classesOffset = classes->offset;
    }
    s.objectMap = sectionBytes(file, *objectMap);
    s.objectMapOffset = objectMap->offset;
    s.objects = file;
    s.objectsOffset = 0;
    return s;
}

// An R2004-family or R2007 file: its sections decompressed into buffers that the views of
// `sections` point into, so the two live and move together.
struct PagedFile {
    r2004::Sections buffers;
    DwgSections sections;
};

std::unique_ptr<PagedFile> decompressSections(std::span<const std::uint8_t> file,
                                              DwgVersion version, const std::string& fileName) {
    auto out = std::make_unique<PagedFile>();
    out->buffers = version == DwgVersion::R2007 ? r2007::readSections(file, fileName)
                                                : r2004::readSections(file, fileName);
    const r2004::Sections& b = out->buffers;
    DwgSections& s = out->sections;
    s.version = version;
    s.versionName = b.version;
    // The fixed part of the file header still holds the code page where R13-R2000 keep it.
    s.codepage = file[0x13] | (file[0x14] << 8);
    s.maintenanceRelease = file[kMaintenanceReleaseOffset];
    // Positions in messages count within the decompressed section they name.
    s.headerVariables = b.header;
    s.classes = b.classes;
    s.objectMap = b.handles;
    s.objects = b.objects;
    s.containerDiagnostics = b.diagnostics;
    return out;
}

ReadError toReadError(const std::string& fileName, const DwgFormatError& e) {
    return ReadError(fileName, e.what(), e.byteOffset(), e.bit());
}

// Positions in the decompressed sections of an R2004-family file are no file offsets; the
// object map is the one section whose damage ends the read.
ReadError toPagedReadError(const std::string& fileName, const DwgFormatError& e) {
    return ReadError(fileName, std::string(e.what()) + " (byte " + std::to_string(e.byteOffset()) +
                                   " of the decompressed object map)");
}

} // namespace

Drawing readDwg(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    if (r12::isPreR13(bytes))
        return r12::readPreR13Dwg(bytes, fileName);
    const DwgVersion version = checkVersion(bytes, fileName);
    if (version >= DwgVersion::R2004) {
        try {
            return buildDrawing(decompressSections(bytes, version, fileName)->sections);
        } catch (const DwgFormatError& e) {
            throw toPagedReadError(fileName, e);
        }
    }
    try {
        return buildDrawing(locateSections(bytes, version));
    } catch (const DwgFormatError& e) {
        throw toReadError(fileName, e);
    }
}

std::vector<LayerTableEntry> readDwgLayerTable(std::span<const std::uint8_t> bytes,
                                               const std::string& fileName,
                                               std::vector<Block>* references) {
    if (r12::isPreR13(bytes))
        return r12::readPreR13LayerTable(bytes, fileName);
    const DwgVersion version = checkVersion(bytes, fileName);
    if (version >= DwgVersion::R2004) {
        try {
            return buildLayerTable(decompressSections(bytes, version, fileName)->sections,
                                   references);
        } catch (const DwgFormatError& e) {
            throw toPagedReadError(fileName, e);
        }
    }
    try {
        return buildLayerTable(locateSections(bytes, version), references);
    } catch (const DwgFormatError& e) {
        throw toReadError(fileName, e);
    }
}

} // namespace vexor::cad::dwg
