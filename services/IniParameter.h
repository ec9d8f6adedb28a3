#pragma once

#include "Dictionary.h"
#include "IIniParameter.h"

#include <string>
#include <vector>

// A flat INI file: "key=value" lines, optional "[section]" lines (ignored for lookup), and
// comments starting with ";" or "#". A key given more than once takes its last value. Saving
// keeps every line byte for byte except the last line of each key whose value changed, which is
// rewritten in place (its spacing and quoting kept); new keys are appended at the end. Values
// that would not survive a plain line (spaces at either end, a leading quote, control
// characters) are written quoted with backslash escapes. The file is replaced through a new
// file renamed over it, and a symbolic link in its place is refused rather than followed.
class IniParameter : public IIniParameter
{
public:
    bool load(const char* path) override;
    bool save(const char* path) override;
    IDictionary* dictionary() override { return &values; }
    const char* error_text() const override { return lastError.c_str(); }
    SaveError error_kind() const override { return lastErrorKind; }

    // The file text for the current values, as save writes it.
    std::string render() const;
    // Replaces the values and the remembered layout with those of text.
    void parse(const std::string& text);

    // Every key=value line as read, with its line number from 1, in file order.
    struct Entry
    {
        std::size_t line;
        std::string key;
        std::string value;
    };
    std::vector<Entry> entries() const;

    // value as written after "=": quoted when it needs it, or always with quoted.
    static std::string encodeValue(const std::string& value, bool quoted = false);
    static std::string decodeValue(const std::string& raw);

private:
    struct Line
    {
        std::string text;
        std::string key;     // empty for anything but an entry
        std::string head;    // everything before the value, kept when the entry is rewritten
        std::string tail;    // blanks after the value, kept likewise
        std::string value;   // the value this line gave, decoded
        bool quoted = false; // the value was written in quotes
        bool live = false;   // the last line of its key: the one whose value counts
        std::string ending;  // the line's own end: "\n", "\r\n", "\r", or none on the last line
    };

    bool fail(SaveError kind, const std::string& text);

    Dictionary values;
    std::vector<Line> lines;
    std::string loadedPath;
    std::string lineEnd = "\n";
    bool hasBom = false;
    std::string lastError;
    SaveError lastErrorKind = SaveError::None;
};
