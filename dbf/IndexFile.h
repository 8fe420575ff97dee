// The production index (.mdx): opened with the table and accepted; never read or written.
#pragma once

#include "dbf/PagedFile.h"

namespace korvane::dbf {

class TIndexFile : public TPagedFile {
public:
    void Open() { OpenFile(); }
    void Close() { CloseFile(); }
    // An index file whose open found it unusable is released by the table.
    bool ForceClose() const { return false; }
};

}  // namespace korvane::dbf
