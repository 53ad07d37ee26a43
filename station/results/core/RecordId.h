// Record ids (UUID version 4) and the names of a record's files in the spool.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx" in lower case from 16 random bytes, with the version and
// variant bits set.
std::string FormatUuidV4(const std::array<uint8_t, 16>& random);
// A UUID in its canonical lower-case form (any version): what a record's id and file name hold.
bool IsRecordId(std::string_view text);

// "<id>.json": a finished record.
std::string RecordFileName(std::string_view id);
// "<id>.tmp": a record being written; it never counts as a record.
std::string TempFileName(std::string_view id);
// The id of a finished record's file name; nothing for any other name (temporary files, answers
// of the service, files the station did not write).
std::optional<std::string> RecordIdOfFileName(std::string_view name);
// Whether the name is a record being written.
bool IsTempFileName(std::string_view name);
