#pragma once

#include <string>

// Whether an executable path (in "\" form) names the Wine loader or
// preloader, which every Windows program under Wine runs as.
bool IsWineLoader(const std::wstring& path);

// The path of the program from its /proc cmdline (UTF-8 arguments, each ended
// by a NUL): the first argument, as Wine writes it for the programs it starts
// ("C:\windows\system32\winedevice.exe") or as a Linux shell gave it
// ("build/app/lumora.exe"), in "\" form; empty when it is a bare name.
std::wstring WindowsProgramPath(const std::string& commandLine);
