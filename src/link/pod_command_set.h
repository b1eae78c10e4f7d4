#pragma once
// The pod's command set: every command's leading bytes and the length of its
// reply, and the pod's answer bytes, named once. The pod protocol
// (pod_protocol.h) assembles its packets from these rows, and the virtual pod
// of the tests answers by them.
#include <cstdint>

namespace kyvor::podcmd {

// The pod's answers in reply byte 0.
inline constexpr uint8_t Ack = 0xFA;              // a command carried out
inline constexpr uint8_t BlockAck = 0xAA;         // a block header taken; a display command done
inline constexpr uint8_t LockedElsewhere = 0x49;  // a lock answer that also counts as taken

// One command: byte 0, byte 1 when the command has a fixed second byte, the
// bytes sent and the bytes read back (0: as many as the data need).
struct TPodCommand {
  uint8_t Code;
  uint8_t Sub;
  bool HasSub;
  uint8_t Out;
  uint8_t Reply;
};

constexpr TPodCommand Command(uint8_t code, uint8_t out, uint8_t reply) {
  return {code, 0, false, out, reply};
}
constexpr TPodCommand Command(uint8_t code, uint8_t sub, uint8_t out, uint8_t reply) {
  return {code, sub, true, out, reply};
}

// --- the link ------------------------------------------------------------------
inline constexpr TPodCommand Identity = Command(0xF9, 0xAC, 2, 8);    // "AlbaNord" / "BrisSudo"
inline constexpr TPodCommand Announce = Command(0xF9, 0x01, 4, 8);    // F9 01 lo hi
inline constexpr TPodCommand OpenCheck = Command(0xF9, 0x02, 4, 8);   // answers FF FF
inline constexpr TPodCommand LinkStart = Command(0xC5, 0xFF, 4, 64);  // C5 FF v 01
inline constexpr uint8_t LinkStartLastByte = 0x01;
inline constexpr TPodCommand CloseReport = Command(0xA5, 0x12, 3, 1);  // A5 12 00

// --- the emulator ----------------------------------------------------------------
inline constexpr TPodCommand Ping = Command(0xA5, 0x00, 2, 1);
inline constexpr TPodCommand WriteControl = Command(0xA6, 3, 1);  // A6 v 00
inline constexpr TPodCommand ReadControl = Command(0xA7, 1, 2);   // FA, the control register
inline constexpr TPodCommand ReadStatus = Command(0xA8, 1, 2);    // FA, the status byte
// A4 header(3) length(3) [data]: a read answers its length, a write 3 bytes.
inline constexpr TPodCommand Memory = Command(0xA4, 7, 0);
inline constexpr uint8_t MemoryWriteReply = 3;
// Block transfers: A2 (program or data memory) and AF (the SBM area),
// header(3) length(3) and a mode byte on a write; each data packet is
// answered by 3 bytes, each A3 by the next chunk.
inline constexpr TPodCommand BlockWrite = Command(0xA2, 8, 1);
inline constexpr TPodCommand SbmBlockWrite = Command(0xAF, 8, 1);
inline constexpr TPodCommand BlockRead = Command(0xA2, 7, 1);
inline constexpr TPodCommand BlockChunk = Command(0xA3, 1, 0);
inline constexpr uint8_t BlockDataReply = 3;
inline constexpr TPodCommand Stack = Command(0xB9, 2, 0);        // B9 n: 3 bytes a level
inline constexpr TPodCommand ChipVariant = Command(0xB0, 2, 1);  // B0 13 or B0 12
inline constexpr uint8_t ChipVariantKind3 = 0x13, ChipVariantOther = 0x12;
inline constexpr TPodCommand SessionBegin = Command(0xA1, 0x02, 2, 2);
inline constexpr TPodCommand SessionEnd = Command(0xA1, 0x03, 2, 2);
inline constexpr TPodCommand AccessGate = Command(0xB5, 0x04, 3, 1);  // B5 04 x: 0 opens

// --- the programmer ------------------------------------------------------------------
// AA 02 / AA 03 address(3) length(3); each AB asks for the next chunk.
inline constexpr TPodCommand ImageWrite = Command(0xAA, 0x02, 8, 1);
inline constexpr TPodCommand ImageRead = Command(0xAA, 0x03, 8, 1);
inline constexpr TPodCommand ImageChunk = Command(0xAB, 1, 0);
inline constexpr TPodCommand EraseSector = Command(0xAC, 0xD8, 8, 3);  // AC D8 address(3) 00 00 00
inline constexpr TPodCommand PollBusy = Command(0xAC, 0x05, 8, 1);     // AC 05 00 00 00 00 00 01
inline constexpr uint8_t PollBusyLastByte = 0x01;
inline constexpr TPodCommand FinishWrite = Command(0xAC, 0x06, 8, 3);
inline constexpr TPodCommand Setting = Command(0xCE, 0x02, 7, 1);  // CE 02 03 10 00 lo hi
inline constexpr uint8_t SettingBytes[5] = {0xCE, 0x02, 0x03, 0x10, 0x00};
// F9 10 part, then 52 bytes.
inline constexpr TPodCommand CalibrationBlock = Command(0xF9, 0x10, 64, 64);
inline constexpr TPodCommand WriterIdentity = Command(0xF9, 0x09, 2, 8);  // "WQRP"
inline constexpr TPodCommand Lock = Command(0xF9, 0x0C, 3, 8);            // F9 0C v
inline constexpr TPodCommand Display = Command(0xBB, 0x00, 4, 4);         // BB 00 00 code
inline constexpr TPodCommand DisplayText = Command(0xBB, 0x02, 0, 0);     // BB 02 m text
inline constexpr TPodCommand ChipRead = Command(0xB6, 0x00, 7, 5);  // B6 00 address(2) words(3)
inline constexpr TPodCommand ChipChunk = Command(0xB7, 1, 0);
inline constexpr TPodCommand ChipIdShort = Command(0xB4, 7, 8);  // B4 00 80 FE 00 00 01
inline constexpr uint8_t ChipIdShortBytes[7] = {0xB4, 0x00, 0x80, 0xFE, 0x00, 0x00, 0x01};
inline constexpr TPodCommand ChipIdLong = Command(0xD6, 1, 4);
// B8 type starts a chip operation (types 0..6); B8 10 reads the status, B8 07
// the calibration result, B8 80 flags runs an operation with calibration.
inline constexpr uint8_t ChipOperationCode = 0xB8;
inline constexpr uint8_t ChipOperationReply = 10;
inline constexpr TPodCommand ChipOperation = Command(ChipOperationCode, 2, ChipOperationReply);
inline constexpr TPodCommand ChipStatus = Command(ChipOperationCode, 0x10, 2, ChipOperationReply);
inline constexpr TPodCommand ChipCalibration =
    Command(ChipOperationCode, 0x07, 2, ChipOperationReply);
inline constexpr TPodCommand ChipCalibratedOperation =
    Command(ChipOperationCode, 0x80, 3, ChipOperationReply);

// --- the options dialog's service commands ----------------------------------------------
// B5 02 v (programming voltage), B5 03 v (supply).
inline constexpr uint8_t MeasureSwitchCode = 0xB5;
inline constexpr TPodCommand MeasureSwitch = Command(MeasureSwitchCode, 3, 1);
inline constexpr TPodCommand Measurement = Command(0xAE, 0x03, 2, 32);
inline constexpr TPodCommand KeyModeWrite = Command(0xF9, 0x0D, 3, 8);  // F9 0D v
inline constexpr TPodCommand KeyModeRead = Command(0xF9, 0x0E, 2, 8);
inline constexpr TPodCommand KeyModeExchange = Command(0xF9, 0x12, 64, 64);  // F9 12 00 00

}  // namespace kyvor::podcmd
