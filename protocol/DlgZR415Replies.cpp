// The message sink of the settings page: received bytes become reply sentences, and GET
// answers fill the serial-number field and the query rows.
#include "DlgZR415.h"

#include "IStreamExtractor.h"
#include "QueryWidget.h"
#include "ReplyReader.h"
#include "TextFunctions.h"
#include "ThrowLoggedError.h"

#include <QLineEdit>

#include <cstring>
#include <exception>

int DlgZR415::log(const char* text)
{
    if (!text)
        return 0;
    char word[100];
    const char* at = text;
    at += next_word3(word, at, ':', sizeof word);
    if (std::strcmp(word, "MSG") != 0)
        return 0;
    at += next_word3(word, at, ':', sizeof word);
    // The count comes from the sender; never read past the end of the text whatever it says.
    const std::size_t available = std::strlen(at);
    const int claimed = text_to_int(word);
    const int length = claimed <= 0                                    ? 0
                       : static_cast<std::size_t>(claimed) > available ? static_cast<int>(available)
                                                                       : claimed;
    std::vector<ReplyValue> values;
    try {
        extractor->feed(at, length);
        values = ReplyReader::drain(*extractor);
    } catch (const std::exception& error) {
        throw_logged_error("DlgZR415::log(%s):%s", at, error.what());
    } catch (...) {
        throw_logged_error("DlgZR415::log(%s):%s", at, "unknown exception");
    }
    for (const ReplyValue& reply : values) {
        const QString value = QString::fromUtf8(reply.value.c_str());
        if (reply.serialNumber)
            bodyNumEdit->setText(value);
        else
            queryRows.at(reply.sentence)->setText(value);
    }
    return 0;
}
