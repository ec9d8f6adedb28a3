#pragma once

#include "IStreamFormatter.h"

#include <vector>

class StreamFormatter : public IStreamFormatter
{
public:
    explicit StreamFormatter(std::size_t capacity);

    int vprintf(const char* format, va_list args) override;
    void clear() override;
    std::size_t length() const override { return used; }
    std::size_t capacity() const override { return buffer.size(); }
    bool truncated() const override { return wasTruncated; }
    const char* text() const override { return buffer.data(); }

private:
    // One byte more than the capacity, for the NUL.
    std::vector<char> buffer;
    std::size_t used = 0;
    bool wasTruncated = false;
};
