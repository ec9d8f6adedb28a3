#pragma once

class IDictionary;

// Why a save failed, as far as the system tells it.
enum class SaveError
{
    None,
    FileReadOnly,
    FolderMissing,
    FolderNotWritable,
    DiskFull,
    FileIsLink, // a symbolic link stands where the file should be: refused, never followed
    Other
};

// The tool's settings file and its live dictionary of values.
class IIniParameter
{
public:
    // Reads the file; false when it is missing or cannot be read. Replaces every value of the
    // dictionary, so value pointers taken before are no longer valid.
    virtual bool load(const char* path) = 0;
    // Writes the dictionary to path, or with null to the file that was loaded. The file is
    // replaced whole or not at all, and never through a symbolic link; false, with
    // error_text() and error_kind(), when it could not be written.
    virtual bool save(const char* path) = 0;
    virtual IDictionary* dictionary() = 0;
    // Why the last load or save failed, in the system's words.
    virtual const char* error_text() const = 0;
    virtual SaveError error_kind() const = 0;
    virtual ~IIniParameter() = default;
};

// The process-wide settings object; the same at every call.
IIniParameter* get_system_ini_parameter();
