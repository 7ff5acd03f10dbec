#include "rebuild/ContentRepair.h"

#include <zlib.h>

#include <climits>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "decode/StreamDecode.h"
#include "model/DecodeBudget.h"
#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"
#include "rebuild/ContentRewrite.h"
#include "rebuild/PageTree.h"
#include "rebuild/PageWalk.h"

namespace {

constexpr size_t kStreamLimit = 16u << 20;

// The page's content streams, in order.
std::vector<CPdfStream*> ContentStreams(const CPdfDictionary& page) {
  std::vector<CPdfStream*> streams;
  const auto add = [&](CPdfObject* value) {
    if (value != nullptr && value->Kind() == kindStream) streams.push_back(static_cast<CPdfStream*>(value));
  };
  CPdfObject* contents = DirectEntry(page, "/Contents");
  if (contents != nullptr && contents->Kind() == kindArray) {
    const auto* array = static_cast<const CPdfArray*>(contents);
    for (size_t i = 0; i < array->GetCount(); ++i) add(Direct(array->GetAt(i)));
  } else {
    add(contents);
  }
  return streams;
}

// The data becomes the content, compressed, between the line ends that
// "stream" and "endstream" want.
bool ReplaceContent(CPdfStream& stream, const std::string& content) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  std::string data(size + 4, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&data[2]), &size, reinterpret_cast<const Bytef*>(content.data()),
                static_cast<uLong>(content.size()), Z_DEFAULT_COMPRESSION) != Z_OK ||
      size > INT32_MAX) {
    return false;
  }
  data.resize(size + 4);
  data[0] = '\r';
  data[1] = '\n';
  data[size + 2] = '\r';
  data[size + 3] = '\n';
  stream.ReplaceData(std::move(data));
  stream.m_cut = false;
  CPdfDictionary& dictionary = *stream.Dictionary();
  dictionary.SetAt("/Length", std::make_unique<CPdfInteger>(static_cast<int32_t>(size)));
  dictionary.SetAt("/Filter", std::make_unique<CPdfText>(kindName, "/FlateDecode", 12));
  dictionary.SetAt("/DecodeParms", nullptr);
  dictionary.SetAt("/DL", nullptr);
  return true;
}

class CContentRepair {
 public:
  explicit CContentRepair(CDecodeBudget& budget) : m_budget(budget) {}

  void RepairPage(const CPdfDictionary& page);
  ContentRewrites Rewrites() const { return m_rewrites; }

 private:
  CDecodeBudget& m_budget;
  // What each stream seen leaves open, as the first page that has it saw.
  std::unordered_map<const CPdfStream*, ContentState> m_seen;
  ContentRewrites m_rewrites;
};

void CContentRepair::RepairPage(const CPdfDictionary& page) {
  const std::vector<CPdfStream*> streams = ContentStreams(page);
  ContentState state;
  std::string rewritten;
  for (size_t i = 0; i < streams.size(); ++i) {
    CPdfStream& stream = *streams[i];
    const auto [seen, isNew] = m_seen.try_emplace(&stream);
    if (!isNew) {
      state = seen->second;
      continue;
    }
    if (stream.Dictionary() == nullptr || stream.Data() == nullptr || m_budget.Spent()) continue;
    // Deflated data tells where it breaks off: what inflates of a cut
    // stream is its content. Other data without "endstream" is ended by the
    // writer, which knows where.
    const bool flate = FirstFilterIsFlate(*stream.Dictionary());
    if (stream.m_cut && !flate) continue;
    CByteArray decoded;
    bool limitReached = false;
    const DecodeOutcome outcome = DecodeStream(stream, kStreamLimit, m_budget, decoded, limitReached);
    const bool whole = outcome == DecodeOutcome::complete && !stream.m_cut;
    const bool survives = outcome == DecodeOutcome::cut && flate && !limitReached && !decoded.empty();
    if ((whole || survives) && RewriteContent(decoded, state, i + 1 == streams.size(), rewritten) &&
        ReplaceContent(stream, rewritten)) {
      ++m_rewrites.rewritten;
      if (survives) ++m_rewrites.cut;
    }
    seen->second = state;
  }
}

}  // namespace

ContentRewrites RewriteBrokenContent(CPdfPagesNode& root, CDecodeBudget& budget) {
  CContentRepair repair(budget);
  VisitPagesOnce(root, [&](const CPdfDictionary& page) { repair.RepairPage(page); });
  return repair.Rewrites();
}
