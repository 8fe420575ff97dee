#include "conversion/ConversionRun.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "conversion/ConversionTexts.h"
#include "conversion/PlainValues.h"
#include "conversion/TargetFile.h"
#include "conversion/TextCodePage.h"
#include "conversion/TextFile.h"
#include "conversion/TextWatch.h"
#include "conversion/TranslateEvent.h"
#include "conversion/TypedSchema.h"
#include "conversion/TypedValues.h"
#include "conversion/XmlText.h"
#include "dbf/Dbf.h"
#include "dbf/DbfErrors.h"
#include "dbf/FieldNames.h"
#include "platform/CodePages.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/TextDecoder.h"
#include "platform/Unicode.h"

namespace korvane {

TableOwner::TableOwner() = default;
TableOwner::~TableOwner() = default;

dbf::TDbf& TableOwner::CreateTable() {
    FTables.push_back(std::make_unique<dbf::TDbf>());
    return *FTables.back();
}

void TableOwner::ReleaseAll() {
    FTables.clear();
}

void TableOwner::ReleaseTable(dbf::TDbf& table) {
    std::erase_if(FTables, [&](const std::unique_ptr<dbf::TDbf>& t) { return t.get() == &table; });
}

namespace {

constexpr std::size_t kOutputBufferSize = 64 * 1024;

const char* SchemaTypeName(int fieldType, std::string& scratch) {
    switch (fieldType) {
        case ftString:
            return "string";
        case ftSmallint:
        case ftInteger:
            return "integer";
        case ftFloat:
            return "float";
        default:
            scratch = "unknown_" + std::to_string(fieldType);
            return scratch.c_str();
    }
}

std::u16string Number(std::int64_t v) {
    return platform::Widen(std::to_string(v));
}

// `names`, when given, are the field names decoded from a code page the user asked for; else
// each name goes out as its own bytes read as Windows-1250.
void WriteSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>* names) {
    WriteLineStatement(out, u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    WriteLineStatement(out, u"<table>");
    WriteLineStatement(out, u"   <xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">");
    WriteLineStatement(out, u"      <xs:element name=\"row\">");
    WriteLineStatement(out, u"      <xs:complexType>");
    dbf::TDbfFieldDefs* defs = table.GetDbfFieldDefs();
    const int count = static_cast<int>(table.FieldDefs().size());
    std::string scratch;
    for (int i = 0; i < count; ++i) {
        const dbf::TDbfFieldDef& def = defs->Items(i);
        if (names) {
            WriteLineStatement(out, u"         <xs:attribute name=\"" + (*names)[static_cast<std::size_t>(i)] + u"\">");
        } else {
            // The name goes out as its own bytes read as Windows-1250.
            const std::string line = "         <xs:attribute name=\"" + def.FieldName + "\">";
            Write0LString(out, {line, 1250});
            WriteLn(out);
            IOTest();
        }
        WriteLineStatement(out, u"            <xs:simpleType>");
        const char* type = SchemaTypeName(def.FieldType, scratch);
        WriteLineStatement(out, u"               <xs:restriction base=\"xs:" + platform::Widen(type) + u"\">");
        switch (def.FieldType) {
            case ftSmallint:
            case ftInteger:
                WriteLineStatement(out, u"                  <xs:totalDigits value=\"" + Number(def.Size) + u"\"/>");
                break;
            case ftFloat:
                WriteLineStatement(out, u"                  <xs:totalDigits value=\"" + Number(def.Size) + u"\"/>");
                WriteLineStatement(out, u"                  <xs:fractionDigits value=\"" + Number(def.Precision) + u"\"/>");
                break;
            default:
                WriteLineStatement(out, u"                  <xs:maxLength value=\"" + Number(def.Size) + u"\"/>");
                break;
        }
        WriteLineStatement(out, u"               </xs:restriction>");
        WriteLineStatement(out, u"            </xs:simpleType>");
        WriteLineStatement(out, u"         </xs:attribute>");
    }
    WriteLineStatement(out, u"      </xs:complexType>");
    WriteLineStatement(out, u"      </xs:element>");
    WriteLineStatement(out, u"   </xs:schema>");
}

// The decoder for the code page the user asked for; a table that declares none Korvane can
// decode fails, naming the file that declares it.
std::unique_ptr<platform::TextDecoder> TextDecoderFor(const CodePageRequest& request, dbf::TDbf& table,
                                                      ConversionReport& report) {
    std::uint32_t number = request.number;
    if (request.fromTable) {
        const DeclaredCodePage declared = TableCodePage(table);
        report.failedFile = declared.declaredBy;
        report.passedOverCodePageFile = declared.passedOver;
        report.passedOverCodePageText = declared.passedOverText;
        number = declared.number;
    }
    std::unique_ptr<platform::TextDecoder> decoder = platform::TextDecoder::For(number);
    if (!decoder)
        throw Exception("declares code page " + std::to_string(number) +
                        ", which Korvane cannot decode; name the code page its text is in with --code-page N");
    report.failedFile.clear();
    return decoder;
}

// Field names decoded from their stored bytes; only then are ASCII letters upper-cased, so
// that the trail bytes of double-byte names stay as they are.
std::vector<std::u16string> DecodedFieldNames(dbf::TDbf& table, platform::TextDecoder& decoder) {
    std::vector<std::u16string> read;
    const dbf::TDbfFieldDefs& defs = *table.GetDbfFieldDefs();
    for (int i = 0; i < defs.Count(); ++i) {
        const std::string& stored = defs.Items(i).StoredName;
        std::u16string name;
        decoder.Decode({reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()}, name);
        for (char16_t& c : name)
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        read.push_back(std::move(name));
    }
    return dbf::XmlFieldNames(read);
}

// What the run looks for in the stored text: high bytes where the table declares a code page
// other than 1250 and 852, UTF-8 where it declares none; nothing where the user named one.
TextWatch WatchFor(const CodePageRequest& request, dbf::TDbf& table, ConversionReport& report) {
    if (request.Active()) return TextWatch();
    const DeclaredCodePage declared = TableCodePage(table);
    if (declared.none) return TextWatch(TextWatch::Looks::ForUtf8);
    if (declared.number == 0 || declared.number == 1250 || declared.number == 852) return TextWatch();
    report.declaredCodePage = declared.number;
    return TextWatch(TextWatch::Looks::ForHighBytes);
}

// The file that a reader's read or write failure is about (the memo file, say).
void NoteFailedFile(const Exception& e, ConversionReport& report) {
    if (const auto* file = dynamic_cast<const dbf::EPagedFile*>(&e)) report.failedFile = file->FileName;
}

// The file is closed however the run ends; a failing close is the error that travels on.
// A file that was never opened is not closed, so its own failure is the one reported.
void CloseAfterFailure(TTextRec& out) {
    if (out.Mode == TextMode::Closed) return;
    Close(out);
    IOTest();
}

// The target must not be the table or one of its companion files, nor any file of a table.
void RefuseTargetThatIsSource(const std::string& target, bool standardOutput, dbf::TDbf& table) {
    // Whether it exists or not: a document under such a name is later taken for the table's own.
    if (!standardOutput && dbf::IsTableFileName(target)) throw Exception(texts::kTargetIsSource);
    std::uint64_t device = 0, inode = 0;
    if (standardOutput) {
        if (!platform::StandardOutputIdentity(device, inode)) throw Exception(texts::kStandardOutputClosed);
    } else if (!platform::PathIdentity(target, device, inode)) {
        return;
    }
    if (!table.Files->OfSystem()) return;  // tables in memory are no files of the system
    for (const std::string& source : {table.PhysicalFileName(), table.MemoFileName(), table.IndexFileName()}) {
        std::uint64_t d = 0, n = 0;
        if (!source.empty() && platform::PathIdentity(source, d, n) && d == device && n == inode)
            throw Exception(texts::kTargetIsSource);
    }
}

}  // namespace

std::string FinishedRunMessage(const ConversionReport& report) {
    std::string message;
    const auto add = [&](const std::string& line) { message += (message.empty() ? "" : "\n") + line; };
    if (report.recordsAtOpen < report.headerRecords)
        add(dbf::FormatMessage(texts::kTableCutShort,
                               {std::to_string(report.headerRecords), std::to_string(report.recordsAtOpen)}));
    for (const auto& [problem, text] : {std::pair{ValueProblem::Unreadable, texts::kUnreadableValues},
                                        std::pair{ValueProblem::MemoCut, texts::kMemoValuesCut}}) {
        const ValueIssue& issue = report.Values(problem);
        if (issue.count > 0)
            add(dbf::FormatMessage(text, {std::to_string(issue.count), std::to_string(issue.record), issue.field, issue.detail}));
    }
    return message;
}

bool RunConversion(IConversionView& view, TableOwner& owner, const std::string& tablePath, const std::string& targetPath,
                   const ConversionOptions& options, ConversionReport* reportOut) {
    ConversionReport own;
    ConversionReport& report = reportOut ? *reportOut : own;
    report = {};
    view.SetVisible(Control::b_OpenDBF, false);
    view.SetVisible(Control::b_XML, false);
    view.SetVisible(Control::b_Run, false);
    view.SetVisible(Control::l_Info, true);
    view.SetVisible(Control::Gauge, true);
    view.SetText(Control::l_Info, texts::kTableOpening);
    view.SetGaugeProgress(0);

    dbf::TDbf& table = owner.CreateTable();
    table.Settings = options.settings;
    table.OnTranslate = [](dbf::TDbf&, const std::uint8_t* source, std::uint8_t* dest, bool toOem) {
        return TranslateEvent(source, dest, toOem);
    };
    table.ReadOnly = options.readOnly;
    table.Exclusive = options.exclusive;
    table.ReadAhead = options.readAhead;
    if (options.files) table.Files = options.files;
    table.SetTableName(tablePath);
    try {
        table.Open();
    } catch (const Exception& e) {
        NoteFailedFile(e, report);
        view.ShowMessage(std::string(texts::kOpenDbfPrefix) + e.Message());
    }
    if (!table.Active()) {
        owner.ReleaseTable(table);
        return false;
    }
    report.memoFileName = table.MemoFileName();
    report.memoMissing = table.MemoFileMissing();
    const dbf::TDbfFile::RecordLengths& lengths = table.DbfFile()->RecordLength();
    report.headerRecordLength = lengths.header;
    report.fieldsRecordLength = lengths.fields;
    report.fieldsLengthUsed = lengths.fieldsUsed;
    report.headerRecords = table.DbfFile()->StoredRecordCount();
    report.recordsAtOpen = table.DbfFile()->OpenRecordCount();
    report.recordCountCorrected = table.DbfFile()->RecordCountCorrected();
    // Text in a code page the user asked for: values, memos and names decoded from it.
    std::unique_ptr<platform::TextDecoder> decoder;
    std::vector<std::u16string> decodedNames;
    if (options.codePage.Active()) {
        decoder = TextDecoderFor(options.codePage, table, report);
        decodedNames = DecodedFieldNames(table, *decoder);
    }
    if (options.check) options.check(report);
    const std::vector<std::u16string>* names = decoder ? &decodedNames : nullptr;

    view.SetText(Control::l_Info, texts::kOk);
    view.SetText(Control::l_Info, texts::kXmlOpening);
    TTextRec out;
    std::vector<char> buffer(kOutputBufferSize);
    // Declared after the buffer it writes from and before the file: however the run ends,
    // an unfinished temporary document is removed and the target stays as it was.
    TTargetFile target(options.targetSeam);
    try {
        if (options.sweepTemporaries && !options.standardOutput)
            RemoveStaleTemporaries(platform::ExtractFilePath(targetPath), {platform::ExtractFileName(targetPath)});
        AssignText(out, targetPath, platform::kCodePageUtf8, options.settings);
        IOTest();
        RefuseTargetThatIsSource(targetPath, options.standardOutput, table);
        // A larger buffer of our own: one system call per 64 KiB instead of per 128 bytes.
        SetTextBuf(out, buffer.data(), buffer.size());
        if (options.standardOutput)
            target.RewriteStandardOutput(out);
        else
            target.Rewrite(out);
        IOTest();
        view.SetText(Control::l_Info, texts::kWritingStructure);
        // The attribute names: decoded in the code page the user asked for, else the field
        // objects' names.
        std::vector<std::u16string> attributeNames;
        if (names)
            attributeNames = *names;
        else
            for (const auto& field : table.Fields()) attributeNames.push_back(field->FieldName);
        if (options.typed) {
            WriteTypedSchema(out, table, attributeNames, decoder.get());
        } else {
            WriteSchema(out, table, names);
        }

        view.SetGaugeRange(0, table.RecordCount());
        view.SetGaugeProgress(0);
        // One of the two writers, made once per run.
        // Text read as Windows-1250 although the table says otherwise is looked for, so that
        // the user can be told.
        TextWatch watch = WatchFor(options.codePage, table, report);
        std::optional<RowWriter> writer;
        std::optional<TypedRowWriter> typedWriter;
        if (options.typed)
            typedWriter.emplace(table, decoder.get(), attributeNames, &watch, options.generalValues);
        else
            writer.emplace(table, decoder.get(), attributeNames, &watch);
        while (!table.Eof()) {
            ++report.rows;
            view.SetRecordNumber(table.RecNo());
            view.SetGaugeProgress(report.rows);
            if (typedWriter)
                typedWriter->Write(out, table, report);
            else
                writer->Write(out, table, report);
            table.Next();
        }
        report.textInDeclaredCodePage = report.declaredCodePage != 0 && watch.SawHighBytes();
        report.textInUtf8 = watch.SawUtf8();
        report.records = table.RecordsRead();
        report.tableShrank = table.TableShrank();
        report.tableEnd = table.RecordCount();
        report.slotsBehindEnd = table.DbfFile()->SlotsBehindEnd();
        // Decided before the document is ended: a stream that fails has no closing tag.
        if (options.check) options.check(report);
        WriteLineStatement(out, u"</table>");
    } catch (const Exception& e) {
        CloseAfterFailure(out);
        NoteFailedFile(e, report);
        throw;
    } catch (...) {
        CloseAfterFailure(out);
        throw;
    }
    Close(out);
    IOTest();
    target.Commit();
    IOTest();

    table.Close();
    owner.ReleaseTable(table);

    view.SetVisible(Control::b_OpenDBF, true);
    view.SetVisible(Control::b_XML, false);
    view.SetVisible(Control::b_Run, false);
    view.SetVisible(Control::l_Info, true);
    view.SetVisible(Control::l_XML, false);
    view.SetVisible(Control::Gauge, false);
    view.SetText(Control::l_Info, texts::kDone);
    view.SetText(Control::l_DBF, texts::kChooseNext);
    return true;
}

}  // namespace korvane
