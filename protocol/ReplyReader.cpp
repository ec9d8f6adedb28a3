#include "ReplyReader.h"

#include "IStreamExtractor.h"
#include "NmeaList.h"
#include "TextFunctions.h"

#include <cstring>

std::string ReplyReader::copyField(const IStreamExtractor& extractor, int index)
{
    char buffer[1024] = {};
    int length = 0;
    const char* bytes = extractor.field(0, index, &length);
    if (bytes && length >= 1 && length <= 1023) {
        std::memcpy(buffer, bytes, static_cast<std::size_t>(length));
        buffer[length] = '\0';
    }
    return buffer;
}

std::string ReplyReader::cutValue(const std::string& field)
{
    char value[64] = {};
    next_word3(value, field.c_str(), '*', sizeof value);
    return value;
}

std::vector<ReplyValue> ReplyReader::drain(IStreamExtractor& extractor)
{
    std::vector<ReplyValue> values;
    while (extractor.has_sentence()) {
        const std::string verb = copyField(extractor, 2);
        const std::string key = copyField(extractor, 3);
        const std::string status = copyField(extractor, 4);
        if (verb == "GET" && status == "OK") {
            if (key == "DEVICE.INFO.SN") {
                values.push_back({true, {}, cutValue(copyField(extractor, 5))});
            } else {
                for (int i = 0; i < nmeaSentenceCount; ++i) {
                    const std::string name = nmeaList[i].toStdString();
                    if (key.find(name) != std::string::npos) {
                        values.push_back({false, name, cutValue(copyField(extractor, 5))});
                        break;
                    }
                }
            }
        }
        extractor.next_sentence();
    }
    return values;
}
