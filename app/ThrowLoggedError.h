#pragma once

// Formats the message (at most 2039 characters), writes it to the log when there is a logger,
// and throws std::runtime_error with it.
[[noreturn]] void throw_logged_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
