#include "OutputTexts.h"

#include <cstdio>

#include "CliTexts.h"
#include "FileTexts.h"

std::string OutputFailureText(const frontend::SafeOutput& output, const std::string& destination) {
  using frontend::OutputFailure;
  switch (output.Failure()) {
    case OutputFailure::exists: return texts::Formatted(texts::kDestinationExists, destination);
    case OutputFailure::notRegular: return texts::Formatted(texts::kNotRegularDestination, destination);
    case OutputFailure::replaced: return texts::Formatted(texts::kTemporaryReplaced, destination);
    case OutputFailure::none:
    case OutputFailure::system:
    case OutputFailure::sameAsSource: break;  // as the engine refuses to write the file it reads
  }
  return frontend::CannotCreateText(output.Cause(), destination);
}
