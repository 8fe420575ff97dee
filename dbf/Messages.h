// The table reader's messages.
#pragma once

namespace korvane::dbf {

inline constexpr const char* STRING_FILE_NOT_FOUND = "Open: file not found: \"%s\".";
inline constexpr const char* STRING_READ_ERROR = "Error while reading occured.";
inline constexpr const char* STRING_WRITE_ERROR = "Error while writing occurred. (Disk full?)";
inline constexpr const char* STRING_INVALID_DBF_FILE = "Invalid DBF file.";
inline constexpr const char* STRING_INVALID_FIELD_COUNT = "Invalid field count: %d (must be between 1 and 4095).";
inline constexpr const char* STRING_INVALID_MDX_FILE = "Invalid MDX file.";
inline constexpr const char* STRING_PARSER_UNKNOWN_FIELD = "Unknown field \"%s\".";
inline constexpr const char* STRING_PARSER_INVALID_FIELDTYPE = "Invalid field type for field '%s'.";
inline constexpr const char* STRING_INDEX_EXPRESSION_TOO_LONG = "Index result for \"%s\" too long, >100 characters (%d).";
inline constexpr const char* STRING_INVALID_INDEX_TYPE = "Invalid index type: can only be string or float.";
inline constexpr const char* STRING_KEY_VIOLATION =
    "Key violation. (Key already present in file).\r\nIndex: %s\r\nRecord=%d Key='%s'.";
inline constexpr const char* STRING_WRITE_INDEX_ERROR = "Error while writing occurred; indexes probably corrupted. (Disk full?)";
inline constexpr const char* STRING_RECORD_LOCKED = "Record locked.";
inline constexpr const char* STRING_INVALID_FIELD_TYPE = "Invalid field type '%s' for field '%s'.";
inline constexpr const char* STRING_TOO_MANY_INDEXES = "Can not create index: too many indexes in file.";
inline constexpr const char* STRING_INDEX_NOT_EXIST = "Index \"%s\" does not exist.";
inline constexpr const char* STRING_NEED_EXCLUSIVE_ACCESS = "Exclusive access is required for this operation.";
inline constexpr const char* STRING_PROGRESS_PACKINGRECORDS = "Packing records";
inline constexpr const char* STRING_PROGRESS_READINGRECORDS = "Reading records";
inline constexpr const char* STRING_PROGRESS_SORTING_RECORDS = "Sorting records";
inline constexpr const char* STRING_PROGRESS_WRITING_RECORDS = "Writing records";
inline constexpr const char* STRING_PROGRESS_APPENDINGRECORDS = "Appending records";

inline constexpr const char* SFOpenError = "Cannot open file \"%s\". %s";

}  // namespace korvane::dbf
