// What the C++ side of the page asks of the page's script: the timer, repaints, the result box,
// and the drawing calls of one paint. Defined in page_calls.cpp, carried out by page.js.
#pragma once

extern "C" {
void PageStartTimer();
void PageStopTimer();
void PageRequestRepaint();
// Shows a modal box with the code page 932 text and caption, and returns once it is closed;
// meanwhile the page keeps running (Asyncify unwinds the C++ stack and rewinds it after).
void PageShowMessage(const char* text, const char* caption);

// One paint: a white canvas of the client area's size, black one-pixel lines and filled circles.
void PageBeginPaint(int width, int height);
void PageLine(int x0, int y0, int x1, int y1);
// The circle inside the box from (left, top) to (right, bottom), right and bottom excluded.
void PageDisc(int left, int top, int right, int bottom, int side);
// The window's title, code page 932.
void PageSetTitle(const char* title);
}
