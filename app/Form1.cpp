#include "Form1.h"


std::wstring TipsText(const std::wstring& reply) {
  static constexpr std::wstring_view kMarker = L"chr(10)";
  std::wstring text;
  size_t from = 0;
  for (size_t at; (at = reply.find(kMarker, from)) != std::wstring::npos; from = at + kMarker.size()) {
    text.append(reply, from, at - from);
    text += L"\r\n";
  }
  text.append(reply, from);
  return text;
}

void Form1::Load() {
  Text1_.Attach(CreateChild(L"EDIT", L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_BORDER |
                                              WS_TABSTOP,
                            120, 240, 4575, 2655, 1));
  // The text arrives later; a failed request leaves the box empty.
  worker_.Send(urls_.Tips(), [this](const ServiceReply& reply) {
    if (hWnd() && reply.kind == ReplyKind::Success) Text1_.SetText(TipsText(reply.text));
  });
}
