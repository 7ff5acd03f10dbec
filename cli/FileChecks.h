#pragma once

#include <string>

// True when writing the destination would overwrite the source itself: the
// same file reached by another path, a symbolic or a hard link, or the same
// path text when neither exists yet.
bool IsSameFile(const std::string& source, const std::string& destination);

bool PathExists(const std::string& path);

// The engine's file-error text for an operating-system error on a file.
std::string FileErrorText(int error, const std::string& fileName);

// The engine's "cannot create" error followed by a file-error text.
std::string CannotCreateText(int error, const std::string& fileName);

// The same, for a destination that is the source.
std::string SameFileText(const std::string& destination);
