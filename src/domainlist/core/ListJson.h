#pragma once

#include "ListFile.h"

#include <string>
#include <string_view>

// A list as JSON: objects of the list's fields, in one array (a file) or one a line with nothing
// around them (a stream).

// One record's object, without what separates it from the next.
void AppendJsonRecord(std::string& out, const ListRecord& record);

// Reads an array of objects, or objects one a line, and says which of the two it was.
void ReadJsonList(std::string_view text, ListFileContents& contents);
