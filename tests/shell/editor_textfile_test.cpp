// Source files keep their bytes: Big5 text, CR LF and odd bytes survive a
// read and write; edited lines are encoded again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/editor/source_file_text.h"

using namespace kyvor;

namespace {

const QByteArray kBig5Crlf =
    "; \xA4\xA4\xA4\xE5\xB5\xF9\xB8\xD1\r\n"  // "; 中文註解"
    "\tMOV\tA,#12H\r\n"
    "\r\n"
    "LOOP:\tJMP\tLOOP ; \xB4\xFA\xB8\xD5\r\n";  // "測試"

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TEST(EditorTextFile, Big5CrlfDecodesForDisplayAndEncodesBackExactly) {
  TEdTextFile f = DecodeTextFile(kBig5Crlf);
  EXPECT_EQ(f.encoding, TEdEncoding::Big5);
  EXPECT_EQ(f.lineEnd, QByteArray("\r\n"));
  const QStringList lines = f.text.split('\n');
  ASSERT_EQ(lines.size(), 5);  // four lines and the empty end after the last break
  EXPECT_EQ(lines[0], Text("; 中文註解"));
  EXPECT_EQ(lines[1], Text("\tMOV\tA,#12H"));
  EXPECT_EQ(lines[3], Text("LOOP:\tJMP\tLOOP ; 測試"));
  EXPECT_TRUE(lines[4].isEmpty());
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(f.text, f, out));
  EXPECT_EQ(out, kBig5Crlf);
}

TEST(EditorTextFile, EditedLinesAreEncodedInBig5WithTheFilesLineEnd) {
  TEdTextFile f = DecodeTextFile(kBig5Crlf);
  QString text = f.text;
  text.replace(Text("#12H"), Text("#34H ; 新"));  // "新" is Big5 0xB7 0x73
  text.append(Text("\tNOP\n"));
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(text, f, out));
  EXPECT_EQ(out, QByteArray("; \xA4\xA4\xA4\xE5\xB5\xF9\xB8\xD1\r\n"
                            "\tMOV\tA,#34H ; \xB7\x73\r\n"
                            "\r\n"
                            "LOOP:\tJMP\tLOOP ; \xB4\xFA\xB8\xD5\r\n"
                            "\tNOP\r\n"));
}

TEST(EditorTextFile, MixedLineEndsAndMissingLastBreakArePreserved) {
  const QByteArray bytes = "a\r\nb\nc\r\nd";
  TEdTextFile f = DecodeTextFile(bytes);
  EXPECT_EQ(f.text, QString("a\nb\nc\nd"));
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(f.text, f, out));
  EXPECT_EQ(out, bytes);
  // Lines moved around keep their own bytes.
  ASSERT_TRUE(EncodeTextFile(QString("b\na\nd"), f, out));
  EXPECT_EQ(out, QByteArray("b\na\r\nd"));
}

TEST(EditorTextFile, DuplicateLinesTakeTheirOriginalEndsInOrder) {
  const QByteArray bytes = "x\r\nx\nx\r\n";
  TEdTextFile f = DecodeTextFile(bytes);
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(f.text, f, out));
  EXPECT_EQ(out, bytes);
}

TEST(EditorTextFile, BytesThatAreNoTextSurviveEvenOnEditedLines) {
  const QByteArray bytes = QByteArray("ok\x80\xFF z\r\n\x01\x00q\rr\r\n", 14);
  TEdTextFile f = DecodeTextFile(bytes);
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(f.text, f, out));
  EXPECT_EQ(out, bytes);
  QString edited = f.text;
  edited.replace(QString("ok"), QString("OK"));
  ASSERT_TRUE(EncodeTextFile(edited, f, out));
  EXPECT_EQ(out, QByteArray("OK\x80\xFF z\r\n\x01\x00q\rr\r\n", 14));
}

TEST(EditorTextFile, Utf8FilesThatAreNoBig5StayUtf8) {
  const QByteArray bytes = "; \xE4\xB8\xAD\xE6\x96\x87\n";  // "; 中文" in UTF-8
  TEdTextFile f = DecodeTextFile(bytes);
  EXPECT_EQ(f.encoding, TEdEncoding::Utf8);
  EXPECT_EQ(f.lineEnd, QByteArray("\n"));
  EXPECT_EQ(f.text, Text("; 中文\n"));
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(Text("; 中文\n; 新\n"), f, out));
  EXPECT_EQ(out, QByteArray("; \xE4\xB8\xAD\xE6\x96\x87\n; \xE6\x96\xB0\n"));
}

TEST(EditorTextFile, ByteOrderMarkIsKept) {
  const QByteArray bytes = "\xEF\xBB\xBFnop\r\n";
  TEdTextFile f = DecodeTextFile(bytes);
  EXPECT_EQ(f.text, QString("nop\n"));
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(QString("nop\nret\n"), f, out));
  EXPECT_EQ(out, QByteArray("\xEF\xBB\xBFnop\r\nret\r\n"));
}

TEST(EditorTextFile, EmptyAndNewFilesUseCrLf) {
  TEdTextFile f = DecodeTextFile(QByteArray());
  EXPECT_TRUE(f.text.isEmpty());
  QByteArray out;
  ASSERT_TRUE(EncodeTextFile(QString("a\nb"), f, out));
  EXPECT_EQ(out, QByteArray("a\r\nb"));
  ASSERT_TRUE(EncodeTextFile(QString(), f, out));
  EXPECT_TRUE(out.isEmpty());
}

TEST(EditorTextFile, CharacterWithoutBig5FormIsRefused) {
  TEdTextFile f = DecodeTextFile(kBig5Crlf);
  QByteArray out;
  QString error;
  EXPECT_FALSE(EncodeTextFile(f.text + Text("\xF0\x9F\x98\x80"), f, out, &error));  // an emoji
  EXPECT_FALSE(error.isEmpty());
}

TEST(EditorTextFile, WriteFailureLeavesTheOldFileWhole) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("a.asm");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kBig5Crlf);
  }
  TEdTextFile f;
  ASSERT_TRUE(ReadTextFile(path, f));
  QString error;
  EXPECT_FALSE(WriteTextFile(dir.filePath("no/such/folder/a.asm"), f.text, f, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(WriteTextFile(path, f.text + Text("\xF0\x9F\x98\x80"), f, &error));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), kBig5Crlf);
  EXPECT_FALSE(ReadTextFile(dir.filePath("missing.asm"), f));
  EXPECT_FALSE(ReadTextFile(dir.path(), f));
}
