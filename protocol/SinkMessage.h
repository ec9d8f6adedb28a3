#pragma once

// One text delivered to the message sink: "<kind>:<count>:<payload>".
struct SinkMessage
{
    bool isData = false;           // the kind is "MSG"
    const char* payload = nullptr; // inside the text
    int length = 0;                // bytes of payload to read: never past the end of the text

    // The count comes from the sender and is not trusted: it is cut to the bytes present.
    static SinkMessage parse(const char* text);
};
