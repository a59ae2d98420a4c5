#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace vexor::cad {

// How far files a drawing refers to (other drawings, raster images, underlays) are followed.
// A program sets it once, before it reads a drawing; the viewer keeps the defaults.
struct ReferencePolicy {
    // Only files inside the folder of the drawing first read, or its subfolders (a preview
    // of a downloaded file must not read the user's other files). The user's search folders
    // are then not used either.
    bool confineToDrawingFolder = false;
    // At most this many referenced drawings are read for one drawing.
    std::size_t maxReferencedDrawings = std::numeric_limits<std::size_t>::max();
};
void setReferencePolicy(const ReferencePolicy& policy);
const ReferencePolicy& referencePolicy();

// The folders a user keeps referenced drawings in: the key `ReferencePaths` of
// `$XDG_CONFIG_HOME/vexor/vexor.conf` (default ~/.config), then the environment variable
// `VEXOR_REFERENCE_PATH`; each a list of folders separated by ':'.
std::vector<std::string> userReferenceFolders();

struct ReferenceSearch {
    std::string drawingPath;          // the drawing that holds the reference
    std::vector<std::string> folders; // further folders for the bare file name
    std::string confineTo;            // when set, only files inside this folder are taken
};

// The search for references held by `holder` while loading `drawing` (the file first read),
// under the process's policy: confined to `drawing`'s folder, or with the user's folders.
ReferenceSearch searchUnderPolicy(const std::string& holder, const std::string& drawing);

// Where a referenced file is on this machine, first hit wins: the stored path as it is
// (absolute), relative to the folder of the drawing holding it (backslashes separate folders
// too; a Windows drive letter or UNC path is never a local path), the bare file name in that
// folder, then in each search folder. Names are matched exactly, then ignoring case (files
// made on Windows). Only regular files are taken, never a device, a FIFO or a socket.
// `file` is empty when nothing was found; `problem` then says why when it was more than
// absence (a symbolic-link loop, a file outside the allowed folder).
struct FoundFile {
    std::string file;
    std::string problem;
};
FoundFile locateReferencedFile(const std::string& stored, const ReferenceSearch& search);

// The same for raster images and shape fonts, searched beside `drawingPath` and in the user's
// folders, under the process's policy (confined to the drawing's folder when it says so).
// Empty when none exists.
std::string findReferencedFile(const std::string& stored, const std::string& drawingPath);

// The last component of a stored path, whichever separator it uses.
std::string referencedFileName(const std::string& stored);

} // namespace vexor::cad
