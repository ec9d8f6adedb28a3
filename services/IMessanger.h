#pragma once

// Where the serial reader/writer delivers what it receives. The text is "MSG:<count>:<bytes>",
// NUL-terminated; other kinds may arrive and are ignored by the tool.
class IMessanger
{
public:
    virtual int log(const char* text) = 0;

protected:
    ~IMessanger() = default;
};
