#pragma once

#include <string>
#include <vector>

class IStreamExtractor;

// A value the receiver reported in a GET answer: its serial number, or the output setting of
// one NMEA sentence.
struct ReplyValue
{
    bool serialNumber = false;
    std::string sentence; // GGA … HDT when not the serial number
    std::string value;    // cut at "*", at most 63 characters
};

// The receiver's answer to one command: fields 2 to 4 are its verb, its key and OK or ERR.
struct ReplyAcknowledgement
{
    std::string verb;
    std::string key;
    bool ok = false;
    std::string value; // field 5 cut at "*": what a GET answered
    // The sentence ends in "*hh", the XOR of the bytes between "@" and "*". The window shows
    // answers whatever follows "*"; only the check of a receiver that came back relies on it.
    bool checksumHolds = false;
};

// Reads the complete sentences waiting in an extractor, in arrival order, and keeps the GET
// answers that carry a value for the page. Knows nothing of widgets.
class ReplyReader
{
public:
    // acknowledgements, when given, receives every OK or ERR answer in arrival order.
    static std::vector<ReplyValue>
    drain(IStreamExtractor& extractor,
          std::vector<ReplyAcknowledgement>* acknowledgements = nullptr);

    // zr415ctl's reading: an answer whose "*hh" does not match is dropped and counted in
    // wrongChecksums; the others keep their status and value whole, bytes as received (a NUL,
    // a "*" or more than 63 of them included), for the caller to judge.
    static std::vector<ReplyAcknowledgement> drainChecked(IStreamExtractor& extractor,
                                                          int* wrongChecksums);

    // Field index of the current sentence as a C string: empty when missing, empty or 1024
    // bytes or longer.
    static std::string copyField(const IStreamExtractor& extractor, int index);
    // Nothing in the current sentence contradicts it: it has no "*hh", or one matching the XOR
    // of its bytes after "@" up to that "*".
    static bool checksumHolds(const IStreamExtractor& extractor);
    // The value up to its first "*", at most 63 characters.
    static std::string cutValue(const std::string& field);
};
