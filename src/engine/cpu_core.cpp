#include "engine/cpu_core.h"

#include <array>

#include "engine/instruction_rows.h"

#define KYVOR_HOT inline __attribute__((always_inline))

namespace kyvor {

namespace {

// Post-update requests, in the order they are served (at most one per word).
enum : uint16_t {
  kInc0 = 1u << 0,
  kDec0 = 1u << 1,
  kAddW0 = 1u << 6,
};

// Signed overflow of x + y giving r (8-bit operands).
KYVOR_HOT uint8_t OverflowBit(uint32_t x, uint32_t y, uint32_t r) {
  if ((x ^ y) & 0x80) return 0;
  return (x & 0x80) ? ((~r >> 7) & 1) : ((r >> 7) & 1);
}

// Z and N of each byte.
constexpr std::array<uint8_t, 256> kZN = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned v = 0; v < 256; ++v) t[v] = uint8_t((v == 0 ? sf::Z : 0) | (v & 0x80 ? sf::N : 0));
  return t;
}();

// Z and N of a result.
KYVOR_HOT uint8_t ZN(uint32_t r) { return kZN[r & 0xFF]; }

KYVOR_HOT int32_t Signed8(uint32_t v) { return int32_t(int8_t(uint8_t(v))); }
KYVOR_HOT int32_t Signed11(uint32_t v) {
  v &= 0x7FF;
  return v >= 1024 ? int32_t(v) - 2048 : int32_t(v);
}

constexpr int kPtrHigh[3] = {reg::PTR0H, reg::PTR1H, reg::PTR2H};
constexpr int kPtrLow[3] = {reg::PTR0L, reg::PTR1L, reg::PTR2L};

KYVOR_HOT uint32_t PointerValue(const uint8_t* r, unsigned n) {
  return (uint32_t(r[kPtrHigh[n]]) << 8) | r[kPtrLow[n]];
}

// The address an access in `mode` reads through pointer value p.
KYVOR_HOT uint32_t PointerTarget(const uint8_t* r, uint32_t p, unsigned mode) {
  switch (mode) {
    case 3: return (p + 1) & 0xFFFF;
    case 4: return uint32_t(int32_t(p) + Signed8(r[reg::W])) & 0xFFFF;
    default: return p;
  }
}

// Whether an execution reads the byte at its data address.
constexpr bool ReadsFile(const TExecution& e) {
  switch (e.Family) {
    case TExecFamily::Arithmetic: return e.A == TInput::F || e.B == TInput::F;
    case TExecFamily::Logic:
    case TExecFamily::Multiply: return e.B == TInput::F;
    case TExecFamily::Move: return TMoveOp(e.Operation) == TMoveOp::WithFile;
    case TExecFamily::BitChange:
    case TExecFamily::Skip: return true;
    default: return false;
  }
}

// Pointer and mode of a K08A indirect address 0..14 (pointer a / 5, mode a % 5).
struct TPointerForm {
  uint8_t pointer, mode;
};
constexpr TPointerForm kK08APointers[15] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4},
                                            {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4},
                                            {2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}};

}  // namespace

uint32_t TCpuCore::PeekIndirectAddress(uint32_t a) const {
  const uint8_t* r = s_.Registers();
  if (t_.Variant() == kCoreK08B) {
    if (a == 0) return PointerValue(r, 0);
    if (a == 5) return PointerValue(r, 1);
    return a;
  }
  if (a > 14) return a;
  const TPointerForm pf = kK08APointers[a];
  return PointerTarget(r, PointerValue(r, pf.pointer), pf.mode);
}

// The indirect access of a decoded word's operand 1: the address read, and
// the post-update it asks for (K08A only).
KYVOR_HOT uint32_t TCpuCore::resolvePointer(TStep& x) {
  const TDecodedWord& d = x.d;
  if (d.Pointer == TDecodedWord::kNoPointer) return d.Op1;
  const uint8_t* r = x.r;
  const unsigned n = d.Pointer;
  const uint32_t p = PointerValue(r, n);
  switch (d.PointerMode) {
    case 1:
    case 3: x.post |= uint16_t(kInc0 << (2 * n)); break;
    case 2: x.post |= uint16_t(kDec0 << (2 * n)); break;
    case 4:
      x.post |= uint16_t(kAddW0 << n);
      savedW_[n] = r[reg::W];
      break;
    default: break;
  }
  return PointerTarget(r, p, d.PointerMode);
}

// The data address of a word. The second word of MVFF is the destination:
// always resolved like the first.
template <bool Second>
KYVOR_HOT uint32_t TCpuCore::dataAddress(TStep& x) {
  if constexpr (Second)
    if (s_.PendingTwoWordKind == ik::MVFF) return resolvePointer(x);
  switch (x.d.Access) {
    case 0: return uint32_t(x.r[reg::BSR]) * 256u + x.d.Op1;
    case 1: return x.d.Op1;
    default: return resolvePointer(x);
  }
}

void TCpuCore::applyPostUpdate(uint16_t req) {
  int bit = 0;
  while (!(req & (1u << bit))) ++bit;
  int n;
  int32_t delta;
  if (bit < 6) {
    n = bit / 2;
    delta = (bit & 1) ? -1 : 1;
  } else {
    n = bit - 6;
    delta = Signed8(savedW_[n]);
  }
  uint8_t* r = s_.Registers();
  const uint32_t v = uint32_t(int32_t(PointerValue(r, unsigned(n))) + delta) & 0xFFFF;
  r[kPtrHigh[n]] = uint8_t(v >> 8);
  r[kPtrLow[n]] = uint8_t(v);
}

// A data write; the stack register keeps its count, and a write to
// "PCLATL" is a computed jump (PC := registers 25:26:27).
KYVOR_HOT void TCpuCore::writeData(TStep& x, uint32_t address, uint32_t value) {
  if (address >= uint32_t(TTargetState::kRegisterCount)) return;
  uint8_t* r = x.r;
  if (address == uint32_t(reg::STKPTR))
    r[address] = uint8_t((r[address] & 0x1F) | (value & 0xE0));
  else
    r[address] = uint8_t(value);
  if (address == uint32_t(reg::PCLATL))
    x.pc = (uint32_t(r[reg::PCLATU]) << 16) | (uint32_t(r[reg::PCLATH]) << 8) | r[reg::PCLATL];
}

// PC moves of the executed word, mirrored into registers 26 and 27 as the
// target state says (see TTargetState::SetProgramCounter and AdvancePC).
KYVOR_HOT void TCpuCore::advance(TStep& x, uint32_t n) {
  x.pc = (x.pc + n) & 0xFFFFF;
  if (x.mirror) x.r[reg::PCLATL] = uint8_t(x.pc);
}

KYVOR_HOT void TCpuCore::jump(TStep& x, uint32_t to) {
  x.pc = to & 0xFFFFF;
  if (x.mirror) {
    x.r[reg::PCLATL] = uint8_t(x.pc);
    x.r[reg::PCLATH] = uint8_t(x.pc >> 8);
  }
}

// The result to W, to the data address, or as the destination bit says.
template <TStore Store>
KYVOR_HOT void TCpuCore::store(TStep& x, uint32_t value) {
  if constexpr (Store == TStore::F) {
    writeData(x, x.addr, value);
  } else if constexpr (Store == TStore::W) {
    x.r[reg::W] = uint8_t(value);
  } else if constexpr (Store == TStore::ByDestination) {
    if (x.d.ToF)
      writeData(x, x.addr, value);
    else
      x.r[reg::W] = uint8_t(value);
  }
}

template <bool Guard>
KYVOR_HOT void TCpuCore::setFlags(const TStep& x, uint8_t values) {
  if (Guard && x.addr == uint32_t(reg::STATUS)) return;
  const uint8_t mask = x.d.FlagsSet;
  uint8_t& st = x.r[reg::STATUS];
  st = uint8_t((st & ~mask) | (values & mask));
}

KYVOR_HOT void TCpuCore::skipIf(TStep& x, bool taken) {
  if (taken) {
    advance(x, 1);
    ++x.cycles;
  }
}

template <TInput In>
KYVOR_HOT uint32_t TCpuCore::input(const TStep& x) {
  if constexpr (In == TInput::W) return x.w();
  if constexpr (In == TInput::NotW) return 255 - x.w();
  if constexpr (In == TInput::F) return x.f;
  if constexpr (In == TInput::Literal) return x.d.Op1;
  if constexpr (In == TInput::One) return 1;
  if constexpr (In == TInput::AllOnes) return 255;
  return 0;
}

bool TCpuCore::takeInterrupt() {
  uint8_t* r = s_.Registers();
  r[reg::INTE0] = uint8_t(r[reg::INTE0] & 0x7F);
  s_.SaveShadow();
  s_.PushStack(s_.GetPC());  // the stack entry only
  s_.SetProgramCounter(4);
  s_.AddCycles(4);
  s_.SleepFlag = 0;
  s_.IdleFlag = 0;
  return true;
}

// ---------------------------------------------------------------------------
// The families

// A + B + carry-in; every flag, OV and DC from the two inputs.
template <TExecution E, bool Guard>
KYVOR_HOT void TCpuCore::arithmetic(TStep& x) {
  const uint32_t a = input<E.A>(x);
  const uint32_t b = input<E.B>(x);
  uint32_t carry = E.CarryIn == TCarryIn::One ? 1 : 0;
  if constexpr (E.CarryIn == TCarryIn::Carry) carry = (x.r[reg::STATUS] & sf::C) ? 1 : 0;
  const uint32_t res = a + b + carry;
  store<E.Store>(x, res);
  setFlags<Guard>(
      x, uint8_t(ZN(res) | (res > 255 ? sf::C : 0) | (OverflowBit(a, b, res) ? sf::OV : 0) |
                 (((a & 15) + (b & 15) + carry) > 15 ? sf::DC : 0)));
}

// Logic operations and rotates of B (with W where the operation takes two).
template <TExecution E, bool Guard>
KYVOR_HOT void TCpuCore::logic(TStep& x) {
  constexpr TLogicOp op = TLogicOp(E.Operation);
  const uint32_t v = input<E.B>(x);
  const uint32_t w = x.w();
  const uint32_t c = (x.r[reg::STATUS] & sf::C) ? 1 : 0;
  uint32_t res = 0;
  uint8_t extra = 0;  // carry out and overflow of the rotates
  if constexpr (op == TLogicOp::And) res = v & w;
  if constexpr (op == TLogicOp::Or) res = v | w;
  if constexpr (op == TLogicOp::Xor) res = v ^ w;
  if constexpr (op == TLogicOp::Complement) res = 255 - v;
  if constexpr (op == TLogicOp::RotateLeft) res = ((v << 1) | (v >> 7)) & 0xFF;
  if constexpr (op == TLogicOp::RotateRight) res = (v >> 1) | ((v & 1) << 7);
  if constexpr (op == TLogicOp::RotateRightCarry) {
    res = (c << 7) | (v >> 1);
    extra = (v & 1) ? sf::C : 0;
  }
  if constexpr (op == TLogicOp::RotateLeftCarry) {
    res = ((v << 1) | c) & 0xFF;
    extra = (v & 0x80) ? sf::C : 0;
  }
  if constexpr (op == TLogicOp::ArithRotateLeft) {
    res = ((v << 1) | c) & 0xFF;
    extra = uint8_t(((v ^ res) & 0x80 ? sf::OV : 0) | ((v & 0x80) ? sf::C : 0));
  }
  if constexpr (op == TLogicOp::ArithRotateRight) {
    res = (v & 0x80) | (v >> 1);
    extra = (v & 1) ? sf::C : 0;
  }
  if constexpr (op == TLogicOp::Swap) res = ((v << 4) | (v >> 4)) & 0xFF;
  store<E.Store>(x, res);
  if constexpr (E.FlagsSet != 0) setFlags<Guard>(x, uint8_t(ZN(res) | extra));
}

template <TExecution E>
KYVOR_HOT void TCpuCore::move(TStep& x) {
  constexpr TMoveOp op = TMoveOp(E.Operation);
  if constexpr (op == TMoveOp::Clear) writeData(x, x.addr, 0);
  if constexpr (op == TMoveOp::Set) writeData(x, x.addr, 0xFF);
  if constexpr (op == TMoveOp::WithFile) {  // destination 1: W to F; 0: F to W
    if (x.d.ToF)
      writeData(x, x.addr, x.w());
    else
      x.r[reg::W] = uint8_t(x.f);
  }
  if constexpr (op == TMoveOp::Literal) x.r[reg::W] = uint8_t(x.d.Op1);
  if constexpr (op == TMoveOp::Bank) x.r[reg::BSR] = uint8_t(x.d.Op1);
}

template <TExecution E>
KYVOR_HOT void TCpuCore::bitChange(TStep& x) {
  constexpr TBitOp op = TBitOp(E.Operation);
  const uint32_t bit = 1u << x.d.Op2;
  uint32_t v = x.f;
  if constexpr (op == TBitOp::Clear) {
    v = x.f & ~bit;
    // Clearing "FULL" or "OVER" of the stack register clears both.
    if (x.addr == uint32_t(reg::STKPTR) && (x.d.Op2 == 7 || x.d.Op2 == 5)) v = x.f & 0x5F;
  }
  if constexpr (op == TBitOp::Set) v = x.f | bit;
  if constexpr (op == TBitOp::Toggle) v = x.f ^ bit;
  writeData(x, x.addr, v);
}

// The skip comes first and the write after it, so a result written to
// "PCLATL" (a computed jump) wins over the skip.
template <TExecution E>
KYVOR_HOT void TCpuCore::skip(TStep& x) {
  skipIf(x, ConditionHolds(E.Condition, x.d.ConditionBits, x.f, x.w(), x.r[reg::STATUS]));
  constexpr TSkipResult result = TSkipResult(E.Operation);
  if constexpr (result == TSkipResult::Increment) store<E.Store>(x, x.f + 1);
  if constexpr (result == TSkipResult::Decrement) store<E.Store>(x, x.f - 1);
}

template <TExecution E>
KYVOR_HOT void TCpuCore::branch(TStep& x) {
  if (ConditionHolds(E.Condition, E.StatusBit, x.f, x.w(), x.r[reg::STATUS])) {
    jump(x, uint32_t(int32_t(x.pc) + Signed8(x.d.Op1)));
    ++x.cycles;
  }
}

template <TExecution E, bool Guard>
KYVOR_HOT void TCpuCore::multiply(TStep& x) {
  const uint32_t res = input<E.B>(x) * x.w();
  x.r[reg::PRODH] = uint8_t(res >> 8);
  x.r[reg::PRODL] = uint8_t(res);
  if constexpr (E.FlagsSet != 0) setFlags<Guard>(x, (res & 0xFF) == 0 ? sf::Z : 0);
}

// A call's push: the stack entry and the top-of-stack registers.
void TCpuCore::pushReturn(uint32_t address) {
  s_.PushStack(address);
  s_.WriteTopOfStack(address);
}

// After a return or POP the top-of-stack registers show the new top entry.
void TCpuCore::loadTopOfStack() {
  s_.WriteTopOfStack(s_.GetStackEntry(s_.Registers()[reg::STKPTR] & 0x1F));
}

// The shadow select of RETI and RET (operand 1) exists under K08A only.
void TCpuCore::restoreShadowIfAsked(const TDecodedWord& d) {
  if (t_.Variant() != kCoreK08B && d.Op1 == 1) s_.RestoreShadow();
}

template <uint8_t Kind>
KYVOR_HOT void TCpuCore::flow(TStep& x) {
  const TDecodedWord& d = x.d;
  uint8_t* r = x.r;
  const uint32_t relative = uint32_t(int32_t(x.pc) + Signed11(d.Op1));
  if constexpr (Kind == ik::RETL) {
    jump(x, s_.PopStack(true));
    r[reg::W] = uint8_t(d.Op1);
  } else if constexpr (Kind == ik::CALL) {
    if (d.Flags & rf::LongCall) {  // the second word gives the low 12 bits
      if (d.Op2 == 1) s_.SaveShadow();
      pushReturn(x.pc);
      s_.TwoWordOperand = int32_t(d.Op1);
      s_.PendingTwoWordKind = ik::CALL;
      x.pending = true;
    } else {
      pushReturn(x.pc);
      jump(x, d.Op1 & 0xFFF);
    }
  } else if constexpr (Kind == ik::JMP) {
    if (d.Flags & rf::LongJump) {
      s_.TwoWordOperand = int32_t(d.Op1);
      s_.PendingTwoWordKind = ik::JMP;
      x.pending = true;
    } else {
      jump(x, d.Op1 & 0xFFF);
    }
  } else if constexpr (Kind == ik::RETI) {
    jump(x, s_.PopStack(true));
    restoreShadowIfAsked(d);
    r[reg::INTE0] = uint8_t(r[reg::INTE0] | 0x80);
  } else if constexpr (Kind == ik::RET) {
    jump(x, s_.PopStack(true));
    loadTopOfStack();
    restoreShadowIfAsked(d);
  } else if constexpr (Kind == ik::RCALL) {
    pushReturn(x.pc);
    jump(x, relative);
  } else if constexpr (Kind == ik::RJ) {
    jump(x, relative);
  } else if constexpr (Kind == ik::POP) {
    s_.PopStack(true);
    loadTopOfStack();
  }
}

// First words keep their part in the two-word state; NOPF completes the
// pending instruction (alone it does nothing).
template <uint8_t Kind, bool Second>
KYVOR_HOT void TCpuCore::twoWord(TStep& x) {
  uint8_t* r = x.r;
  const uint32_t op1 = x.d.Op1;
  if constexpr (Kind == ik::MVLP) {
    r[reg::TBLPTRU] = uint8_t(op1 >> 4);
    s_.TablePointerStage[0] = uint8_t((op1 << 4) & 0xFF);
    s_.PendingTwoWordKind = ik::MVLP;
    x.pending = true;
  } else if constexpr (Kind == ik::LDPR) {
    s_.PointerSelect = uint8_t(op1 & 3);
    s_.PendingTwoWordKind = ik::LDPR;
    x.pending = true;
  } else if constexpr (Kind == ik::MVFF) {
    s_.TwoWordOperand = int32_t(x.addr);  // the source
    s_.PendingTwoWordKind = ik::MVFF;
    x.pending = true;
  } else if constexpr (Second) {
    switch (s_.PendingTwoWordKind) {
      case ik::CALL:
      case ik::JMP: jump(x, (uint32_t(s_.TwoWordOperand) << 12) | (op1 & 0xFFF)); break;
      case ik::MVLP:
        r[reg::TBLPTRH] = uint8_t((s_.TablePointerStage[0] + (op1 >> 8)) & 0xFF);
        r[reg::TBLPTRL] = uint8_t(op1);
        break;
      case ik::LDPR:
        if (s_.PointerSelect < 3) {
          r[kPtrHigh[s_.PointerSelect]] = uint8_t(op1 >> 8);
          r[kPtrLow[s_.PointerSelect]] = uint8_t(op1);
        }
        break;
      case ik::MVFF: {
        const uint32_t src = uint32_t(s_.TwoWordOperand);
        writeData(x, x.addr, src < uint32_t(TTargetState::kRegisterCount) ? r[src] : 0);
        break;
      }
      default: break;
    }
    s_.PendingTwoWordKind = 0;
  }
}

KYVOR_HOT void TCpuCore::tableRead(TStep& x) {
  uint8_t* r = x.r;
  uint32_t t =
      (uint32_t(r[reg::TBLPTRU]) << 16) | (uint32_t(r[reg::TBLPTRH]) << 8) | r[reg::TBLPTRL];
  const uint16_t pw = s_.ReadProgramWord(t);
  r[reg::TBLDH] = uint8_t(pw >> 8);
  r[reg::TBLDL] = uint8_t(pw);
  if (x.d.Op1 == 1) {
    t = (t + 1) & 0xFFFFFF;
    r[reg::TBLPTRU] = uint8_t(t >> 16);
    r[reg::TBLPTRH] = uint8_t(t >> 8);
    r[reg::TBLPTRL] = uint8_t(t);
  }
}

template <uint8_t Kind>
KYVOR_HOT void TCpuCore::power(TStep& x) {
  x.run.unusual = true;
  if constexpr (Kind == ik::IDLE) {
    s_.IdleFlag = 1;
    x.r[reg::PWRSTAT] = uint8_t(x.r[reg::PWRSTAT] | 0x20);
  } else {
    s_.SleepFlag = 1;
    x.r[reg::PWRSTAT] = uint8_t(x.r[reg::PWRSTAT] | 0x40);
  }
}

// The routine of declaration `Row`, its family's routine specialized with
// the row's details.
template <std::size_t Row, bool Second>
KYVOR_HOT void TCpuCore::runRow(TStep& x) {
  constexpr TInstructionRow row = kInstructionRows[Row];
  constexpr TExecution e = row.Exec;
  constexpr bool guard = row.NoRegisterOperand == 0;
  // Only instructions with a data operand (and MVFF) form a data address;
  // a word after MVFF is its destination whatever it is, and the
  // resolution's post-update happens either way.
  if constexpr (row.NoRegisterOperand == 0 || row.Kind == ik::MVFF) {
    x.addr = dataAddress<Second>(x);
    if constexpr (ReadsFile(e))
      x.f = x.addr < uint32_t(TTargetState::kRegisterCount) ? x.r[x.addr] : 0u;
  } else if constexpr (Second) {
    if (s_.PendingTwoWordKind == ik::MVFF) x.addr = resolvePointer(x);
  }
  x.cycles = row.Cycles;
  if constexpr (e.Family == TExecFamily::Arithmetic) arithmetic<e, guard>(x);
  if constexpr (e.Family == TExecFamily::Logic) logic<e, guard>(x);
  if constexpr (e.Family == TExecFamily::Move) move<e>(x);
  if constexpr (e.Family == TExecFamily::BitChange) bitChange<e>(x);
  if constexpr (e.Family == TExecFamily::Skip) skip<e>(x);
  if constexpr (e.Family == TExecFamily::Branch) branch<e>(x);
  if constexpr (e.Family == TExecFamily::Multiply) multiply<e, guard>(x);
  if constexpr (e.Family == TExecFamily::Flow) flow<row.Kind>(x);
  if constexpr (e.Family == TExecFamily::TwoWord) twoWord<row.Kind, Second>(x);
  if constexpr (e.Family == TExecFamily::TableRead) tableRead(x);
  if constexpr (e.Family == TExecFamily::Power) power<row.Kind>(x);
}

// Runs the routine of the word's declaration: one case per declaration, so
// that every routine is inlined here. A row without a declaration decodes
// but does nothing (one cycle); false when the word matches no row. A word
// the table has not decoded yet is decoded first.
template <bool Second>
KYVOR_HOT bool TCpuCore::dispatch(TStep& x) {
  static_assert(kInstructionCount == 67, "one case per declaration");
  // clang-format off
#define KYVOR_ROW(n) \
  case DeclarationCode(n): runRow<(n), Second>(x); return true;
#define KYVOR_ROWS8(n)                                                                   \
  KYVOR_ROW(n) KYVOR_ROW(n + 1) KYVOR_ROW(n + 2) KYVOR_ROW(n + 3) KYVOR_ROW(n + 4) \
  KYVOR_ROW(n + 5) KYVOR_ROW(n + 6) KYVOR_ROW(n + 7)
  for (;;) {
    switch (x.d.Declaration) {
      KYVOR_ROWS8(0) KYVOR_ROWS8(8) KYVOR_ROWS8(16) KYVOR_ROWS8(24) KYVOR_ROWS8(32)
      KYVOR_ROWS8(40) KYVOR_ROWS8(48) KYVOR_ROWS8(56) KYVOR_ROW(64) KYVOR_ROW(65) KYVOR_ROW(66)
      case TDecodedWord::kNoRow: return false;
      case TDecodedWord::kNotDecoded: t_.DecodedWord(uint16_t(&x.d - x.run.decoded)); break;
      default: dataAddress<Second>(x); return true;
    }
  }
#undef KYVOR_ROWS8
#undef KYVOR_ROW
  // clang-format on
}

// The simulated timer: a prescaler of 256 words, then the counter; its
// selected bit raises the timer flag on the rising edge.
KYVOR_HOT void TCpuCore::tickTimer() {
  uint8_t* r = s_.Registers();
  if (!(r[reg::TMRCTL] & 0x80)) return;
  if (++s_.TimerPrescaleCount <= 255) return;
  s_.TimerPrescaleCount = 0;
  const uint8_t cnt = uint8_t(r[reg::TMRCNT] + 1);
  r[reg::TMRCNT] = cnt;
  const unsigned n = (r[reg::TMRCTL] >> 4) & 7;
  if (!((cnt >> n) & 1)) {
    s_.TimerEdgeFlag = 0;
  } else if (!s_.TimerEdgeFlag) {
    r[reg::INTF0] = uint8_t(r[reg::INTF0] | 0x08);
    s_.TimerEdgeFlag = 1;
  }
}

TCpuCore::TRun TCpuCore::openRun() {
  return TRun{s_.Registers(), s_.Cells().data(), uint32_t(s_.ProgramWords()),
              words_,         s_.MirrorPc(),     false};
}

// One word at `pc`; `pc` is the new PC after it. The PC travels in a
// register through the word and from word to word; the caller stores it in
// the state.
template <TCpuCore::TForm Form>
KYVOR_HOT TCpuCore::TWordEnd TCpuCore::executeWord(TRun& run, uint32_t& pc) {
  constexpr bool kSecond = Form == TForm::Any;
  const uint32_t here = pc;
  const uint16_t word = here < run.words ? run.cells[here].Opcode : 0;
  uint8_t* r = run.r;
  TStep x{run.decoded[word], run, r, 0, 0, 1, here, 0, false, Form == TForm::First || run.mirror};
  advance(x, 1);
  const bool decoded = dispatch<kSecond>(x);
  pc = x.pc;
  if (!decoded) return TWordEnd::NotDecoded;
  if (x.post) applyPostUpdate(x.post);
  s_.AddCycles(x.cycles);
  tickTimer();
  s_.PushPcHistory(here);
  return x.pending ? TWordEnd::Pending : TWordEnd::Done;
}

// Out of line, the rare words (the second word of a two-word instruction,
// every word while the PC is not mirrored). It takes copies, so that the
// caller's run stays in registers.
__attribute__((noinline)) TCpuCore::TAnyWordEnd TCpuCore::executeAnyWord(TRun run, uint32_t pc) {
  const TWordEnd end = executeWord<TForm::Any>(run, pc);
  return {pc, run.unusual, end};
}

// A rare word, its PC and whether it slept taken back into the run (inline:
// the run is handed out as a copy only).
KYVOR_HOT TCpuCore::TWordEnd TCpuCore::runAnyWord(TRun& run, uint32_t& pc) {
  const TAnyWordEnd end = executeAnyWord(run, pc);
  pc = end.pc;
  run.unusual = end.unusual;
  return end.end;
}

// The word after a pending first word: a NOPF completes the instruction;
// any other word runs as itself and the unfinished instruction is dropped.
void TCpuCore::completeInstruction(TRun& run, uint32_t& pc) {
  runAnyWord(run, pc);
  s_.PendingTwoWordKind = 0;
}

// Both words of a two-word instruction. A two-word instruction never
// outlives the call, so that a first word never finds one pending.
template <TCpuCore::TForm Form>
KYVOR_HOT bool TCpuCore::executeInstruction(TRun& run, uint32_t& pc) {
  TWordEnd end;
  if constexpr (Form == TForm::First)
    end = executeWord<TForm::First>(run, pc);
  else
    end = runAnyWord(run, pc);
  switch (end) {
    case TWordEnd::NotDecoded: s_.PendingTwoWordKind = 0; return false;
    case TWordEnd::Pending: completeInstruction(run, pc); break;
    case TWordEnd::Done: break;
  }
  return true;
}

// A state left in the middle of a two-word instruction (set from outside)
// goes on with its second word.
bool TCpuCore::ExecuteOne() {
  TRun run = openRun();
  uint32_t pc = s_.GetPC();
  bool decoded = true;
  if (s_.PendingTwoWordKind == 0)
    decoded = executeInstruction<TForm::Any>(run, pc);
  else
    completeInstruction(run, pc);
  s_.SetPcWithoutMirror(pc);
  return decoded;
}

// Asleep or idle, nothing runs (only an interrupt wakes the core); awake,
// the tick completes an instruction left pending from outside.
void TCpuCore::unusualTick(TRun& run, uint32_t& pc) {
  if (s_.SleepFlag | s_.IdleFlag) return;
  run.unusual = false;
  completeInstruction(run, pc);
}

template <TCpuCore::TForm Form>
KYVOR_HOT uint64_t TCpuCore::runLoop(TRun& run, uint64_t budget, uint32_t stopAddress,
                                     bool& stopped) {
  uint32_t pc = s_.GetPC();
  for (uint64_t left = budget; left; --left) {
    if (!run.unusual)
      executeInstruction<Form>(run, pc);
    else
      unusualTick(run, pc);
    if (interruptPending()) {
      s_.SetPcWithoutMirror(pc);
      takeInterrupt();
      pc = s_.GetPC();
      run.unusual = s_.PendingTwoWordKind != 0;
    }
    if (s_.HasBreakFlag(pc) || pc == stopAddress) {
      s_.SetPcWithoutMirror(pc);
      stopped = true;
      return budget - left + 1;
    }
  }
  s_.SetPcWithoutMirror(pc);
  return budget;
}

uint64_t TCpuCore::RunUntilBreak(uint64_t budget, uint32_t stopAddress, bool& stopped) {
  stopped = false;
  TRun run = openRun();
  run.unusual = (s_.SleepFlag | s_.IdleFlag) != 0 || s_.PendingTwoWordKind != 0;
  if (run.mirror) return runLoop<TForm::First>(run, budget, stopAddress, stopped);
  return runLoop<TForm::Any>(run, budget, stopAddress, stopped);
}

}  // namespace kyvor
