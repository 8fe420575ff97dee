// Where a run's document goes, and when it takes the target's place.
#pragma once

#include <memory>
#include <string>

#include "conversion/TextFile.h"

namespace korvane {

// A target that does not exist yet, or a regular file with a single link, is replaced only by
// a finished document: the run writes into a new temporary file in the folder of the file that
// will be replaced and renames it onto that file once the last byte is written and the file
// closed. A failed run leaves the target exactly as it was. A symbolic link stays a link (the
// file it points to is replaced), an existing file keeps its permission bits, and a file the
// user may not write is refused as creating it would be. Devices, pipes, files with several
// links and targets whose folder takes no new file are written in place.
class TTargetFile {
public:
    TTargetFile() = default;
    ~TTargetFile();  // removes a temporary file that was not committed
    TTargetFile(const TTargetFile&) = delete;
    TTargetFile& operator=(const TTargetFile&) = delete;

    // Opens `t`, assigned to the target's path, for output; a failure is left as the pending
    // I/O code, as RewritText leaves it.
    void Rewrite(TTextRec& t);
    // Opens `t` on standard output as it is: never reopened, truncated or renamed.
    void RewriteStandardOutput(TTextRec& t);
    // After the document was written and closed without error: it takes the target's place.
    // A failure is left as the pending I/O code and the temporary file is removed.
    void Commit();
    // Removes the temporary file of a document that will not be finished.
    void Discard() noexcept;

private:
    bool CreateTemporary(const std::string& final, unsigned mode, std::unique_ptr<platform::IByteFile>& handle);

    std::string FTemporary;
    std::string FFinal;
};

}  // namespace korvane
