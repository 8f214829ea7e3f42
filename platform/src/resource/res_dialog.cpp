// Reading dialog templates back: the classic and the extended in-memory layouts.
#include <cstring>

#include "res_internal.h"

namespace kvp {
namespace {

class Reader {
 public:
  Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool U16(uint16_t& v) {
    if (at_ + 2 > n_) return false;
    std::memcpy(&v, p_ + at_, 2);
    at_ += 2;
    return true;
  }
  bool S16(int16_t& v) {
    uint16_t u;
    if (!U16(u)) return false;
    v = int16_t(u);
    return true;
  }
  bool U32(uint32_t& v) {
    if (at_ + 4 > n_) return false;
    std::memcpy(&v, p_ + at_, 4);
    at_ += 4;
    return true;
  }
  bool U8(uint8_t& v) {
    if (at_ + 1 > n_) return false;
    v = p_[at_++];
    return true;
  }
  bool Str(std::u16string& s) {
    s.clear();
    for (;;) {
      uint16_t c;
      if (!U16(c)) return false;
      if (!c) return true;
      s.push_back(char16_t(c));
    }
  }
  // sz_Or_Ord: 0 none, 0xFFFF + ordinal, or a text.
  bool SzOrOrd(uint16_t& ord, std::u16string& s) {
    uint16_t first;
    ord = 0;
    s.clear();
    if (at_ + 2 > n_) return false;
    std::memcpy(&first, p_ + at_, 2);
    if (first == 0) return U16(first);
    if (first == 0xFFFF) {
      at_ += 2;
      return U16(ord);
    }
    return Str(s);
  }
  bool Align4() {
    at_ = (at_ + 3) & ~size_t(3);
    return at_ <= n_;
  }
  bool Skip(size_t k) {
    if (at_ + k > n_) return false;
    at_ += k;
    return true;
  }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t at_ = 0;
};

}  // namespace

bool DecodeDialogTemplate(const void* data, size_t size, DialogDesc* out) {
  if (!data || !out) return false;
  Reader r(static_cast<const uint8_t*>(data), size);
  DialogDesc d;
  uint16_t ver = 0, sig = 0, count = 0;
  if (size >= 4) {
    std::memcpy(&ver, data, 2);
    std::memcpy(&sig, static_cast<const uint8_t*>(data) + 2, 2);
  }
  d.extended = ver == 1 && sig == 0xFFFF;
  if (d.extended) {
    if (!r.U16(ver) || !r.U16(sig) || !r.U32(d.helpId) || !r.U32(d.exStyle) || !r.U32(d.style)) return false;
  } else if (!r.U32(d.style) || !r.U32(d.exStyle)) {
    return false;
  }
  if (!r.U16(count) || !r.S16(d.x) || !r.S16(d.y) || !r.S16(d.cx) || !r.S16(d.cy)) return false;
  if (!r.SzOrOrd(d.menuId, d.menuName) || !r.SzOrOrd(d.classAtom, d.className) || !r.Str(d.caption)) return false;
  if (d.style & 0x40) {  // DS_SETFONT
    if (!r.U16(d.pointSize)) return false;
    if (d.extended && (!r.U16(d.weight) || !r.U8(d.italic) || !r.U8(d.charset))) return false;
    if (!r.Str(d.fontFace)) return false;
  }
  for (uint16_t i = 0; i < count; ++i) {
    DialogItem it;
    if (!r.Align4()) return false;
    if (d.extended) {
      if (!r.U32(it.helpId) || !r.U32(it.exStyle) || !r.U32(it.style)) return false;
    } else if (!r.U32(it.style) || !r.U32(it.exStyle)) {
      return false;
    }
    if (!r.S16(it.x) || !r.S16(it.y) || !r.S16(it.cx) || !r.S16(it.cy)) return false;
    if (d.extended) {
      if (!r.U32(it.id)) return false;
    } else {
      uint16_t id;
      if (!r.U16(id)) return false;
      it.id = id;
    }
    if (!r.SzOrOrd(it.classAtom, it.className) || !r.SzOrOrd(it.textId, it.text)) return false;
    uint16_t extra;
    if (!r.U16(extra) || !r.Skip(extra)) return false;
    d.items.push_back(std::move(it));
  }
  *out = std::move(d);
  return true;
}

}  // namespace kvp
