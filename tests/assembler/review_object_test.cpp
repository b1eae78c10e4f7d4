// Object files included as source: absolute code words, GLOBAL constants,
// no source page of their own, and damaged streams.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewObject : public Review {
 protected:
  static std::string Record(const char* hi, const char* lo) {
    std::string r;
    for (int i = 0; i < 3; ++i) r += std::string("\x8D") + "0000";
    return r + hi + lo;
  }
  static std::string Object() {
    std::string s;
    s += "\x84";
    s += "C00" "03" "ABC";
    s += "\x85\x86";
    s += "00000012";
    s += "\x87";
    s += "\x80";
    s += "00000001";
    s += "\x81\x82";
    s += Record("06", "05");
    s += Record("00", "00");
    s += "\x88";
    return s;
  }
};

TEST_F(ReviewObject, CodeAndConstantsOfAnObject) {
  Write("PART.OBJ", Object());
  ASSERT_EQ(RunSource(Lines({"  INCLUDE PART.OBJ", "  MVL ABC"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
  EXPECT_EQ(Hex4(W(1)), "0000");
  EXPECT_EQ(Hex4(W(2)), "0612");
  ASSERT_NE(FinalSym("ABC"), nullptr);
  EXPECT_EQ(FinalSym("ABC")->Value, 0x12);
  EXPECT_EQ(FinalSym("ABC")->Kind, 'C');
  ASSERT_EQ(target->Symbols.size(), 1u);
  EXPECT_EQ(target->Symbols[0].Name, "ABC");
  // No source page for the object; its words carry its file index.
  ASSERT_EQ(host->Loaded.size(), 1u);
  EXPECT_EQ(host->Loaded[0], P("main.asm"));
  EXPECT_EQ(target->Words[0].File, 1);
  EXPECT_EQ(target->Words[2].File, 0);
  const std::string lst = Read("main.lst");
  EXPECT_NE(lst.find("  M   0000  0605    MVL       0005H\r\n"), std::string::npos) << lst;
}

TEST_F(ReviewObject, ObjectSuffixInAnyCase) {
  Write("part.obj", Object());
  ASSERT_EQ(RunSource(Lines({"  INCLUDE part.obj"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
}

TEST_F(ReviewObject, DamagedObjectIsReported) {
  Write("BAD.OBJ", "hello, world");
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE BAD.OBJ"})), 0);
  EXPECT_GE(Errors(), 1);
  Write("CUT.OBJ", Object().substr(0, 40));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE CUT.OBJ"})), 0);
  EXPECT_GE(Errors(), 1);
}

}  // namespace
}  // namespace kyvor::review
