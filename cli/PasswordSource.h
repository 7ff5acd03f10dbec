#pragma once

#include <string>

// The password of --password-file: the first line of the file without its
// line end (LF or CR LF); "-" reads standard input. Only a regular file is
// read, so that a pipe or a device given by mistake cannot block the run or
// feed it without end. On failure the reason is already written to standard
// error and the answer is false.
bool ReadPasswordFile(const std::string& path, std::string& password);

// Overwrites the text's whole buffer before it is released: a password
// should not outlive its use in freed memory.
void WipePassword(std::string& password);
