#include "AnswerChecksum.h"

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

AnswerChecksum::Verdict AnswerChecksum::of(std::string_view sentence)
{
    const std::size_t star = sentence.rfind('*');
    if (star == std::string_view::npos)
        return Verdict::Absent;
    if (sentence.size() - star != 3)
        return Verdict::Wrong;
    const int high = hexDigit(sentence[star + 1]);
    const int low = hexDigit(sentence[star + 2]);
    if (high < 0 || low < 0)
        return Verdict::Wrong;
    const std::size_t from = !sentence.empty() && sentence.front() == '@' ? 1 : 0;
    unsigned char sum = 0;
    for (std::size_t i = from; i < star; ++i)
        sum ^= static_cast<unsigned char>(sentence[i]);
    return sum == ((high << 4) | low) ? Verdict::Good : Verdict::Wrong;
}

std::string_view AnswerChecksum::withoutChecksum(std::string_view sentence)
{
    return of(sentence) == Verdict::Good ? sentence.substr(0, sentence.size() - 3) : sentence;
}
