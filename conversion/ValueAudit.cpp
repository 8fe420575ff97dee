#include "conversion/ValueAudit.h"

#include <cstdio>

#include "dbf/Dbf.h"
#include "dbf/NumberText.h"

namespace korvane {

ValueAudit::ValueAudit(dbf::TDbf& table, std::vector<std::string> names) : FTable(table), FNames(std::move(names)) {}

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
