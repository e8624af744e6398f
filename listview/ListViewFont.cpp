#include "ListViewFont.h"

#include <cmath>
#include <cwchar>

#include "Handles.h"

ListViewFont::ListViewFont() {
  LOGFONTW logFont{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
  const WindowDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
  m_Name = logFont.lfFaceName;
  if (logFont.lfHeight && dpi) m_Size = std::abs(logFont.lfHeight) * 72.0f / dpi;
  m_Bold = logFont.lfWeight >= FW_BOLD;
  m_Charset = logFont.lfCharSet;
}

ListViewFont::ListViewFont(std::wstring Name, float Size, bool Bold, bool Italic)
    : m_Name(std::move(Name)), m_Size(Size), m_Bold(Bold), m_Italic(Italic) {}

ListViewFont::ListViewFont(const ListViewFont& other)
    : m_Name(other.m_Name), m_Size(other.m_Size), m_Bold(other.m_Bold), m_Italic(other.m_Italic),
      m_Underline(other.m_Underline), m_Strikethrough(other.m_Strikethrough), m_Charset(other.m_Charset) {}

ListViewFont& ListViewFont::operator=(const ListViewFont& other) {
  m_Name = other.m_Name;
  m_Size = other.m_Size;
  m_Bold = other.m_Bold;
  m_Italic = other.m_Italic;
  m_Underline = other.m_Underline;
  m_Strikethrough = other.m_Strikethrough;
  m_Charset = other.m_Charset;
  Changed(L"Font");
  return *this;
}

void ListViewFont::Name(const std::wstring& Value) { m_Name = Value; Changed(L"Name"); }
void ListViewFont::Size(float Value) { m_Size = Value; Changed(L"Size"); }
void ListViewFont::Bold(bool Value) { m_Bold = Value; Changed(L"Bold"); }
void ListViewFont::Italic(bool Value) { m_Italic = Value; Changed(L"Italic"); }
void ListViewFont::Underline(bool Value) { m_Underline = Value; Changed(L"Underline"); }
void ListViewFont::Strikethrough(bool Value) { m_Strikethrough = Value; Changed(L"Strikethrough"); }
void ListViewFont::Charset(BYTE Value) { m_Charset = Value; Changed(L"Charset"); }

void ListViewFont::Changed(const wchar_t* PropertyName) {
  if (m_Listener) m_Listener->FontChanged(PropertyName);
}

LOGFONTW ListViewFont::ToLogFont(int dpiY) const {
  LOGFONTW logFont{};
  logFont.lfHeight = -static_cast<LONG>(std::lround(m_Size * dpiY / 72.0));
  logFont.lfWeight = m_Bold ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = m_Italic;
  logFont.lfUnderline = m_Underline;
  logFont.lfStrikeOut = m_Strikethrough;
  logFont.lfCharSet = m_Charset;
  wcsncpy(logFont.lfFaceName, m_Name.c_str(), LF_FACESIZE - 1);
  return logFont;
}
