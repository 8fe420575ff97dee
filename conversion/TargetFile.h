// Where a run's document goes, and when it takes the target's place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "conversion/TargetSeam.h"
#include "conversion/TextFile.h"
#include "platform/File.h"
#include "platform/SignalCleanup.h"

namespace korvane {

// No target that is a regular file is touched before its document is finished. The document
// is written to a temporary file (in the target's folder where it takes one, else in $TMPDIR
// or /tmp), written through to the disk, and then takes the target's place:
// - a target that does not exist yet, or a single-link file in a folder that takes a new file,
//   by rename; the temporary file has no name until then where the file system allows it, so
//   that a run killed outright leaves nothing behind;
// - any other regular file (several links, a folder that takes no new file) by copying the
//   document's bytes over it in place, so that its links and its folder stay as they are; only
//   a failure during that copy can leave it incomplete, and the message then names the
//   complete document that is kept.
// A symbolic link stays a link (the file it points to is replaced); an existing file keeps its
// permission bits and, where the process may set them, its owner and group; a file the user may
// not write is refused. Devices and pipes are written in place as a stream.
class TTargetFile {
public:
    explicit TTargetFile(TargetSeam seam = {}) : FSeam(std::move(seam)) {}
    ~TTargetFile();  // removes a temporary file that was not committed
    TTargetFile(const TTargetFile&) = delete;
    TTargetFile& operator=(const TTargetFile&) = delete;

    // Opens `t`, assigned to the target's path, for output; a failure is left as the pending
    // I/O code, as RewritText leaves it.
    void Rewrite(TTextRec& t);
    // Opens `t` on standard output as it is: never reopened, truncated or renamed.
    void RewriteStandardOutput(TTextRec& t);
    // After the document was written and closed without error: it takes the target's place,
    // with SIGINT, SIGTERM and SIGHUP held back meanwhile. A failure is left as the pending I/O
    // code and the temporary file is removed; a copy over the target that fails half-way raises
    // EInOutError naming the complete document, which is kept.
    void Commit();
    // Removes the temporary file of a document that will not be finished.
    void Discard() noexcept;

private:
    enum class Replace { None, Rename, CopyOver };
    bool CreateNamed(const std::string& folder, const std::string& name, unsigned mode);
    bool CreateUnnamed(const std::string& folder, unsigned mode);
    void CommitByRename();
    void CommitByCopy();
    // Opens and locks the target a copy goes over; another run's lock raises EInOutError.
    void HoldTarget(const std::string& final);

    void Tell(TargetStep step) const {
        if (FSeam.observer) FSeam.observer(step);
    }

    TargetSeam FSeam;
    platform::CleanupSlot FCleanup;  // what a signal removes or waits for
    Replace FReplace = Replace::None;
    platform::File FDocument;  // the temporary file, our own handle beside the run's
    std::string FTemporary;    // its name; empty while it has none
    std::string FFinal;
    platform::PathStatus FOld;  // the target as it was
    platform::File FTarget;     // a target copied over, locked from the start to the end of the copy
};

// Removes the temporary files that runs killed outright left in `folder` for targets named
// `names` (hidden .NAME.XXXXXXXX.tmp files that no living run holds locked).
void RemoveStaleTemporaries(const std::string& folder, const std::vector<std::string>& names);

}  // namespace korvane
