#pragma once

#include "IStreamExtractor.h"

#include <deque>
#include <string>
#include <vector>

class StreamExtractor : public IStreamExtractor
{
public:
    StreamExtractor(char head, char separator, char terminator);

    void feed(const char* data, int length) override;
    void reset() override;
    std::size_t pending() const override { return partial.size(); }
    const char* field(int flags, int index, int* length) const override;
    int field_count() const override;
    bool has_sentence() const override { return !sentences.empty(); }
    void next_sentence() override;

    // A sentence still without its terminator after this many bytes is noise: it is dropped,
    // and the bytes up to the next head are skipped.
    static constexpr std::size_t maxSentenceLength = 4096;

private:
    struct Sentence
    {
        std::string text;
        std::vector<std::size_t> fieldStarts;
    };
    void finishSentence();

    char head;
    char separator;
    char terminator;
    bool inSentence = false;
    std::string partial;
    std::deque<Sentence> sentences;
};
