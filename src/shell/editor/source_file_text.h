#pragma once
// Reading and writing source files so that their bytes survive editing.
// A file is decoded for display (Big5, the system's encoding, or UTF-8 when
// the bytes are not Big5 but valid UTF-8); bytes that decode to nothing are
// kept as private-use characters, so any file reads and writes back as it
// was. Lines the user did not touch are written with their original bytes
// and line ends; new or edited lines are encoded again and end with the
// file's usual line end (CR LF for new files).
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace kyvor {

enum class TEdEncoding { Big5, Utf8 };

struct TEdRawLine {
  QByteArray body;  // bytes of the line without its line end
  QByteArray end;   // "\r\n", "\n", or empty for a last line without one
};

struct TEdTextFile {
  QString text;  // lines joined with '\n'
  TEdEncoding encoding = TEdEncoding::Big5;
  QByteArray lineEnd = "\r\n";  // for new and edited lines
  bool utf8Bom = false;
  qint64 byteSize = 0;
  // Decoded line text -> the original lines with that text, in file order.
  QHash<QString, QList<TEdRawLine>> original;
};

// Splits and decodes raw file bytes; the encoding is detected unless given.
TEdTextFile DecodeTextFile(const QByteArray& bytes,
                           std::optional<TEdEncoding> encoding = std::nullopt);
// Encodes a text as the file would hold it. False (with a reason) when a
// character cannot be written in the file's encoding.
bool EncodeTextFile(const QString& text, const TEdTextFile& origin, QByteArray& out,
                    QString* error = nullptr);
// The bytes the text takes in the file, as EncodeTextFile writes it; a
// character that the encoding cannot hold counts as one byte.
qint64 EncodedSize(const QString& text, const TEdTextFile& origin);

// Big5 (code page 950) text of one line, with undecodable bytes kept.
QString DecodeBig5(const QByteArray& bytes);
// Back to bytes; false when a character has no Big5 form.
bool EncodeBig5(const QString& text, QByteArray& out);

// File helpers: ReadTextFile gives false (with a reason) when the file
// cannot be opened or read; WriteTextFile writes through a temporary file
// so that a failed write leaves the old file whole.
bool ReadTextFile(const QString& path, TEdTextFile& out, QString* error = nullptr);
// written, when given, receives the bytes that went to the file.
bool WriteTextFile(const QString& path, const QString& text, const TEdTextFile& origin,
                   QString* error = nullptr, QByteArray* written = nullptr);

}  // namespace kyvor
