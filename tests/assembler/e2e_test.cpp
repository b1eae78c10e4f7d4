// From source to registers: programs assembled here run in the CPU model's
// simulator and leave the expected values in data memory.
#include "asm_fixture.h"

namespace kyvor::test {
namespace {

class EndToEndTest : public AsmFixture {
 protected:
  // Steps until the program counter reaches `stop` (at most `limit` steps).
  bool RunUntil(uint32_t stop, int limit) {
    Modes().SimulatorMode = 1;
    up->CpuReset();
    for (int i = 0; i < limit; ++i) {
      if (up->GetPC() == stop) return true;
      up->TraceStep();
    }
    return up->GetPC() == stop;
  }
  uint32_t LabelAddress(const std::string& name) const {
    const TAsmSymbol* s = asmForm->PassSymbols().FindSymbol(name);
    return s ? static_cast<uint32_t>(s->Value) : 0xFFFFFFFFu;
  }
};

const char* const kSumProgram[] = {
    "; RESULT := 1 + 2 + ... + 10, through a subroutine and a macro",
    "        INCLUDE SUMDEFS.INC",
    "        MEMAR   90H",
    "RESULT  DS      1",
    "COUNTER DS      1",
    "        ORG     0",
    "START:  LOAD    COUNTER, TOP",
    "        CLRF    RESULT",
    "NEXT:   CALL    ADDIT",
    "        DCSZ    COUNTER, 1",
    "        JMP     NEXT",
    "DONE:   JMP     DONE",
    "ADDIT:  MVF     COUNTER, 0      ; W := COUNTER",
    "        ADDF    RESULT, 1       ; RESULT := RESULT + W",
    "        RET",
};

const char* const kSumDefs[] = {
    "TOP     EQU     10",
    "LOAD    MACRO   REG, VALUE",
    "        MVL     VALUE",
    "        MVF     REG, 1",
    "        ENDM",
};

std::string Join(const char* const* lines, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += std::string(lines[i]) + "\r\n";
  return s;
}

TEST_F(EndToEndTest, SumLoopWithLongCalls) {
  Write("sum.asm", Join(kSumProgram, std::size(kSumProgram)));
  Write("sumdefs.inc", Join(kSumDefs, std::size(kSumDefs)));
  ASSERT_EQ(Assemble("sum.asm"), 1) << FirstError();
  EXPECT_EQ(Word(3), 0xC000);  // CALL ADDIT: two words
  ASSERT_TRUE(RunUntil(LabelAddress("DONE"), 1000));
  EXPECT_EQ(up->ReadRegister(0x90), 55);
  EXPECT_EQ(up->ReadRegister(0x91), 0);
}

TEST_F(EndToEndTest, SumLoopWithShortenedCalls) {
  options.SmartCompiler = 1;
  options.COptimization = 1;
  Write("sum.asm", Join(kSumProgram, std::size(kSumProgram)));
  Write("sumdefs.inc", Join(kSumDefs, std::size(kSumDefs)));
  ASSERT_EQ(Assemble("sum.asm"), 1) << FirstError();
  EXPECT_EQ(Word(3) & 0xF800, 0xC800);  // RCALL
  EXPECT_EQ(Word(5) & 0xF800, 0x7800);  // RJ NEXT
  ASSERT_TRUE(RunUntil(LabelAddress("DONE"), 1000));
  EXPECT_EQ(up->ReadRegister(0x90), 55);
}

TEST_F(EndToEndTest, TableOfWordsAndConditionalBuild) {
  Write("t.asm", Crlf({"        DEFINE  DOUBLE = 1", "        MEMAR   0A0H", "OUT     DS      1",
                      "        ORG     0", "        MVL     21", "        IF      DOUBLE",
                      "        ADDL    21", "        ENDIF", "        MVF     OUT, 1",
                      "STOP:   RJ      STOP"}));
  ASSERT_EQ(Assemble("t.asm"), 1) << FirstError();
  ASSERT_TRUE(RunUntil(LabelAddress("STOP"), 100));
  EXPECT_EQ(up->ReadRegister(0xA0), 42);
}

}  // namespace
}  // namespace kyvor::test
