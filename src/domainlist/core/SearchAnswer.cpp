#include "SearchAnswer.h"

#include <algorithm>

bool IsAskedBySearch(bool checked, RowStatus status)
{
    return checked && (status == RowStatus::Pending || status == RowStatus::NoAnswer);
}

void WriteAnswer(ListRecord& record, const QueryResult& answer, std::uint32_t answeredAt,
                 ReasonWording wording)
{
    record.status = answer.verdict ? RowStatusFor(*answer.verdict) : RowStatus::NoAnswer;
    record.reason = answer.verdict ? std::string() : answer.reason;
    if (!answer.verdict && wording == ReasonWording::WithServerAndCause && !answer.server.empty()) {
        record.reason += " (" + answer.server +
                         (answer.detail.empty() ? std::string() : ": " + answer.detail) + ")";
    }
    record.server = answer.server;
    // A remembered answer keeps the time its server gave it.
    record.answeredAt =
        answer.rememberedAt
            ? static_cast<std::uint32_t>(std::max<std::int64_t>(*answer.rememberedAt, 0))
            : answeredAt;
    record.remembered = answer.rememberedAt.has_value();
}
