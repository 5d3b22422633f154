#include "SearchAnswer.h"

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
    record.answeredAt = answeredAt;
}
