#include "writer/StreamFraming.h"

#include <string_view>

#include "model/PdfObject.h"
#include "model/StreamBounds.h"
#include "model/ValueTree.h"

namespace {

bool FramedAsReadersWant(const CStreamData& data) {
  const size_t begin = FindStreamDataBounds(data).begin;
  CByteArray scratch;
  const std::string_view lineEnd = data.View(0, begin, scratch);
  if (lineEnd != "\n" && lineEnd != "\r\n") return false;
  return data.size() == begin || data[data.size() - 1] == '\n' || data[data.size() - 1] == '\r';
}

}  // namespace

void FrameStreamsAnew(const std::vector<CPdfObject*>& objects) {
  if (CPdfStream::LiveCount() == 0) return;
  VisitValueTrees(objects, [](CPdfObject& value) {
    if (value.Kind() != kindStream) return true;
    auto& stream = static_cast<CPdfStream&>(value);
    if (stream.Dictionary() != nullptr && stream.Data() != nullptr) {
      stream.m_frameAnew = !FramedAsReadersWant(*stream.Data());
    }
    return true;
  });
}
