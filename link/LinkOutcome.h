#pragma once

// How one action on a receiver ended, from good to worst; with several problems the worst one
// is reported. The receiver having taken a command but holding another value is the mildest,
// then silence (perhaps a slow line), then its own refusal. A receiver that is not one of those
// named comes next: nothing was set on it, so it is known as found, but nothing meant reached a
// unit meant, and someone has to look at the wiring; still it told more than any failed line.
// After these the line failed: lost midway, no receiver on it, never opened; an interruption
// leaves everything unknown.
enum class LinkOutcome
{
    Ok,
    Mismatch,
    Unanswered,
    Rejected,
    UnexpectedSerial,
    Lost,
    NoDevice,
    OpenFailed,
    Interrupted
};

inline LinkOutcome worseOf(LinkOutcome a, LinkOutcome b)
{
    return a < b ? b : a;
}
