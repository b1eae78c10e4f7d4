// The watch tables without windows: value formats (exact decimals of any
// length), bit watches, adding and removing, the edit record, the ".pro" file
// byte for byte, and the RAM labels of the data symbols.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "debugwin/ramdata.h"
#include "debugwin/watchdata.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/file_bytes.h"

namespace kyvor {
namespace {

TEST(WatchDecimal, ExactForEveryLength) {
  EXPECT_EQ(HexToDecimal(""), "0");
  EXPECT_EQ(HexToDecimal("563412"), "5649426");
  EXPECT_EQ(HexToDecimal("123456"), "1193046");
  EXPECT_EQ(HexToDecimal("FFFFFFFF"), "4294967295");
  EXPECT_EQ(HexToDecimal("0100000000"), "4294967296") << "beyond 32 bits";
  EXPECT_EQ(HexToDecimal(std::string(32, 'F')), "340282366920938463463374607431768211455");
  EXPECT_EQ(HexToDecimal("0000000000000001000000000000000000000000"),
            "79228162514264337593543950336");
}

class WatchData : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    up->AddSymbol("COUNT", 0x90, 3, 'D');
    up->AddSymbol("BIG", 0xA0, 16, 'D');
    up->AddSymbol("LED", 3, 0, 'C');
    up->AddSymbol("PORTA", 0x40, 0, 'C');
    up->AddSymbol("NINE", 9, 0, 'C');
    up->AddSymbol("FEEDH", 0x55, 0, 'C');
    table.Init(*up);
  }
  TWatchRecord& watch(const std::string& name) {
    return const_cast<TWatchRecord&>(table.Watches()[std::size_t(table.WatchIndex(name))]);
  }
  std::string value(const std::string& name, int format) {
    return WatchValueOf(*up, watch(name), format).Value;
  }
  TWatchRecord bitWatch(const std::string& name, const std::string& reference) {
    TWatchRecord loaded = *table.Row(name);
    const TWatchEditView v = WatchEditViewOf(loaded);
    TWatchRecord out;
    EXPECT_TRUE(MakeWatchEdit(*up, loaded, name, v.Value, true, reference, "A", out));
    return out;
  }
  TWatchTable table;
  QTemporaryDir dir;
};

TEST_F(WatchData, RowsOfTheSymbolTable) {
  ASSERT_EQ(table.All().size(), 6u);
  const TWatchRecord& c = table.All()[0];
  EXPECT_EQ(c.Name, "COUNT");
  EXPECT_EQ(c.Addr, "090");
  EXPECT_EQ(c.Reserve, "0");
  EXPECT_EQ(c.Length, "03");
  EXPECT_EQ(c.Type, "D");
  EXPECT_EQ(c.Mark, "R");
  EXPECT_TRUE(table.Watches().empty());
}

TEST_F(WatchData, AddTwiceKeepsOneRowAndRemoveMovesUp) {
  EXPECT_TRUE(table.AddWatch("COUNT"));
  EXPECT_FALSE(table.AddWatch("COUNT"));
  EXPECT_FALSE(table.AddWatch("NOSUCH"));
  EXPECT_TRUE(table.AddWatch("LED"));
  EXPECT_EQ(table.Row("COUNT")->Mark, "A");
  EXPECT_TRUE(table.RemoveWatch("COUNT"));
  EXPECT_FALSE(table.RemoveWatch("COUNT"));
  ASSERT_EQ(table.Watches().size(), 1u);
  EXPECT_EQ(table.Watches()[0].Name, "LED");
  EXPECT_EQ(table.Row("COUNT")->Mark, "R");
  table.ClearAllWatches();
  EXPECT_TRUE(table.Watches().empty());
  EXPECT_EQ(table.Row("LED")->Mark, "R");
}

TEST_F(WatchData, DataVariableInTheFourFormats) {
  up->WriteRegisterModel(0x90, 0x12);
  up->WriteRegisterModel(0x91, 0x34);
  up->WriteRegisterModel(0x92, 0x56);
  table.AddWatch("COUNT");
  EXPECT_EQ(value("COUNT", 0), "563412");
  EXPECT_EQ(value("COUNT", 1), "123456");
  EXPECT_EQ(value("COUNT", 2), "5649426");
  EXPECT_EQ(value("COUNT", 3), "1193046");
  EXPECT_EQ(WatchValueOf(*up, watch("COUNT"), 0).Binary, "");
}

TEST_F(WatchData, SixteenBytesAreShownAndExact) {
  for (int k = 0; k < 16; ++k) up->WriteRegisterModel(0xA0 + k, 0xFF);
  table.AddWatch("BIG");
  EXPECT_EQ(value("BIG", 1), std::string(32, 'F'));
  EXPECT_EQ(value("BIG", 3), "340282366920938463463374607431768211455");
}

TEST_F(WatchData, ConstantShowsItsByteAndBits) {
  up->WriteRegisterModel(3, 0xA5);
  table.AddWatch("LED");
  const TWatchValue v = WatchValueOf(*up, watch("LED"), 2);
  EXPECT_EQ(v.Value, "A5");
  EXPECT_EQ(v.Binary, "10100101");
}

TEST_F(WatchData, BitWatchOnARegisterSymbol) {
  table.AddWatch("LED");
  const TWatchRecord edit = bitWatch("LED", "PORTA");
  EXPECT_EQ(edit.Addr, "040[3]");
  EXPECT_EQ(edit.RefSymbol, "PORTA");
  EXPECT_EQ(edit.Length, "40");
  EXPECT_EQ(edit.Type, "3");
  EXPECT_EQ(edit.Reserve, "1");
  EXPECT_EQ(table.ApplyWatchRecord(edit), 0);
  EXPECT_EQ(watch("LED").Addr, "040[3]");
  up->WriteRegisterModel(0x40, 0x08);
  EXPECT_EQ(value("LED", 0), "1");
  up->WriteRegisterModel(0x40, 0xF7);
  EXPECT_EQ(value("LED", 0), "0");
  // A numeric reference; a name that reads as a number means the symbol.
  EXPECT_EQ(bitWatch("LED", "41H").Addr, "041[3]");
  EXPECT_EQ(bitWatch("LED", "FEEDH").Addr, "055[3]");
  TWatchRecord out;
  EXPECT_FALSE(MakeWatchEdit(*up, *table.Row("LED"), "LED", "003", true, "NOWHERE", "A", out));
  // The dialog shows a numeric reference as 0 + hex + H.
  TWatchRecord numeric = bitWatch("LED", "41H");
  EXPECT_EQ(WatchEditViewOf(numeric).Reference, "041H");
  EXPECT_EQ(WatchEditViewOf(edit).Reference, "PORTA");
  EXPECT_EQ(WatchEditViewOf(edit).Value, "003");
  EXPECT_TRUE(WatchEditViewOf(edit).BitMode);
  // "Clear All Properties" gives the normal row back.
  table.ClearAllProperties();
  EXPECT_EQ(watch("LED").Reserve, "0");
  EXPECT_EQ(watch("LED").Addr, "003");
}

TEST_F(WatchData, ApplyRecordMovesTheMark) {
  TWatchRecord r = *table.Row("NINE");
  r.Mark = "A";
  EXPECT_EQ(table.ApplyWatchRecord(r), 1);
  r.Mark = "R";
  EXPECT_EQ(table.ApplyWatchRecord(r), -1);
}

TEST_F(WatchData, PropertiesFileIsByteExactAndRoundTrips) {
  table.AddWatch("COUNT");
  table.AddWatch("LED");
  table.ApplyWatchRecord(bitWatch("LED", "PORTA"));
  table.AddWatch("NINE");
  TWatchRecord numeric = bitWatch("NINE", "41H");
  numeric.Type = "1";  // bit 1 (the symbol's value 9 is no bit number; the file keeps any)
  numeric.Addr = "041[1]";
  table.ApplyWatchRecord(numeric);
  const std::string path = dir.filePath("blink.pro").toStdString();
  ASSERT_TRUE(SaveWatchFile(path, table));
  EXPECT_EQ(test::ReadFileBytes(path),
            "0 COUNT A \r\n0 BIG R \r\n1 LED A PORTA 3 \r\n0 PORTA R \r\n1 NINE A 41 1 \r\n"
            "0 FEEDH R \r\n");

  TWatchTable back;
  back.Init(*up);
  std::vector<TWatchPropertyLine> lines;
  ASSERT_TRUE(ReadWatchFile(path, lines));
  ApplyWatchFile(*up, lines, back);
  ASSERT_EQ(back.Watches().size(), 3u);
  EXPECT_EQ(back.Watches()[0].Name, "COUNT");
  EXPECT_EQ(back.Watches()[1].Name, "LED");
  EXPECT_EQ(back.Watches()[1].Addr, "040[3]");
  EXPECT_EQ(back.Watches()[1].RefSymbol, "PORTA");
  // The numeric reference "41" is read back as hex 41, not decimal.
  EXPECT_EQ(back.Watches()[2].Length, "41");
  const std::string again = dir.filePath("again.pro").toStdString();
  ASSERT_TRUE(SaveWatchFile(again, back));
  EXPECT_EQ(test::ReadFileBytes(again).substr(0, 20), test::ReadFileBytes(path).substr(0, 20));
  EXPECT_EQ(test::ReadFileBytes(again).find("1 LED A PORTA 3 \r\n") != std::string::npos, true);
}

// A symbol of value 0 is a symbol all the same: a bit watch referring to one
// comes back from the file referring to it by name.
TEST_F(WatchData, ABitWatchOnASymbolOfValueZeroComesBackByName) {
  up->AddSymbol("INDF", 0, 0, 'C');
  table.Init(*up);
  table.AddWatch("LED");
  ASSERT_EQ(table.ApplyWatchRecord(bitWatch("LED", "INDF")), 0);
  const std::string path = dir.filePath("zero.pro").toStdString();
  ASSERT_TRUE(SaveWatchFile(path, table));
  ASSERT_NE(test::ReadFileBytes(path).find("1 LED A INDF 3 \r\n"), std::string::npos);

  TWatchTable back;
  back.Init(*up);
  std::vector<TWatchPropertyLine> lines;
  ASSERT_TRUE(ReadWatchFile(path, lines));
  ApplyWatchFile(*up, lines, back);
  ASSERT_EQ(back.Watches().size(), 1u);
  EXPECT_EQ(back.Watches()[0].RefSymbol, "INDF");
  EXPECT_EQ(back.Watches()[0].Addr, "000[3]");
  EXPECT_EQ(back.Watches()[0].Length, "0");
  const std::string again = dir.filePath("again.pro").toStdString();
  ASSERT_TRUE(SaveWatchFile(again, back));
  EXPECT_EQ(test::ReadFileBytes(again), test::ReadFileBytes(path));
}

TEST_F(WatchData, ALineWithoutItsLastBlankIsSkipped) {
  const std::string path = dir.filePath("short.pro").toStdString();
  std::ofstream(path, std::ios::binary) << "0 COUNT A\r\n1 LED A PORTA 3\r\n0 NINE A \r\n1 FEEDH A 40 \r\n";
  std::vector<TWatchPropertyLine> lines;
  ASSERT_TRUE(ReadWatchFile(path, lines));
  ASSERT_EQ(lines.size(), 1u) << "only the complete line";
  EXPECT_EQ(lines[0].Name, "NINE");
  EXPECT_FALSE(ReadWatchFile(dir.filePath("none.pro").toStdString(), lines));
}

TEST_F(WatchData, DataSymbolsLabelTheRamUpToTheLastAddress) {
  up->AddSymbol("TOP", 0xFFE, 4, 'D');
  up->AddSymbol("ONE", 0x88, 1, 'd');
  TRamMarks marks;
  LabelDataSymbols(*up, marks, kDefaultMarkColour);
  EXPECT_TRUE(marks.Marked(0x90));
  EXPECT_EQ(marks.HintText[0x90], "COUNT[0]");
  EXPECT_EQ(marks.HintText[0x92], "COUNT[2]");
  EXPECT_FALSE(marks.Hinted(0x93));
  EXPECT_EQ(marks.HintText[0x88], "ONE");
  EXPECT_EQ(marks.HintText[0xFFF], "TOP[1]");
  EXPECT_FALSE(marks.Marked(3)) << "constants label nothing";
}

}  // namespace
}  // namespace kyvor
