#include "OutputTexts.h"

#include <cstdio>

#include "CliTexts.h"
#include "FileTexts.h"

namespace {

std::string Formatted(const char* pattern, const std::string& value) {
  const int size = std::snprintf(nullptr, 0, pattern, value.c_str());
  std::string text(static_cast<size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, value.c_str());
  return text;
}

}  // namespace

std::string OutputFailureText(const frontend::SafeOutput& output, const std::string& destination) {
  using frontend::OutputFailure;
  switch (output.Failure()) {
    case OutputFailure::exists: return Formatted(texts::kDestinationExists, destination);
    case OutputFailure::notRegular: return Formatted(texts::kNotRegularDestination, destination);
    case OutputFailure::replaced: return Formatted(texts::kTemporaryReplaced, destination);
    case OutputFailure::none:
    case OutputFailure::system:
    case OutputFailure::sameAsSource: break;  // as the engine refuses to write the file it reads
  }
  return frontend::CannotCreateText(output.Cause(), destination);
}
