#pragma once

#include <windows.h>

#include <string>

// A font description (name, size in points, styles, character set) that tells
// its listener when one of its properties changes. The control turns it into a
// GDI font at its own dpi.
class ListViewFont {
 public:
  class IListener {
   public:
    virtual void FontChanged(const std::wstring& PropertyName) = 0;

   protected:
    ~IListener() = default;
  };

  ListViewFont();  // the system's default GUI font
  ListViewFont(std::wstring Name, float Size, bool Bold = false, bool Italic = false);
  // A copy carries the description only, never the listener.
  ListViewFont(const ListViewFont& other);
  // Takes the other description, keeps this listener and tells it ("Font").
  ListViewFont& operator=(const ListViewFont& other);

  const std::wstring& Name() const { return m_Name; }
  void Name(const std::wstring& Value);
  float Size() const { return m_Size; }
  void Size(float Value);
  bool Bold() const { return m_Bold; }
  void Bold(bool Value);
  bool Italic() const { return m_Italic; }
  void Italic(bool Value);
  bool Underline() const { return m_Underline; }
  void Underline(bool Value);
  bool Strikethrough() const { return m_Strikethrough; }
  void Strikethrough(bool Value);
  BYTE Charset() const { return m_Charset; }
  void Charset(BYTE Value);

  void Listener(IListener* listener) { m_Listener = listener; }

  // The description at dpiY dots per inch; face names longer than the LOGFONT
  // field are cut.
  LOGFONTW ToLogFont(int dpiY) const;

 private:
  void Changed(const wchar_t* PropertyName);

  std::wstring m_Name;
  float m_Size = 9.0f;
  bool m_Bold = false;
  bool m_Italic = false;
  bool m_Underline = false;
  bool m_Strikethrough = false;
  BYTE m_Charset = DEFAULT_CHARSET;
  IListener* m_Listener = nullptr;
};
