#pragma once

// How one action on a receiver ended, from good to worst; with several problems the worst one
// is reported. The receiver having taken a command but holding another value is the mildest,
// then silence (perhaps a slow line), then its own refusal; after these the line failed: lost
// midway, no receiver on it, never opened; an interruption leaves everything unknown.
enum class LinkOutcome
{
    Ok,
    Mismatch,
    Unanswered,
    Rejected,
    Lost,
    NoDevice,
    OpenFailed,
    Interrupted
};

inline LinkOutcome worseOf(LinkOutcome a, LinkOutcome b)
{
    return a < b ? b : a;
}
