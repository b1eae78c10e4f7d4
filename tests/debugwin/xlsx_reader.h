#pragma once
// Reads the cells of an .xlsx file back for the tests: the zip container's
// central directory, raw deflate through zlib, and the sheet's XML with the
// shared strings. Only what the RAM export writes (numbers and strings).
#include <QString>
#include <QXmlStreamReader>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace kyvor::test {

class XlsxReader {
 public:
  explicit XlsxReader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    readDirectory();
  }

  bool hasEntry(const std::string& name) const { return entries_.count(name) != 0; }
  std::string entry(const std::string& name) const {
    auto it = entries_.find(name);
    if (it == entries_.end()) return {};
    const Entry& e = it->second;
    const std::size_t at = e.localOffset;
    const std::size_t data = at + 30 + u16(at + 26) + u16(at + 28);
    if (e.method == 0) return bytes_.substr(data, e.compressed);
    std::string out(e.size, '\0');
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes_.data() + data));
    z.avail_in = uInt(e.compressed);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return out;
  }

  // Sheet names in workbook order.
  std::vector<std::string> sheetNames() const {
    std::vector<std::string> names;
    QXmlStreamReader x(QString::fromStdString(entry("xl/workbook.xml")));
    while (!x.atEnd())
      if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"sheet")
        names.push_back(x.attributes().value("name").toString().toStdString());
    return names;
  }

  // Cells of the first sheet by reference ("C3" -> text); numbers as written.
  std::map<std::string, std::string> cells() const {
    std::vector<std::string> shared;
    QXmlStreamReader s(QString::fromStdString(entry("xl/sharedStrings.xml")));
    while (!s.atEnd())
      if (s.readNext() == QXmlStreamReader::StartElement && s.name() == u"t")
        shared.push_back(s.readElementText().toStdString());
    std::map<std::string, std::string> out;
    QXmlStreamReader x(QString::fromStdString(entry("xl/worksheets/sheet1.xml")));
    std::string ref, type;
    while (!x.atEnd()) {
      x.readNext();
      if (!x.isStartElement()) continue;
      if (x.name() == u"c") {
        ref = x.attributes().value("r").toString().toStdString();
        type = x.attributes().value("t").toString().toStdString();
      } else if (x.name() == u"v") {
        const std::string v = x.readElementText().toStdString();
        out[ref] = type == "s" ? shared.at(std::stoul(v)) : v;
      }
    }
    return out;
  }

 private:
  struct Entry {
    uint16_t method = 0;
    uint32_t compressed = 0, size = 0, localOffset = 0;
  };
  uint16_t u16(std::size_t at) const {
    return uint16_t(uint8_t(bytes_[at]) | uint8_t(bytes_[at + 1]) << 8);
  }
  uint32_t u32(std::size_t at) const { return u16(at) | uint32_t(u16(at + 2)) << 16; }
  void readDirectory() {
    if (bytes_.size() < 22) return;
    std::size_t end = bytes_.size() - 22;
    while (end > 0 && u32(end) != 0x06054b50) --end;
    std::size_t at = u32(end + 16);
    const int count = u16(end + 10);
    for (int i = 0; i < count && at + 46 <= bytes_.size() && u32(at) == 0x02014b50; ++i) {
      Entry e;
      e.method = u16(at + 10);
      e.compressed = u32(at + 20);
      e.size = u32(at + 24);
      e.localOffset = u32(at + 42);
      const uint16_t nameLen = u16(at + 28), extra = u16(at + 30), comment = u16(at + 32);
      entries_[bytes_.substr(at + 46, nameLen)] = e;
      at += 46 + nameLen + extra + comment;
    }
  }
  std::string bytes_;
  std::map<std::string, Entry> entries_;
};

}  // namespace kyvor::test
