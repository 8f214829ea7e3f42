// kvhost status --reply FILE [--lang CODE] [--kind 1|alt] [--png OUT.png]: stands in for a status
// monitor. It loads the status-data library M8350d64 by name, builds a PJL query, parses a canned
// printer reply as if the printer had sent it, prints the short and long status texts in the chosen
// language and composes the status picture the monitor would show, written as PNG.
//
// A reply file is text in sections:
//   # comment lines
//   [pjl]            the printer's PJL reply; lines are sent with CR LF, a line "<FF>" is a form feed
//   [deviceid]       the device-identification string (one line), e.g. MFG:...;MDL:...;STS:41201,1,;
//   [noresponse]     (no body) the printer did not answer at all
// A file without sections is the raw bytes the printer sent, taken whole as the [pjl] part.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvsetup/driver_set.h"
#include "statusdata/statusapi.h"

namespace {

namespace fs = std::filesystem;


struct Reply {
  std::string pjl, deviceId;
  bool noResponse = false;
};

bool IsSectionLine(const std::string& line) { return line.size() > 2 && line.front() == '[' && line.back() == ']'; }

bool ReadReply(const std::string& path, Reply& reply, std::string& error) {
  std::string bytes;
  if (!kvhost::ReadHostFile(path, &bytes, &error)) return false;
  std::istringstream lines(bytes);
  bool sections = false;
  for (std::string line; !sections && std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    sections = IsSectionLine(line);
  }
  if (!sections) {
    // Raw reply bytes: what a printer sends starts with "@PJL" (after its universal exit, if any).
    if (bytes.find("@PJL") == std::string::npos) {
      error = path + " is neither a reply file with [pjl], [deviceid] or [noresponse] sections nor a raw PJL "
                     "reply (no '@PJL' in it)";
      return false;
    }
    reply.pjl = bytes;
    return true;
  }
  std::istringstream in(bytes);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("#", 0) == 0) continue;
    if (section.empty() && !line.empty() && !IsSectionLine(line)) {
      error = "text before the first section in " + path + ": '" + line.substr(0, 40) + "'";
      return false;
    }
    if (IsSectionLine(line)) {
      section = line.substr(1, line.size() - 2);
      if (section == "noresponse") reply.noResponse = true;
      else if (section != "pjl" && section != "deviceid") {
        error = "unknown section [" + section + "] in " + path;
        return false;
      }
      continue;
    }
    if (section == "pjl") reply.pjl += line == "<FF>" ? std::string("\f") : line + "\r\n";
    else if (section == "deviceid" && !line.empty()) reply.deviceId += line;
  }
  return true;
}

// Containers are the monitor's to build: nodes in global memory, laid out as the library expects.
INFO_NODE* NewNode(INFO_NODE* parent, DWORD id, const void* data, DWORD length) {
  auto* node = static_cast<INFO_NODE*>(GlobalAlloc(GPTR, sizeof(INFO_NODE) + length));
  if (!node) return nullptr;
  node->id = id;
  node->dataLength = length;
  if (length) std::memcpy(InfoNodeBytes(node), data, length);
  if (parent) {
    node->parent = parent;
    if (parent->lastChild) parent->lastChild->nextSibling = node;
    else parent->firstChild = node;
    parent->lastChild = node;
  }
  return node;
}

void FreeTree(INFO_NODE* node) {
  if (!node) return;
  for (INFO_NODE* c = node->firstChild; c;) {
    INFO_NODE* next = c->nextSibling;
    FreeTree(c);
    c = next;
  }
  GlobalFree(node);
}

void FreeList(LIST_NODE* n) {
  while (n) {
    LIST_NODE* next = n->next;
    GlobalFree(n);
    n = next;
  }
}

// Everything the library stored in the record is the monitor's to free.
void ReleaseRecord(PRN_INFO_EX* r) {
  for (LIST_NODE* head : {r->pEngineStatus, r->pLoadedEmul, r->pLoadedFont, r->pTrayInfo, r->pOutBinInfo,
                          r->pDeviceInfo, r->pEmulUniqInfo, r->pCounterInfo, r->pSupplyInfo, r->pColorCorrection,
                          r->pCustomMediaInfo})
    FreeList(head);
  for (CHAR* s : {r->pModelName, r->pMakerName, r->pDescription, r->pSYSVersion, r->pMainProgVersion, r->pKPSVersion})
    if (s) GlobalFree(s);
}

struct Api {
  PFN_PatSetLocale setLocale;
  PFN_PatCreateQueryInfo createQuery;
  PFN_PatSetCentroDataTo setCentroData;
  PFN_PatGetStatusString statusString;
  PFN_PatCreateBitmapInfo createBitmaps;
  PFN_PatDisposeBitmapInfo disposeBitmaps;
  PFN_PatLoadDIBitmap loadDib;
};

template <typename F>
bool Bind(HMODULE m, const char* name, F& f) {
  f = reinterpret_cast<F>(GetProcAddress(m, name));
  if (!f) std::fprintf(stderr, "kvhost: %s not exported by M8350d64\n", name);
  return f != nullptr;
}

// The library as set-up installed it in the driver folder of the machine.
HMODULE LoadStatusLibrary() {
  std::u16string path = std::u16string(kvsetup::kDriverFolder) + u"\\M8350d64.dll";
  return LoadLibraryW(path.c_str());
}

// ---- the picture --------------------------------------------------------------------------------------

struct Image {
  int w = 0, h = 0;
  std::vector<unsigned> rgb;  // 0xRRGGBB
};

// Reads an uncompressed 8-, 24- or 32-bit packed DIB into RGB; false for anything else.
bool ReadDib(const BITMAPINFOHEADER* info, Image& out) {
  if (!info || info->biSize < sizeof(BITMAPINFOHEADER) || info->biCompression != BI_RGB) return false;
  int w = info->biWidth, h = info->biHeight < 0 ? -info->biHeight : info->biHeight;
  bool topDown = info->biHeight < 0;
  int bpp = info->biBitCount;
  if (w <= 0 || h <= 0 || (bpp != 8 && bpp != 24 && bpp != 32)) return false;
  const BYTE* base = reinterpret_cast<const BYTE*>(info) + info->biSize;
  const RGBQUAD* colours = reinterpret_cast<const RGBQUAD*>(base);
  DWORD used = bpp == 8 ? (info->biClrUsed ? info->biClrUsed : 256) : 0;
  const BYTE* bits = base + used * sizeof(RGBQUAD);
  size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
  out.w = w;
  out.h = h;
  out.rgb.assign(size_t(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    const BYTE* row = bits + stride * size_t(topDown ? y : h - 1 - y);
    for (int x = 0; x < w; ++x) {
      unsigned c;
      if (bpp == 8) {
        BYTE i = row[x];
        if (i >= used) return false;
        c = unsigned(colours[i].rgbRed) << 16 | unsigned(colours[i].rgbGreen) << 8 | colours[i].rgbBlue;
      } else {
        const BYTE* p = row + x * (bpp / 8);
        c = unsigned(p[2]) << 16 | unsigned(p[1]) << 8 | p[0];
      }
      out.rgb[size_t(y) * w + x] = c;
    }
  }
  return true;
}

// Draws one placement with its raster operation, clipped to the canvas.
void Blit(Image& canvas, const Image& src, int x0, int y0, DWORD rop) {
  for (int y = 0; y < src.h; ++y)
    for (int x = 0; x < src.w; ++x) {
      int cx = x0 + x, cy = y0 + y;
      if (cx < 0 || cy < 0 || cx >= canvas.w || cy >= canvas.h) continue;
      unsigned& d = canvas.rgb[size_t(cy) * canvas.w + cx];
      unsigned s = src.rgb[size_t(y) * src.w + x];
      if (rop == SRCCOPY) d = s;
      else if (rop == SRCAND) d &= s;
      else if (rop == SRCPAINT) d |= s;
    }
}

// Writes the picture through the platform's PNG writer, which replaces the file as a whole.
bool WritePng(const std::string& path, const Image& img, std::string* error) {
  kvp::ui::Picture pic;
  pic.width = img.w;
  pic.height = img.h;
  pic.pixels.assign(img.rgb.begin(), img.rgb.end());
  return kvp::ui::WritePng(pic, path, error);
}

// Composes the picture list: the first entry's placements in order, on a canvas the size of the base
// picture (the first one drawn). Prints the drawing list as it goes.
bool ComposePicture(const Api& api, const PAT_BITMAP_INFO* list, Image& canvas) {
  if (!list || list->tag != 201 || list->count == 0) return false;
  auto* entry = static_cast<const PAT_BITMAP_INFO*>(list->elements);
  auto* placements = static_cast<const BITMAP_PLACEMENT*>(entry->elements);
  std::printf("picture:");
  for (DWORD i = 0; i < entry->count; ++i) {
    const BITMAP_PLACEMENT& p = placements[i];
    const char* op = p.rop == SRCCOPY ? "copy" : p.rop == SRCAND ? "and" : p.rop == SRCPAINT ? "or" : "?";
    std::printf(" %s(%d,%d,%s)", p.name, p.x, p.y, op);
    Image src;
    if (!ReadDib(api.loadDib(p.name), src)) {
      std::printf("\n");
      std::fprintf(stderr, "kvhost: bitmap %s cannot be loaded (error %u)\n", p.name, GetLastError());
      return false;
    }
    if (canvas.w == 0) {
      canvas.w = src.w;
      canvas.h = src.h;
      canvas.rgb.assign(size_t(src.w) * src.h, 0xFFFFFF);
    }
    Blit(canvas, src, p.x, p.y, p.rop);
  }
  std::printf("\n");
  return canvas.w > 0;
}

// The library's texts are ANSI in the code page of its language; the terminal gets UTF-8.
std::string ToTerminal(const std::string& lang, const char* text) {
  static const struct {
    const char* code;
    LCID lcid;
  } kLangs[] = {{"EN", 0x0409}, {"DE", 0x0407}, {"FR", 0x040C}, {"IT", 0x0410}, {"ES", 0x040A},
                {"NL", 0x0413}, {"SV", 0x041D}, {"DA", 0x0406}, {"NO", 0x0414}, {"CS", 0x0405},
                {"HU", 0x040E}, {"PT", 0x0416}, {"PL", 0x0415}, {"FI", 0x040B}, {"ZH_CN", 0x0804}};
  LCID lcid = LOCALE_USER_DEFAULT;
  for (auto& l : kLangs)
    if (strcasecmp(l.code, lang.c_str()) == 0) lcid = l.lcid;
  char cp[16] = {};
  UINT codePage = GetLocaleInfoA(lcid, LOCALE_IDEFAULTANSICODEPAGE, cp, sizeof cp) > 0 ? UINT(atoi(cp)) : 1252;
  std::u16string wide;
  if (!kvp::AnsiToWide(text, &wide, codePage)) return text;
  return kvp::ToUtf8(wide);
}

std::string Hex(DWORD v) {
  char b[16];
  std::snprintf(b, sizeof b, "%X", v);
  return b;
}

int Usage() {
  return kvhost::UsageError(
      "usage: kvhost status --reply FILE [--lang CODE] [--kind 1|alt] [--png OUT.png]\n"
      "  CODE: EN DE FR IT ES NL SV DA NO CS HU PT PL FI ZH_CN");
}

int RunStatus(const std::vector<std::string>& args) {
  std::string replyPath, lang, png;
  DWORD kind = PAT_KIND_D;
  for (size_t i = 0; i < args.size(); ++i) {
    bool more = i + 1 < args.size();
    if (args[i] == "--reply" && more) replyPath = args[++i];
    else if (args[i] == "--lang" && more) lang = args[++i];
    else if (args[i] == "--png" && more) png = args[++i];
    else if (args[i] == "--kind" && more) {
      std::string k = args[++i];
      if (k == "alt") kind = PAT_KIND_D | PAT_KIND_ALTERNATE;
      else if (k != "1") return Usage();
    } else {
      return Usage();
    }
  }
  if (replyPath.empty()) return Usage();
  if (int rc = kvhost::CheckRoot()) return rc;
  Reply reply;
  std::string error;
  if (!ReadReply(replyPath, reply, error)) return kvhost::Failed(error);

  HMODULE lib = LoadStatusLibrary();
  if (!lib)
    return kvhost::Failed("cannot load the status library M8350d64 from the driver folder (error " +
                          std::to_string(GetLastError()) + "); install the driver set with kvhost setup");
  Api api{};
  bool bound = true;  // every entry is looked up, also after a missing one
  bound &= Bind(lib, "PatSetLocale", api.setLocale);
  bound &= Bind(lib, "PatCreateQueryInfo", api.createQuery);
  bound &= Bind(lib, "PatSetCentroDataTo", api.setCentroData);
  bound &= Bind(lib, "PatGetStatusString", api.statusString);
  bound &= Bind(lib, "PatCreateBitmapInfo", api.createBitmaps);
  bound &= Bind(lib, "PatDisposeBitmapInfo", api.disposeBitmaps);
  bound &= Bind(lib, "PatLoadDIBitmap", api.loadDib);
  int rc = 0;
  // The record the monitor owns: zeroed, its size word set.
  std::vector<BYTE> recordBlock(PRN_INFO_EX_MIN_SIZE, 0);
  auto* record = reinterpret_cast<PRN_INFO_EX*>(recordBlock.data());
  record->size = PRN_INFO_EX_MIN_SIZE;
  INFO_NODE* status = nullptr;
  if (!bound) {
    rc = 1;
  } else if (!lang.empty() && !api.setLocale(lang.c_str())) {
    std::fprintf(stderr, "kvhost: language %s is not known (error 0x%08X)\n", lang.c_str(), GetLastError());
    rc = 2;
  }
  if (rc == 0) {
    if (reply.noResponse) {
      record->noResponse = 1;
    } else {
      // Ask for what the canned answer holds (device id, configuration, output bins), then hand the
      // answer back together with the query it answers.
      DWORD flags = 0;
      if (!reply.deviceId.empty()) flags |= 0x2;
      if (reply.pjl.find("@PJL INFO CONFIG") != std::string::npos) flags |= 0x4;
      if (reply.pjl.find("@PJL INFO OUTBINSTATUS") != std::string::npos) flags |= 0x10;
      INFO_NODE* query = api.createQuery(record, PAT_VERSION_QUERY, flags);
      INFO_NODE* root = query ? NewNode(nullptr, INFO_ID_REPLY, nullptr, 0) : nullptr;
      if (!root) {
        std::fprintf(stderr, "kvhost: query failed (error %u)\n", GetLastError());
        FreeTree(query);
        rc = 1;
      } else {
        query->parent = root;
        root->firstChild = root->lastChild = query;
        if (!reply.pjl.empty()) NewNode(root, INFO_ID_PJL_TEXT, reply.pjl.c_str(), DWORD(reply.pjl.size() + 1));
        if (!reply.deviceId.empty())
          NewNode(root, INFO_ID_DEVICE_ID, reply.deviceId.c_str(), DWORD(reply.deviceId.size() + 1));
        if (!api.setCentroData(root, 0, record, PAT_VERSION_QUERY)) {
          std::fprintf(stderr, "kvhost: the reply was refused (error 0x%X)\n", GetLastError());
          rc = 1;
        }
        FreeTree(root);
      }
    }
  }
  if (rc == 0) {
    // The status container: item 2 (general) and item 1 (this kind) both name the record.
    status = NewNode(nullptr, 10, nullptr, 0);
    PRN_INFO_EX* p = record;
    if (!status || !NewNode(status, 2, &p, sizeof p) || !NewNode(status, 1, &p, sizeof p)) rc = 1;
  }
  for (DWORD form : {1u, 2u}) {
    if (rc) break;
    char text[512];
    DWORD size = sizeof text;
    if (!api.statusString(kind, status, PAT_VERSION_STATUS, form, text, &size)) {
      if (reply.deviceId.empty() && !reply.noResponse)
        rc = kvhost::Failed("the reply was read, but it holds no device status to show (the status code comes "
                            "from the device id, STS:, of a [deviceid] part)");
      else
        rc = kvhost::Failed("no status text (error 0x" + Hex(GetLastError()) + ")");
      break;
    }
    std::printf(form == 1 ? "status: %s\n" : "%s\n", ToTerminal(lang, text).c_str());
  }
  if (rc == 0 && !png.empty()) {
    PAT_BITMAP_INFO* list = api.createBitmaps(kind, status, PAT_VERSION_STATUS);
    Image canvas;
    if (!list) {
      std::fprintf(stderr, "kvhost: no picture list (error 0x%X)\n", GetLastError());
      rc = 1;
    } else {
      if (!ComposePicture(api, list, canvas)) rc = 1;
      api.disposeBitmaps(list);
    }
    std::string why;
    if (rc == 0 && !WritePng(png, canvas, &why)) {
      std::fprintf(stderr, "kvhost: cannot write %s: %s\n", png.c_str(), why.c_str());
      rc = 1;
    }
    if (rc == 0) std::printf("picture written: %s (%d x %d)\n", png.c_str(), canvas.w, canvas.h);
  }
  FreeTree(status);
  ReleaseRecord(record);
  FreeLibrary(lib);
  return rc;
}

}  // namespace

KVHOST_COMMAND_ROOT("status",
               "  status --reply FILE [--lang CODE] [--kind 1|alt] [--png OUT.png]\n"
               "                           show the status texts and picture a monitor makes of a printer reply",
               RunStatus, kvhost::RootUse::kChecksItself);
