#include "conversion/ValueAudit.h"

#include <cstdio>

#include "dbf/Dbf.h"
#include "dbf/DbfFile.h"
#include "dbf/MemoFile.h"
#include "dbf/NumberText.h"

namespace korvane {

ValueAudit::ValueAudit(dbf::TDbf& table, std::vector<std::string> names) : FTable(table), FNames(std::move(names)) {
    if (dbf::TMemoFile* memo = table.DbfFile() ? table.DbfFile()->MemoFile() : nullptr)
        memo->OnCut = [this](std::int32_t block) { MemoCut(block); };
}

ValueAudit::~ValueAudit() {
    if (dbf::TMemoFile* memo = FTable.DbfFile() ? FTable.DbfFile()->MemoFile() : nullptr) memo->OnCut = nullptr;
}

void ValueAudit::MemoCut(std::int32_t block) {
    const int record = FTable.RecNo();
    if (record == FCutRecord && block == FCutBlock) return;
    FCutRecord = record;
    FCutBlock = block;
    // The field is the memo field of the current record that refers to the block.
    dbf::TDbfFile& file = *FTable.DbfFile();
    const std::span<const std::uint8_t> current = FTable.CurrentRecordBytes();
    std::size_t field = FNames.size();
    for (int i = 0; i < file.FieldDefs().Count() && field == FNames.size(); ++i) {
        std::int32_t refers = 0;
        if (file.FieldDefs().Items(i).IsBlob() && file.GetFieldData(i, ftInteger, current, &refers, false) && refers == block)
            field = static_cast<std::size_t>(i);
    }
    Note(ValueProblem::MemoCut, field, std::to_string(block));
}

std::string ValueAudit::Quoted(std::span<const std::uint8_t> bytes) {
    std::string text = "'";
    for (const std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F) {
            text += static_cast<char>(b);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", b);
            text += code;
        }
    }
    return text + "'";
}

void ValueAudit::Note(ValueProblem problem, std::size_t i, const std::string& detail) {
    if (!FReport) return;
    ValueIssue& issue = FReport->Values(problem);
    if (issue.count++ > 0) return;
    issue.record = FTable.RecNo();
    issue.field = i < FNames.size() ? FNames[i] : std::string();
    issue.detail = detail;
}

void ValueAudit::TimeStamp(std::size_t i, const dbf::InvalidTimeStamp& stamp) {
    Note(ValueProblem::Unreadable, i, dbf::InvalidTimeStampBytes(stamp));
}

void ValueAudit::NumberWithoutValue(std::size_t i, std::span<const std::uint8_t> field) {
    const std::span<const std::uint8_t> text = dbf::TrimmedText(field, ftFloat);
    if (text.empty() || dbf::IsBlankNumberText(text.data(), text.size())) return;
    double value = 0;
    if (dbf::ParseDecimal(text.data(), text.size(), value)) return;
    Note(ValueProblem::Number, i, Quoted(text));
}

void ValueAudit::Date(std::size_t i, std::span<const std::uint8_t> text) {
    Note(ValueProblem::Date, i, Quoted(text));
}

}  // namespace korvane
