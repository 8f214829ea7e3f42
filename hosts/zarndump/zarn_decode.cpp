// The stream is read through one bounded reader: each block and record length is checked against the
// bytes present before any field is read. Records may continue from one record-run block into the next,
// so the record bytes of consecutive record-run blocks are decoded as one run, with a map back to the
// stream offsets for error reports.
#include "zarn_decode.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace zarn {
namespace {

constexpr uint8_t kMarker = 240, kTrailer = 241, kJobHeader = 243, kPageHeader = 244, kRecords = 245,
                  kDevmode = 247;

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

// Little-endian fields of a span whose bounds were checked by the caller; out-of-range reads give 0 so
// that a missed check can never read outside the input.
struct View {
  const uint8_t* p;
  size_t n;
  uint32_t U8(size_t at) const { return at < n ? p[at] : 0; }
  uint32_t U16(size_t at) const { return at + 2 <= n ? uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 : 0; }
  uint32_t U32(size_t at) const { return at + 4 <= n ? U16(at) | U16(at + 2) << 16 : 0; }
  int32_t I32(size_t at) const { return int32_t(U32(at)); }
  int32_t I16(size_t at) const { return int16_t(U16(at)); }
  std::string Rect(size_t at) const {
    return Format("(%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32 ")", I32(at), I32(at + 4), I32(at + 8), I32(at + 12));
  }
  // FNV-1a of a byte range: a stable fingerprint of bulk data.
  std::string Hash(size_t at, size_t len) const {
    uint32_t h = 2166136261u;
    for (size_t i = at; i < at + len && i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return Format("%zu bytes fnv %08" PRIx32, len, h);
  }
};

// One byte of text as the dump shows it: printable ASCII as it is, the line ends and other bytes escaped.
void PutTextByte(std::string& out, uint8_t c, bool quoted) {
  if ((quoted && c == '"') || c == '\\') {
    out += '\\';
    out += char(c);
  } else if (c == '\r') {
    out += "\\r";
  } else if (c == '\n') {
    out += "\\n";
  } else if (c < 0x20 || c >= 0x7F) {
    out += Format("\\x%02X", c);
  } else {
    out += char(c);
  }
}

// The PJL text of a header or trailer block: one dump line per text line ("  | " and the line with its
// escaped line end), so a golden dump reads like the text the printer receives.
std::string TextLines(const uint8_t* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n;) {
    out += "  | ";
    for (; i < n; ++i) {
      PutTextByte(out, p[i], false);
      if (p[i] == '\n') {
        ++i;
        break;
      }
    }
    out += '\n';
  }
  return out;
}

std::string Text(const uint8_t* p, size_t n) {
  std::string out = "\"";
  for (size_t i = 0; i < n; ++i) PutTextByte(out, p[i], true);
  return out + "\"";
}

const char* BlockName(uint8_t type) {
  switch (type) {
    case kMarker: return "marker";
    case kTrailer: return "page-trailer";
    case kJobHeader: return "job-header";
    case kPageHeader: return "page-header";
    case kRecords: return "records";
    case kDevmode: return "devmode";
    default: return nullptr;
  }
}

struct Counts {
  uint64_t blocks = 0, records = 0, recordBytes = 0, bytes = 0;
};

class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, bool summary, std::string* out)
      : data_(data), size_(size), summary_(summary), out_(out) {}

  DecodeResult Run() {
    size_t at = 0;
    while (at < size_ && result_.ok) {
      if (size_ - at < 8) return Fail(at, "block header cut short");
      View h{data_ + at, 8};
      uint8_t type = uint8_t(h.U8(0));
      const char* name = BlockName(type);
      if (!name) return Fail(at, Format("unknown block type %u", type));
      for (size_t i = 1; i < 4; ++i)
        if (h.U8(i)) return Fail(at + i, "reserved byte of a block header not zero");
      uint64_t len = h.U32(4);
      if (len > size_ - at - 8) return Fail(at + 4, Format("block length %" PRIu64 " beyond the end", len));
      if (type != kRecords && !pending_.empty())
        return Fail(at, Format("block %u inside an unfinished record", type));
      if (type == kPageHeader) StartPage();
      const uint8_t* body = data_ + at + 8;
      Count(len + 8);
      if (type == kRecords) {
        Line(Format("block %u %s length %" PRIu64, type, name, len));
        Append(body, size_t(len), at + 8);
        DecodeRecords();
      } else if (type == kMarker) {
        if (len) return Fail(at + 4, "marker block with content");
        Line(Format("block %u %s", type, name));
      } else if (type == kDevmode) {
        View v{body, size_t(len)};
        Line(Format("block %u %s length %" PRIu64 " dmSize %u dmDriverExtra %u %s", type, name, len, v.U16(68),
                    v.U16(70), v.Hash(0, size_t(len)).c_str()));
      } else {
        Line(Format("block %u %s length %" PRIu64, type, name, len));
        if (!summary_) out_->append(TextLines(body, size_t(len)));
      }
      if (type == kTrailer) EndPage();
      at += 8 + size_t(len);
    }
    if (result_.ok && !pending_.empty()) return Fail(StreamOffset(0), "record cut short at the end of the stream");
    if (summary_ && result_.ok) {
      if (inPage_) EndPage();
      out_->append(Format("job: %" PRIu64 " blocks, %" PRIu64 " bytes before the first page\n", job_.blocks,
                          job_.bytes));
      out_->append(Format("total: %u pages, %" PRIu64 " blocks, %" PRIu64 " records, %" PRIu64 " bytes\n", pages_,
                          total_.blocks, total_.records, total_.bytes));
    }
    return result_;
  }

 private:
  DecodeResult Fail(uint64_t offset, const std::string& what) {
    if (!result_.ok) return result_;
    result_.ok = false;
    result_.errorOffset = offset;
    result_.error = what;
    out_->append(Format("error at offset %" PRIu64 ": %s\n", offset, what.c_str()));
    return result_;
  }
  void Line(const std::string& s) {
    if (!summary_) out_->append(s).append("\n");
  }
  void Count(uint64_t bytes) {
    Counts& c = inPage_ ? page_ : job_;
    ++c.blocks;
    c.bytes += bytes;
    ++total_.blocks;
    total_.bytes += bytes;
  }
  void StartPage() {
    if (inPage_) EndPage();
    inPage_ = true;
    page_ = Counts{};
  }
  void EndPage() {
    if (!inPage_) return;
    ++pages_;
    if (summary_)
      out_->append(Format("page %u: %" PRIu64 " blocks, %" PRIu64 " records, %" PRIu64 " record bytes, %" PRIu64
                          " bytes\n",
                          pages_, page_.blocks, page_.records, page_.recordBytes, page_.bytes));
    inPage_ = false;
  }

  // ---- Record runs ----
  struct Segment {
    size_t runAt;        // where the segment starts in pending_
    uint64_t streamAt;   // and in the stream
  };
  void Append(const uint8_t* p, size_t n, uint64_t streamAt) {
    if (!n) return;
    segments_.push_back(Segment{pending_.size(), streamAt});
    pending_.insert(pending_.end(), p, p + n);
  }
  uint64_t StreamOffset(size_t runAt) const {
    uint64_t off = 0;
    for (const Segment& s : segments_)
      if (s.runAt <= runAt) off = s.streamAt + (runAt - s.runAt);
    return off;
  }
  void DecodeRecords() {
    size_t at = 0;
    while (at < pending_.size() && result_.ok) {
      size_t len = 0;
      View all{pending_.data() + at, pending_.size() - at};
      if (!RecordLength(all, at, &len)) break;
      if (!result_.ok) return;
      if (len > all.n) break;  // continues in the next record-run block
      Record(View{all.p, len}, at);
      if (!result_.ok) return;
      Counts& c = inPage_ ? page_ : job_;
      ++c.records;
      c.recordBytes += len;
      ++total_.records;
      at += len;
    }
    // Keep the unfinished tail with its stream offsets.
    std::vector<Segment> segs;
    if (at < pending_.size()) {
      segs.push_back(Segment{0, StreamOffset(at)});
      for (const Segment& s : segments_)
        if (s.runAt > at) segs.push_back(Segment{s.runAt - at, s.streamAt});
    }
    pending_.erase(pending_.begin(), pending_.begin() + long(at));
    segments_.swap(segs);
  }

  // The record's total length from its opcode's length field; false when more bytes are needed to know it.
  bool RecordLength(const View& v, size_t at, size_t* len) {
    uint32_t op = v.U8(0);
    size_t need = 4;
    switch (op) {
      case 48: case 49: case 50: case 52: case 53: case 55: case 97: need = 4; break;
      case 51: case 54: need = 8; break;
      case 96: need = 16; break;
      case 64: need = 6; break;
      case 80: case 86: need = 16; break;
      case 16: case 17: case 18: case 19: case 32: case 81: case 82: case 83: case 84: case 85: case 87:
        need = 8;
        break;
      default:
        Fail(StreamOffset(at), Format("unknown record opcode %u", op));
        return false;
    }
    if (v.n < need) return false;
    uint64_t n = 0;
    switch (op) {
      case 48: n = v.U8(1); break;
      case 49: case 50: case 52: case 53: case 55: case 97: n = 4; break;
      case 51: case 54: n = 8; break;
      case 96: n = 16; break;
      case 64: n = (uint64_t(v.U16(4)) + 9) & ~uint64_t(3); break;
      case 80: case 86: n = v.U16(14); break;
      default: n = v.U32(4); break;
    }
    size_t lengthAt = op == 48 ? 1 : op == 64 ? 4 : (op == 80 || op == 86) ? 14 : 4;
    if (n < 4 || n % 4) {
      Fail(StreamOffset(at + lengthAt), Format("record %u length %" PRIu64 " not a positive multiple of 4", op, n));
      return false;
    }
    *len = size_t(n);
    return true;
  }

  bool Require(bool ok, const View& v, size_t runAt, size_t fieldAt, const std::string& what) {
    (void)v;
    if (!ok) Fail(StreamOffset(runAt + fieldAt), what);
    return ok;
  }

  std::string Subpaths(const View& v, size_t at, size_t end, size_t runAt, bool* ok) {
    std::string s;
    while (at < end) {
      if (end - at < 12) {
        *ok = Require(false, v, runAt, at, "subpath header cut short");
        return s;
      }
      uint32_t count = v.U32(at);
      s += Format(" [%" PRId32 ",%" PRId32, v.I32(at + 4), v.I32(at + 8));
      at += 12;
      for (uint32_t i = 0; i < count; ++i) {
        if (end - at < 4) {
          *ok = Require(false, v, runAt, at, "path element cut short");
          return s;
        }
        uint32_t kind = v.U32(at);
        size_t size = kind == 0 ? 12 : kind == 1 ? 28 : 0;
        if (!size) {
          *ok = Require(false, v, runAt, at, Format("unknown path element %u", kind));
          return s;
        }
        if (end - at < size) {
          *ok = Require(false, v, runAt, at, "path element cut short");
          return s;
        }
        if (kind == 0)
          s += Format(" L%" PRId32 ",%" PRId32, v.I32(at + 4), v.I32(at + 8));
        else
          s += Format(" B%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32, v.I32(at + 4),
                      v.I32(at + 8), v.I32(at + 12), v.I32(at + 16), v.I32(at + 20), v.I32(at + 24));
        at += size;
      }
      s += "]";
    }
    return s;
  }

  static size_t Round4(size_t n) { return (n + 3) & ~size_t(3); }

  void Record(const View& v, size_t runAt) {
    uint32_t op = v.U8(0);
    auto need = [&](size_t min, const char* what) {
      return Require(v.n >= min, v, runAt, 4, Format("record %u %s: length %zu below %zu", op, what, v.n, min));
    };
    auto exact = [&](size_t want, const char* what) {
      return Require(v.n == want, v, runAt, 4, Format("record %u %s: length %zu, expected %zu", op, what, v.n, want));
    };
    std::string s = Format("  record %u ", op);
    switch (op) {
      case 16:
        if (!exact(v.U8(2) == 5 ? 24 : 40, "rectangle")) return;
        s += Format("rect mode %u %s", v.U8(2), v.Rect(8).c_str());
        if (v.n == 40) s += " " + v.Rect(24);
        break;
      case 17:
      case 18: {
        if (!need(28, "path")) return;
        bool ok = true;
        std::string paths = Subpaths(v, 28, v.n, runAt, &ok);
        if (!ok) return;
        s += Format("path mode 0x%02X bounds %s estimate %u%s", v.U8(2), v.Rect(8).c_str(), v.U32(24), paths.c_str());
        break;
      }
      case 19: {
        if (!need(24, "span fill")) return;
        bool wide = v.U8(2) & 0x10;
        size_t entry = wide ? 12 : 6;
        size_t count = (v.n - 24) / entry;
        if (!Require(Round4(24 + count * entry) == v.n, v, runAt, 4, "span fill length does not match whole entries"))
          return;
        s += Format("span-fill flags 0x%02X bounds %s entries %zu:", v.U8(2), v.Rect(8).c_str(), count);
        for (size_t i = 0; i < count; ++i) {
          size_t e = 24 + i * entry;
          if (wide)
            s += Format(" %" PRId32 ":%" PRId32 "-%" PRId32, v.I32(e), v.I32(e + 4), v.I32(e + 8));
          else
            s += Format(" %" PRId32 ":%" PRId32 "-%" PRId32, v.I16(e), v.I16(e + 2), v.I16(e + 4));
        }
        break;
      }
      case 32: {
        if (!need(56, "image")) return;
        uint32_t low = v.U8(2);
        uint32_t code = low & 0x0F;
        uint32_t bpp = code == 0 ? 1 : code == 1 ? 4 : code == 2 ? 8 : 24;
        size_t pal = (low & 0x20) || bpp == 24 ? 0 : bpp == 1 ? 6 : bpp == 4 ? 48 : 768;
        uint64_t rowBytes = (uint64_t(v.U32(32)) * bpp + 31) / 32 * 4;
        uint64_t want = (56 + pal + rowBytes * v.U32(36) + 3) & ~uint64_t(3);
        if (!Require(want == v.n, v, runAt, 4,
                     Format("image length %zu, its rows and palette make %" PRIu64, v.n, want)))
          return;
        s += Format("image format %02X %02X %02X dest %s src %" PRId32 ",%" PRId32 " width %u rows %u at %" PRId32
                    ",%" PRId32 " size %" PRId32 "x%" PRId32 " palette %zu row-bytes %" PRIu64 " data %s",
                    v.U8(1), low, v.U8(3), v.Rect(8).c_str(), v.I32(24), v.I32(28), v.U32(32), v.U32(36), v.I32(40),
                    v.I32(44), v.I32(48), v.I32(52), pal, rowBytes, v.Hash(56, v.n - 56).c_str());
        break;
      }
      case 48: {
        uint32_t f = v.U8(2);
        size_t colors = 1 + ((f & 0x08) ? 1 : 0) + ((f & 0x10) ? 1 : 0);
        if (!exact(Round4(4 + 3 * colors), "colour brush")) return;
        s += Format("colour-brush flags 0x%02X", f);
        for (size_t i = 0; i < colors; ++i)
          s += Format(" bgr %02X%02X%02X", v.U8(4 + 3 * i), v.U8(5 + 3 * i), v.U8(6 + 3 * i));
        break;
      }
      case 49: s += Format("rop 0x%02X", v.U8(1)); break;
      case 50: s += Format("background %u", v.U8(1)); break;
      case 51: s += Format("line-width %u dash 0x%08X unit %u", v.U16(2), v.U32(4), v.U8(1)); break;
      case 52: s += Format("dash-offset %u", v.U8(1)); break;
      case 53: s += Format("line-cap %u", v.U8(1)); break;
      case 54: s += Format("line-join %u miter %u/256", v.U8(1), v.U32(4)); break;
      case 55: s += "clip-off"; break;
      case 64: {
        uint32_t bytes = v.U16(4);
        s += Format("pattern-brush flags 0x%02X side %u bits %s", v.U8(1), v.U8(2), v.Hash(6, bytes).c_str());
        break;
      }
      case 80:
      case 86: {
        size_t fixed = op == 80 ? 24 : 32;
        if (!need(fixed + 4, "font header")) return;
        size_t first = op == 80 ? 2 : 1;
        size_t face = 0;
        while (fixed + face < v.n && v.U8(fixed + face)) ++face;
        s += Format("%s charset %u pitch-family 0x%02X flags 0x%04X weight %u escapement %u em %ux%u leading %u "
                    "default 0x%04X face ",
                    op == 80 ? "font-header" : "download-font", v.U8(first), v.U8(first + 1), v.U16(4), v.U16(6),
                    v.U16(8), v.U16(10), v.U16(12), v.U16(20), v.U16(22));
        s += Text(v.p + fixed, face);
        break;
      }
      case 81: {
        if (!need(36, "character")) return;
        bool outline = v.U8(2) & 1;
        if (!outline && !exact(36, "character")) return;
        s += Format("char box %s at %" PRId32 ",%" PRId32 " code 0x%04X", v.Rect(8).c_str(), v.I32(24), v.I32(28),
                    v.U16(32));
        if (outline) {
          if (!need(40, "character outline")) return;
          // The outline's last subpath may be followed by padding; show the bytes rather than guess.
          s += Format(" outline estimate %u %s", v.U32(36), v.Hash(36, v.n - 36).c_str());
        }
        break;
      }
      case 82: {
        if (!need(36, "character string")) return;
        size_t count = v.U16(32);
        size_t adv = (v.U8(2) & 0x80) ? count : (count ? 1 : 0);
        if (!exact(36 + Round4(2 * (adv + count)), "character string")) return;
        s += Format("char-string bounds %s at %" PRId32 ",%" PRId32 " count %zu advances", v.Rect(8).c_str(),
                    v.I32(24), v.I32(28), count);
        for (size_t i = 0; i < adv; ++i) s += Format(" %" PRId32, v.I16(36 + 2 * i));
        s += " codes";
        for (size_t i = 0; i < count; ++i) s += Format(" %04X", v.U16(36 + 2 * (adv + i)));
        break;
      }
      case 83:
      case 87: {
        if (!need(64, "glyph image")) return;
        uint32_t dataAt = v.U32(32);
        if (!Require(dataAt == 0 || dataAt == 64, v, runAt, 32, "glyph data offset neither 0 nor 64")) return;
        s += Format("glyph-%s flags 0x%02X box %s at %" PRId32 ",%" PRId32 " origin %" PRId32 ",%" PRId32
                    " size %ux%u code 0x%04X form %u data-length %u",
                    op == 83 ? "kept" : "once", v.U8(2), v.Rect(8).c_str(), v.I32(24), v.I32(28), v.I32(36),
                    v.I32(40), v.U32(44), v.U32(48), v.U16(60), v.U8(62), v.U32(52));
        if (dataAt) s += " data " + v.Hash(64, v.n - 64);
        break;
      }
      case 84:
        if (!need(28, "glyph definition")) return;
        s += Format("glyph-def flags 0x%02X code 0x%04X size %ux%u form %u data-length %u data %s", v.U8(2), v.U16(24),
                    v.U32(12), v.U32(16), v.U8(26), v.U32(8), v.Hash(28, v.n - 28).c_str());
        break;
      case 85: {
        if (!need(36, "glyph string")) return;
        size_t count = v.U16(32);
        if (!exact(36 + Round4(6 * count), "glyph string")) return;
        s += Format("glyph-string flags 0x%02X bounds %s at %" PRId32 ",%" PRId32 " count %zu:", v.U8(2),
                    v.Rect(8).c_str(), v.I32(24), v.I32(28), count);
        for (size_t i = 0; i < count; ++i)
          s += Format(" %+" PRId32 "%+" PRId32 ":%04X", v.I16(36 + 6 * i), v.I16(38 + 6 * i), v.U16(40 + 6 * i));
        break;
      }
      case 96:
        s += Format("page-start %ux%u dots %ux%u dpi", v.U32(4), v.U32(8), v.U16(12), v.U16(14));
        break;
      case 97: s += "page-end"; break;
      default: break;
    }
    Line(s);
  }

  const uint8_t* data_;
  size_t size_;
  bool summary_;
  std::string* out_;
  DecodeResult result_;
  std::vector<uint8_t> pending_;
  std::vector<Segment> segments_;
  bool inPage_ = false;
  unsigned pages_ = 0;
  Counts job_, page_, total_;
};

}  // namespace

DecodeResult Decode(const uint8_t* data, size_t size, bool summary, std::string* out) {
  return Decoder(data, size, summary, out).Run();
}

}  // namespace zarn
