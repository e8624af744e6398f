#pragma once

#include <string>

// Writes bytes as the whole content of the file at path, so that the file is
// at every moment either what it was or all of the new content: the bytes go
// to a temporary file in the same folder, which then takes the file's place.
// Empty text on success, else the system's reason; no temporary file stays.
std::wstring WriteFileReplacing(const std::wstring& path, const std::string& bytes);
