#pragma once

#include "GeneralReading.h"
#include "query/core/DomainStatus.h"
#include "query/core/QueryLimits.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Where the bytes of a reply come from. One Receive is one read from the connection: it hands
// over what is waiting, up to the capacity, and 0 when nothing is waiting right now.
class ReplyByteSource
{
public:
    virtual ~ReplyByteSource() = default;
    virtual std::size_t Receive(char* buffer, std::size_t capacity) = 0;
    virtual bool HasBytesWaiting() const = 0;
};

// Reads a whois reply line by line through a 4096-byte buffer and decides its verdict.
//
// A line ends at LF, or at CR together with the byte after it. Replies are read by the rule of the
// server the name's extension belongs to. Where that rule is decisive, each line is tested
// against its markers and the first marker decides, unless its line names another domain of the
// extension; when the buffer has run dry exactly at a line end (every received byte consumed) and
// the reply holds "Whois Server: ", the name counts as Taken. Where the connection splits the
// reply therefore matters, and the buffer size is part of the behaviour. Every other reply is
// weighed whole by the general reading once the stream has ended.
class ReplyReadingLoop
{
public:
    enum class Outcome
    {
        Verdict,        // `status` holds it; nothing more of this reply is read
        WaitingForData, // no verdict yet; more bytes (or the end of the stream) may bring one
        ReplyTooLarge,  // more than QueryLimits::kMaxReplyBytes arrived without a verdict
        Refused,        // the server refused or limited the query; `words` holds its line
        NoVerdict,      // the reply is read and says nothing sure; `words` say why
    };

    struct Result
    {
        Result(Outcome result = Outcome::WaitingForData, DomainStatus verdict = DomainStatus::Taken,
               std::string text = {})
            : outcome(result), status(verdict), words(std::move(text))
        {}
        Outcome outcome;
        DomainStatus status;
        std::string words; // the refusing line, or why there is no verdict
    };

    // Forgets the previous query and prepares for a reply about `name`.
    void Start(AskedName name);

    // One readable-data notification: reads lines for as long as the buffer holds unread bytes.
    // With endOfStream set, a line cut short by the end of the stream counts as a whole line.
    Result OnReceive(ReplyByteSource& source, bool endOfStream);

    // Runs OnReceive again for as long as the source still has bytes waiting, as a socket layer
    // that keeps signalling unread data would. At the end of the stream, with every byte read and
    // no verdict yet, the reply as a whole decides (Conclude).
    Result ReceiveAll(ReplyByteSource& source, bool endOfStream);

    // The verdict of the whole reply read so far, or why there is none.
    Result Conclude() const;

    std::string_view Tld() const { return m_name.Tld(); }
    // Every line read so far, each with CR LF in front of it.
    const std::string& Reply() const { return m_reply; }
    bool HasUnreadBytes() const { return m_position < m_length; }

private:
    enum class LineState
    {
        Complete,
        Incomplete, // the buffer ran dry inside a line and nothing more is waiting
        None,       // the stream ended before a new line began
        TooLarge,
    };

    LineState ReadLine(ReplyByteSource& source, bool endOfStream);
    bool Refill(ReplyByteSource& source);

    AskedName m_name;
    const ReplyRule* m_rule = nullptr; // decisive rules only
    std::optional<GeneralReading> m_general;
    std::string m_reply;
    std::string m_line;
    bool m_lineStarted = false;
    bool m_carriageReturnPending = false;
    bool m_whoisServerSeen = false;
    std::size_t m_receivedBytes = 0;
    bool m_tooLarge = false;
    std::array<char, QueryLimits::kReadBufferSize> m_buffer{};
    std::size_t m_position = 0;
    std::size_t m_length = 0;
};

// Feeds a whole reply to a fresh loop as if every byte had arrived in one read and the server had
// then closed the connection. Returns the verdict, if any.
ReplyReadingLoop::Result ClassifyWholeReply(const AskedName& name, std::string_view replyBytes);
