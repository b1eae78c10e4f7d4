#pragma once
// The tag bytes of the object file (".obj"): the stream that carries a
// program's code with its GLOBAL and EXTERN names so that another program
// can INCLUDE it. Numbers between the tags are upper-case hex digits.
//
//   GLOBAL record   84 kind aux(2) length(2) name 85 86 value(8) 87
//   EXTERN record   89 length(2) name 8A 8B value(8) 8C
//   operand value   9C address(8) operand(1) value(8) 9D
//   code header     80 highest-address(8) 81
//   code records    82, then per address 0..highest: three operand
//                   descriptors (tag + four characters) and the word (4)
//   end             88 (83 also ends the records)
//
// An operand value record keeps what a code word cannot: the whole value of
// one operand (1..3) of the word at an address, before its selector, in the
// object's own layout, with an EXTERN name counted as its number. It is
// written before the code header for a relocated UP or HIGH part (the word
// keeps one byte of the address, and the load address changes the others
// and may carry into it) and for an EXTERN name with an offset.
#include <cstdint>

namespace kyvor::objtag {

inline constexpr unsigned char CodeHeader = 0x80;
inline constexpr unsigned char CodeHeaderEnd = 0x81;
inline constexpr unsigned char CodeRecords = 0x82;
inline constexpr unsigned char Stop = 0x83;
inline constexpr unsigned char Global = 0x84;
inline constexpr unsigned char GlobalNameEnd = 0x85;
inline constexpr unsigned char GlobalValue = 0x86;
inline constexpr unsigned char GlobalEnd = 0x87;
inline constexpr unsigned char End = 0x88;
inline constexpr unsigned char Extern = 0x89;
inline constexpr unsigned char ExternNameEnd = 0x8A;
inline constexpr unsigned char ExternValue = 0x8B;
inline constexpr unsigned char ExternEnd = 0x8C;
inline constexpr unsigned char OperandValue = 0x9C;
inline constexpr unsigned char OperandValueEnd = 0x9D;

// Operand descriptors.
// No GLOBAL or EXTERN name: four decimal digits, 0 absolute, else the
// relocation code (1 + selector, + 4 with '+', + 8 with '-').
inline constexpr unsigned char Plain = 0x8D;
// An EXTERN name alone, or any EXTERN name of RJ and RCALL: its number.
inline constexpr unsigned char ExternName = 0x8E;
// A GLOBAL name that is no code label, or any GLOBAL name of RJ and RCALL.
inline constexpr unsigned char GlobalName = 0x8F;
// A GLOBAL code label used by any other instruction.
inline constexpr unsigned char GlobalLabel = 0x90;
// EXTERN names with a selector (+ 1 UP, 2 HIGH, 3 LOW), without a sign, in
// a sum and in a difference.
inline constexpr unsigned char ExternSelected = 0x90;
inline constexpr unsigned char ExternPlus = 0x94;
inline constexpr unsigned char ExternMinus = 0x98;

// The selector numbers of the descriptors.
inline constexpr int SelectUp = 1, SelectHigh = 2, SelectLow = 3;

}  // namespace kyvor::objtag
