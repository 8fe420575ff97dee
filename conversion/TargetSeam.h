// What tests see and change of how a document takes its target's place.
#pragma once

#include <cstdint>
#include <functional>

namespace korvane {

// The steps of a replacement, for tests to see which way a document took.
enum class TargetStep {
    TemporaryUnnamed,    // written to a file without a name in the target's folder
    TemporaryNamed,      // written to a named temporary file in the target's folder
    TemporaryElsewhere,  // written to a named temporary file in $TMPDIR (or /tmp)
    DocumentSynced,      // the finished document is on the disk
    Replacing,           // signals are held back from here to the end of the replacement
    Renamed,             // the document took the target's name
    FolderSynced,        // and the folder's entry is on the disk
    CopiedOver,          // the document's bytes were copied over the target, which is on the disk
};
// What tests watch and change of a replacement; the default changes nothing.
struct TargetSeam {
    std::function<void(TargetStep)> observer;
    bool noUnnamed = false;         // as on a file system that has no unnamed files
    std::int64_t copyFailsAt = -1;  // a copy over a target fails at this byte, as on a full disk
};

}  // namespace korvane
