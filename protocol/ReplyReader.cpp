#include "ReplyReader.h"

#include "AnswerChecksum.h"
#include "IStreamExtractor.h"
#include "NmeaList.h"
#include "TextFunctions.h"

#include <cstring>

std::string ReplyReader::copyField(const IStreamExtractor& extractor, int index)
{
    int length = 0;
    const char* bytes = extractor.field(0, index, &length);
    if (!bytes || length < 1 || length > 1023)
        return {};
    // As a C string: the copy ends at a NUL, should a field hold one.
    return std::string(bytes, strnlen(bytes, static_cast<std::size_t>(length)));
}

std::string ReplyReader::cutValue(const std::string& field)
{
    char value[64] = {};
    next_word3(value, field.c_str(), '*', sizeof value);
    return value;
}

bool ReplyReader::checksumHolds(const IStreamExtractor& extractor)
{
    // The extractor splits at every comma and keeps "@": joined again, the fields are the
    // sentence as received, without its CR.
    std::string text;
    for (int i = 0; i < extractor.field_count(); ++i) {
        int length = 0;
        const char* bytes = extractor.field(0, i, &length);
        if (i > 0)
            text += ',';
        if (bytes)
            text.append(bytes, static_cast<std::size_t>(length));
    }
    // As zr415ctl: an answer without "*hh" is taken; one whose "*hh" does not match is not.
    return !text.empty() && text[0] == '@' &&
           AnswerChecksum::of(text) != AnswerChecksum::Verdict::Wrong;
}

// The sentence names GGA … HDT, converted once.
static const std::vector<std::string>& sentenceNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (int i = 0; i < nmeaSentenceCount; ++i)
            all.push_back(nmeaList[i].toStdString());
        return all;
    }();
    return names;
}

std::vector<ReplyValue> ReplyReader::drain(IStreamExtractor& extractor,
                                           std::vector<ReplyAcknowledgement>* acknowledgements)
{
    std::vector<ReplyValue> values;
    while (extractor.has_sentence()) {
        const std::string verb = copyField(extractor, 2);
        const std::string key = copyField(extractor, 3);
        const std::string status = copyField(extractor, 4);
        if (acknowledgements) {
            // An answer without a value ends its status with the checksum: "OK*5A".
            const std::string outcome = cutValue(status);
            if (outcome == "OK" || outcome == "ERR")
                acknowledgements->push_back({verb, key, outcome == "OK",
                                             cutValue(copyField(extractor, 5)),
                                             checksumHolds(extractor)});
        }
        if (verb == "GET" && status == "OK") {
            if (key == "DEVICE.INFO.SN") {
                values.push_back({true, {}, cutValue(copyField(extractor, 5))});
            } else {
                for (const std::string& name : sentenceNames()) {
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

std::vector<ReplyAcknowledgement> ReplyReader::drainChecked(IStreamExtractor& extractor,
                                                            int* wrongChecksums)
{
    std::vector<ReplyAcknowledgement> answers;
    for (; extractor.has_sentence(); extractor.next_sentence()) {
        // The sentence as it came, its fields joined again by the separator they were cut at.
        std::string sentence;
        for (int i = 0; i < extractor.field_count(); ++i) {
            int length = 0;
            const char* bytes = extractor.field(0, i, &length);
            if (i > 0)
                sentence += ',';
            if (bytes && length > 0)
                sentence.append(bytes, static_cast<std::size_t>(length));
        }
        if (AnswerChecksum::of(sentence) == AnswerChecksum::Verdict::Wrong) {
            if (wrongChecksums)
                ++*wrongChecksums;
            continue;
        }
        std::vector<std::string> fields;
        const std::string_view body = AnswerChecksum::withoutChecksum(sentence);
        std::size_t start = 0;
        for (std::size_t comma = body.find(','); comma != std::string_view::npos;
             comma = body.find(',', start)) {
            fields.emplace_back(body.substr(start, comma - start));
            start = comma + 1;
        }
        fields.emplace_back(body.substr(start));
        if (fields.size() < 5 || (fields[4] != "OK" && fields[4] != "ERR"))
            continue;
        answers.push_back({fields[2], fields[3], fields[4] == "OK",
                           fields.size() > 5 ? fields[5] : std::string()});
    }
    return answers;
}
