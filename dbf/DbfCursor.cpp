#include "dbf/DbfCursor.h"

#include "dbf/DbfFile.h"

namespace korvane::dbf {

int TVirtualCursor::RecordSize() const {
    return PagedFile ? PagedFile->RecordSize() : 0;
}

std::int64_t TDbfCursor::GetSequentialRecordCount() {
    return PagedFile->GetRecordCount();
}

bool TDbfCursor::Next() {
    if (PagedFile->IsRecordPresent(FPhysicalRecNo)) {
        ++FPhysicalRecNo;
        return PagedFile->IsRecordPresent(FPhysicalRecNo);
    }
    FPhysicalRecNo = PagedFile->CachedRecordCount() + 1;
    return false;
}

bool TDbfCursor::Prev() {
    if (FPhysicalRecNo > 0) --FPhysicalRecNo;
    return FPhysicalRecNo > 0 && PagedFile->IsRecordPresent(FPhysicalRecNo);
}

void TDbfCursor::Last() {
    FPhysicalRecNo = PagedFile->GetRecordCount() + 1;
}

}  // namespace korvane::dbf
