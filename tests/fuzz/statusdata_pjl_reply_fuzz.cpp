// Arbitrary bytes as a printer's PJL reply: the reply check, the tokenizer and every handler must
// end, stay inside the text and the record, and leave nothing behind once the record is released.
// The first byte picks the container: the query it answers (if any) and the root id.
#include <cstddef>
#include <cstdint>

#include "statusdata/pjlreply.h"
#include "statusdata/tests/record_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  ++data;
  --size;

  sdtest::Record record;
  DWORD fifteen = 15;
  bool emul = selector & 0x80;
  sdtest::Tree reply(InfoNodeCreate(nullptr, emul ? INFO_ID_EMUL_REPLY : INFO_ID_REPLY, emul ? &fifteen : nullptr,
                                    emul ? 4 : 0));
  if (!reply.root) return 0;
  if (selector & 0x40) {
    // Answering a query of ours: CONFIG, trays, bins, or the emulation query.
    INFO_NODE* query = InfoNodeCreate(reply.root, INFO_ID_QUERY, nullptr, 0);
    if (emul)
      PatBuildEmulQuery(15, query);
    else
      PatBuildQueryText(record.get(), selector & 0x1C, query);
  }
  // The text is given as it came, without a terminating NUL.
  InfoNodeCreate(reply.root, INFO_ID_PJL_TEXT, data, DWORD(size));
  PatParseInfoReply(g_PatModelReplyTable, reply.root, record.get());

  // The raw tokenizer on its own, with a small buffer.
  PJL_TOKENIZER t;
  PatTokInitN(&t, reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i <= size + 1; ++i) {
    char token[8];
    DWORD kind = 0;
    PatReadToken(&t, token, sizeof token, &kind);
    if (kind == PJL_TOK_END) break;
  }
  return 0;
}
