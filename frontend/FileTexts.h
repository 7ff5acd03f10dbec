#pragma once

#include <string>

// The front ends word their own file failures as the engine words its
// failures: the same cause texts from the same table.
namespace frontend {

// The engine's refusal of the file it reads as the one it writes.
extern const int kCauseSharingViolation;
// The engine's refusal of what is not a file.
extern const int kCauseInvalidFile;

// The cause (0-14) of a system error number.
int CauseOf(int error);

// The cause's text with the file name in it.
std::string CauseMessage(int cause, const std::string& fileName);

// The engine's "cannot create" error followed by a cause text.
std::string CannotCreateText(int cause, const std::string& fileName);

// The engine writes a file the user does not know by name: its texts are
// given back with that name replaced by the destination.
std::string NameDestination(std::string text, const std::string& writerPath,
                            const std::string& destination);

}  // namespace frontend
