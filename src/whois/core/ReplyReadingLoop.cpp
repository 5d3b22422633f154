#include "ReplyReadingLoop.h"

#include "ClassifyReply.h"
#include "query/core/QueryResult.h"
#include "text/Utf8Text.h"

#include <algorithm>
#include <cstring>

void ReplyReadingLoop::Start(AskedName name)
{
    m_name = std::move(name);
    const ReplyRule* rule = RuleForName(m_name.Ascii());
    m_rule = rule && rule->decisive ? rule : nullptr;
    m_general.reset();
    if (!m_rule) {
        m_general.emplace(m_name, rule ? rule->markers : std::span<const ReplyMarker>());
    }
    m_reply.clear();
    m_line.clear();
    m_lineStarted = false;
    m_carriageReturnPending = false;
    m_whoisServerSeen = false;
    m_receivedBytes = 0;
    m_tooLarge = false;
    m_position = 0;
    m_length = 0;
}

bool ReplyReadingLoop::Refill(ReplyByteSource& source)
{
    m_position = 0;
    m_length = source.Receive(m_buffer.data(), m_buffer.size());
    m_receivedBytes += m_length;
    if (m_receivedBytes > QueryLimits::kMaxReplyBytes) {
        m_tooLarge = true;
    }
    return m_length > 0;
}

ReplyReadingLoop::LineState ReplyReadingLoop::ReadLine(ReplyByteSource& source, bool endOfStream)
{
    for (;;) {
        if (!HasUnreadBytes()) {
            const bool gotBytes = Refill(source);
            if (m_tooLarge) {
                return LineState::TooLarge;
            }
            if (!gotBytes) {
                if (!endOfStream) {
                    return LineState::Incomplete;
                }
                return m_lineStarted ? LineState::Complete : LineState::None;
            }
        }
        m_lineStarted = true;
        if (m_carriageReturnPending) {
            // The byte after a CR belongs to the line end, whatever it is.
            ++m_position;
            m_carriageReturnPending = false;
            return LineState::Complete;
        }
        const char* begin = m_buffer.data() + m_position;
        const char* end = m_buffer.data() + m_length;
        const char* lineEnd =
            std::find_if(begin, end, [](char c) { return c == '\n' || c == '\r'; });
        m_line.append(begin, lineEnd);
        m_position = static_cast<std::size_t>(lineEnd - m_buffer.data());
        if (lineEnd == end) {
            continue;
        }
        ++m_position;
        if (*lineEnd == '\n') {
            return LineState::Complete;
        }
        m_carriageReturnPending = true;
    }
}

ReplyReadingLoop::Result ReplyReadingLoop::OnReceive(ReplyByteSource& source, bool endOfStream)
{
    if (m_tooLarge) {
        return {Outcome::ReplyTooLarge};
    }
    for (;;) {
        const LineState state = ReadLine(source, endOfStream);
        if (state == LineState::TooLarge) {
            return {Outcome::ReplyTooLarge};
        }
        if (state != LineState::Complete) {
            return {Outcome::WaitingForData};
        }
        m_reply += "\r\n";
        m_reply += m_line;
        // A refusal is recognised before any marker: a limited server may also print one.
        if (IsRefusalLine(m_line)) {
            // The line is shown and printed: nothing of it may steer a terminal or a box.
            return {Outcome::Refused, DomainStatus::Taken, PrintableServerText(m_line)};
        }
        // No marker holds CR or LF, and every earlier line was tested already without a match, so
        // testing the new line alone gives the verdict that testing the whole reply would, without
        // rescanning the reply after every line.
        const ReplyMarker* marker =
            FirstMarkerIn(m_rule ? m_rule->markers : GeneralMarkers(), m_line);
        if (marker && m_name.LineNamesAnotherDomain(m_line)) {
            return {Outcome::NoVerdict, DomainStatus::Taken, std::string(kAboutAnotherName)};
        }
        if (m_general) {
            m_general->ReadLine(m_line);
        }
        m_whoisServerSeen =
            m_whoisServerSeen || m_line.find(kWhoisServerMarker) != std::string::npos;
        m_line.clear();
        m_lineStarted = false;
        if (marker) {
            return {Outcome::Verdict, marker->status};
        }
        if (HasUnreadBytes()) {
            continue;
        }
        // Thin registries send only a referral; the general reading never takes one for an
        // answer.
        if (m_whoisServerSeen && m_rule) {
            return {Outcome::Verdict, DomainStatus::Taken};
        }
        return {Outcome::WaitingForData};
    }
}

ReplyReadingLoop::Result ReplyReadingLoop::ReceiveAll(ReplyByteSource& source, bool endOfStream)
{
    Result result = OnReceive(source, endOfStream);
    while (result.outcome == Outcome::WaitingForData && source.HasBytesWaiting()) {
        result = OnReceive(source, endOfStream);
    }
    if (result.outcome == Outcome::WaitingForData && endOfStream && !HasUnreadBytes()) {
        return Conclude();
    }
    return result;
}

ReplyReadingLoop::Result ReplyReadingLoop::Conclude() const
{
    if (!m_general) {
        return {Outcome::NoVerdict, DomainStatus::Taken, std::string(kNoVerdictInReply)};
    }
    const GeneralReading::Decision decision = m_general->Conclude();
    if (decision.verdict) {
        return {Outcome::Verdict, *decision.verdict};
    }
    return {Outcome::NoVerdict, DomainStatus::Taken, std::string(decision.reason)};
}

namespace {

class WholeReplySource : public ReplyByteSource
{
public:
    explicit WholeReplySource(std::string_view bytes) : m_rest(bytes) {}

    std::size_t Receive(char* buffer, std::size_t capacity) override
    {
        const std::size_t count = std::min(capacity, m_rest.size());
        std::memcpy(buffer, m_rest.data(), count);
        m_rest.remove_prefix(count);
        return count;
    }

    bool HasBytesWaiting() const override { return !m_rest.empty(); }

private:
    std::string_view m_rest;
};

} // namespace

ReplyReadingLoop::Result ClassifyWholeReply(const AskedName& name, std::string_view replyBytes)
{
    WholeReplySource source(replyBytes);
    ReplyReadingLoop loop;
    loop.Start(name);
    return loop.ReceiveAll(source, true);
}
