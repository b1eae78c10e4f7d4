#pragma once
// Number parsing and formatting shared by every layer.
//
// None of these functions keeps state or throws: text that is not a number
// gives 0 (or false from ParseNumber).
#include <cstdint>
#include <string>
#include <string_view>

namespace kyvor {

// Decimal digits with an optional leading '-'. Anything else gives 0.
// Arithmetic wraps at 32 bits.
int32_t DecStrToInt(std::string_view text);

// Hexadecimal digits 0-9, A-F, a-f; anything else gives 0. Only the last
// eight digits count.
int32_t HexStrToInt(std::string_view text);

// Binary digits 0 and 1; anything else gives 0. Only the last 32 digits count.
int32_t BinStrToInt(std::string_view text);

// The assembler's number literal: digits, hexadecimal letters, an optional
// leading sign and an optional radix letter at the end (B, D, H, either case).
// Returns true and sets value when the text is a literal; false (value left
// unchanged) otherwise.
bool ParseNumber(std::string_view text, int32_t& value);

// 0 for '0'..'9', 1 for ASCII letters, 2 for everything else.
int CharClass(char c);

// Upper-case hexadecimal digits of the low 16 bits of value, without leading
// zeros ("0" for 0), padded in front with zeros to width; never cut.
std::string IntToHexPad(int32_t value, uint16_t width);

// Decimal digits of the value taken as 16-bit unsigned, zero padded to width.
std::string IntToDecPad(int32_t value, uint16_t width);

// Binary digits of the value taken as 16-bit unsigned, without leading zeros
// (0 gives no digit at all), zero padded to width.
std::string IntToBinPad(int32_t value, uint16_t width);

// Upper-case hexadecimal digits of the value taken as 32-bit unsigned,
// without leading zeros ("0" for 0).
std::string IntToHexStr(int32_t value);

}  // namespace kyvor
