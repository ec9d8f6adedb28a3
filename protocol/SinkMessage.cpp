#include "SinkMessage.h"

#include "TextFunctions.h"

#include <cstring>

SinkMessage SinkMessage::parse(const char* text)
{
    SinkMessage message;
    if (!text)
        return message;
    char word[100];
    const char* at = text;
    at += next_word3(word, at, ':', sizeof word);
    if (std::strcmp(word, "MSG") != 0)
        return message;
    at += next_word3(word, at, ':', sizeof word);
    message.isData = true;
    message.payload = at;
    const int claimed = text_to_int(word);
    const std::size_t available = std::strlen(at);
    if (claimed > 0)
        message.length =
            static_cast<std::size_t>(claimed) > available ? static_cast<int>(available) : claimed;
    return message;
}
