#pragma once

#include "ListFile.h"

#include <string>
#include <string_view>
#include <vector>

// A list as CSV (RFC 4180, UTF-8): a header line naming the fields, then a record a line.

std::string CsvListHeader();
void AppendCsvRecord(std::string& out, const ListRecord& record);

// Reads a list's CSV a piece at a time: the header first, then every record whole in the pieces
// given. A piece is the text not read yet (what an earlier call left, then what came after it);
// `final` says that the file ends with it.
class CsvListReader
{
public:
    enum class Header
    {
        Ours,     // it names "name" and one more of the fields, in any order and letter case, and
                  // nothing else; `read` is where the records start
        NotOurs,  // the file is not CSV of ours
        NeedMore, // the first record is not whole yet
    };
    Header ReadHeader(std::string_view text, bool final, std::size_t& read);

    // Reads the whole records at the start of `text` into `contents` and returns how many bytes
    // they took; a record that goes on past the text waits for the next piece.
    std::size_t Read(std::string_view text, bool final, ListFileContents& contents);
    // The number of the line the next piece starts on.
    std::size_t Line() const { return m_line; }
    // The next piece starts `lines` lines further on (their text was skipped).
    void SkipLines(std::size_t lines) { m_line += lines; }

private:
    std::vector<int> m_columns;
    std::size_t m_headerSize = 0;
    std::size_t m_line = 1;
};
