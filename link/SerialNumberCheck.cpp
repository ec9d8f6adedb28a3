#include "SerialNumberCheck.h"

#include "CommandSentences.h"

namespace {
const char serialKey[] = "DEVICE.INFO.SN";
}

SerialNumberCheck::SerialNumberCheck(Writer writer, int wait, QObject* parent)
    : QObject(parent), write(std::move(writer)), waitMs(wait)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] {
        finish();
        emit unconfirmed();
    });
}

void SerialNumberCheck::start()
{
    asking = true;
    if (!write(CommandSentences::getSerialNumber())) {
        finish();
        emit unconfirmed();
        return;
    }
    timer.start(waitMs);
}

void SerialNumberCheck::cancel()
{
    finish();
}

void SerialNumberCheck::acknowledge(const std::vector<ReplyAcknowledgement>& answers)
{
    if (!asking)
        return;
    for (const ReplyAcknowledgement& answer : answers) {
        if (answer.verb != "GET" || answer.key != serialKey || !answer.ok ||
            !answer.checksumHolds || answer.value.empty())
            continue;
        finish();
        emit answered(QByteArray::fromStdString(answer.value));
        return;
    }
}

void SerialNumberCheck::finish()
{
    asking = false;
    timer.stop();
}
