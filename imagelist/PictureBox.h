#pragma once

#include <windows.h>

// What AddFromPictureBox needs to know of a picture box: its own device
// context, whose top-left pixel can serve as the background colour, and the
// bitmap of the picture it shows, which bounds the block that is copied.
struct PictureBox {
  HDC hDC = nullptr;
  HBITMAP hPicture = nullptr;
};
