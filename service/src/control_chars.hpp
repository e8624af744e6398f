#pragma once

namespace lumora {

// Characters that are not seen but act: C0 and C1 controls, DEL, the line and paragraph
// separators, and the marks and overrides that reorder text (U+202E before "txt.exe" shows it
// as "exe.txt"). They are refused in a watch key and escaped in the log.
bool is_hidden_control(char32_t code_point);

}  // namespace lumora
