#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Bounded printf: never writes more than size bytes, always NUL-terminates when size > 0.
// Returns the length of the text written (after truncation).
int csz_vsprintf(char* buffer, int size, const char* format, va_list args);
int csz_sprintf(char* buffer, int size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// printf into a string of any length.
std::string format_to_string(const char* format, va_list args);

// Copies source up to the delimiter (or its end) into dest, at most size - 1 bytes and a NUL.
// Returns how far the reading position moves: the whole word and the delimiter, if there was
// one, even when the copy had to be cut short.
int next_word3(char* dest, const char* source, char delimiter, int size);

// Expands "$(APP_DIR)" in pattern to the folder of the running program, NUL-terminated within
// size bytes. Returns false when the result did not fit (out then holds the empty text).
bool process_resolve_path(char* out, int size, const char* pattern);

// atoi without its undefined behaviour: leading blanks, a sign, decimal digits; 0 without
// digits; clamped to the range of int.
int text_to_int(const char* text);

// The value of one hexadecimal digit, either case; -1 for any other character.
int hex_digit_value(char c);
