#include "shell/editor/source_file_text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <cerrno>
#include <iconv.h>
#include <vector>

namespace kyvor {

namespace {

// Bytes that decode to nothing are shown as U+F700 + byte.
constexpr char16_t kEscapeBase = 0xF700;
bool IsEscape(char16_t c) { return c >= kEscapeBase && c <= kEscapeBase + 0xFF; }
QChar Escape(unsigned char b) { return QChar(char16_t(kEscapeBase + b)); }
bool PlainAscii(unsigned char b) { return b == '\t' || (b >= 0x20 && b < 0x7F); }

// Code page 950: lead 0x81..0xFE, trail 0x40..0x7E or 0xA1..0xFE.
bool IsTrail(unsigned char t) { return (t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE); }
bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

class Big5Table {
 public:
  Big5Table() {
    iconv_t cd = iconv_open("UTF-16LE", "CP950");
    if (cd == iconv_t(-1)) cd = iconv_open("UTF-16LE", "BIG5");
    if (cd == iconv_t(-1)) return;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (!IsTrail(static_cast<unsigned char>(trail))) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char out[8] = {};
        char* ip = in;
        char* op = out;
        size_t il = 2, ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) continue;
        if (op - out != 2) continue;  // one UTF-16 unit only
        char16_t u = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                           (static_cast<unsigned char>(out[1]) << 8));
        if (u < 0x80 || IsEscape(u) || (u >= 0xD800 && u <= 0xDFFF)) continue;
        table_[index(lead, trail)] = u;
      }
    }
    iconv_close(cd);
  }
  char16_t at(unsigned char lead, unsigned char trail) const { return table_[index(lead, trail)]; }

 private:
  static int index(int lead, int trail) { return (lead - 0x81) * 191 + (trail - 0x40); }
  std::array<char16_t, 126 * 191> table_{};
};

const Big5Table& Big5() {
  static const Big5Table table;
  return table;
}

// Decodes one line as Big5; counts the bytes that had to be kept escaped
// because they are no Big5 (control characters do not count).
QString DecodeBig5Counted(const QByteArray& bytes, int* invalid) {
  QString s;
  s.reserve(bytes.size());
  const int n = bytes.size();
  for (int i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      s += PlainAscii(b) ? QChar(char16_t(b)) : Escape(b);
      ++i;
      continue;
    }
    if (IsLead(b) && i + 1 < n) {
      const auto t = static_cast<unsigned char>(bytes[i + 1]);
      if (IsTrail(t)) {
        char16_t u = Big5().at(b, t);
        if (u) {
          s += QChar(u);
          i += 2;
          continue;
        }
      }
    }
    if (invalid) ++*invalid;
    s += Escape(b);
    ++i;
  }
  return s;
}

// Strict UTF-8 sequence at i: its length and code point, or 0.
int Utf8Sequence(const QByteArray& bytes, int i, char32_t& cp) {
  const int n = bytes.size();
  const auto b = static_cast<unsigned char>(bytes[i]);
  int len;
  char32_t min;
  if (b < 0x80) { cp = b; return 1; }
  if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
  else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
  else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
  else return 0;
  if (i + len > n) return 0;
  for (int k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(bytes[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

QString DecodeUtf8Counted(const QByteArray& bytes, int* invalid) {
  QString s;
  s.reserve(bytes.size());
  const int n = bytes.size();
  for (int i = 0; i < n;) {
    char32_t cp = 0;
    const int len = Utf8Sequence(bytes, i, cp);
    if (len == 0) {
      if (invalid) ++*invalid;
      s += Escape(static_cast<unsigned char>(bytes[i]));
      ++i;
      continue;
    }
    if (len == 1) {
      s += PlainAscii(static_cast<unsigned char>(cp)) ? QChar(char16_t(cp))
                                                      : Escape(static_cast<unsigned char>(cp));
    } else if ((cp >= kEscapeBase && cp <= kEscapeBase + 0xFF) || cp == 0x2028 || cp == 0x2029 ||
               cp == 0xFDD0 || cp == 0xFDD1) {
      // Our own escapes, and characters the text control takes as breaks.
      for (int k = 0; k < len; ++k) s += Escape(static_cast<unsigned char>(bytes[i + k]));
    } else {
      const char32_t one[1] = {cp};
      s += QString::fromUcs4(one, 1);
    }
    i += len;
  }
  return s;
}

bool EncodeUtf8(const QString& text, QByteArray& out) {
  QString run;
  auto flush = [&] {
    if (!run.isEmpty()) out += run.toUtf8();
    run.clear();
  };
  for (QChar c : text) {
    if (IsEscape(c.unicode())) {
      flush();
      out += static_cast<char>(c.unicode() - kEscapeBase);
    } else {
      run += c;
    }
  }
  flush();
  return true;
}

}  // namespace

QString DecodeBig5(const QByteArray& bytes) { return DecodeBig5Counted(bytes, nullptr); }

bool EncodeBig5(const QString& text, QByteArray& out) {
  iconv_t cd = iconv_t(-1);
  bool ok = true;
  QString run;
  auto flush = [&]() -> bool {
    if (run.isEmpty()) return true;
    if (cd == iconv_t(-1)) {
      cd = iconv_open("CP950", "UTF-8");
      if (cd == iconv_t(-1)) cd = iconv_open("BIG5", "UTF-8");
      if (cd == iconv_t(-1)) return false;
    }
    QByteArray in = run.toUtf8();
    run.clear();
    std::vector<char> buf(in.size() * 2 + 8);
    char* ip = in.data();
    size_t il = in.size();
    char* op = buf.data();
    size_t ol = buf.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return false;
    out.append(buf.data(), op - buf.data());
    return true;
  };
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (IsEscape(u)) {
      if (!(ok = flush())) break;
      out += static_cast<char>(u - kEscapeBase);
    } else if (u < 0x80) {
      if (!(ok = flush())) break;
      out += static_cast<char>(u);
    } else {
      run += c;
    }
  }
  if (ok) ok = flush();
  if (cd != iconv_t(-1)) iconv_close(cd);
  return ok;
}

TEdTextFile DecodeTextFile(const QByteArray& bytesIn, std::optional<TEdEncoding> encoding) {
  TEdTextFile f;
  f.byteSize = bytesIn.size();
  QByteArray bytes = bytesIn;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    f.utf8Bom = true;
    bytes.remove(0, 3);
  }

  // Split into lines: LF ends a line, CR LF too (the CR then belongs to the end).
  std::vector<TEdRawLine> lines;
  int crlf = 0, lf = 0;
  int start = 0;
  const int n = bytes.size();
  for (int i = 0; i < n; ++i) {
    if (bytes[i] != '\n') continue;
    TEdRawLine l;
    if (i > start && bytes[i - 1] == '\r') {
      l.body = bytes.mid(start, i - 1 - start);
      l.end = "\r\n";
      ++crlf;
    } else {
      l.body = bytes.mid(start, i - start);
      l.end = "\n";
      ++lf;
    }
    lines.push_back(std::move(l));
    start = i + 1;
  }
  const bool endsWithBreak = start == n && n > 0;
  if (start < n || n == 0) lines.push_back({bytes.mid(start), {}});
  if (lf > crlf) f.lineEnd = "\n";

  // Choose the encoding: Big5 unless the bytes are no Big5 but clean UTF-8.
  if (encoding) {
    f.encoding = *encoding;
  } else if (f.utf8Bom) {
    f.encoding = TEdEncoding::Utf8;
  } else {
    int big5Bad = 0, utf8Bad = 0;
    bool anyHigh = false;
    for (const auto& l : lines) {
      for (char c : l.body)
        if (static_cast<unsigned char>(c) >= 0x80) { anyHigh = true; break; }
    }
    if (anyHigh) {
      for (const auto& l : lines) DecodeBig5Counted(l.body, &big5Bad);
      if (big5Bad) {
        for (const auto& l : lines) DecodeUtf8Counted(l.body, &utf8Bad);
        if (utf8Bad == 0) f.encoding = TEdEncoding::Utf8;
      }
    }
  }

  QStringList texts;
  texts.reserve(static_cast<int>(lines.size()) + 1);
  for (auto& l : lines) {
    QString t = f.encoding == TEdEncoding::Utf8 ? DecodeUtf8Counted(l.body, nullptr)
                                                : DecodeBig5Counted(l.body, nullptr);
    f.original[t].append(l);
    texts.append(std::move(t));
  }
  if (endsWithBreak) texts.append(QString());
  f.text = texts.join(QChar('\n'));
  return f;
}

namespace {

// One new or edited line in the file's encoding. Lenient: a character that
// the encoding cannot hold becomes '?' instead of failing the line.
bool EncodeLine(const QString& line, TEdEncoding encoding, bool lenient, QByteArray& out) {
  if (encoding == TEdEncoding::Utf8) return EncodeUtf8(line, out);
  QByteArray bytes;
  if (EncodeBig5(line, bytes)) {
    out += bytes;
    return true;
  }
  if (!lenient) return false;
  for (QChar c : line) {
    bytes.clear();
    out += EncodeBig5(QString(c), bytes) ? bytes : QByteArray("?");
  }
  return true;
}

bool EncodeLines(const QString& text, const TEdTextFile& origin, bool lenient, QByteArray& out,
                 QString* error) {
  out.clear();
  if (origin.utf8Bom) out += "\xEF\xBB\xBF";
  const QStringList segments = text.split(QChar('\n'));
  QHash<QString, int> used;
  for (int i = 0; i < segments.size(); ++i) {
    const QString& seg = segments[i];
    const bool last = i == segments.size() - 1;
    if (last && seg.isEmpty()) break;
    QByteArray body, end;
    auto it = origin.original.constFind(seg);
    int& k = used[seg];
    if (it != origin.original.constEnd() && k < it->size()) {
      body = (*it)[k].body;
      end = (*it)[k].end;
      ++k;
    } else if (!EncodeLine(seg, origin.encoding, lenient, body)) {
      if (error)
        *error = QStringLiteral("Line %1 holds a character that cannot be written in Big5.")
                     .arg(i + 1);
      return false;
    }
    out += body;
    if (!last) out += end.isEmpty() ? origin.lineEnd : end;
  }
  return true;
}

}  // namespace

bool EncodeTextFile(const QString& text, const TEdTextFile& origin, QByteArray& out,
                    QString* error) {
  return EncodeLines(text, origin, false, out, error);
}

qint64 EncodedSize(const QString& text, const TEdTextFile& origin) {
  QByteArray bytes;
  EncodeLines(text, origin, true, bytes, nullptr);
  return bytes.size();
}

bool ReadTextFile(const QString& path, TEdTextFile& out, QString* error) {
  QFileInfo info(path);
  if (!info.exists() || info.isDir()) {
    if (error) *error = QStringLiteral("File not found");
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return false;
  }
  out = DecodeTextFile(bytes);
  return true;
}

bool WriteTextFile(const QString& path, const QString& text, const TEdTextFile& origin,
                   QString* error, QByteArray* written) {
  QByteArray bytes;
  if (!EncodeTextFile(text, origin, bytes, error)) return false;
  QSaveFile file(path);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  if (file.write(bytes) != bytes.size()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  if (written) *written = std::move(bytes);
  return true;
}

}  // namespace kyvor
