// Received bytes through the sink text, the extractor, the field copies and the "*" cut.
// The first byte chooses the shape: a sink text as the reader/writer makes it, or any text.
#include "NullLogger.h"
#include "ReplyReader.h"
#include "SerialReaderWriter.h"
#include "SinkMessage.h"
#include "StreamExtractor.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NullLogger quiet;
    // One extractor for the whole run, as the page keeps one: partial sentences carry over.
    static StreamExtractor extractor('@', ',', '\r');
    if (size == 0)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    std::string shaped;
    std::unique_ptr<char[]> text;
    if (data[0] & 1) {
        shaped = SerialReaderWriter::sinkMessage(bytes, length);
        text = std::make_unique<char[]>(shaped.size() + 1);
        std::memcpy(text.get(), shaped.c_str(), shaped.size() + 1);
    } else {
        // Exactly as long as it is, so reading past its end is caught.
        text = std::make_unique<char[]>(length + 1);
        std::memcpy(text.get(), bytes, length);
        text[length] = '\0';
    }

    const SinkMessage message = SinkMessage::parse(text.get());
    if (!message.isData)
        return 0;
    if (message.length < 0 || message.length > static_cast<int>(std::strlen(message.payload)))
        std::abort();
    extractor.feed(message.payload, message.length);
    for (const ReplyValue& value : ReplyReader::drain(extractor)) {
        if (value.value.size() > 63 || value.value.find('*') != std::string::npos)
            std::abort();
        if (!value.serialNumber && value.sentence.size() != 3)
            std::abort();
    }
    if (extractor.pending() > StreamExtractor::maxSentenceLength || extractor.has_sentence())
        std::abort();
    return 0;
}
