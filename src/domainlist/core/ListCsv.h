#pragma once

#include "ListFile.h"

#include <string>
#include <string_view>

// A list as CSV (RFC 4180, UTF-8): a header line naming the fields, then a record a line.

std::string CsvListHeader();
void AppendCsvRecord(std::string& out, const ListRecord& record);

// Reads `text` as CSV when its first line is a header of ours: it names "name" and one more of
// the fields, in any order and letter case, and nothing else. False, with `contents` untouched,
// when it is not.
bool ReadCsvList(std::string_view text, ListFileContents& contents);
