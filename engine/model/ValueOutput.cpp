#include "model/ValueOutput.h"

#include <string>

#include "base/Exceptions.h"

#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"

namespace {

void AppendArray(const CPdfArray& array, CBufferedOutput& out) {
  out.AppendLiteral("[\r\n");
  if (const int32_t* values = array.PackedIntegers()) {
    for (size_t i = 0; i < array.GetCount(); ++i) {
      out.AppendDecimal(values[i]);
      out.AppendLiteral("\r\n");
    }
    out.AppendLiteral("]\r\n");
    return;
  }
  for (size_t i = 0; i < array.GetCount(); ++i) {
    if (const CPdfObject* element = array.GetAt(i)) AppendValue(*element, out);
  }
  out.AppendLiteral("]\r\n");
}

void AppendDictionary(const CPdfDictionary& dictionary, CBufferedOutput& out) {
  out.AppendLiteral("<<\r\n");
  dictionary.ForEach([&](std::string_view key, const CPdfObject* value) {
    if (key.empty() || value == nullptr) return;
    out.Append(key.data(), key.size());
    out.AppendLiteral("\t");
    AppendValue(*value, out);
  });
  out.AppendLiteral(">>\r\n");
}

// Data made as it is read (decrypted, encrypted) goes out a window at a
// time; bytes the ciphers could not make fail the write.
void AppendMadeData(const CStreamData& data, size_t begin, CBufferedOutput& out) {
  constexpr size_t kWindow = 1024 * 1024;
  std::string scratch;
  for (size_t at = begin; at < data.size(); at += kWindow) {
    const std::string_view window = data.View(at, kWindow, scratch);
    out.Append(window.data(), window.size());
  }
  if (data.TransformFailed()) throw CEncryptionException();
}

void AppendStream(const CPdfStream& stream, CBufferedOutput& out) {
  if (stream.Dictionary() == nullptr || stream.Data() == nullptr) return;
  AppendDictionary(*stream.Dictionary(), out);
  out.AppendLiteral("stream");
  const CStreamData& data = *stream.Data();
  const size_t begin = stream.m_frameAnew ? FindStreamDataBounds(data).begin : 0;
  if (stream.m_frameAnew) out.AppendLiteral("\r\n");
  if (CSourceReader* source = data.Source()) {
    out.AppendFromSource(*source, data.Offset() + begin, data.size() - begin);
  } else if (data.Transformed()) {
    AppendMadeData(data, begin, out);
  } else {
    out.Append(data.Bytes().data() + begin, data.Bytes().size() - begin);
  }
  if (stream.m_frameAnew && data.size() > begin && data[data.size() - 1] != '\n' && data[data.size() - 1] != '\r') {
    out.AppendLiteral("\r\n");
  }
  out.AppendLiteral("endstream\r\n");
}

void AppendReference(const CPdfReference& reference, CBufferedOutput& out) {
  if (const CPdfObject* target = reference.Resolve()) {
    out.AppendDecimal(target->m_outputNumber);
    out.AppendLiteral(" ");
    out.AppendDecimal(target->OutputGeneration());
    out.AppendLiteral(" R\r\n");
  } else {
    out.AppendLiteral("null\r\n");
  }
}

}  // namespace

void AppendValue(const CPdfObject& object, CBufferedOutput& out) {
  switch (object.Kind()) {
    case kindBoolean:
    case kindReal:
    case kindString:
    case kindName:
    case kindNull: {
      const std::string_view bytes = static_cast<const CPdfText&>(object).Bytes();
      out.Append(bytes.data(), bytes.size());
      out.AppendLiteral("\r\n");
      return;
    }
    case kindInteger:
      out.AppendDecimal(static_cast<const CPdfInteger&>(object).m_value);
      out.AppendLiteral("\r\n");
      return;
    case kindArray:
      AppendArray(static_cast<const CPdfArray&>(object), out);
      return;
    case kindDictionary:
      AppendDictionary(static_cast<const CPdfDictionary&>(object), out);
      return;
    case kindStream:
      AppendStream(static_cast<const CPdfStream&>(object), out);
      return;
    case kindReference:
      AppendReference(static_cast<const CPdfReference&>(object), out);
      return;
  }
  object.Write(out);
}

void WriteValue(const CPdfObject& object, CFile64& file) {
  // A small buffer: values written one by one are the rare case.
  CBufferedOutput out(file, 4096);
  AppendValue(object, out);
  out.Flush();
}
