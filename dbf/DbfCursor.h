// Record cursors: the physical-order cursor over a table file.
#pragma once

#include <cstdint>

namespace korvane::dbf {

class TDbfFile;

class TVirtualCursor {
public:
    explicit TVirtualCursor(TDbfFile* file) : PagedFile(file) {}
    virtual ~TVirtualCursor() = default;

    int RecordSize() const;

    virtual std::int32_t GetPhysicalRecNo() = 0;
    virtual std::int64_t GetSequentialRecNo() = 0;
    virtual std::int64_t GetSequentialRecordCount() = 0;
    virtual void SetPhysicalRecNo(std::int32_t n) = 0;
    virtual void SetSequentialRecNo(std::int64_t n) = 0;
    virtual bool Next() = 0;
    virtual bool Prev() = 0;
    virtual void First() = 0;
    virtual void Last() = 0;

    TDbfFile* PagedFile;
};

// Walks the records in file order; position 0 is before the first record.
class TDbfCursor : public TVirtualCursor {
public:
    using TVirtualCursor::TVirtualCursor;

    std::int32_t GetPhysicalRecNo() override { return FPhysicalRecNo; }
    std::int64_t GetSequentialRecNo() override { return FPhysicalRecNo; }
    std::int64_t GetSequentialRecordCount() override;
    void SetPhysicalRecNo(std::int32_t n) override { FPhysicalRecNo = n; }
    void SetSequentialRecNo(std::int64_t n) override { FPhysicalRecNo = static_cast<std::int32_t>(n); }
    bool Next() override;
    bool Prev() override;
    void First() override { FPhysicalRecNo = 0; }
    void Last() override;

private:
    std::int32_t FPhysicalRecNo = 0;
};

}  // namespace korvane::dbf
