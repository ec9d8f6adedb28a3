#pragma once

#include <cstddef>

// Cuts a byte stream into sentences that begin with a head byte and end at a terminator byte,
// split into fields at a separator byte. A partial sentence waits for later bytes.
class IStreamExtractor
{
public:
    virtual void feed(const char* data, int length) = 0;
    // Forgets every sentence and partial sentence.
    virtual void reset() = 0;
    // Bytes held for the sentence not yet complete.
    virtual std::size_t pending() const = 0;
    // The bytes of field index of the current sentence (not NUL-terminated) and their count;
    // null and 0 when there is no such field.
    virtual const char* field(int flags, int index, int* length) const = 0;
    virtual int field_count() const = 0;
    virtual bool has_sentence() const = 0;
    // Drops the current sentence.
    virtual void next_sentence() = 0;
    virtual ~IStreamExtractor() = default;
};

// A new extractor, owned by the service until the process ends.
IStreamExtractor* stream_extractor_get_instance(const char* head, int separator, int terminator);

using StreamExtractorFactory = IStreamExtractor* (*)(const char* head, int separator,
                                                     int terminator);
// Lets tests hand out another implementation; null brings the real one back.
void set_stream_extractor_factory(StreamExtractorFactory factory);
