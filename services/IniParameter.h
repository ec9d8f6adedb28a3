#pragma once

#include "Dictionary.h"
#include "IIniParameter.h"

#include <string>
#include <vector>

// A flat INI file: "key=value" lines, optional "[section]" lines (ignored for lookup), and
// comments starting with ";" or "#". Saving keeps the file's comments, order, unknown keys and
// line ends exactly, rewrites the values of known keys in place and appends new keys at the end.
// Values that would not survive a plain line (spaces at either end, a leading quote, control
// characters) are written quoted with backslash escapes.
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

    static std::string encodeValue(const std::string& value);
    static std::string decodeValue(const std::string& raw);

private:
    struct Line
    {
        std::string text;
        std::string key;    // empty for anything but an entry
        std::string indent; // blanks before the key, kept when the entry is rewritten
        std::string ending; // the line's own end: "\n", "\r\n", or none on the last line
    };

    Dictionary values;
    std::vector<Line> lines;
    std::string loadedPath;
    std::string lineEnd = "\n";
    bool hasBom = false;
    std::string lastError;
    SaveError lastErrorKind = SaveError::None;
};
