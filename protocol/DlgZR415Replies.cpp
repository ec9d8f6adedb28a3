// The message sink of the settings page: received bytes become reply sentences, and GET
// answers fill the serial-number field and the query rows.
#include "DlgZR415.h"

#include "IStreamExtractor.h"
#include "LinkTraffic.h"
#include "QueryWidget.h"
#include "ReplyReader.h"
#include "SerialNumberCheck.h"
#include "SinkMessage.h"
#include "ThrowLoggedError.h"
#include "ValueField.h"

#include <QLineEdit>

#include <exception>

int DlgZR415::log(const char* text)
{
    const SinkMessage message = SinkMessage::parse(text);
    if (!message.isData)
        return 0;
    const char* at = message.payload;
    std::vector<ReplyValue> values;
    std::vector<ReplyAcknowledgement> answers;
    if (message.length > 0)
        emit trafficTap->bytesReceived(QByteArray(at, message.length));
    try {
        extractor->feed(at, message.length);
        values = ReplyReader::drain(*extractor, &answers);
    } catch (const std::exception& error) {
        throw_logged_error("DlgZR415::log(%s):%s", at, error.what());
    } catch (...) {
        throw_logged_error("DlgZR415::log(%s):%s", at, "unknown exception");
    }
    for (const ReplyValue& reply : values) {
        const QString value = QString::fromUtf8(reply.value.c_str());
        if (reply.serialNumber) {
            bodyNumEdit->setAnswer(value, linkNumber);
            // The check of a receiver that came back settles its own answer.
            if (linkOpen && !checkingReturn && !reply.value.empty())
                serialNumberAnswered(QByteArray::fromStdString(reply.value));
        } else
            queryRows.at(reply.sentence)->field()->setAnswer(value, linkNumber);
    }
    acknowledge(answers);
    if (checkingReturn)
        returnCheck->acknowledge(answers);
    return 0;
}

QList<ValueField*> DlgZR415::answerFields() const
{
    QList<ValueField*> fields{bodyNumEdit};
    for (const auto& row : queryRows)
        fields << row.second->field();
    return fields;
}
