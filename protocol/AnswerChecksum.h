#pragma once

#include <string_view>

// The "*hh" that may end an "@" answer: two hex digits (either case) of the XOR of the bytes
// between "@" and "*". An answer without one is taken as it is; one whose ending does not match
// was changed on the way.
class AnswerChecksum
{
public:
    enum class Verdict
    {
        Absent,
        Good,
        Wrong // the sum differs, or what follows the last "*" is no two hex digits
    };

    // sentence: from its "@" up to its line end, without it.
    static Verdict of(std::string_view sentence);
    // The sentence without its "*hh" ending, or all of it when it has none.
    static std::string_view withoutChecksum(std::string_view sentence);
};
