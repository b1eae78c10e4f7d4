#include "engine/cpu_core.h"

namespace kyvor {

namespace {

// Post-update requests, in the order they are served (at most one per word).
enum : uint16_t {
  kInc0 = 1u << 0,
  kDec0 = 1u << 1,
  kInc1 = 1u << 2,
  kDec1 = 1u << 3,
  kInc2 = 1u << 4,
  kDec2 = 1u << 5,
  kAddW0 = 1u << 6,
  kAddW1 = 1u << 7,
  kAddW2 = 1u << 8,
};

constexpr uint8_t kAllFlags = sf::Z | sf::OV | sf::N | sf::DC | sf::C;

// Signed overflow of x + y giving r (8-bit operands).
inline uint8_t OverflowBit(uint32_t x, uint32_t y, uint32_t r) {
  if ((x ^ y) & 0x80) return 0;
  return (x & 0x80) ? ((~r >> 7) & 1) : ((r >> 7) & 1);
}

// Z, N and C of a result (C: result above 255).
inline uint8_t ZNC(uint32_t r) {
  return uint8_t(((r & 0xFF) == 0 ? sf::Z : 0) | ((r & 0x80) ? sf::N : 0) |
                 (r > 255 ? sf::C : 0));
}

inline uint8_t ZN(uint32_t r) {
  return uint8_t(((r & 0xFF) == 0 ? sf::Z : 0) | ((r & 0x80) ? sf::N : 0));
}

inline int32_t Signed8(uint32_t v) { return int32_t(int8_t(uint8_t(v))); }
inline int32_t Signed11(uint32_t v) {
  v &= 0x7FF;
  return v >= 1024 ? int32_t(v) - 2048 : int32_t(v);
}

const int kPtrHigh[3] = {reg::PTR0H, reg::PTR1H, reg::PTR2H};
const int kPtrLow[3] = {reg::PTR0L, reg::PTR1L, reg::PTR2L};

}  // namespace

uint32_t TCpuCore::PeekIndirectAddress(uint32_t a) const {
  const uint8_t* r = s_.Registers();
  if (t_.Variant() == kCoreK08B) {
    if (a == 0) return (uint32_t(r[reg::PTR0H]) << 8) | r[reg::PTR0L];
    if (a == 5) return (uint32_t(r[reg::PTR1H]) << 8) | r[reg::PTR1L];
    return a;
  }
  if (a > 14) return a;
  const unsigned n = a / 5, m = a % 5;
  const uint32_t p = (uint32_t(r[kPtrHigh[n]]) << 8) | r[kPtrLow[n]];
  switch (m) {
    case 3: return (p + 1) & 0xFFFF;
    case 4: return uint32_t(int32_t(p) + Signed8(r[reg::W])) & 0xFFFF;
    default: return p;
  }
}

uint32_t TCpuCore::ResolveIndirectAddress(uint32_t a) {
  const uint32_t address = PeekIndirectAddress(a);
  if (t_.Variant() == kCoreK08B || a > 14) return address;
  const unsigned n = a / 5, m = a % 5;
  switch (m) {
    case 1: postRequests_ |= uint16_t(kInc0 << (2 * n)); break;
    case 2: postRequests_ |= uint16_t(kDec0 << (2 * n)); break;
    case 3: postRequests_ |= uint16_t(kInc0 << (2 * n)); break;
    case 4:
      postRequests_ |= uint16_t(kAddW0 << n);
      savedW_[n] = s_.Registers()[reg::W];
      break;
    default: break;
  }
  return address;
}

void TCpuCore::applyPostUpdate() {
  const uint16_t req = postRequests_;
  if (!req) return;
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
  const uint32_t p = ((uint32_t(r[kPtrHigh[n]]) << 8) | r[kPtrLow[n]]);
  const uint32_t v = uint32_t(int32_t(p) + delta) & 0xFFFF;
  r[kPtrHigh[n]] = uint8_t(v >> 8);
  r[kPtrLow[n]] = uint8_t(v);
}

void TCpuCore::writeData(uint32_t address, uint32_t value) {
  if (address >= uint32_t(TTargetState::kRegisterCount)) return;
  uint8_t* r = s_.Registers();
  if (address == uint32_t(reg::STKPTR))
    r[address] = uint8_t((r[address] & 0x1F) | (value & 0xE0));
  else
    r[address] = uint8_t(value);
  s_.LatchPcFromRegisters(int(address));
}

void TCpuCore::setFlags(uint32_t address, uint8_t mask, uint8_t values) {
  if (address == uint32_t(reg::STATUS)) return;
  if (t_.Variant() == kCoreK08B) mask &= (sf::Z | sf::C);
  uint8_t& st = s_.Registers()[reg::STATUS];
  st = uint8_t((st & ~mask) | (values & mask));
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

inline __attribute__((always_inline)) bool TCpuCore::executeWord() {
  const uint32_t here = s_.GetPC();
  const uint16_t word = s_.ReadProgramWord(here);
  s_.AdvancePC(1);
  postRequests_ = 0;

  const TDecodedWord& d = t_.DecodedWord(word);
  if (d.Row == 0xFF) return false;

  uint8_t* r = s_.Registers();
  const bool k08a = t_.Variant() != kCoreK08B;
  const uint8_t kind = d.Kind;
  const uint32_t op1 = d.Op1;
  const int32_t pending = s_.PendingTwoWordKind;

  // Data address. The second word of MVFF is the destination: always
  // resolved like the first.
  uint32_t addr;
  if (pending == ik::MVFF)
    addr = ResolveIndirectAddress(op1);
  else if (d.Access == 0)
    addr = uint32_t(r[reg::BSR]) * 256u + op1;
  else if (d.Access == 1)
    addr = op1;
  else
    addr = ResolveIndirectAddress(op1);
  const uint32_t f = addr < uint32_t(TTargetState::kRegisterCount) ? r[addr] : 0;
  const uint32_t w = r[reg::W];
  const uint32_t c = (r[reg::STATUS] & sf::C) ? 1 : 0;
  const bool toF = d.Op2 != 0;  // destination bit of the arithmetic and logic kinds
  uint32_t cycles = 1;
  uint32_t res;

  auto toDest = [&](uint32_t v) {
    if (toF)
      writeData(addr, v);
    else
      r[reg::W] = uint8_t(v);
  };
  auto skipIf = [&](bool cond) {
    if (cond) {
      s_.AdvancePC(1);
      ++cycles;
    }
  };
  auto branchIf = [&](bool cond) {
    if (cond) {
      s_.SetProgramCounter(uint32_t(int32_t(s_.GetPC()) + Signed8(op1)));
      ++cycles;
    }
  };
  auto push = [&](uint32_t v) {
    s_.PushStack(v);
    s_.WriteTopOfStack(v);
  };
  const uint8_t st = r[reg::STATUS];

  switch (kind) {
    case ik::NOP:
    case ik::CWDT:
      break;
    case ik::CLRF: writeData(addr, 0); break;
    case ik::SETF: writeData(addr, 0xFF); break;
    case ik::ADDF:
      res = w + f;
      toDest(res);
      setFlags(addr, kAllFlags,
               ZNC(res) | (OverflowBit(w, f, res) ? sf::OV : 0) |
                   (((w & 15) + (f & 15)) > 15 ? sf::DC : 0));
      break;
    case ik::ADDC:
      res = w + f + c;
      toDest(res);
      setFlags(addr, kAllFlags,
               ZNC(res) | (OverflowBit(w, f, res) ? sf::OV : 0) |
                   (((w & 15) + (f & 15) + c) > 15 ? sf::DC : 0));
      break;
    case ik::INF:
      res = f + 1;
      toDest(res);
      setFlags(addr, kAllFlags,
               ZNC(res) | (OverflowBit(f, 1, res) ? sf::OV : 0) |
                   (((f & 15) + 1) > 15 ? sf::DC : 0));
      break;
    case ik::DCF:
      res = f + 255;
      toDest(res);
      setFlags(addr, kAllFlags,
               ZNC(res) | (OverflowBit(f, 255, res) ? sf::OV : 0) |
                   (((f & 15) + 15) > 15 ? sf::DC : 0));
      break;
    case ik::SUBF:
    case ik::SUBC: {
      const uint32_t nw = 255 - w;
      const uint32_t carry = kind == ik::SUBF ? 1 : c;
      res = f + nw + carry;
      toDest(res);
      setFlags(addr, kAllFlags,
               ZNC(res) | (OverflowBit(nw, f, res) ? sf::OV : 0) |
                   (((nw & 15) + (f & 15) + carry) > 15 ? sf::DC : 0));
      break;
    }
    // The skip comes first and the write after it, so a result written to
    // "PCLATL" (a computed jump) wins over the skip.
    case ik::INSZ:
      skipIf(f == 0xFF);
      toDest(f + 1);
      break;
    case ik::DCSZ:
      skipIf(f == 1);
      toDest(f - 1);
      break;
    case ik::INSUZ:
      skipIf(((f + 1) & 0xFF) != 0);
      toDest(f + 1);
      break;
    case ik::DCSUZ:
      skipIf(((f - 1) & 0xFF) != 0);
      toDest(f - 1);
      break;
    case ik::COMF:
      res = 255 - f;
      toDest(res);
      setFlags(addr, sf::Z | sf::N, ZN(res));
      break;
    case ik::MVF:
      if (toF)
        writeData(addr, w);
      else
        r[reg::W] = uint8_t(f);
      break;
    case ik::ANDF: res = f & w; toDest(res); setFlags(addr, sf::Z | sf::N, ZN(res)); break;
    case ik::IORF: res = f | w; toDest(res); setFlags(addr, sf::Z | sf::N, ZN(res)); break;
    case ik::XORF: res = f ^ w; toDest(res); setFlags(addr, sf::Z | sf::N, ZN(res)); break;
    case ik::RLF:
      res = ((f << 1) | (f >> 7)) & 0xFF;
      toDest(res);
      setFlags(addr, sf::Z | sf::N, ZN(res));
      break;
    case ik::RRF:
      res = (f >> 1) | ((f & 1) << 7);
      toDest(res);
      setFlags(addr, sf::Z | sf::N, ZN(res));
      break;
    // Literal instructions always update their flags.
    case ik::ADDL:
      res = w + op1;
      r[reg::W] = uint8_t(res);
      setFlags(0, kAllFlags,
               ZNC(res) | (OverflowBit(w, op1, res) ? sf::OV : 0) |
                   (((w & 15) + (op1 & 15)) > 15 ? sf::DC : 0));
      break;
    case ik::SUBL: {
      const uint32_t nw = 255 - w;
      res = op1 + nw + 1;
      r[reg::W] = uint8_t(res);
      setFlags(0, kAllFlags,
               ZNC(res) | (OverflowBit(nw, op1, res) ? sf::OV : 0) |
                   (((nw & 15) + (op1 & 15) + 1) > 15 ? sf::DC : 0));
      break;
    }
    case ik::ANDL: res = w & op1; r[reg::W] = uint8_t(res); setFlags(0, sf::Z | sf::N, ZN(res)); break;
    case ik::IORL: res = w | op1; r[reg::W] = uint8_t(res); setFlags(0, sf::Z | sf::N, ZN(res)); break;
    case ik::XORL: res = w ^ op1; r[reg::W] = uint8_t(res); setFlags(0, sf::Z | sf::N, ZN(res)); break;
    case ik::MVL: r[reg::W] = uint8_t(op1); break;
    case ik::RETL:
      s_.SetProgramCounter(s_.PopStack(true));
      r[reg::W] = uint8_t(op1);
      cycles = 2;
      break;
    case ik::CALL:
      if (k08a) {
        if (d.Op2 == 1) s_.SaveShadow();
        push(s_.GetPC());
        s_.TwoWordOperand = int32_t(op1);
        s_.PendingTwoWordKind = ik::CALL;
      } else {
        push(s_.GetPC());
        s_.SetProgramCounter(op1 & 0xFFF);
      }
      break;
    case ik::JMP:
      if (k08a) {
        s_.TwoWordOperand = int32_t(op1);
        s_.PendingTwoWordKind = ik::JMP;
      } else {
        s_.SetProgramCounter(op1 & 0xFFF);
      }
      break;
    case ik::RETI:
      s_.SetProgramCounter(s_.PopStack(true));
      if (k08a && op1 == 1) s_.RestoreShadow();
      r[reg::INTE0] = uint8_t(r[reg::INTE0] | 0x80);
      cycles = 2;
      break;
    case ik::RET:
      s_.SetProgramCounter(s_.PopStack(true));
      s_.WriteTopOfStack(s_.GetStackEntry(r[reg::STKPTR] & 0x1F));
      if (k08a && op1 == 1) s_.RestoreShadow();
      cycles = 2;
      break;
    case ik::IDLE:
      s_.IdleFlag = 1;
      r[reg::PWRSTAT] = uint8_t(r[reg::PWRSTAT] | 0x20);
      break;
    case ik::SLP:
      s_.SleepFlag = 1;
      r[reg::PWRSTAT] = uint8_t(r[reg::PWRSTAT] | 0x40);
      break;
    case ik::BCF: {
      uint32_t v = f & ~(1u << d.Op2);
      if (addr == uint32_t(reg::STKPTR) && (d.Op2 == 7 || d.Op2 == 5)) v = f & 0x5F;
      writeData(addr, v);
      break;
    }
    case ik::BSF: writeData(addr, f | (1u << d.Op2)); break;
    case ik::BTGF: writeData(addr, f ^ (1u << d.Op2)); break;
    case ik::BTSZ: skipIf(((f >> d.Op2) & 1) == 0); break;
    case ik::BTSS: skipIf(((f >> d.Op2) & 1) != 0); break;
    case ik::MULF:
      res = f * w;
      r[reg::PRODH] = uint8_t(res >> 8);
      r[reg::PRODL] = uint8_t(res);
      setFlags(addr, sf::Z, (res & 0xFF) == 0 ? sf::Z : 0);
      cycles = 2;
      break;
    case ik::MULL:
      res = w * op1;
      r[reg::PRODH] = uint8_t(res >> 8);
      r[reg::PRODL] = uint8_t(res);
      cycles = 2;
      break;
    case ik::RRFC:
      res = (c << 7) | (f >> 1);
      toDest(res);
      setFlags(addr, sf::Z | sf::N | sf::C, ZN(res) | ((f & 1) ? sf::C : 0));
      break;
    case ik::RLFC:
      res = ((f << 1) | c) & 0xFF;
      toDest(res);
      setFlags(addr, sf::Z | sf::N | sf::C, ZN(res) | ((f & 0x80) ? sf::C : 0));
      break;
    case ik::ARLC:
      res = ((f << 1) | c) & 0xFF;
      toDest(res);
      setFlags(addr, sf::Z | sf::OV | sf::N | sf::C,
               ZN(res) | (((f ^ res) & 0x80) ? sf::OV : 0) | ((f & 0x80) ? sf::C : 0));
      break;
    case ik::ARRC:
      res = (f & 0x80) | (f >> 1);
      toDest(res);
      setFlags(addr, sf::Z | sf::N | sf::C, ZN(res) | ((f & 1) ? sf::C : 0));
      break;
    case ik::SWPF: toDest(((f << 4) | (f >> 4)) & 0xFF); break;
    case ik::TBLR: {
      uint32_t t = (uint32_t(r[reg::TBLPTRU]) << 16) | (uint32_t(r[reg::TBLPTRH]) << 8) |
                   r[reg::TBLPTRL];
      const uint16_t pw = s_.ReadProgramWord(t);
      r[reg::TBLDH] = uint8_t(pw >> 8);
      r[reg::TBLDL] = uint8_t(pw);
      if (op1 == 1) {
        t = (t + 1) & 0xFFFFFF;
        r[reg::TBLPTRU] = uint8_t(t >> 16);
        r[reg::TBLPTRH] = uint8_t(t >> 8);
        r[reg::TBLPTRL] = uint8_t(t);
      }
      cycles = 2;
      break;
    }
    case ik::MVLP:
      r[reg::TBLPTRU] = uint8_t(op1 >> 4);
      s_.TablePointerStage[0] = uint8_t((op1 << 4) & 0xFF);
      s_.PendingTwoWordKind = ik::MVLP;
      break;
    case ik::LDPR:
      s_.PointerSelect = uint8_t(op1 & 3);
      s_.PendingTwoWordKind = ik::LDPR;
      break;
    case ik::MVFF:
      s_.TwoWordOperand = int32_t(addr);  // the source
      s_.PendingTwoWordKind = ik::MVFF;
      break;
    case ik::LBSR: r[reg::BSR] = uint8_t(op1); break;
    case ik::NOPF:
      switch (pending) {
        case ik::CALL:
        case ik::JMP:
          s_.SetProgramCounter((uint32_t(s_.TwoWordOperand) << 12) | (op1 & 0xFFF));
          break;
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
          writeData(addr, src < uint32_t(TTargetState::kRegisterCount) ? r[src] : 0);
          break;
        }
        default: break;
      }
      s_.PendingTwoWordKind = 0;
      break;
    case ik::JZ: branchIf(st & sf::Z); break;
    case ik::JC: branchIf(st & sf::C); break;
    case ik::JN: branchIf(st & sf::N); break;
    case ik::JO: branchIf(st & sf::OV); break;
    case ik::JNC: branchIf(!(st & sf::C)); break;
    case ik::JNZ: branchIf(!(st & sf::Z)); break;
    case ik::JNN: branchIf(!(st & sf::N)); break;
    case ik::JNO: branchIf(!(st & sf::OV)); break;
    case ik::CPSG: skipIf(w < f); break;
    case ik::CPSL: skipIf(f < w); break;
    case ik::CPSE: skipIf(f == w); break;
    case ik::TFSZ: skipIf(f == 0); break;
    case ik::RCALL:
      push(s_.GetPC());
      s_.SetProgramCounter(uint32_t(int32_t(s_.GetPC()) + Signed11(op1)));
      cycles = 2;
      break;
    case ik::RJ:
      s_.SetProgramCounter(uint32_t(int32_t(s_.GetPC()) + Signed11(op1)));
      cycles = 2;
      break;
    case ik::POP:
      s_.PopStack(true);
      s_.WriteTopOfStack(s_.GetStackEntry(r[reg::STKPTR] & 0x1F));
      break;
    default:
      break;
  }

  if (postRequests_) applyPostUpdate();
  s_.AddCycles(cycles);

  // Simulated timer.
  if (r[reg::TMRCTL] & 0x80) {
    if (++s_.TimerPrescaleCount > 255) {
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
  }
  s_.PushPcHistory(here);
  return true;
}

bool TCpuCore::ExecuteOne() {
  if (!executeWord()) {
    // A two-word instruction never outlives its call.
    s_.PendingTwoWordKind = 0;
    return false;
  }
  if (s_.PendingTwoWordKind > 0) {
    // The second word: a NOPF completes the instruction; any other word runs
    // as itself and the unfinished instruction is dropped.
    executeWord();
    s_.PendingTwoWordKind = 0;
  }
  return true;
}

uint64_t TCpuCore::RunUntilBreak(uint64_t budget, uint32_t stopAddress, bool& stopped) {
  stopped = false;
  for (uint64_t i = 0; i < budget;) {
    ++i;
    if (!(s_.SleepFlag | s_.IdleFlag)) {
      if (!executeWord()) {
        s_.PendingTwoWordKind = 0;
      } else if (s_.PendingTwoWordKind > 0) {
        executeWord();
        s_.PendingTwoWordKind = 0;
      }
    }
    CheckInterrupt();  // also while asleep: only an interrupt wakes the core
    const uint32_t pc = s_.GetPC();
    if (s_.HasBreakFlag(pc) || pc == stopAddress) {
      stopped = true;
      return i;
    }
  }
  return budget;
}

}  // namespace kyvor
