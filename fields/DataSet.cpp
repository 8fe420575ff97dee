#include "fields/DataSet.h"

#include "fields/DatabaseError.h"
#include "fields/FieldFactory.h"

namespace korvane {

void TDataSet::SetActive(bool value) {
    if (value == FActive) return;
    if (value)
        OpenDataSet();
    else
        CloseDataSet();
}

void TDataSet::OpenDataSet() {
    InternalOpen();
    // The dataset is open from here on, even when the first fetch fails.
    FActive = true;
    FEof = true;
    FBof = true;
    FRecordsHeld = 0;
    FActiveIndex = 0;
    for (auto& b : FBuffers) b.Data.assign(RecordBufferSize(), 0);
    if (GetRecord(FBuffers[0], gmNext, true) == grOK) {
        FRecordsHeld = 1;
        FEof = false;
    }
}

void TDataSet::CloseDataSet() {
    FActive = false;
    FEof = true;
    FBof = true;
    FRecordsHeld = 0;
    for (auto& b : FBuffers) b.Data = {};
    InternalClose();
}

void TDataSet::Next() {
    if (!FActive) throw EDatabaseError(SDataSetClosed);
    if (FEof) return;
    FBof = false;
    FEof = false;
    // Not at the end means a record is held: the other buffer is the spare one.
    const int spare = 1 - FActiveIndex;
    if (GetRecord(FBuffers[spare], gmNext, true) == grOK) {
        FActiveIndex = spare;
        FRecordsHeld = 1;
    } else {
        FEof = true;
    }
}

std::span<const std::uint8_t> TDataSet::CurrentRecord() const {
    if (!FActive || FRecordsHeld == 0) return {};
    return FBuffers[FActiveIndex].Data;
}

std::vector<std::uint8_t>& TDataSet::ScratchBuffer(std::size_t size) {
    if (FScratch.size() < size) FScratch.resize(size);
    return FScratch;
}

void TDataSet::CreateFields() {
    FFields.clear();
    int number = 1;
    for (const TFieldDef& def : FFieldDefs) {
        if (def.Attributes & faHiddenCol) {
            ++number;
            continue;
        }
        auto field = CreateFieldForDef(def);
        field->FieldNo = number++;
        field->DataSet = this;
        FFields.push_back(std::move(field));
    }
}

}  // namespace korvane
