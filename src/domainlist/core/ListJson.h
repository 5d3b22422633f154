#pragma once

#include "ListFile.h"

#include <string>
#include <string_view>

// A list as JSON: objects of the list's fields, in one array (a file) or one a line with nothing
// around them (a stream).

// One record's object, without what separates it from the next.
void AppendJsonRecord(std::string& out, const ListRecord& record);

// Reads an array of objects, or objects one a line, a piece at a time, and says which of the two
// it was. A piece is the text not read yet (what an earlier call left, then what came after it);
// `final` says that the file ends with it. Returns how many bytes of the piece were read: a record
// that goes on past it waits for the next piece.
class JsonListReader
{
public:
    std::size_t Read(std::string_view text, bool final, ListFileContents& contents);
    // The number of the line the next piece starts on.
    std::size_t Line() const { return m_line; }
    // The next piece starts `lines` lines further on (their text was skipped).
    void SkipLines(std::size_t lines) { m_line += lines; }

private:
    std::size_t m_line = 1;
    bool m_started = false;
    bool m_isArray = false;
    bool m_closed = false;
    bool m_done = false;
    bool m_lastWasBad = false;
};
