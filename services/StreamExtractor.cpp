#include "StreamExtractor.h"

#include "ILogger.h"

#include <cstring>
#include <memory>
#include <vector>

StreamExtractor::StreamExtractor(char head, char separator, char terminator)
    : head(head), separator(separator), terminator(terminator)
{}

void StreamExtractor::feed(const char* data, int length)
{
    if (!data || length <= 0)
        return;
    const char* at = data;
    const char* end = data + length;
    while (at < end) {
        if (!inSentence) {
            at =
                static_cast<const char*>(std::memchr(at, head, static_cast<std::size_t>(end - at)));
            if (!at)
                return;
            inSentence = true;
            partial.clear();
            continue;
        }
        const char* stop = static_cast<const char*>(
            std::memchr(at, terminator, static_cast<std::size_t>(end - at)));
        const char* chunkEnd = stop ? stop : end;
        const std::size_t chunk = static_cast<std::size_t>(chunkEnd - at);
        if (partial.size() + chunk > maxSentenceLength) {
            log_entry("reply sentence longer than %zu bytes without its end dropped",
                      maxSentenceLength);
            partial.clear();
            inSentence = false;
            at = chunkEnd;
            continue;
        }
        partial.append(at, chunk);
        if (!stop)
            return;
        finishSentence();
        at = stop + 1;
    }
}

void StreamExtractor::finishSentence()
{
    Sentence sentence;
    sentence.text.swap(partial);
    sentence.fieldStarts.reserve(8);
    sentence.fieldStarts.push_back(0);
    for (std::size_t i = 0; i < sentence.text.size(); ++i)
        if (sentence.text[i] == separator)
            sentence.fieldStarts.push_back(i + 1);
    sentences.push_back(std::move(sentence));
    inSentence = false;
}

void StreamExtractor::reset()
{
    inSentence = false;
    partial.clear();
    sentences.clear();
}

const char* StreamExtractor::field(int, int index, int* length) const
{
    if (length)
        *length = 0;
    if (sentences.empty() || index < 0)
        return nullptr;
    const Sentence& sentence = sentences.front();
    const std::size_t i = static_cast<std::size_t>(index);
    if (i >= sentence.fieldStarts.size())
        return nullptr;
    const std::size_t start = sentence.fieldStarts[i];
    const std::size_t stop = i + 1 < sentence.fieldStarts.size() ? sentence.fieldStarts[i + 1] - 1
                                                                 : sentence.text.size();
    if (length)
        *length = static_cast<int>(stop - start);
    return sentence.text.data() + start;
}

int StreamExtractor::field_count() const
{
    return sentences.empty() ? 0 : static_cast<int>(sentences.front().fieldStarts.size());
}

void StreamExtractor::next_sentence()
{
    if (!sentences.empty())
        sentences.pop_front();
}

namespace {
StreamExtractorFactory installedFactory = nullptr;

std::vector<std::unique_ptr<IStreamExtractor>>& ownedExtractors()
{
    static std::vector<std::unique_ptr<IStreamExtractor>> extractors;
    return extractors;
}
} // namespace

IStreamExtractor* stream_extractor_get_instance(const char* head, int separator, int terminator)
{
    if (installedFactory)
        return installedFactory(head, separator, terminator);
    auto extractor = std::make_unique<StreamExtractor>(
        head && *head ? *head : '@', static_cast<char>(separator), static_cast<char>(terminator));
    ownedExtractors().push_back(std::move(extractor));
    return ownedExtractors().back().get();
}

void set_stream_extractor_factory(StreamExtractorFactory factory)
{
    installedFactory = factory;
}
