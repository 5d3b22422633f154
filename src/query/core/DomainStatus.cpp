#include "DomainStatus.h"

std::string_view StatusText(DomainStatus status)
{
    switch (status) {
    case DomainStatus::Taken:
        return "Taken";
    case DomainStatus::Available:
        return "Available!";
    case DomainStatus::InformationMissing:
        return "Information Missing";
    }
    return "Taken";
}
